#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <random>

#include "tests/movegen/movegentestutil.h"

namespace {

class MoveGen : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initEngineForTests(); }
    void SetUp() override { resetHistory(); }
    Position pos{};
};

TEST_F(MoveGen, StartPositionCounts) {
    setUpQuietly(pos, startFen);
    MoveSlot caps[moveListSize], quiets[moveListSize], sliders[moveListSize];
    int quietCount = -1;
    ASSERT_EQ(generateMoves(pos, caps, quiets, quietCount), 2);
    EXPECT_EQ(quietCount, 16);
    EXPECT_EQ(generateSliderQuiets(pos, sliders, 0), 26);
    // Each cannon takes the horse on its file over the black cannon: 64 * 20 - 27 first.
    EXPECT_EQ(slotMove(caps[0]), packMove(makeSquare(7, 1), makeSquare(0, 1)));
    EXPECT_EQ(slotValue(caps[0]), 64 * 20 - 27);
    EXPECT_EQ(slotValue(caps[1]), 64 * 22 - 25);
    EXPECT_EQ(generateCapturesRed(pos, caps), 2);
    EXPECT_EQ(generateCapturesBlack(pos, caps), 2);
    EXPECT_EQ(slotMove(caps[0]), packMove(makeSquare(2, 7), makeSquare(9, 7)));  // id 26 first
    // Slider values are bare square-value differences until the history flag exceeds 1.
    historyTable[pieceTypeOf[27]][makeSquare(7, 4)].score = 500;
    generateSliderQuiets(pos, sliders, 1);
    for (int i = 0; i < 26; ++i)
        EXPECT_LT(slotValue(sliders[i]), 100);
    generateSliderQuiets(pos, sliders, 2);
    const auto boosted = std::count_if(sliders, sliders + 26, [](MoveSlot s) { return slotValue(s) > 400; });
    EXPECT_EQ(boosted, 2);  // both cannons reach e2
}

TEST_F(MoveGen, CaptureRulesAndOrder) {
    // A black rook on e5 can be taken by the red pawn below it, by the red rook on a5
    // (which does not see the black horse beyond it) and by the red cannon on i5 over that
    // horse. The red pawn has not crossed the river, so the black pawn beside it is safe,
    // and the red horse on f3 has both legs towards e5 and g5 blocked by that pawn.
    setUpQuietly(pos, "5k3/9/9/9/R3r1n1C/4Pp3/5N3/9/9/3K5 w - - 0 1");
    MoveSlot caps[moveListSize];
    const int n = generateCapturesRed(pos, caps);
    std::vector<std::pair<std::string, int>> got;
    for (int i = 0; i < n; ++i)
        got.emplace_back(moveString(slotMove(caps[i])), slotValue(caps[i]));
    const std::vector<std::pair<std::string, int>> expected = {
        {"e4e5", 64 * 28 - 2}, {"a5e5", 64 * 28 - 31}, {"i5e5", 64 * 28 - 25}};
    EXPECT_EQ(got, expected);
}

TEST_F(MoveGen, EvasionZoneOfARankCheck) {
    // Code 2 on the king on e9: files 0..4 of rank 0. The advisor on d9 qualifies by its
    // origin, the one on f9 does not.
    EXPECT_EQ(evasionZone[1][kingSquareClass[4]][0], 0xF800);
    EXPECT_TRUE(evasionZone[1][kingSquareClass[4]][0] & squareZoneBit[3]);
    setUpQuietly(pos, "R2aka3/9/9/9/9/9/9/9/9/3K5 b - - 0 1");
    const std::vector<Move> moves = evasionMoves(pos, 2);
    EXPECT_NE(std::find(moves.begin(), moves.end(), packMove(3, 20)), moves.end());
    EXPECT_EQ(std::find(moves.begin(), moves.end(), packMove(5, 20)), moves.end());
}

