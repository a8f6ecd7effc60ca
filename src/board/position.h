#pragma once
// The one board record, its move-history stack, and the process-wide values that
// belong with the position.
#include "board/types.h"

// 16 bytes, written by every make before it changes the position. The light make
// writes only the first five fields; the null move writes move/captured/checkCode/moved.
struct MoveRecord {
    uint32_t hashLow;      // key halves before the move
    uint32_t hashHigh;
    Move     move;         // 0 for a null move
    uint8_t  captured;     // PieceId captured, 0 if none
    uint8_t  checkCode;    // check code of the side to move after this move (0 = none)
    int16_t  pstScore;     // pstScore before the move (restored sign-extended)
    uint8_t  moved;        // PieceId of the moving piece; 0 for a null move
    uint8_t  endgameMode;  // endgameMode before the move; written only by captures
};
static_assert(sizeof(MoveRecord) == 16, "MoveRecord must stay 16 bytes");

inline constexpr int historyCapacity = 384;

struct Position {
    int32_t    sideToMove;            // 1 red to move, 0 black
    int32_t    ply;                   // distance from the search root
    uint32_t   hashLow;
    uint32_t   hashHigh;
    int32_t    historyLength;         // records on the history stack
    uint8_t    pieceSquare[pieceIdCount];  // 255 when off the board; entries 0, 1 always 255
    uint8_t    board[boardSize];      // PieceId on each square, 0 empty
    uint16_t   bitRanks[10];          // bit f set when (rank, f) is occupied
    uint16_t   bitFiles[9];           // bit r set when (r, file) is occupied
    MoveRecord history[historyCapacity];
    int32_t    pstScore;              // incremental piece-square score, black minus red
    uint32_t   presenceMask;          // bit p for PieceId p (2..31) on the board; kings absent
    uint8_t    pieceCount[pieceIdCount];   // indexed by PieceId & 0x3D
    uint32_t   regionMask[10];        // bit (PieceId mod 32) per piece standing in the region
    uint32_t   attackedMask;          // the evaluation's scratch mask
};

// Live-piece bounds: the highest PieceId of each kind and side that loops must visit.
// Written by the FEN set-up (reset) and by the piece-list compaction (lowered).
extern int lastPieceId[kindCount][2];

// 0 in the middle game, 1 once the endgame has been reached. Set by the set-up's endgame
// switch and by captures inside the search (undone with them); reset by a new game.
extern int endgameMode;

inline bool bothKingsPresent(const Position& pos) {
    return pos.pieceSquare[kingBlack] != noSquare && pos.pieceSquare[kingRed] != noSquare;
}

// Rebuilds bitRanks, bitFiles and presenceMask from pieceSquare.
void rebuildOccupancy(Position& pos);

// Rebuilds presenceMask, pieceCount, regionMask, bitRanks and bitFiles from
// pieceSquare, as the search root does after compacting the piece list.
void rebuildDerivedFields(Position& pos);

// Sum over every piece on the board (PieceIds 2..33, increasing) of a piece-square set.
int pieceSquareSum(const Position& pos, const int16_t table[10][90]);

// Places the start board on board and pieceSquare (side: red) without the derived
// fields or the hash; a "position" command completes the set-up.
void placeStartBoard(Position& pos);
