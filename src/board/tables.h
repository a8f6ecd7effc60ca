#pragma once
// Tables built once at start-up (read-only afterwards, except that the endgame switch
// copies the endgame piece-square set over the one in use) and the board's constant tables.
#include "board/types.h"

// ---- Built at start-up -------------------------------------------------------------

extern uint8_t  bitCountTable[65536];      // set bits of every 16-bit value
extern uint16_t squareRankBit[boardSize];  // 1 << file; 0 for files 9..15
extern uint16_t squareFileBit[boardSize];  // 1 << rank; 0 for files 9..15

// Slide tables, indexed by the piece's coordinate on the line and the line's occupancy.
struct SlideMasks {
    uint16_t moveMask;           // empty squares reachable
    uint16_t rookCaptureMask;    // first occupied square each way
    uint16_t cannonCaptureMask;  // second occupied square each way (one screen)
    uint16_t thirdPieceMask;     // third occupied square each way
};
// Coordinates are files on a rank, rank * 16 on a file; a missing one is the piece's own.
// "High" is towards file 8 / rank 9, "low" towards file 0 / rank 0.
struct SlideTargets {
    uint8_t farEmptyHigh, farEmptyLow;
    uint8_t rookTargetHigh, rookTargetLow;
    uint8_t cannonTargetHigh, cannonTargetLow;
    uint8_t thirdTargetHigh, thirdTargetLow;
    uint8_t emptyCountHigh, emptyCountLow;
};
static_assert(sizeof(SlideMasks) == 8 && sizeof(SlideTargets) == 10, "slide entry sizes");

extern SlideMasks   rankMasks[9 * 512];     // file * 512 + BitRank
extern SlideTargets rankTargets[9 * 512];
extern SlideMasks   fileMasks[10 * 1024];   // rank * 1024 + BitFile
extern SlideTargets fileTargets[10 * 1024];

inline const SlideMasks& rankMaskOf(int file, int bitRank) { return rankMasks[file * 512 + bitRank]; }
inline const SlideMasks& fileMaskOf(int rank, int bitFile) { return fileMasks[rank * 1024 + bitFile]; }
inline const SlideTargets& rankTargetOf(int file, int bitRank) { return rankTargets[file * 512 + bitRank]; }
inline const SlideTargets& fileTargetOf(int rank, int bitFile) { return fileTargets[rank * 1024 + bitFile]; }

// Bytes 0..8: horse targets + 1 in step order, zero-terminated. Bytes 9..15: the
// zero-terminated advisor/elephant destinations of a piece standing on the square.
extern uint8_t horseMoves[boardSize][16];
extern uint8_t horseLegs[boardSize][8];              // leg of the j-th horse target
extern uint8_t horseCheckSquares[boardSize][18][2];  // by kingSquareClass; 0 = empty slot

// The same lists repacked one byte a target into a word per square, for loops that read one
// word and shift it instead of testing a terminator at every step (the evaluation's piece
// activity). The lists keep their first zero byte as the end; built with them, so every quirk
// of theirs (a piece set up where it could never stand) reads the same bytes.
struct PackedTargets {
    // Horse targets + 1 grouped by the leg they share: two bytes a leg (the second 0 where
    // the leg has one target on the board), and the legs a byte each in the same order.
    uint64_t horseTo[boardSize];
    uint32_t horseLeg[boardSize];
    uint8_t  horseFar[2][boardSize];  // 1 where some horse target lies in that side's enemy half
    uint8_t  horseEdge[boardSize];    // the edge step a trapping rook stands on; else the square
    uint64_t defenderTo[boardSize];   // advisor/elephant destinations (never square 0)
    uint64_t elephantEye[boardSize];  // the eye of each, in the same byte
    uint32_t pawnTo[boardSize][2];    // pawn targets + 1, by side
};
extern PackedTargets packedTargets;

extern uint64_t zobristTable[10][90];  // piece type, file * 10 + rank
extern uint64_t zobristSide;           // low half masked with the start-up hshMask

inline uint64_t zobristKey(int type, int sq) { return zobristTable[type][squareIndex.zobrist[sq]]; }

// Piece-square sets: piece type, rank * 9 + file. Black values positive, red negative;
// material included, kings carry 9999 more. orderingPst holds the bare positional values.
extern int16_t pieceSquareTable[10][90];  // the set in use: a copy of one of the two below
extern int16_t middlegamePieceSquareTable[10][90];
extern int16_t endgamePieceSquareTable[10][90];
extern int8_t  orderingPst[10][90];

// ---- Constant tables ---------------------------------------------------------------

extern const uint8_t pieceTypeOf[pieceIdCount];   // 2 * class + side; 10 for ids 0 and 1
extern const uint8_t squareRegion[boardSize];     // ten regions, even in black's half
extern const int8_t  kingSquareClass[boardSize];  // palace squares 0..17, else -1
extern uint8_t checkRelevance[18][boardSize];     // squares that can change a check on K
// Four bytes per (square, side): pawn targets + 1 read forwards (zero-terminated); on
// the side's palace squares, king targets read backwards from byte 3.
extern uint8_t pawnKingMoves[boardSize][2][4];

// Indexed by a square difference d in -34..34 (stored at d + 34).
extern const int8_t horseLegByDeltaTable[69];  // horse square - target -> leg offset from target
extern const int8_t squareDeltaTable[69];      // 1 king, 3 advisor, 2 elephant, 4 two steps
// The class of a king's square while it stands in its own palace (black 0..8, red 9..17),
// else -1. The tables built by class (check relevance, horse checks, evasion zones) describe
// a king at home; a set-up can put one in the other palace, where a class would have it
// attacked from the wrong side (and the pawn-check squares past the board's edge).
inline int homeKingClass(int sq, int side) {
    const int cls = sq < boardSize ? kingSquareClass[sq] : -1;
    return unsigned(cls - 9 * side) < 9u ? cls : -1;  // the side's own nine, without a division
}

inline int horseLegByDelta(int d) { return d >= -34 && d <= 34 ? horseLegByDeltaTable[d + 34] : 0; }
inline int squareDelta(int d) { return d >= -34 && d <= 34 ? squareDeltaTable[d + 34] : 0; }

// Builds bitCountTable (needed before the handshake).
void initBitCounts();
// Builds every other start-up table in the fixed order that the keys depend on: random
// warm-up, horse and palace tables, square masks and slide tables, piece-square sets,
// Zobrist keys. sideKeyMask is the transposition table's index mask at that moment.
void initBoardTables(uint32_t sideKeyMask);