TEST_F(MoveGen, EvasionsOfAHorseCheckTouchOnlyItsSquares) {
    // Red horse on d6 checks the black king on e8 (code 5); the zone is 20, 35, 34, 51.
    setUpQuietly(pos, "2n6/4k4/r8/3N5/9/9/9/9/9/3K5 b - - 0 1");
    ASSERT_EQ(checkCode(pos, sideBlack), 5);
    std::vector<Move> others;
    for (Move mv : evasionMoves(pos, 5))
        if (moveFrom(mv) != 20)
            others.push_back(mv);
    std::sort(others.begin(), others.end());
    const std::vector<Move> expected = {packMove(0x02, 35), packMove(0x20, 34), packMove(0x20, 35)};
    EXPECT_EQ(others, expected);
}

TEST_F(MoveGen, RookAndCannonOnOneLineLeaveOnlyKingCaptures) {
    // The red rook on e7 screens the red cannon on e5: capturing either cannot help, so
    // the black horse's capture of the rook is not produced; an interposition is.
    setUpQuietly(pos, "3akn3/9/4R4/9/4C4/9/9/9/9/3K5 b - - 0 1");
    ASSERT_EQ(checkCode(pos, sideBlack), 17);
    const std::vector<Move> moves = evasionMoves(pos, 17);
    for (Move mv : moves) {
        SCOPED_TRACE(moveString(mv));
        if (pos.board[moveTo(mv)]) {
            EXPECT_EQ(moveFrom(mv), 4);
        }
    }
    // The advisor stepping in front of the king is the one legal answer.
    EXPECT_EQ(legalOf(pos, moves), std::vector<Move>{packMove(0x03, 0x14)});
}

TEST_F(MoveGen, ValidityOfStoredMoves) {
    setUpQuietly(pos, "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1");
    struct Row { const char* text; int valid; } rows[] = {
        {"h2e2", 1}, {"h2h9", 1},   // cannon: quiet, and a capture over a screen
        {"h2h6", 1}, {"h2h7", 0},   // quiet; onto a piece with no screen
        {"h2h8", 0},                // past the first piece
        {"a0a2", 1}, {"a0a4", 0},   // rook: slides, but not through its own pawn
        {"b0c2", 1}, {"b0a2", 1}, {"b0d1", 0}, {"b0b2", 0},  // d1: leg blocked
        {"c0e2", 1}, {"c0a2", 1}, {"c0e3", 0},
        {"d0e1", 1}, {"d0d1", 0}, {"e0e1", 1}, {"e0d1", 0},
        {"e3e4", 1}, {"e3d3", 0},   // a pawn goes sideways only across the river
        {"h7h6", 0},                // black piece, red to move
        {"e4e5", 0},                // empty origin
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const int from = makeSquare('9' - row.text[1], row.text[0] - 'a');
        const int to = makeSquare('9' - row.text[3], row.text[2] - 'a');
        EXPECT_EQ(isValidMove(packMove(from, to), pos), row.valid);
    }
    // Elephant across the river, horse with its leg blocked, sideways crossed pawn.
    setUpQuietly(pos, "4k4/9/9/9/2P6/2B6/2N6/9/9/4K4 w - - 0 1");
    EXPECT_EQ(isValidMove(packMove(makeSquare(5, 2), makeSquare(3, 0)), pos), 0);
    EXPECT_EQ(isValidMove(packMove(makeSquare(6, 2), makeSquare(4, 1)), pos), 0);
    EXPECT_EQ(isValidMove(packMove(makeSquare(4, 2), makeSquare(4, 3)), pos), 1);
    EXPECT_EQ(isValidMove(packMove(makeSquare(4, 2), makeSquare(4, 3)) | 0x0F, pos), 0);
}

