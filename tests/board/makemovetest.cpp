#include <gtest/gtest.h>

#include <random>

#include "movegen/replay.h"
#include "tests/movegen/movegentestutil.h"

namespace {

class MakeMove : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initEngineForTests(); }
    void SetUp() override { endgameMode = 0; }
    Position pos{};
};

// Positions from the public suite and from random play out of each of them.
std::vector<std::string> samplePositions(int pliesPerGame) {
    initEngineForTests();
    std::vector<std::string> fens = publicSuiteFens();
    const size_t suiteCount = fens.size();
    std::mt19937 rng(12345);
    Position pos{};
    for (size_t i = 0; i < suiteCount; ++i) {
        setUpQuietly(pos, fens[i].c_str());
        for (int ply = 0; ply < pliesPerGame; ++ply) {
            const std::vector<Move> legal = legalOf(pos, pseudoMoves(pos));
            if (legal.empty())
                break;
            makeMove(pos, legal[rng() % legal.size()], false);
            if (ply % 7 == 6)
                fens.push_back(toFen(pos));
        }
    }
    return fens;
}

TEST_F(MakeMove, EveryMakeAndUnmakeRestoresThePositionExactly) {
    const std::vector<std::string> fens = samplePositions(80);
    ASSERT_GT(fens.size(), 50u);
    Position saved{};
    int made = 0, refused = 0;
    for (const std::string& fen : fens) {
        SCOPED_TRACE(fen);
        setUpQuietly(pos, fen.c_str());
        rebuildDerivedFields(pos);
        copyPosition(saved, pos);
        for (Move mv : pseudoMoves(pos)) {
            SCOPED_TRACE(moveString(mv));
            const int endgameBefore = endgameMode;
            const uint32_t predicted = keyLowAfter(pos, mv);  // where the search prefetches
            if (makeMove(pos, mv, true) < 0) {
                ++refused;
                ASSERT_TRUE(samePosition(pos, saved)) << "refused make changed the position";
                continue;
            }
            ++made;
            EXPECT_EQ(pos.hashLow, predicted);
            EXPECT_EQ(pos.historyLength, saved.historyLength + 1);
            EXPECT_EQ(pos.ply, saved.ply + 1);
            unmakeMove(pos);
            ASSERT_TRUE(samePosition(pos, saved)) << "full make/unmake";
            ASSERT_EQ(endgameMode, endgameBefore);

            ASSERT_GE(makeMoveLight(pos, mv, true), 0);
            unmakeMoveLight(pos);
            ASSERT_TRUE(samePosition(pos, saved)) << "light make/unmake";
        }
        makeNullMove(pos);
        EXPECT_EQ(pos.history[pos.historyLength - 1].move, 0);
        EXPECT_NE(pos.hashLow ^ pos.hashHigh, saved.hashLow ^ saved.hashHigh);
        unmakeNullMove(pos);
        ASSERT_TRUE(samePosition(pos, saved)) << "null move";
    }
    EXPECT_GT(made, 3000);
    EXPECT_GT(refused, 10);
}

// The incremental key must equal the key of the same placement set up from scratch (the
// set-up always includes the side key once, and every move toggles it, so after an odd
// number of moves the two differ by exactly the side key), and the recorded check code
// must equal a fresh full test: the relevance shortcut never hides a check.
TEST_F(MakeMove, IncrementalKeyAndCheckCodesMatchAFreshSetUp) {
    std::mt19937 rng(777);
    Position fresh{};
    int checks = 0;
    for (const std::string& start : publicSuiteFens()) {
        setUpQuietly(pos, start.c_str());
        for (int ply = 0; ply < 120; ++ply) {
            const std::vector<Move> legal = legalOf(pos, pseudoMoves(pos));
            if (legal.empty())
                break;
            const Move mv = legal[rng() % legal.size()];
            makeMove(pos, mv, true);
            const std::string fen = toFen(pos);
            SCOPED_TRACE(fen);
            const int code = pos.history[pos.historyLength - 1].checkCode;
            ASSERT_EQ(code, checkCode(pos, pos.sideToMove)) << moveString(mv);
            checks += code != 0;
            setUpQuietly(fresh, fen.c_str());
            // Reached by moves or set up from its FEN, a position has one key.
            ASSERT_EQ(pos.hashLow, fresh.hashLow);
            ASSERT_EQ(pos.hashHigh, fresh.hashHigh);
            ASSERT_EQ(pos.sideToMove, fresh.sideToMove);
        }
    }
    EXPECT_GT(checks, 20);
}

