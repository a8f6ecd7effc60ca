#include <gtest/gtest.h>

#include "tests/movegen/movegentestutil.h"

namespace {

class Attack : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initEngineForTests(); }
    Position pos{};
};

// Black king on e9 (square 4) unless said otherwise; the red king sits on d0, off its file.
TEST_F(Attack, CheckCodes) {
    struct Row {
        const char* fen;
        int side, light, full;
    } rows[] = {
        {"4k4/9/9/9/9/9/9/9/9/4K4 w", sideBlack, 1, 1},          // facing kings
        {"4k4/9/9/9/9/9/9/9/9/4K4 w", sideRed, 1, 1},
        {"4k4/9/4p4/9/9/9/9/9/9/4K4 w", sideRed, 0, 0},          // a piece between them
        {"4k4/9/4p4/9/4C4/9/9/9/9/3K5 w", sideBlack, 1, 1},      // cannon over a screen
        {"4k4/9/9/9/4C4/9/9/9/9/3K5 w", sideBlack, 0, 0},        // cannon without screen
        {"4k4/9/4p4/4p4/4C4/9/9/9/9/3K5 w", sideBlack, 0, 0},    // two screens
        {"R2ak4/9/9/9/9/9/9/9/9/3K5 w", sideBlack, 0, 0},        // rook behind a piece
        {"C2ak4/9/9/9/9/9/9/9/9/3K5 w", sideBlack, 2, 2},        // cannon from the left
        {"4ka2C/9/9/9/9/9/9/9/9/3K5 w", sideBlack, 3, 3},        // cannon from the right
        {"C1bak4/9/9/9/9/9/9/9/9/3K5 w", sideBlack, 0, 0},
        {"4k4/9/4R4/9/4C4/9/9/9/9/3K5 w", sideBlack, 1, 17},     // rook screens a cannon
        {"4k1R1C/9/9/9/9/9/9/9/9/3K5 w", sideBlack, 3, 19},
        {"C1R1k4/9/9/9/9/9/9/9/9/3K5 w", sideBlack, 2, 18},
        {"C2ak3R/9/9/9/9/9/9/9/9/3K5 w", sideBlack, 2, 19},      // rook and cannon either side
        {"C2ak4/9/9/9/9/9/9/9/4R4/3K5 w", sideBlack, 2, 2},      // rook on the file instead
        {"4k4/9/3N5/9/9/9/9/9/9/3K5 w", sideBlack, 5, 5},        // horse, lower file, lower rank
        {"4k4/3n5/3N5/9/9/9/9/9/9/3K5 w", sideBlack, 0, 0},      // its leg blocked
        {"4k4/6N2/9/9/9/9/9/9/9/3K5 w", sideBlack, 7, 7},
        {"5k3/9/9/9/9/9/9/3n5/9/4K4 w", sideRed, 4, 4},          // horse above the red king
        {"3Pk4/9/9/9/9/9/9/9/9/3K5 w", sideBlack, 8, 8},         // pawn beside the king
        {"4k4/4P4/9/9/9/9/9/9/9/3K5 w", sideBlack, 8, 8},        // pawn in front
        {"4k4/4p4/9/9/9/9/9/9/9/3K5 w", sideBlack, 0, 0},        // own pawn there
        {"9/9/9/9/9/9/9/9/4R4/3K5 w", sideBlack, 0, 0},          // no black king
        // Two pieces give check: the first found by the fixed order wins.
        {"4k3R/9/4p4/9/4C4/9/9/9/9/3K5 w", sideBlack, 1, 1},
        {"C2ak4/9/4p4/9/4C4/9/9/9/9/3K5 w", sideBlack, 2, 2},
        {"4ka2C/9/4p4/9/4C4/9/9/9/9/3K5 w", sideBlack, 1, 1},
        {"R3k4/9/9/9/9/9/9/9/4R4/3K5 w", sideBlack, 2, 2},
        {"4k3R/9/9/9/9/9/9/9/4R4/3K5 w", sideBlack, 1, 1},
        {"4k4/2N3N2/9/9/9/9/9/9/9/3K5 w", sideBlack, 5, 5},
        {"3Pk4/6N2/9/9/9/9/9/9/9/3K5 w", sideBlack, 7, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.fen) + (row.side == sideRed ? " red" : " black"));
        setUpQuietly(pos, row.fen);
        EXPECT_EQ(inCheck(pos, row.side), row.light);
        EXPECT_EQ(checkCode(pos, row.side), row.full);
    }
}

TEST_F(Attack, AttackerClassesOfASquare) {
    struct Row {
        const char* fen;
        int square, byRed, byBlack;
    } rows[] = {
        // Red pawn on e4 behind a piece on e5 (red's half): not counted there.
        {"4k4/9/9/9/9/4p4/4P4/9/9/3K5 w", makeSquare(5, 4), 0, 0},
        // The same pawn on e5 attacks e6 in black's half.
        {"4k4/9/9/9/4p4/4P4/9/9/9/3K5 w", makeSquare(4, 4), 4, 0},
        // Horse first, then rook, then cannon.
        {"4k4/9/9/9/9/9/9/9/R3p4/3K5 w", makeSquare(8, 4), 1, 0},
        {"4k4/9/9/9/9/9/9/2N6/R3p4/3K5 w", makeSquare(8, 4), 3, 0},
        {"4k4/9/9/9/9/9/9/9/C2Np4/3K5 w", makeSquare(8, 4), 2, 0},
        // Defenders in their own half: elephant, advisor (palace only), king.
        {"4k4/9/9/9/9/9/9/9/9/2B1K4 w", makeSquare(7, 4), 5, 0},
        {"4k4/9/9/9/9/9/9/9/9/3K5 w", makeSquare(8, 3), 5, 0},
        {"4k4/9/9/9/9/9/9/9/9/3AK4 w", makeSquare(8, 2), 0, 0},
        // Black attackers of a red-half square: a black pawn that has crossed.
        {"4k4/9/9/9/9/9/3p5/9/9/3K5 w", makeSquare(6, 4), 0, 4},
        {"4k4/9/9/9/9/9/3p5/9/9/3K5 w", makeSquare(7, 3), 0, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.fen) + " square " + std::to_string(row.square));
        setUpQuietly(pos, row.fen);
        EXPECT_EQ(attackedByRed(pos, row.square), row.byRed);
        EXPECT_EQ(attackedByBlack(pos, row.square), row.byBlack);
    }
}

}  // namespace
