#include <algorithm>

#include "randomplay.h"

namespace qxtest {
namespace {

class ChecksTest : public ServiceTest {
protected:
    std::vector<Move> checks() {
        Position before = pos;
        MoveSlot out[moveListSize];
        int count = generateQuietChecks(pos, out);
        EXPECT_TRUE(samePosition(before, pos));
        std::vector<Move> moves;
        for (int i = 0; i < count; ++i)
            moves.push_back(slotMove(out[i]));
        return moves;
    }
    bool found(const std::vector<Move>& moves, const char* text) {
        return std::find(moves.begin(), moves.end(), moveOf(text)) != moves.end();
    }
};

TEST_F(ChecksTest, Examples) {
    struct Row {
        const char* name;
        const char* fen;
        std::vector<const char*> present, absent;
    } rows[] = {
        // Every move of the horse uncovers the rook; two of them also check by themselves.
        {"horse screens a rook on the king's file", "4k4/9/9/9/4N4/9/9/4R4/9/3K5 w",
         {"e5d3", "e5f3", "e5c4", "e5g4", "e5c6", "e5g6", "e5d7", "e5f7"}, {}},
        // King, horse, rook, cannon: the horse's free moves off the rank uncover the rook.
        {"king, horse, rook, cannon on the king's rank", "9/4kNRC1/9/9/9/9/9/9/9/3K5 w",
         {"f8e6", "f8g6"}, {"f8d7", "f8d9", "f8h7"}},
        {"rook blocked by an own piece on the king's file", "4k4/9/4P4/9/9/R8/9/9/9/3K5 w",
         {"a4a9"}, {"a4e4"}},
        {"cannon over the own piece on the king's file", "4k4/9/4P4/9/9/C8/9/9/9/3K5 w",
         {"a4e4"}, {"a4a9"}},
        {"cannon jumps the king to uncover the rook", "9/2n1kC1R1/9/9/9/9/9/9/9/3K5 w",
         {"f8c8"}, {}},
        {"no victim beyond the king", "9/2N1kC1R1/9/9/9/9/9/9/9/3K5 w", {}, {"f8c8"}},
        {"pawn outside the back regions gives no check", "9/9/3k5/9/3P5/9/9/9/9/4K4 w",
         {}, {"d5d6"}},
        {"another pawn in the back regions opens pawn checks", "P8/9/3k5/9/3P5/9/9/9/9/4K4 w",
         {"d5d6"}, {}},
        {"black pawn checks from the side", "4k4/9/9/9/9/9/9/5p3/2p6/3K5 b", {"c1c0", "c1d1"}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        setup(row.fen);
        std::vector<Move> moves = checks();
        for (const char* text : row.present)
            EXPECT_TRUE(found(moves, text)) << text;
        for (const char* text : row.absent)
            EXPECT_FALSE(found(moves, text)) << text;
    }
}

// A capture is allowed only for a cannon jumping over the enemy king along its rank.
bool cannonOverTheKing(const Position& p, Move mv) {
    int from = moveFrom(mv), to = moveTo(mv), king = p.pieceSquare[kingRed - p.sideToMove];
    int pc = p.board[from];
    return pc >= cannonFirst && pc < rookFirst && rankOf(from) == rankOf(king) &&
           rankOf(to) == rankOf(king) && (from - king) * (to - king) < 0;
}

// Every move is pseudo-legal, quiet unless it is the cannon over the king, carries its
// history score, appears once, and checks once made. Counts the moves emitted and the
// quiet checks there were to find.
void checkProperties(Position& p, int& emitted, int& available) {
    Position before = p;
    MoveSlot out[moveListSize];
    int count = generateQuietChecks(p, out);
    ASSERT_TRUE(samePosition(before, p));
    std::vector<Move> seen;
    for (int i = 0; i < count; ++i) {
        Move mv = slotMove(out[i]);
        SCOPED_TRACE(moveText(mv));
        EXPECT_EQ(isValidMove(mv, p), 1);
        EXPECT_TRUE(p.board[moveTo(mv)] == 0 || cannonOverTheKing(p, mv));
        EXPECT_EQ(slotValue(out[i]), historyScore(pieceTypeOf[p.board[moveFrom(mv)]], moveTo(mv)));
        EXPECT_EQ(std::count(seen.begin(), seen.end(), mv), 0);
        seen.push_back(mv);
        makeMove(p, mv, false);
        EXPECT_NE(inCheck(p, p.sideToMove), 0);
        unmakeMove(p);
    }
    emitted += count;
    for (Move mv : generatedMoves(p)) {
        if (p.board[moveTo(mv)] != 0)
            continue;
        makeMove(p, mv, false);
        available += inCheck(p, p.sideToMove) != 0;
        unmakeMove(p);
    }
}

// Found by fuzzing: a king set up in the other side's palace sent the pawn checks against
// it two ranks past the board's edge. It gets no horse or pawn checks now (the tables know
// kings at home only); what is emitted still checks.
TEST_F(ChecksTest, KingInTheOtherPalace) {
    for (const char* fen : {"3k5/4K4/9/9/9/9/9/4p4/9/9 b", "9/9/4P4/9/9/9/9/9/4k4/3K5 w",
                            "4K4/9/9/9/9/9/9/4p1n2/9/3k5 b"}) {
        SCOPED_TRACE(fen);
        setup(fen);
        int emitted = 0, available = 0;
        checkProperties(pos, emitted, available);
    }
}

void fillHistoryScores() {
    for (int type = 0; type < 10; ++type)
        for (int sq = 0; sq < 160; ++sq)
            historyTable[type][sq].score = int16_t((type * 160 + sq) * 37 % 2001 - 1000);
}

TEST_F(ChecksTest, EveryMoveChecksOnPlayedPositions) {
    fillHistoryScores();
    int emitted = 0, available = 0;
    randomPositions(20, 100, [&](Position& p) { checkProperties(p, emitted, available); });
    resetHistory();
    printf("played positions: %d quiet checks emitted of %d\n", emitted, available);
    EXPECT_GT(emitted, 1000);
}

TEST_F(ChecksTest, EveryMoveChecksOnSparsePositions) {
    fillHistoryScores();
    int emitted = 0, available = 0;
    sparsePositions(30000, [&](Position& p) { checkProperties(p, emitted, available); });
    resetHistory();
    printf("sparse positions: %d quiet checks emitted of %d\n", emitted, available);
    EXPECT_GT(emitted, 10000);
}

}  // namespace
}  // namespace qxtest
