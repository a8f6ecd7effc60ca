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
// out, it would count through the library's slower call). (GCC 12's -fipa-pta, with link-time
// and profile-guided optimisation, miscompiles calls through such clones: the bench's node
// count changes, and is right again without the clones. The build does not use it.)
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
// 16 when a pawn of X could step onto sq, a palace square, 8 when a horse, rook or cannon
// of X attacks it.
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

// Attacker class (0 none, 1 rook, 2 cannon, 3 horse, 4 pawn, 5 others) of side's pieces.
inline int attackedBy(const Position& pos, int side, int sq) {
    return side == sideRed ? attackedByRed(pos, sq) : attackedByBlack(pos, sq);
}
