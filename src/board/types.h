#pragma once
// The numbering every subsystem shares: squares, pieces, moves and move-list slots.
#include <cstdint>

using Square  = uint8_t;   // rank * 16 + file; rank 0 is black's back rank; files 9..15 unused
using PieceId = uint8_t;   // 0 = empty; bit 0 is the side (1 = red); see the ranges below
using Move    = uint16_t;  // origin << 8 | destination; 0 = no move (also the null move)

inline constexpr int squareCount   = 153;  // per-square tables: squares 0..152
inline constexpr int boardSize     = 154;  // the board array keeps one spare byte
inline constexpr int pieceIdCount  = 34;
inline constexpr Square noSquare   = 255;  // pieceSquare of a piece that is off the board

inline constexpr int sideBlack = 0;
inline constexpr int sideRed   = 1;

// PieceId ranges: black takes the even ids of each range, red the odd ones.
inline constexpr int pawnFirst     = 2;   // 2..11
inline constexpr int advisorFirst  = 12;  // 12..15
inline constexpr int elephantFirst = 16;  // 16..19
inline constexpr int horseFirst    = 20;  // 20..23
inline constexpr int cannonFirst   = 24;  // 24..27
inline constexpr int rookFirst     = 28;  // 28..31
inline constexpr int kingBlack     = 32;
inline constexpr int kingRed       = 33;

// Kinds that own a live-piece bound (lastPieceId); kings have none.
enum PieceKind { kindPawn, kindAdvisor, kindElephant, kindHorse, kindCannon, kindRook, kindCount };
inline constexpr int kindFirstId[kindCount] = {2, 12, 16, 20, 24, 28};

// Move lists: the move in the low 16 bits, a signed 16-bit ordering value in the high 16 bits.
using MoveSlot = uint32_t;
inline constexpr int moveListSize = 512;

constexpr Square makeSquare(int rank, int file) { return Square(rank * 16 + file); }
constexpr int    rankOf(int sq) { return sq >> 4; }
constexpr int    fileOf(int sq) { return sq & 15; }
constexpr bool   onBoard(int sq) { return sq >= 0 && sq < squareCount && (sq & 15) <= 8; }
constexpr int    pstIndex(int sq) { return rankOf(sq) * 9 + fileOf(sq); }  // 90-square tables
constexpr Move   packMove(int from, int to) { return Move(from << 8 | to); }
constexpr Square moveFrom(Move mv) { return Square(mv >> 8); }
constexpr Square moveTo(Move mv) { return Square(mv & 0xFF); }
constexpr int    sideOf(int pc) { return pc & 1; }
constexpr MoveSlot makeSlot(Move mv, int value) { return MoveSlot(uint16_t(value)) << 16 | mv; }
constexpr Move   slotMove(MoveSlot slot) { return Move(slot & 0xFFFF); }
constexpr int    slotValue(MoveSlot slot) { return int16_t(uint16_t(slot >> 16)); }
constexpr int    firstIdOf(int kind, int side) { return kindFirstId[kind] + side; }

// Per-square indices, read where the make and the piece-square sums would otherwise work
// them out from rank and file at every piece: pstIndex into the 90-square piece-square
// sets, file * 10 + rank into the Zobrist table. 0 for squares off the board (including
// noSquare), which no caller looks up.
struct SquareIndexTables {
    uint8_t pst[256];
    uint8_t zobrist[256];
};
constexpr SquareIndexTables buildSquareIndexTables() {
    SquareIndexTables t{};
    for (int sq = 0; sq < squareCount; ++sq)
        if (onBoard(sq)) {
            t.pst[sq] = uint8_t(pstIndex(sq));
            t.zobrist[sq] = uint8_t(fileOf(sq) * 10 + rankOf(sq));
        }
    return t;
}
inline constexpr SquareIndexTables squareIndex = buildSquareIndexTables();

static_assert(moveFrom(packMove(makeSquare(9, 0), 4)) == 144, "a0 is square 144");
static_assert(slotValue(makeSlot(1, -5)) == -5 && slotMove(makeSlot(0x7774, -5)) == 0x7774,
              "slots keep a signed value beside the move");
