// The search's report lines, and the look at the input during a search.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "search/context.h"
#include "shell/command.h"
#include "shell/linereader.h"
#include "search/limits.h"
#include "shell/report.h"
#include "shell/ucci.h"
#include "tests/testsystem.h"

namespace {

SearchContext reportContext;

SearchReport reportOf(int depth, int score, const Move* pv) {
    return SearchReport{depth, score, elapsedMs(reportContext), reportContext.nodeCount, pv};
}

std::string captured(void (*print)()) {
    testing::internal::CaptureStdout();
    print();
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(Report, MoveText) {
    char text[5];
    struct Row { Move move; const char* text; } rows[] = {
        {0, "a9a9"}, {packMove(0x77, 0x74), "h2e2"}, {packMove(144, 8), "a0i9"}, {packMove(4, 20), "e9e8"},
    };
    for (const Row& row : rows) {
        moveText(row.move, text);
        EXPECT_STREQ(text, row.text);
    }
}

// The node count shows its low 32 bits signed; the speed uses them unsigned. No time at all
// counts as one millisecond.
TEST(Report, Lines) {
    reportContext.nodeCount = uint64_t(1) << 31;
    reportContext.startTimeMs = monotonicMs() - 1000;
    std::string line = captured([] {
        const Move pv[] = {packMove(0x77, 0x74), packMove(0x07, 0x26), 0, packMove(1, 2)};
        ucciProtocol.iterationDone(reportOf(3, -5, pv));
    });
    EXPECT_EQ(line.substr(0, 25), "info depth 3 score -5 tim");
    EXPECT_NE(line.find(" nodes -2147483648 nps 2"), std::string::npos) << line;
    EXPECT_EQ(line.substr(line.find(" pv")), " pv h2e2 h9g7\n");

    reportContext.nodeCount = 700;
    reportContext.startTimeMs = monotonicMs() + 60000;
    line = captured([] {
        const Move pv[] = {packMove(0x77, 0x74), 0};
        ucciProtocol.searchCut(reportOf(0, 12, pv));
    });
    EXPECT_EQ(line, "info depth 0 score 12 time 1 nodes 700 nps 700000 pv h2e2\n");

    searchCount = 5;
    EXPECT_EQ(captured([] { ucciProtocol.answer(packMove(0x77, 0x74), 0); }), "info #5:\nbestmove h2e2\n");
    searchCount = 6;
    EXPECT_EQ(captured([] { ucciProtocol.answer(0, 0); }), "info #6:\nnobestmove\n");
}

// The longest line: wide statistics (a node count that reads negative, a ten-digit speed)
// and a variation of 256 moves. Its buffer once held 64 characters for the statistics,
// fewer than these take.
TEST(Report, LongestIterationLineFits) {
    reportContext.nodeCount = uint64_t(1) << 31;
    reportContext.startTimeMs = monotonicMs() - 1000;
    const std::string line = captured([] {
        Move pv[257];
        for (int i = 0; i < 256; ++i)
            pv[i] = i % 2 ? packMove(0x07, 0x26) : packMove(0x77, 0x74);
        pv[256] = 0;
        ucciProtocol.iterationDone(reportOf(64, -2048, pv));
    });
    // About a second has passed, so the speed takes ten digits; the time may read a little more.
    EXPECT_EQ(line.substr(0, 31), "info depth 64 score -2048 time ");
    const size_t nps = line.find(" nodes -2147483648 nps ");
    ASSERT_NE(nps, std::string::npos) << line.substr(0, 80);
    EXPECT_GT(std::stoll(line.substr(nps + 23)), 1000000000LL) << line.substr(0, 80);
    const size_t moves = line.find(" pv ") + 4;
    EXPECT_EQ(line.size() - moves, 256u * 5) << line;
    EXPECT_EQ(line.substr(line.size() - 10), "h2e2 h9g7\n");
}

// During a search each look takes one line; "stop" and "quit" sent together stop the
// search, and the "quit" waits for the protocol loop.
TEST(Report, PollDuringSearch) {
    TestPipe tp;
    ASSERT_TRUE(openTestPipe(tp));
    initLineReader(inputReader, tp.readFd);
    const std::string input =
        "stop\nquit\nisready\nponderhit draw\nPonderHit\nprobe startpos moves h2e2\nprobe nowhere\n"
        "go depth 5\n";
    ASSERT_TRUE(writeTestPipe(tp, input));
    EXPECT_EQ(pollBusyCommand(), codeStop);
    UcciCommand cmd{};
    EXPECT_EQ(parseIdleCommand(cmd), codeQuit);
    const UcciCode expected[] = {codeIsReady, codePonderHitDraw, codePonderHit, codeProbe, codeNone,
                                 codeNone, codeNone};
    for (UcciCode code : expected)
        EXPECT_EQ(pollBusyCommand(), code);
    EXPECT_EQ(busyProbe.value.number, 1);
    closeTestPipeWriter(tp);
    EXPECT_EQ(pollBusyCommand(), codeQuit);  // nobody is left to send one
    closeTestPipe(tp);
}
