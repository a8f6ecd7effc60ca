#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "board/position.h"
#include "board/tables.h"

namespace {

constexpr uint32_t startupHashMask = (1u << 25) - 1;  // index mask of the 256 MB table

class TablesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        initBitCounts();
        initBoardTables(startupHashMask);
    }
};

struct SlideRow {
    const char* name;
    bool onRank;
    int coordinate;  // file on a rank, rank on a file
    int occupancy;
    SlideMasks masks;
    uint8_t targets[10];
};

TEST_F(TablesTest, SlideTablesTellingRows) {
    const SlideRow rows[] = {
        {"file 4, files 0 2 4 5 8 occupied", true, 4, 0x135, {0x008, 0x024, 0x101, 0x000},
         {4, 3, 5, 2, 8, 0, 4, 4, 0, 1}},
        {"file 0, empty rank", true, 0, 0x000, {0x1FE, 0, 0, 0}, {8, 0, 0, 0, 0, 0, 0, 0, 8, 0}},
        {"file 8, full rank", true, 8, 0x1FF, {0, 0x080, 0x040, 0x020}, {8, 8, 8, 7, 8, 6, 8, 5, 0, 0}},
        {"file table, rank 0, ranks 0 3 9 occupied", false, 0, 0x209, {0x006, 0x008, 0x200, 0},
         {32, 0, 48, 0, 144, 0, 0, 0, 2, 0}},
    };
    for (const SlideRow& row : rows) {
        SCOPED_TRACE(row.name);
        const SlideMasks& m = row.onRank ? rankMaskOf(row.coordinate, row.occupancy)
                                         : fileMaskOf(row.coordinate, row.occupancy);
        const SlideTargets& t = row.onRank ? rankTargetOf(row.coordinate, row.occupancy)
                                           : fileTargetOf(row.coordinate, row.occupancy);
        EXPECT_EQ(m.moveMask, row.masks.moveMask);
        EXPECT_EQ(m.rookCaptureMask, row.masks.rookCaptureMask);
        EXPECT_EQ(m.cannonCaptureMask, row.masks.cannonCaptureMask);
        EXPECT_EQ(m.thirdPieceMask, row.masks.thirdPieceMask);
        const uint8_t actual[10] = {t.farEmptyHigh,     t.farEmptyLow,     t.rookTargetHigh,
                                    t.rookTargetLow,    t.cannonTargetHigh, t.cannonTargetLow,
                                    t.thirdTargetHigh,  t.thirdTargetLow,  t.emptyCountHigh,
                                    t.emptyCountLow};
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(actual[i], row.targets[i]) << "target byte " << i;
    }
}

// The piece's own bit is never looked at: an entry must not depend on it.
TEST_F(TablesTest, SlideEntriesIgnoreOwnBit) {
    for (int file = 0; file < 9; ++file)
        for (int x = 0; x < 512; ++x) {
            const SlideMasks& a = rankMaskOf(file, x);
            const SlideMasks& b = rankMaskOf(file, x ^ (1 << file));
            ASSERT_EQ(a.moveMask, b.moveMask) << "file " << file << " occupancy " << x;
            ASSERT_EQ(a.cannonCaptureMask, b.cannonCaptureMask);
        }
}

TEST_F(TablesTest, SquareMasksAreZeroOffTheBoard) {
    for (int sq = 0; sq < squareCount; ++sq) {
        SCOPED_TRACE(sq);
        if (onBoard(sq)) {
            EXPECT_EQ(squareRankBit[sq], 1 << fileOf(sq));
            EXPECT_EQ(squareFileBit[sq], 1 << rankOf(sq));
        } else {
            EXPECT_EQ(squareRankBit[sq], 0);
            EXPECT_EQ(squareFileBit[sq], 0);
        }
    }
}

TEST_F(TablesTest, ZobristCheckValues) {
    EXPECT_EQ(zobristTable[0][0], 0xA23F7E2075FC0663ull);
    EXPECT_EQ(zobristTable[9][89], 0x505B1B6188ED8532ull);
    EXPECT_EQ(zobristSide, 0x512A8A1222000000ull);
    // zobristKey indexes by file * 10 + rank.
    EXPECT_EQ(zobristKey(9, makeSquare(9, 8)), zobristTable[9][89]);
    EXPECT_EQ(zobristKey(3, makeSquare(2, 1)), zobristTable[3][12]);
}

