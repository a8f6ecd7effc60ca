// What front ends do to the engine's process beyond sending lines: input that is no pipe,
// both pipes closed at once, an install folder of any name, and answers that must come in
// time.
#include <algorithm>
#include <filesystem>

#include "tests/e2e/engineprocess.h"
#include "tests/e2e/sessiontext.h"

using namespace e2e;

namespace {

int msSince(Clock::time_point start) {
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// The output ends with its one reply, a legal move after the game's moves.
bool endsWithLegalAnswer(const std::string& output, const std::string& moves) {
    return countReplies(output) == 1 && output.rfind("\nbestmove ") + 15 == output.size() &&
           isLegalAnswer(lastBestMove(output), startFen, moves);
}

}  // namespace

// A front end that closes both pipes at once: the engine's next writes fail, and it still
// reads the end of its input and leaves.
TEST(FrontEnd, ClosesBothPipes) {
    Engine engine;
    ASSERT_TRUE(engine.started());
    engine.startSession();
    engine.closeOutput();
    engine.send("isready\nisready\n");
    engine.closeInput();
    EXPECT_EQ(engine.exitStatus(), 0);
}

// Standard input that is no pipe: a script in a file is read to its end; the null device
// and a handle that cannot be read are an input that has ended.
TEST(FrontEnd, InputThatIsNotAPipe) {
    struct Row {
        const char*        name;
        EngineStart::Input input;
        std::string        text, expected;
    } rows[] = {
        {"a file", EngineStart::file, "ucci\r\nisready\nquit", banner + handshake + "readyok\nbye\n"},
        {"a file without quit", EngineStart::file, "ucci\nisready", banner + handshake + "readyok\nbye\n"},
        {"the null device", EngineStart::nullDevice, "", banner},
        {"an unreadable handle", EngineStart::unreadable, "", banner},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EngineStart how;
        how.input    = row.input;
        how.fileText = row.text;
        Engine engine(how);
        ASSERT_TRUE(engine.started());
        EXPECT_EQ(engine.readAll(), row.expected);
        EXPECT_EQ(engine.exitStatus(), 0);
    }
}

// Installed in a folder named outside any one code page, the engine still finds its book:
// the start position is answered from it at once, without a search.
TEST(FrontEnd, FindsItsBookInAFolderOfAnyName) {
    namespace fs = std::filesystem;
    const fs::path built  = fs::u8path(builtEnginePath());
    const fs::path folder = built.parent_path() / fs::u8path("tmp-\u00dcn\u00efc\u00f6d\u00e9 \u8c61\u68cb");
    std::error_code error;
    fs::remove_all(folder, error);
    fs::create_directories(folder, error);
    ASSERT_FALSE(error) << error.message();
    fs::copy_file(built, folder / built.filename(), error);
    ASSERT_FALSE(error) << error.message();
    fs::copy_file(built.parent_path() / "QXBOOK.DAT", folder / "QXBOOK.DAT", error);
    ASSERT_FALSE(error) << error.message();

    EngineStart how;
    how.exePath = (folder / built.filename()).u8string();
    Engine engine(how);
    ASSERT_TRUE(engine.started());
    engine.send("ucci\nposition startpos\ngo time 6000\n");
    const std::string& output = engine.readReply(10000);
    EXPECT_EQ(output.find("info depth"), std::string::npos) << output;
    EXPECT_TRUE(endsWithLegalAnswer(output, "")) << output;
    engine.send("quit\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}

// A game as a front end plays it, with the answers' timings: a depth-6 search from the
// opening comes back within seconds, and a "stop" sent 500 ms into a long search is
// answered at once.
TEST(FrontEnd, AnswersInTime) {
    Engine engine;
    ASSERT_TRUE(engine.started());
    const std::string& output = engine.startSession();
    ASSERT_EQ(output, banner + handshake);

    size_t asked = output.size();
    auto   start = Clock::now();
    engine.send("position startpos moves a3a4\ngo depth 6\n");  // out of the book
    engine.readReply(10000, asked);
    const int depthSixMs = msSince(start);
    RecordProperty("depthSixMs", depthSixMs);
    if (!sanitized) {
        EXPECT_LT(depthSixMs, 5000);
    }
    EXPECT_EQ(output.substr(asked, 16), "Info Maxdepth:6\n");
    EXPECT_NE(output.find("\ninfo depth 6 ", asked), std::string::npos) << output.substr(asked);
    EXPECT_TRUE(endsWithLegalAnswer(output.substr(asked), "a3a4")) << output.substr(asked);

    // Three times: the quickest answer shows what the engine does, the others also what
    // the machine's other work did to it.
    int quickestStopMs = 1 << 30;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        asked = output.size();
        engine.send("go depth 48\n");
        usleep(500000);
        EXPECT_FALSE(engine.hasLine("bestmove ", asked)) << "the search ended before the stop";
        start = Clock::now();
        engine.send("stop\n");
        engine.readReply(2000, asked);
        quickestStopMs = std::min(quickestStopMs, msSince(start));
        EXPECT_NE(output.find("stopped by GUI", asked), std::string::npos) << output.substr(asked);
        EXPECT_TRUE(endsWithLegalAnswer(output.substr(asked), "a3a4")) << output.substr(asked);
    }
    RecordProperty("stopMs", quickestStopMs);
    if (!sanitized) {
        EXPECT_LT(quickestStopMs, 200);
    }

    asked = output.size();
    engine.send("quit\n");
    EXPECT_EQ(engine.readAll().substr(asked), "bye\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}
