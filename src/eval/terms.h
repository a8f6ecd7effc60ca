#pragma once
// The evaluation's terms and the small board helpers they share. Every term scores one
// side X against the other side Y; evaluate combines them as black minus red.
#include "board/position.h"
#include "board/tables.h"

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
inline int bitCount32(uint32_t x) { return bitCountTable[x & 0xFFFF] + bitCountTable[x >> 16]; }

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
int attackedBy(const Position& pos, int side, int sq);

// The pieces met from a square in one direction along a line: nearest, second and third
// occupied squares (-1 when missing) and the number of empty squares before the nearest.
struct LineRay {
    int first, second, third;
    int empties;
};

// The four rays of a square, in the order rank low, rank high, file low, file high
// ("low" towards file 0 or rank 0). Returns the empty squares along both lines together.
// Inline: every rook and cannon of both sides asks for its rays in every evaluation, and
// each caller reads only some of the fields; the third pieces are found only when asked
// for (withThird), and are -1 otherwise.
template <bool withThird = true>
inline int lineRays(const Position& pos, int sq, LineRay rays[4]) {
    const int rank = rankOf(sq), file = fileOf(sq);
    const SlideTargets& r = rankTargetOf(file, pos.bitRanks[rank]);
    const SlideTargets& f = fileTargetOf(rank, pos.bitFiles[file]);
    // A missing target holds the piece's own coordinate.
    auto onRank = [&](int coord) { return coord == file ? -1 : rank * 16 + coord; };
    auto onFile = [&](int coord) { return coord == rank * 16 ? -1 : coord + file; };
    rays[0] = {onRank(r.rookTargetLow), onRank(r.cannonTargetLow), withThird ? onRank(r.thirdTargetLow) : -1, r.emptyCountLow};
    rays[1] = {onRank(r.rookTargetHigh), onRank(r.cannonTargetHigh), withThird ? onRank(r.thirdTargetHigh) : -1, r.emptyCountHigh};
    rays[2] = {onFile(f.rookTargetLow), onFile(f.cannonTargetLow), withThird ? onFile(f.thirdTargetLow) : -1, f.emptyCountLow};
    rays[3] = {onFile(f.rookTargetHigh), onFile(f.cannonTargetHigh), withThird ? onFile(f.thirdTargetHigh) : -1, f.emptyCountHigh};
    return r.emptyCountLow + r.emptyCountHigh + f.emptyCountLow + f.emptyCountHigh;
}
