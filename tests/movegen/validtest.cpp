#include <algorithm>

#include "randomplay.h"

namespace qxtest {
namespace {

using ValidTest = ServiceTest;

TEST_F(ValidTest, Examples) {
    struct Row {
        const char* name;
        const char* fen;
        const char* move;
        int expected;
    } rows[] = {
        {"elephant across the river", "4k4/9/9/9/9/2B6/9/9/9/4K4 w", "c4a6", 0},
        {"elephant in its own half", "4k4/9/9/9/9/2B6/9/9/9/4K4 w", "c4a2", 1},
        {"elephant with its eye blocked", "4k4/9/9/9/9/2B6/1P7/9/9/4K4 w", "c4a2", 0},
        {"horse with its leg blocked", "4k4/9/9/9/9/9/9/9/1P7/1N2K4 w", "b0c2", 0},
        {"horse with a free leg", "4k4/9/9/9/9/9/9/9/1P7/1N2K4 w", "b0d1", 1},
        {"cannon onto a piece without a screen", "4k4/9/9/9/9/1p7/9/1C7/9/4K4 w", "b2b4", 0},
        {"cannon over one screen", "4k4/9/9/1p7/9/1p7/9/1C7/9/4K4 w", "b2b6", 1},
        {"cannon quiet move up to the screen", "4k4/9/9/1p7/9/1p7/9/1C7/9/4K4 w", "b2b3", 1},
        {"rook onto the first piece", "4k4/9/9/1p7/9/1p7/9/1R7/9/4K4 w", "b2b4", 1},
        {"rook beyond the first piece", "4k4/9/9/1p7/9/1p7/9/1R7/9/4K4 w", "b2b6", 0},
        {"red pawn sideways at home", "4k4/9/9/9/9/9/2P6/9/9/4K4 w", "c3d3", 0},
        {"red pawn sideways across", "4k4/9/9/9/2P6/9/9/9/9/4K4 w", "c5d5", 1},
        {"red pawn backwards", "4k4/9/9/9/2P6/9/9/9/9/4K4 w", "c5c4", 0},
        {"black pawn forward", "4k4/9/9/2p6/9/9/9/9/9/4K4 b", "c6c5", 1},
        {"advisor out of the palace", "4k4/9/9/9/9/9/9/5A3/9/4K4 w", "f2g3", 0},
        {"king out of the palace", "4k4/9/9/9/9/9/9/5K3/9/9 w", "f2g2", 0},
        {"piece of the other side", "4k4/9/9/9/2P6/9/9/9/9/4K4 b", "c5c6", 0},
        {"own piece on the target", "4k4/9/9/9/9/9/9/1P7/1R7/4K4 w", "b1b2", 0},
        {"empty origin", "4k4/9/9/9/9/9/9/9/9/4K4 w", "a0a1", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        setup(row.fen);
        EXPECT_EQ(isValidMove(moveOf(row.move), pos), row.expected);
    }
}

// A move is valid exactly when the generators produce it, for every pair of squares; and
// the capture generators agree with the combined generator.
void compareWithGenerators(const Position& p) {
    std::vector<Move> moves = generatedMoves(p);
    std::vector<bool> generated(65536, false);
    for (Move mv : moves)
        generated[mv] = true;
    int mismatches = 0;
    for (int from = 0; from < squareCount; ++from) {
        if (!onBoard(from))
            continue;
        for (int to = 0; to < squareCount; ++to) {
            if (!onBoard(to))
                continue;
            Move mv = packMove(from, to);
            int valid = isValidMove(mv, p);
            if (valid != (generated[mv] ? 1 : 0) && ++mismatches <= 5)
                ADD_FAILURE() << moveText(mv) << " valid " << valid << " generated " << generated[mv];
        }
    }
    MoveSlot caps[moveListSize];
    int count = p.sideToMove == sideRed ? generateCapturesRed(p, caps) : generateCapturesBlack(p, caps);
    std::vector<Move> captures;
    for (int i = 0; i < count; ++i)
        captures.push_back(slotMove(caps[i]));
    std::vector<Move> expected;
    for (Move mv : moves)
        if (p.board[moveTo(mv)] != 0)
            expected.push_back(mv);
    std::sort(captures.begin(), captures.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(captures, expected);
}

TEST_F(ValidTest, MatchesTheGeneratorsOnPlayedPositions) {
    int positions = 0;
    randomPositions(8, 80, [&](Position& p) {
        compareWithGenerators(p);
        ++positions;
    });
    EXPECT_GT(positions, 1000);
}

TEST_F(ValidTest, MatchesTheGeneratorsOnSparsePositions) {
    sparsePositions(2000, [&](Position& p) { compareWithGenerators(p); });
}

}  // namespace
}  // namespace qxtest