TEST_F(MakeMove, RefusedMoveLeavesEverythingUntouched) {
    // The black rook on e7 is pinned by the red rook on e5: moving it sideways exposes
    // the black king.
    setUpQuietly(pos, "4k4/9/4r4/9/4R4/9/9/9/9/3K5 b - - 0 1");
    Position saved{};
    copyPosition(saved, pos);
    EXPECT_EQ(makeMove(pos, packMove(0x24, 0x20), true), -1);
    EXPECT_TRUE(samePosition(pos, saved));
    EXPECT_EQ(makeMoveLight(pos, packMove(0x24, 0x20), true), -1);
    EXPECT_TRUE(samePosition(pos, saved));
    // Along the file it still shields the king.
    EXPECT_EQ(makeMove(pos, packMove(0x24, 0x34), true), 0);
}

TEST_F(MakeMove, QuietMoveFarFromTheKingRecordsNoCheck) {
    // A pawn move on file 0 touches nothing the black king's relevance row marks.
    setUpQuietly(pos, "4k4/9/9/9/9/P8/9/9/9/3K5 w - - 0 1");
    ASSERT_EQ(makeMove(pos, packMove(0x50, 0x40), true), 0);
    EXPECT_EQ(pos.history[0].checkCode, 0);
    EXPECT_EQ(pos.history[0].moved, 7);
}

TEST_F(MakeMove, CapturingAMajorSwitchesToTheEndgameAndUnmakeSwitchesBack) {
    // Each side has a rook, a horse and a cannon: three majors, so the middle game holds
    // until red's rook takes black's horse.
    const char* fen = "r1bak4/4a4/4b4/9/2n6/2R6/1c7/1C7/1N7/3AKAB2 w - - 0 1";
    setUpQuietly(pos, fen);
    rebuildDerivedFields(pos);
    pos.pstScore = 1234;
    const int before = pos.pstScore;
    const Move take = packMove(makeSquare(5, 2), makeSquare(4, 2));
    ASSERT_EQ(pos.board[makeSquare(4, 2)], 20);
    ASSERT_EQ(makeMove(pos, take, true), 20);
    EXPECT_EQ(endgameMode, 1);
    EXPECT_EQ(pos.pstScore, pieceSquareSum(pos, endgamePieceSquareTable));
    EXPECT_EQ(pos.history[0].endgameMode, 0);
    unmakeMove(pos);
    EXPECT_EQ(endgameMode, 0);
    EXPECT_EQ(pos.pstScore, before);

    // A pawn-level capture never switches.
    setUpQuietly(pos, "4k4/9/9/9/2p6/2R6/9/9/9/3K5 w - - 0 1");
    rebuildDerivedFields(pos);
    ASSERT_GT(makeMove(pos, packMove(makeSquare(5, 2), makeSquare(4, 2)), true), 0);
    EXPECT_EQ(endgameMode, 0);
}

// ---- Replaying the moves of a "position" command -----------------------------------

TEST(ReplayMoves, MoveTextsOutsideTheBoardGiveNoMove) {
    struct Row { const char* text; Move expected; } rows[] = {
        {"h2e2", packMove(0x77, 0x74)}, {"a0i9", packMove(144, 8)}, {"j2e2", 0},
        {"h2e:", 0},  {"H2E2", 0}, {"h-e2", 0}, {"\xffzzz", 0}, {"h2", 0}, {"", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parseMoveText(row.text), row.expected);
    }
}

