// The position record's process-wide companions and its whole-board operations.
#include "board/position.h"

#include <cstring>

#include "board/tables.h"

int lastPieceId[kindCount][2] = {{10, 11}, {14, 15}, {18, 19}, {22, 23}, {26, 27}, {30, 31}};

int endgameMode = 0;

namespace {

// The start board by PieceId (rank by rank, 16-wide rows; files 9..15 stay empty).
constexpr uint8_t startBoard[squareCount] = {
    28, 20, 16, 12, 32, 14, 18, 22, 30, 0, 0, 0, 0, 0, 0, 0,
     0,  0,  0,  0,  0,  0,  0,  0,  0, 0, 0, 0, 0, 0, 0, 0,
     0, 24,  0,  0,  0,  0,  0, 26,  0, 0, 0, 0, 0, 0, 0, 0,
     4,  0,  8,  0,  2,  0, 10,  0,  6, 0, 0, 0, 0, 0, 0, 0,
     0,  0,  0,  0,  0,  0,  0,  0,  0, 0, 0, 0, 0, 0, 0, 0,
     0,  0,  0,  0,  0,  0,  0,  0,  0, 0, 0, 0, 0, 0, 0, 0,
     7,  0, 11,  0,  3,  0,  9,  0,  5, 0, 0, 0, 0, 0, 0, 0,
     0, 27,  0,  0,  0,  0,  0, 25,  0, 0, 0, 0, 0, 0, 0, 0,
     0,  0,  0,  0,  0,  0,  0,  0,  0, 0, 0, 0, 0, 0, 0, 0,
    31, 23, 19, 15, 33, 13, 17, 21, 29,
};

}  // namespace

void placeStartBoard(Position& pos) {
    pos.sideToMove = sideRed;
    std::memset(pos.pieceSquare, noSquare, sizeof pos.pieceSquare);
    std::memset(pos.board, 0, sizeof pos.board);
    for (int sq = 0; sq < squareCount; ++sq) {
        pos.board[sq] = startBoard[sq];
        if (startBoard[sq])
            pos.pieceSquare[startBoard[sq]] = uint8_t(sq);
    }
}

void rebuildOccupancy(Position& pos) {
    std::memset(pos.bitRanks, 0, sizeof pos.bitRanks);
    std::memset(pos.bitFiles, 0, sizeof pos.bitFiles);
    pos.presenceMask = 0;
    for (int pc = 2; pc < pieceIdCount; ++pc) {
        int sq = pos.pieceSquare[pc];
        if (sq == noSquare)
            continue;
        pos.bitRanks[rankOf(sq)] ^= squareRankBit[sq];
        pos.bitFiles[fileOf(sq)] ^= squareFileBit[sq];
        if (pc < kingBlack)  // kings own no presence bit
            pos.presenceMask |= 1u << pc;
    }
}

void rebuildDerivedFields(Position& pos) {
    rebuildOccupancy(pos);
    std::memset(pos.pieceCount, 0, sizeof pos.pieceCount);
    std::memset(pos.regionMask, 0, sizeof pos.regionMask);
    for (int pc = 2; pc < pieceIdCount; ++pc) {
        int sq = pos.pieceSquare[pc];
        if (sq == noSquare)
            continue;
        ++pos.pieceCount[pc & 0x3D];
        if (pc < kingBlack)  // nor a region bit
            pos.regionMask[squareRegion[sq]] |= 1u << pc;
    }
}

int pieceSquareSum(const Position& pos, const int16_t table[10][90]) {
    // The pieces by the bits of presenceMask (a loop over all 32 ids missed a branch at each
    // gap); the kings, who have no bit, by their squares. The square test only guards a
    // position whose mask is out of date, which no caller has.
    // The square's index comes from a table: each piece costs a few loads and adds.
    int sum = 0;
    for (uint32_t present = pos.presenceMask & ~3u; present != 0; present &= present - 1) {
        const int pc = __builtin_ctz(present);
        const int sq = pos.pieceSquare[pc];
        if (sq != noSquare)
            sum += table[pieceTypeOf[pc]][squareIndex.pst[sq]];
    }
    for (int king = kingBlack; king <= kingRed; ++king)
        if (pos.pieceSquare[king] != noSquare)
            sum += table[pieceTypeOf[king]][squareIndex.pst[pos.pieceSquare[king]]];
    return sum;
}
