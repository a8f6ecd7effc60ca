// King attack by region counting: the attacker's pieces in the regions from which each
// wing of the defending king is attacked, less some defenders, through a steep table.
#include "eval/terms.h"
#include "eval/weights.h"

namespace {

// Wing counts reach 28 at most with the pieces a side can have; the upper bound only
// guards the table against a malformed position.
inline int kingDanger(int index) { return index <= 0 ? 0 : kingDangerTable[index < 31 ? index : 31]; }

// One side's pieces sit on bits of one parity; rotating a mask of them by one bit moves
// them onto the other, so two counts of one side add up in a single popcount:
// n(a) + n(b) == bitCount32(a | onOtherParity(b)). Apply it to masks already cut down to
// one side's pieces (the king bits 0 and 1 of a region mask carry no meaning).
inline uint32_t onOtherParity(uint32_t pieces) { return pieces << 1 | pieces >> 31; }

// The body for one attacker: with the sides fixed, the region indices and the side masks
// are constants. Forced inline, so that it shares kingAttack's popcount build.
template <int attacker>
QX_INLINE int kingAttackBy(const Position& pos) {
    constexpr int defender = attacker ^ 1;
    const uint32_t* region = pos.regionMask;
    // Regions seen from the defender: even numbers lie in black's half, odd in red's.
    const uint32_t leftCorner = region[defender], rightCorner = region[2 + defender];
    const uint32_t centreOwn = region[4 + defender], centreFar = region[5 - defender];
    const uint32_t leftBankOwn = region[6 + defender], rightBankOwn = region[8 + defender];
    const uint32_t leftBankFar = region[7 - defender], rightBankFar = region[9 - defender];

    constexpr uint32_t x = sideMaskOf[attacker], dx = sideMaskOf[defender];
    constexpr uint32_t horses = horseBits & x, cannons = cannonBits & x, rooks = rookBits & x;
    constexpr uint32_t attackers = (pawnBits | horseBits | cannonBits | rookBits) & x;
    auto n = [](uint32_t regions, uint32_t kinds) { return bitCount32(regions & kinds); };
    // n(a, kinds) + n(b, kinds2) for the attacker's pieces, in one count.
    auto n2 = [](uint32_t a, uint32_t kinds, uint32_t b, uint32_t kinds2) {
        return bitCount32((a & kinds) | onOtherParity(b & kinds2));
    };

    // Each wing counts, with weight 2, its corner's pawns, horses and cannons, its
    // corner's rooks twice and the rooks on its river banks on both halves; with weight 1,
    // the pieces on its own river bank and the horses there once more. Pieces on the
    // defender's centre file count on both wings, and the attacker's cannons on the far
    // centre file too.
    const int centre = n2(centreOwn, attackers, centreFar, cannons);
    const int left = 2 * n2(leftCorner, attackers, leftCorner | leftBankOwn | leftBankFar, rooks) +
                     n2(leftBankOwn, attackers, leftBankOwn, horses) + centre;
    const int right = 2 * n2(rightCorner, attackers, rightCorner | rightBankOwn | rightBankFar, rooks) +
                      n2(rightBankOwn, attackers, rightBankOwn, horses) + centre;
    const int total = left + right;

    // The defence is deliberately lopsided: black's left wing counts its minor defenders
    // (centre file included) at half, and red's wings ignore the centre file.
    constexpr uint32_t minorDefenders = (advisorBits | elephantBits | horseBits | cannonBits) & dx;
    constexpr uint32_t defRooks = rookBits & dx;
    int leftDefence = 4 * n(leftCorner, defRooks) + n(leftBankOwn, defRooks);
    int rightDefence = 4 * n(rightCorner, defRooks) + n(rightBankOwn, defRooks);
    if constexpr (defender == sideBlack) {
        leftDefence += n(leftCorner | centreOwn, minorDefenders) / 2;
        rightDefence += n(rightCorner | centreOwn, minorDefenders);
    } else {
        leftDefence += n(leftCorner, minorDefenders);
        rightDefence += n(rightCorner, minorDefenders);
    }

    // A king off the centre file makes its own wing weaker and the far wing safer.
    const int kingSq = pos.pieceSquare[kingBlack + defender];
    const int kingShift = kingSq == noSquare ? 0 : fileOf(kingSq) - 4;
    const int leftShift = kingShift < 0 ? 2 : kingShift > 0 ? -5 : 0;
    const int rightShift = kingShift < 0 ? -5 : kingShift > 0 ? 2 : 0;

    int score = kingDanger(left - leftDefence + leftShift) +
                kingDanger(right - rightDefence + rightShift) + total / 4;

    // A king stripped of its guards pays for every step it has left its back rank.
    constexpr uint32_t guards = (advisorBits | elephantBits) & dx;
    if (total >= 8 && kingSq != noSquare && bitCount32(pos.presenceMask & guards) <= 2)
        score += 8 * (defender == sideBlack ? rankOf(kingSq) : 9 - rankOf(kingSq));
    return score;
}

}  // namespace

QX_COUNTING int kingAttack(const Position& pos, int attacker) {
    return attacker == sideRed ? kingAttackBy<sideRed>(pos) : kingAttackBy<sideBlack>(pos);
}