// Over many positions in check, the evasion pair finds exactly the legal moves that the
// full generators find.
TEST_F(MoveGen, EvasionsFindEveryLegalMoveInCheck) {
    std::vector<std::string> starts = publicSuiteFens();
    const char* crafted[] = {
        "3akn3/9/4R4/9/4C4/9/9/9/9/3K5 b - - 0 1",           // 17
        "4k1R1C/4a4/9/9/9/9/9/9/9/3K5 b - - 0 1",            // 19
        "C1R1k4/4a4/9/9/9/9/9/9/9/5K3 b - - 0 1",            // 18
        "2n6/4k4/r8/3N5/9/9/9/9/9/3K5 b - - 0 1",            // horse
        "3ak4/4P4/9/9/9/9/9/9/9/3K5 b - - 0 1",              // pawn
    };
    starts.insert(starts.end(), std::begin(crafted), std::end(crafted));
    std::mt19937 rng(2024);
    int inCheckCount = 0;
    std::vector<int> codesSeen(20);
    for (int game = 0; game < 6; ++game) {
        for (const std::string& start : starts) {
            setUpQuietly(pos, start.c_str());
            for (int ply = 0; ply < 150; ++ply) {
                const int code = pos.historyLength ? pos.history[pos.historyLength - 1].checkCode
                                                   : checkCode(pos, pos.sideToMove);
                std::vector<Move> legal = legalOf(pos, pseudoMoves(pos));
                if (code) {
                    SCOPED_TRACE(toFen(pos) + " code " + std::to_string(code));
                    std::vector<Move> evasions = legalOf(pos, evasionMoves(pos, code));
                    std::sort(legal.begin(), legal.end());
                    std::sort(evasions.begin(), evasions.end());
                    ASSERT_EQ(evasions, legal);
                    ++inCheckCount;
                    ++codesSeen[code];
                }
                if (legal.empty())
                    break;
                makeMove(pos, legal[rng() % legal.size()], true);
            }
        }
    }
    EXPECT_GT(inCheckCount, 300);
    EXPECT_GT(codesSeen[1] + codesSeen[2] + codesSeen[3], 0);
    EXPECT_GT(codesSeen[17] + codesSeen[18] + codesSeen[19], 0);
}

// Small depths in process; the whole suite to depth 4 runs through the tool below.
TEST_F(MoveGen, PerftOfTheStartPosition) {
    setUpQuietly(pos, startFen);
    std::function<uint64_t(int)> count = [&](int depth) -> uint64_t {
        uint64_t nodes = 0;
        for (Move mv : legalOf(pos, pseudoMoves(pos))) {
            makeMove(pos, mv, true);
            nodes += depth == 1 ? 1 : count(depth - 1);
            unmakeMove(pos);
        }
        return nodes;
    };
    EXPECT_EQ(count(1), 44u);
    EXPECT_EQ(count(2), 1920u);
    EXPECT_EQ(count(3), 79666u);
}

std::string runTool(const std::string& args, int& status) {
    const std::string command = std::string(QX_TOOL_PATH) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    if (!pipe) {
        status = -1;
        return output;
    }
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    status = pclose(pipe);
    return output;
}

TEST(PerftTool, PublicSuiteToDepthFour) {
    int status = 0;
    const std::string out =
        runTool("perft --suite " QX_SOURCE_DIR "/tests/data/perft.epd --max-depth 4", status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("13 passed, 0 failed"), std::string::npos) << out;
}

// Every leaf made and unmade with the full make instead of the legality test alone.
TEST(PerftTool, PublicSuiteMakingEveryLeaf) {
    int status = 0;
    const std::string out = runTool(
        "perft --suite " QX_SOURCE_DIR "/tests/data/perft.epd --max-depth 3 --make-leaves", status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("13 passed, 0 failed"), std::string::npos) << out;
}

TEST(PerftTool, DivideAndSummaryLines) {
    int status = 0;
    const std::string out = runTool("perft --depth 2 --divide", status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("h2e2 "), std::string::npos) << out;
    const size_t last = out.rfind("nodes 1920 time ");
    ASSERT_NE(last, std::string::npos) << out;
    EXPECT_NE(out.find(" nps ", last), std::string::npos);
    int lines = 0;
    for (char c : out)
        lines += c == '\n';
    EXPECT_EQ(lines, 45);

    runTool("perft --depth x", status);
    EXPECT_NE(status, 0);
    runTool("perft --suite /nonexistent/suite.epd", status);
    EXPECT_NE(status, 0);
}

}  // namespace