TEST(ReplayMoves, RefusesWhatIsNotAMoveOfTheSideToMove) {
    initEngineForTests();
    Position pos{}, saved{};
    setUpQuietly(pos, startFen);
    ASSERT_TRUE(playGameMove(pos, parseMoveText("h2e2")));
    copyPosition(saved, pos);
    const char* refused[] = {
        "h0g2",  // red again, black to move
        "e5e4",  // empty origin
        "b9b8",  // horse straight ahead
        "a9a5",  // rook through its own pawn
        "zzzz",  // malformed: no move at all
    };
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(playGameMove(pos, parseMoveText(text)));
        EXPECT_TRUE(samePosition(pos, saved));
        EXPECT_EQ(pos.pieceSquare[0], noSquare);
    }
    EXPECT_TRUE(playGameMove(pos, parseMoveText("h9g7")));
}

TEST(ReplayMoves, NeverCapturesAKing) {
    initEngineForTests();
    Position pos{};
    // The black king stands en prise to the red rook on its file.
    setUpQuietly(pos, "4k4/9/9/9/9/9/9/9/4R4/3K5 w - - 0 1");
    EXPECT_FALSE(playGameMove(pos, packMove(makeSquare(8, 4), makeSquare(0, 4))));
    EXPECT_EQ(pos.pieceSquare[kingBlack], 4);
}

// A game far longer than the history stack: advisors and horses shuffle out and back.
TEST(ReplayMoves, LongShuffleKeepsTheStackBoundedAndThePositionExact) {
    initEngineForTests();
    const char* cycle[] = {"d0e1", "d9e8", "e1d0", "e8d9", "b0c2", "b9c7", "c2b0", "c7b9"};
    Position pos{}, fresh{};
    setUpQuietly(pos, startFen);
    int maxLength = 0;
    for (int ply = 0; ply < 500; ++ply) {
        ASSERT_TRUE(playGameMove(pos, parseMoveText(cycle[ply % 8]))) << ply;
        maxLength = std::max(maxLength, int(pos.historyLength));
    }
    EXPECT_LE(maxLength, historyCapacity - searchHistoryReserve);
    EXPECT_GE(pos.historyLength, 8);
    // 500 = 62 cycles and a half; the half (advisors out and back) restores the start.
    setUpQuietly(fresh, startFen);
    EXPECT_EQ(0, std::memcmp(pos.board, fresh.board, sizeof pos.board));
    EXPECT_EQ(0, std::memcmp(pos.pieceSquare, fresh.pieceSquare, sizeof pos.pieceSquare));
    EXPECT_EQ(pos.sideToMove, sideRed);
    EXPECT_EQ(pos.hashLow, fresh.hashLow);
    EXPECT_EQ(pos.hashHigh, fresh.hashHigh);
    // The newest records survive intact: the last one is black's advisor going home.
    EXPECT_EQ(pos.history[pos.historyLength - 1].move, parseMoveText("e8d9"));
}

TEST(ReplayMoves, TrimmingKeepsRecordsFromTheLastIrreversibleMove) {
    initEngineForTests();
    Position pos{};
    setUpQuietly(pos, startFen);
    const char* redFirst[] = {"d0e1", "d9e8", "e1d0", "e8d9"};
    for (int ply = 0; ply < 148; ++ply)
        ASSERT_TRUE(playGameMove(pos, parseMoveText(redFirst[ply % 4])));
    const char* capture[] = {"h2e2", "h9g7", "e2e6"};  // the cannon takes the centre pawn
    for (const char* text : capture)
        ASSERT_TRUE(playGameMove(pos, parseMoveText(text)));
    const char* blackFirst[] = {"d9e8", "d0e1", "e8d9", "e1d0"};
    for (int ply = 0; ply < 73; ++ply)
        ASSERT_TRUE(playGameMove(pos, parseMoveText(blackFirst[ply % 4])));
    ASSERT_EQ(pos.historyLength, historyCapacity - searchHistoryReserve);
    // The next move finds the stack at its limit: everything before the capture goes.
    ASSERT_TRUE(playGameMove(pos, parseMoveText(blackFirst[73 % 4])));
    EXPECT_EQ(pos.historyLength, 75);
    EXPECT_EQ(pos.history[0].move, parseMoveText("e2e6"));
    EXPECT_EQ(pos.history[0].captured, 2);
}

}  // namespace