TEST_F(TablesTest, HorseMovesOfCornerAndCentre) {
    struct Row {
        int square;
        std::vector<int> targets, legs;
    } rows[] = {
        {0x00, {0x21, 0x12}, {0x10, 0x01}},
        {0x44,
         {0x63, 0x65, 0x52, 0x56, 0x32, 0x36, 0x23, 0x25},
         {0x54, 0x54, 0x43, 0x45, 0x43, 0x45, 0x34, 0x34}},
        {0x98, {0x86, 0x77}, {0x97, 0x88}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.square);
        size_t n = row.targets.size();
        for (size_t j = 0; j < n; ++j) {
            EXPECT_EQ(horseMoves[row.square][j], row.targets[j] + 1) << "target " << j;
            EXPECT_EQ(horseLegs[row.square][j], row.legs[j]) << "leg " << j;
        }
        EXPECT_EQ(horseMoves[row.square][n], 0);
    }
}

// horseLegs and horseLegByDelta describe the same legs from the two ends of the jump.
TEST_F(TablesTest, HorseLegsAgreeWithLegByDelta) {
    for (int sq = 0; sq < squareCount; ++sq) {
        if (!onBoard(sq))
            continue;
        for (int j = 0; horseMoves[sq][j]; ++j) {
            int to = horseMoves[sq][j] - 1;
            ASSERT_TRUE(onBoard(to)) << sq;
            ASSERT_NE(horseLegByDelta(sq - to), 0) << sq << " -> " << to;
            EXPECT_EQ(horseLegs[sq][j], to + horseLegByDelta(sq - to)) << sq << " -> " << to;
        }
    }
}

TEST_F(TablesTest, AdvisorAndElephantLists) {
    struct Row {
        int square;
        std::vector<int> targets;
    } rows[] = {
        {0x14, {0x03, 0x05, 0x23, 0x25}}, {0x93, {0x84}}, {0x74, {0x52, 0x56, 0x92, 0x96}},
        {0x28, {0x06, 0x46}},             {0x00, {}},     {0x44, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.square);
        size_t n = row.targets.size();
        for (size_t j = 0; j < n; ++j)
            EXPECT_EQ(horseMoves[row.square][9 + j], row.targets[j]);
        EXPECT_EQ(horseMoves[row.square][9 + n], 0);
    }
}

// Checked against a geometric rule: t is one horse jump from s and one from the king.
TEST_F(TablesTest, HorseCheckSquares) {
    auto isJump = [](int a, int b) {
        int dr = std::abs(rankOf(a) - rankOf(b)), df = std::abs(fileOf(a) - fileOf(b));
        return (dr == 1 && df == 2) || (dr == 2 && df == 1);
    };
    const int palace[18] = {0x03, 0x04, 0x05, 0x13, 0x14, 0x15, 0x23, 0x24, 0x25,
                            0x73, 0x74, 0x75, 0x83, 0x84, 0x85, 0x93, 0x94, 0x95};
    for (int sq = 0; sq < squareCount; ++sq) {
        if (!onBoard(sq))
            continue;
        for (int k = 0; k < 18; ++k) {
            int expected = 0;
            for (int t = 0; t < squareCount; ++t)
                if (onBoard(t) && t != palace[k] && sq != palace[k] && isJump(sq, t) &&
                    isJump(t, palace[k]))
                    ++expected;
            const uint8_t* slot = horseCheckSquares[sq][k];
            int found = (slot[0] != 0) + (slot[1] != 0);
            ASSERT_EQ(found, expected) << "square " << sq << " king " << palace[k];
            if (found) {
                ASSERT_NE(slot[1], 0) << "the first square goes to byte 1";
            }
            for (int b = 0; b < 2; ++b) {
                if (slot[b]) {
                    EXPECT_TRUE(isJump(sq, slot[b]) && isJump(slot[b], palace[k]));
                }
            }
        }
    }
    // From 0x44 towards a king on 0x24: 0x32 comes first in step order, then 0x36.
    EXPECT_EQ(horseCheckSquares[0x44][7][1], 0x32);
    EXPECT_EQ(horseCheckSquares[0x44][7][0], 0x36);
    EXPECT_EQ(horseCheckSquares[0x24][7][0], 0);  // the horse on the king's own square
}

TEST_F(TablesTest, KingSquareClass) {
    const int palace[18] = {3,   4,   5,   19,  20,  21,  35,  36,  37,
                            115, 116, 117, 131, 132, 133, 147, 148, 149};
    for (int k = 0; k < 18; ++k)
        EXPECT_EQ(kingSquareClass[palace[k]], k);
    int palaceCount = 0;
    for (int sq = 0; sq < squareCount; ++sq)
        palaceCount += kingSquareClass[sq] >= 0;
    EXPECT_EQ(palaceCount, 18);
}

