#include "randomplay.h"

namespace qxtest {
namespace {

class RepetitionTest : public ServiceTest {
protected:
    // The verdict, checking that the position (light makes included) comes back unchanged.
    int verdict(int count) {
        Position before = pos;
        int result = detectRepetition(pos, count);
        EXPECT_TRUE(samePosition(before, pos));
        return result;
    }
};

TEST_F(RepetitionTest, CompactionRenumbersSurvivors) {
    // Red pawns on files 0 and 2 get ids 7 and 11; the lone red rook on file 0 gets 31 and
    // the lone black horse on file 7 gets 22.
    setup("3k5/9/9/9/9/P1P6/9/9/7n1/R3K4 w");
    ASSERT_EQ(pos.board[squareOf("a4")], 7);
    ASSERT_EQ(pos.board[squareOf("c4")], 11);
    ASSERT_EQ(pos.board[squareOf("a0")], 31);
    ASSERT_EQ(pos.board[squareOf("h1")], 22);
    const uint32_t hashLow = pos.hashLow, hashHigh = pos.hashHigh;

    compactPieceList(pos);
    rebuildDerivedFields(pos);

    EXPECT_EQ(pos.board[squareOf("a4")], 3);
    EXPECT_EQ(pos.board[squareOf("c4")], 5);
    EXPECT_EQ(pos.pieceSquare[3], squareOf("a4"));
    EXPECT_EQ(pos.pieceSquare[5], squareOf("c4"));
    for (int pc : {7, 9, 11, 31, 22})
        EXPECT_EQ(pos.pieceSquare[pc], noSquare) << pc;
    EXPECT_EQ(pos.board[squareOf("a0")], 29);
    EXPECT_EQ(pos.board[squareOf("h1")], 20);
    EXPECT_EQ(pos.board[squareOf("e0")], kingRed);
    EXPECT_EQ(pos.pieceSquare[kingBlack], squareOf("d9"));

    struct Bound { int kind, side, last; } bounds[] = {
        {kindPawn, sideRed, 5},      {kindRook, sideRed, 29},      {kindHorse, sideBlack, 20},
        {kindAdvisor, sideRed, 11},  {kindHorse, sideRed, 19},     {kindPawn, sideBlack, 0},
        {kindRook, sideBlack, 26},   {kindCannon, sideBlack, 22},  {kindElephant, sideRed, 15},
    };
    for (const Bound& b : bounds) {
        SCOPED_TRACE(std::to_string(b.kind) + "/" + std::to_string(b.side));
        EXPECT_EQ(lastPieceId[b.kind][b.side], b.last);
    }
    EXPECT_EQ(pos.presenceMask, (1u << 3) | (1u << 5) | (1u << 29) | (1u << 20));
    // All members of a kind share one piece type, so the key is unchanged.
    EXPECT_EQ(pos.hashLow, hashLow);
    EXPECT_EQ(pos.hashHigh, hashHigh);
}

TEST_F(RepetitionTest, Verdicts) {
    // Red advisor d0-e1, black advisor d9-e8; red rook d2/e2 against the black king e9/d9;
    // the mirror with a black rook; a red pawn shuffling sideways across the river.
    const char* advisors = "3a1k3/9/9/9/9/9/9/9/9/3AK4 w";
    const char* redChecks = "4k4/9/9/9/9/9/9/3R5/9/5K3 w";
    const char* blackChecks = "5k3/9/3r5/9/9/9/9/9/9/4K4 b";
    const char* pawnSideways = "3a1k3/9/9/9/3P5/9/9/9/9/4K4 w";
    // Black horse and red rook attack each other in turn; the same with a cannon; with the
    // horse protected; and the mirror with a red horse and a black rook.
    const char* rookChased = "5k3/9/9/9/3Rn4/9/9/9/9/3K5 b";
    const char* cannonChased = "5k3/9/9/9/3Cn4/9/9/9/9/3K5 b";
    const char* protectedHorse = "5k3/9/9/9/3Rn3r/9/9/9/9/3K5 b";
    const char* blackRookChased = "3k5/9/9/9/9/3rN4/9/9/9/5K3 w";
    struct Row {
        const char* name;
        const char* fen;
        std::vector<const char*> moves;
        int count;
        int expected;
    } rows[] = {
        {"four moves are too few", advisors, {"d0e1", "d9e8", "e1d0", "e8d9"}, 1, 0},
        {"advisors, black to move", advisors, {"d0e1", "d9e8", "e1d0", "e8d9", "d0e1"}, 1, -1},
        {"advisors, red to move", advisors, {"d0e1", "d9e8", "e1d0", "e8d9", "d0e1", "d9e8"}, 1, 1},
        {"second occurrence not yet reached", advisors, {"d0e1", "d9e8", "e1d0", "e8d9", "d0e1"}, 2, 0},
        {"second occurrence", advisors,
         {"d0e1", "d9e8", "e1d0", "e8d9", "d0e1", "d9e8", "e1d0", "e8d9", "d0e1"}, 2, -1},
        {"red checks, black to move", redChecks, {"d2e2", "e9d9", "e2d2", "d9e9", "d2e2"}, 1, 1948 - 5},
        {"red checks, red to move", redChecks, {"d2e2", "e9d9", "e2d2", "d9e9", "d2e2", "e9d9"}, 1, 6 - 1948},
        {"black checks, red to move", blackChecks, {"d7e7", "e0d0", "e7d7", "d0e0", "d7e7"}, 1, 1948 - 5},
        {"black checks, black to move", blackChecks,
         {"d7e7", "e0d0", "e7d7", "d0e0", "d7e7", "e0d0"}, 1, 6 - 1948},
        {"sideways pawn moves repeat", pawnSideways, {"d5e5", "d9e8", "e5d5", "e8d9", "d5e5"}, 1, -1},
        {"rook chased by a horse", rookChased, {"e5f3", "d5d2", "f3e5", "d2d5", "e5f3", "d5d2"}, 1, 1948 - 6},
        {"cannon is no rook: draw", cannonChased, {"e5f3", "d5d2", "f3e5", "d2d5", "e5f3", "d5d2"}, 1, -1},
        {"protected horse: draw", protectedHorse, {"e5f3", "d5d2", "f3e5", "d2d5", "e5f3", "d5d2"}, 1, -1},
        // The colour-mirrored cycle: the same verdict, the side that closed it loses.
        {"black rook chased by a red horse", blackRookChased,
         {"e4f6", "d4d7", "f6e4", "d7d4", "e4f6", "d4d7"}, 1, 1948 - 6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        setup(row.fen);
        for (const char* text : row.moves)
            ASSERT_GE(makeMove(pos, moveOf(text), true), 0) << text;
        EXPECT_EQ(verdict(row.count), row.expected);
    }
}

// A capture, a pawn advance or a null move inside the cycle ends the scan. Positions cannot
// really repeat across the first two, so their records are forged into a real cycle.
TEST_F(RepetitionTest, IrreversibleMovesEndTheScan) {
    setup("3a1k3/9/9/9/9/9/9/9/9/3AK4 w");
    play({"d0e1", "d9e8", "e1d0", "e8d9", "d0e1"});
    ASSERT_EQ(verdict(1), -1);
    const int n = pos.historyLength;

    MoveRecord saved = pos.history[n - 3];
    pos.history[n - 3].captured = 2;
    EXPECT_EQ(verdict(1), 0) << "capture";
    pos.history[n - 3] = saved;

    pos.history[n - 3].moved = 3;
    pos.history[n - 3].move = moveOf("e5e6");
    EXPECT_EQ(verdict(1), 0) << "pawn advance";
    pos.history[n - 3].move = moveOf("e5d5");
    EXPECT_EQ(verdict(1), -1) << "sideways pawn move";
    pos.history[n - 3] = saved;

    // Null moves let the board repeat for real.
    setup("3a1k3/9/9/9/9/9/9/9/9/3AK4 w");
    play({"d0e1"});
    makeNullMove(pos);
    play({"e1d0"});
    makeNullMove(pos);
    play({"d0e1"});
    EXPECT_EQ(verdict(1), 0) << "null move";
}

// The chase rule takes two moves back with light makes, which write two records above the
// top of the stack: at the very top there is no room, and the cycle counts as a draw.
TEST_F(RepetitionTest, ChaseAtTheTopOfTheStack) {
    struct Row { int length, expected; } rows[] = {
        {6, 1948 - 6}, {historyCapacity - 2, 1948 - 6}, {historyCapacity - 1, -1}, {historyCapacity, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.length);
        setup("5k3/9/9/9/3Rn4/9/9/9/9/3K5 b");
        play({"e5f3", "d5d2", "f3e5", "d2d5", "e5f3", "d5d2"});
        // Move the six records of the cycle to the top of a longer history.
        MoveRecord cycle[6];
        std::memcpy(cycle, pos.history, sizeof cycle);
        std::memcpy(&pos.history[row.length - 6], cycle, sizeof cycle);
        pos.historyLength = row.length;
        EXPECT_EQ(verdict(1), row.expected);
    }
}

// Over random play no verdict may disturb the position, whatever the history holds.
TEST_F(RepetitionTest, RandomPlayLeavesThePositionAlone) {
    randomPositions(4, 90, [&](Position&) { verdict(1); verdict(2); });
}

}  // namespace
}  // namespace qxtest
