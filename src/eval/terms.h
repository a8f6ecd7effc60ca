#pragma once
// The evaluation's terms and the small board helpers they share. Every term scores one
// side X against the other side Y; evaluate combines them as black minus red.
#include "board/attack.h"
#include "board/position.h"
#include "board/tables.h"

// The evaluation counts pieces in masks some forty times a call. Where the toolchain can
// pick a function's code when the program loads (GCC on ELF), the definitions of the
// counting terms are marked QX_COUNTING and built twice, with and without the processor's
// popcount instruction; the loader takes the one the processor can run, so the shipped
// build stays plain x86-64. Elsewhere a table of 16-bit counts does the work. A helper that
// counts is marked QX_INLINE: forced into its caller, it shares the caller's build (left
// out, it would count through the library's slower call).
#if defined(__GNUC__) && !defined(__clang__) && defined(__ELF__) && defined(__x86_64__)
#define QX_COUNTING __attribute__((target_clones("popcnt", "default")))
inline int bitCount32(uint32_t x) { return __builtin_popcount(x); }
#else
#define QX_COUNTING
inline int bitCount32(uint32_t x) { return bitCountTable[x & 0xFFFF] + bitCountTable[x >> 16]; }
#endif
#define QX_INLINE [[gnu::always_inline]] inline

// Mobility, mutual protection and threats of X's rooks, horses, elephants, advisors and
// pawns. Marks attacked enemy pieces in attackedMask and may set advisorAttackLatch.
int pieceActivity(Position& pos, int side);
// X's cannon play and attacking material; adds X's majors to phaseWeight and marks
// attacked pieces in attackedMask.
int attackPressure(Position& pos, int side);
// How strongly X's pieces bear on the other side's king, by region counts; never negative.
int kingAttack(const Position& pos, int attacker);
// 16 when a pawn of X could step onto sq, 8 when a horse, rook or cannon of X attacks it.
int kingStepControl(const Position& pos, int sq, int side);

// ---- Shared helpers ----

inline constexpr uint32_t sideMaskOf[2] = {0x55555555u, 0xAAAAAAAAu};  // black even, red odd
inline constexpr uint32_t pawnBits     = 0x00000FFC;  // ids 2..11
inline constexpr uint32_t advisorBits  = 0x0000F000;  // ids 12..15
inline constexpr uint32_t elephantBits = 0x000F0000;  // ids 16..19
inline constexpr uint32_t horseBits    = 0x00F00000;  // ids 20..23
inline constexpr uint32_t cannonBits   = 0x0F000000;  // ids 24..27
inline constexpr uint32_t rookBits     = 0xF0000000;  // ids 28..31

inline uint32_t sideBits(int side) { return sideMaskOf[side]; }


inline bool isPawn(int pc) { return pc >= 2 && pc <= 11; }
inline bool isAdvisor(int pc) { return pc >= 12 && pc <= 15; }
inline bool isElephant(int pc) { return pc >= 16 && pc <= 19; }
inline bool isHorse(int pc) { return pc >= 20 && pc <= 23; }
inline bool isCannon(int pc) { return pc >= 24 && pc <= 27; }
inline bool isRook(int pc) { return pc >= 28 && pc <= 31; }
inline bool isKing(int pc) { return pc >= 32; }
inline bool isOwn(int pc, int side) { return pc != 0 && (pc & 1) == side; }

// A square in black's half (ranks 0..4) or red's (5..9).
inline bool inHalfOf(int sq, int side) { return side ? rankOf(sq) >= 5 : rankOf(sq) <= 4; }

// Attacker class (0 none, 1 rook, 2 cannon, 3 horse, 4 pawn, 5 others) of side's pieces.
inline int attackedBy(const Position& pos, int side, int sq) {
    return side == sideRed ? attackedByRed(pos, sq) : attackedByBlack(pos, sq);
}

// The pieces met from a square in one direction along a line: nearest, second and third
// occupied squares (-1 when missing) and the number of empty squares before the nearest.
struct LineRay {
    int first, second, third;
    int empties;
};

namespace rayscan {

// The nearest occupied coordinates away from the piece, popped one by one from the line's
// occupancy bits: upwards the lowest bit first, downwards the highest. base + coordinate *
// step is the square; -1 when the line runs out.
inline int popLowest(uint32_t& bits, int base, int step) {
    if (!bits)
        return -1;
    const int at = __builtin_ctz(bits);
    bits &= bits - 1;
    return base + at * step;
}
inline int popHighest(uint32_t& bits, int base, int step) {
    if (!bits)
        return -1;
    const int at = 31 - __builtin_clz(bits);
    bits ^= 1u << at;
    return base + at * step;
}

// Both rays of one line of n squares from coordinate p (high into rays[0], low into rays[1]).
template <bool withThird>
inline int lineBothWays(uint32_t occupied, int p, int n, int base, int step, LineRay* rays) {
    uint32_t high = occupied & (~0u << (p + 1)) & ((1u << n) - 1);
    uint32_t low = occupied & ((1u << p) - 1);
    const int highFirst = high ? __builtin_ctz(high) : n;
    const int lowFirst = low ? 31 - __builtin_clz(low) : -1;
    LineRay& up = rays[0];
    LineRay& down = rays[1];
    up.empties = highFirst - p - 1;
    down.empties = p - lowFirst - 1;
    up.first = popLowest(high, base, step);
    up.second = popLowest(high, base, step);
    up.third = withThird ? popLowest(high, base, step) : -1;
    down.first = popHighest(low, base, step);
    down.second = popHighest(low, base, step);
    down.third = withThird ? popHighest(low, base, step) : -1;
    return up.empties + down.empties;
}

}  // namespace rayscan

// The four rays of a square, in the order rank low, rank high, file low, file high
// ("low" towards file 0 or rank 0). Returns the empty squares along both lines together.
// Found from the line's occupancy bits by bit scans, without tables: every rook and cannon
// of both sides asks for its rays in every evaluation. The third pieces are found only when
// asked for (withThird), and are -1 otherwise.
template <bool withThird = true>
inline int lineRays(const Position& pos, int sq, LineRay rays[4]) {
    const int rank = rankOf(sq), file = fileOf(sq);
    LineRay rank2[2], file2[2];
    const int mobility =
        rayscan::lineBothWays<withThird>(pos.bitRanks[rank], file, 9, rank * 16, 1, rank2) +
        rayscan::lineBothWays<withThird>(pos.bitFiles[file], rank, 10, file, 16, file2);
    rays[0] = rank2[1];
    rays[1] = rank2[0];
    rays[2] = file2[1];
    rays[3] = file2[0];
    return mobility;
}
