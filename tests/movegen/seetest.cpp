#include <algorithm>

#include "randomplay.h"

namespace qxtest {
namespace {

class SeeTest : public ServiceTest {
protected:
    // The exchange value of a capture, checking that the position comes back unchanged.
    int exchange(const char* move) {
        Position before = pos;
        int value = staticExchange(pos, moveFrom(moveOf(move)), moveTo(moveOf(move)));
        EXPECT_TRUE(samePosition(before, pos)) << move;
        return value;
    }
};

// Pawn values of the middle game, or as the endgame switch raises them.
void loadPawnValues(bool endgame) {
    for (int pc = pawnFirst; pc < advisorFirst; ++pc) {
        int sign = sideOf(pc) == sideRed ? 1 : -1;
        exchangeValue[pc]      = sign * (endgame ? 56 : 24);
        exchangeValue[pc + 34] = sign * (endgame ? 127 : 95);
    }
}

TEST_F(SeeTest, Exchanges) {
    struct Row {
        const char* name;
        const char* fen;
        const char* move;
        bool endgame;
        int expected;
    } rows[] = {
        {"rook takes undefended horse", "5k3/9/9/9/4n4/9/9/4R4/9/3K5 w", "e2e5", false, 196},
        {"pawn retakes the rook", "5k3/9/9/4p4/4n4/9/9/4R4/9/3K5 w", "e2e5", false, -264},
        {"crossed black pawn", "5k3/9/9/9/9/4p4/9/4R4/9/3K5 w", "e2e4", false, 95},
        {"crossed black pawn, endgame values", "5k3/9/9/9/9/4p4/9/4R4/9/3K5 w", "e2e4", true, 127},
        {"black pawn at home", "5k3/9/9/9/4p4/9/9/4R4/9/3K5 w", "e2e5", false, 24},
        {"black pawn at home, endgame values", "5k3/9/9/9/4p4/9/9/4R4/9/3K5 w", "e2e5", true, 56},
        {"black rook takes crossed red pawn", "3k5/9/9/9/4P4/9/9/4r4/9/5K3 b", "e2e5", false, 95},
        {"horse defends the pawn", "5k3/9/9/4p4/9/3n5/9/4R4/9/3K5 w", "e2e6", false, 24 - 460},
        // R x P, H x R, C x H over the elephant: every recapture is played.
        {"three captures", "3k5/9/3n5/9/C1b1p4/9/9/4R4/9/5K3 w", "e2e5", false, 24 - 460 + 196},
        {"pinned rook may not capture", "3k5/4r4/9/9/9/9/9/2n1R4/9/4K4 w", "e2c2", false, -9999},
        {"empty origin", "5k3/9/9/9/4n4/9/9/4R4/9/3K5 w", "d2e5", false, -9999},
        {"quiet move onto a square the pawn guards", "5k3/9/9/4p4/9/9/9/4R4/9/3K5 w", "e2e5", false, -460},
        {"own piece on the target", "5k3/9/9/9/4N4/9/9/4R4/9/3K5 w", "e2e5", false, -9999},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        setup(row.fen);
        loadPawnValues(row.endgame);
        EXPECT_EQ(exchange(row.move), row.expected);
    }
}

TEST_F(SeeTest, LeastValuableAttacker) {
    struct Row {
        const char* name;
        const char* fen;
        const char* square;
        const char* expected;  // "-" for none
    } rows[] = {
        {"sideways pawn before rook", "3k5/9/9/9/3pP4/9/9/3R5/9/4K4 w", "d5", "e5"},
        {"forward pawn first", "3k5/9/9/9/3p5/3P5/9/3R5/9/4K4 w", "d5", "d4"},
        {"cannon before rook", "3k5/9/9/9/3p5/9/9/3R5/9/3CK4 w", "d5", "d0"},
        {"elephant in own half", "4k4/9/9/9/9/9/9/4n4/9/2B1K4 w", "e2", "c0"},
        {"blocked elephant eye, king last", "4k4/9/9/9/9/9/9/4n4/3NK4/2B6 w", "e2", "e1"},
        {"black horse", "4k4/9/2n6/9/3P5/9/9/9/9/3K5 b", "d5", "c7"},
        {"nothing attacks", "4k4/9/9/9/3P5/9/9/9/9/3K5 b", "d5", "-"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        setup(row.fen);
        Position before = pos;
        int attacker = leastValuableAttacker(pos, squareOf(row.square));
        EXPECT_EQ(attacker, row.expected[0] == '-' ? -1 : squareOf(row.expected));
        EXPECT_TRUE(samePosition(before, pos));
    }
}

int valueOnSquare(int pc, int sq) {
    bool crossed = pc >= pawnFirst && pc < advisorFirst && (sideOf(pc) == sideRed ? sq < 80 : sq >= 80);
    return exchangeValue[crossed ? pc + 34 : pc];
}

// The same sequence played with the full make: the least valuable attacker recaptures
// until none is left or its capture would expose its own king.
int exchangeByFullMakes(Position& p, Move first) {
    const int side = p.sideToMove, to = moveTo(first);
    int balance = 0, made = 0;
    for (Move mv = first;;) {
        int value = valueOnSquare(p.board[to], to);
        if (makeMove(p, mv, true) < 0)
            break;
        balance += value;
        ++made;
        int attacker = leastValuableAttacker(p, to);
        if (attacker < 0)
            break;
        mv = packMove(attacker, to);
    }
    for (int i = 0; i < made; ++i)
        unmakeMove(p);
    if (made == 0)
        return -9999;
    return side == sideRed ? -balance : balance;
}

// Order in which the least valuable attacker is looked for, by kind.
int attackerRank(int pc) {
    if (pc >= kingBlack) return 6;
    if (pc < advisorFirst) return 0;
    if (pc < elephantFirst) return 2;
    if (pc < horseFirst) return 1;
    return pc / 4 - 2;  // horse 3, cannon 4, rook 5
}

// Over random positions: the attacker found is one the generators would capture with, of
// the first kind among them; each exchange matches the one played with full makes and
// leaves the position as it was.
TEST_F(SeeTest, AgreesWithTheGeneratorsAndTheMakeOnRandomPositions) {
    int exchanges = 0;
    randomPositions(6, 70, [&](Position& p) {
        std::vector<Move> moves = generatedMoves(p);
        for (int sq = 0; sq < squareCount; ++sq) {
            int victim = p.board[sq];
            if (!onBoard(sq) || victim == 0 || sideOf(victim) == p.sideToMove)
                continue;
            int best = 99;
            for (Move mv : moves)
                if (moveTo(mv) == sq)
                    best = std::min(best, attackerRank(p.board[moveFrom(mv)]));
            int attacker = leastValuableAttacker(p, sq);
            SCOPED_TRACE(moveText(packMove(sq, sq)));
            if (best == 99) {
                EXPECT_EQ(attacker, -1);
                continue;
            }
            ASSERT_GE(attacker, 0);
            EXPECT_EQ(attackerRank(p.board[attacker]), best);
            EXPECT_EQ(isValidMove(packMove(attacker, sq), p), 1);
        }
        for (Move mv : moves) {
            if (p.board[moveTo(mv)] == 0)
                continue;
            Position before = p;
            int value = staticExchange(p, moveFrom(mv), moveTo(mv));
            ASSERT_TRUE(samePosition(before, p)) << moveText(mv);
            EXPECT_EQ(value, exchangeByFullMakes(p, mv)) << moveText(mv);
            ++exchanges;
        }
    });
    EXPECT_GT(exchanges, 1000);
}

}  // namespace
}  // namespace qxtest