TEST_F(TablesTest, CheckRelevanceOfBlackKingHome) {
    const uint8_t* row = checkRelevance[kingSquareClass[4]];
    for (int sq = 0; sq < squareCount; ++sq) {
        int rank = rankOf(sq), file = fileOf(sq);
        bool expected = onBoard(sq) && (rank == 0 || (rank == 1 && file >= 2 && file <= 6) ||
                                        (rank == 2 && file >= 3 && file <= 5) || file == 4);
        EXPECT_EQ(row[sq], expected ? 1 : 0) << "square " << sq;
    }
    // Mirror image for the red king at home.
    const uint8_t* red = checkRelevance[kingSquareClass[0x94]];
    EXPECT_EQ(red[0x82], 1);
    EXPECT_EQ(red[0x72], 0);  // two ranks and two files away
    EXPECT_EQ(red[0x04], 1);  // the king's file
}

TEST_F(TablesTest, PawnKingMoves) {
    struct Row {
        const char* name;
        int square, side;
        uint8_t bytes[4];
    } rows[] = {
        {"black pawn before the river", 0x30, sideBlack, {0x41, 0, 0, 0}},
        {"black pawn across, file 0", 0x50, sideBlack, {0x61, 0x52, 0, 0}},
        {"black pawn on the last rank", 0x94, sideBlack, {0x94, 0x96, 0, 0}},
        {"red pawn on the last rank, file 1", 0x01, sideRed, {0x01, 0x03, 0, 0}},
        {"red pawn across, in black's palace", 0x14, sideRed, {0x05, 0x14, 0x16, 0}},
        {"red pawn before the river", 0x64, sideRed, {0x55, 0, 0, 0}},
        {"no pawn square: black file 1 rank 3", 0x31, sideBlack, {0, 0, 0, 0}},
        {"no pawn square: red rank 8", 0x80, sideRed, {0, 0, 0, 0}},
        {"black king centre", 0x14, sideBlack, {0x15, 0x13, 0x24, 0x04}},
        {"black king corner", 0x03, sideBlack, {0, 0, 0x04, 0x13}},
        {"red king home", 0x94, sideRed, {0, 0x95, 0x93, 0x84}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(pawnKingMoves[row.square][row.side][i], row.bytes[i]) << "byte " << i;
    }
}

TEST_F(TablesTest, PieceSquareValues) {
    const int redKingHome = pstIndex(0x94), blackKingHome = pstIndex(0x04);
    EXPECT_EQ(pieceSquareTable[1][redKingHome], -9953);
    EXPECT_EQ(pieceSquareTable[0][blackKingHome], 9953);
    EXPECT_EQ(endgamePieceSquareTable[1][redKingHome], -(9999 - 70 + 56));
    EXPECT_EQ(orderingPst[1][redKingHome], -70);
    EXPECT_EQ(orderingPst[0][blackKingHome], -70);
    // Red horse on 0x84 (row 8, file 4): -( -54 + 190); black's table is turned upside down.
    EXPECT_EQ(pieceSquareTable[5][pstIndex(0x84)], -136);
    EXPECT_EQ(pieceSquareTable[4][pstIndex(0x14)], 136);
    // A rook on row 0 file 0 is not mirrored left to right: rows differ by file.
    EXPECT_EQ(pieceSquareTable[9][pstIndex(0x90)], -(460 - 24));
    EXPECT_EQ(pieceSquareTable[9][pstIndex(0x91)], -(460 + 18));
}

TEST_F(TablesTest, PieceTypes) {
    EXPECT_EQ(pieceTypeOf[12], pieceTypeOf[16]);  // black advisor and elephant
    EXPECT_EQ(pieceTypeOf[12], 2);
    EXPECT_EQ(pieceTypeOf[33], pieceTypeOf[3]);   // red king and pawn
    EXPECT_EQ(pieceTypeOf[33], 1);
    EXPECT_EQ(pieceTypeOf[29], 9);
    EXPECT_EQ(pieceTypeOf[0], 10);
}

TEST_F(TablesTest, DeltaTables) {
    struct Row { int d, kind; } rows[] = {
        {1, 1}, {-16, 1}, {15, 3}, {-17, 3}, {30, 2}, {-34, 2}, {32, 4}, {-2, 4}, {0, 0}, {31, 0},
        {99, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(squareDelta(row.d), row.kind) << "delta " << row.d;
    EXPECT_EQ(horseLegByDelta(-33), -17);
    EXPECT_EQ(horseLegByDelta(14), 15);
    EXPECT_EQ(horseLegByDelta(16), 0);
}

}  // namespace
