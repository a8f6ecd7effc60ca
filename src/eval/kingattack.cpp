// King attack by region counting: the attacker's pieces in the regions from which each
// wing of the defending king is attacked, less some defenders, through a steep table.
#include "eval/terms.h"
#include "eval/weights.h"

namespace {

// Wing counts reach 28 at most with the pieces a side can have; the upper bound only
// guards the table against a malformed position.
inline int kingDanger(int index) { return index <= 0 ? 0 : kingDangerTable[index < 31 ? index : 31]; }

}  // namespace

QX_COUNTING int kingAttack(const Position& pos, int attacker) {
    const int defender = attacker ^ 1;
    const uint32_t* region = pos.regionMask;
    // Regions seen from the defender: even numbers lie in black's half, odd in red's.
    const uint32_t leftCorner = region[defender], rightCorner = region[2 + defender];
    const uint32_t centreOwn = region[4 + defender], centreFar = region[5 - defender];
    const uint32_t leftBankOwn = region[6 + defender], rightBankOwn = region[8 + defender];
    const uint32_t leftBankFar = region[7 - defender], rightBankFar = region[9 - defender];

    const uint32_t x = sideBits(attacker), dx = sideBits(defender);
    const uint32_t pawns = pawnBits & x, horses = horseBits & x, cannons = cannonBits & x;
    const uint32_t rooks = rookBits & x;
    auto n = [](uint32_t regions, uint32_t kinds) { return bitCount32(regions & kinds); };

    // Pieces on the defender's centre file count on both wings.
    const int centre = n(centreOwn, pawns) + n(centreOwn, horses | cannons | rooks) +
                       n(centreFar, cannons);
    const int left = 2 * n(leftCorner, pawns) + 2 * n(leftCorner, horses | cannons) +
                     4 * n(leftCorner, rooks) + 2 * n(leftBankOwn | leftBankFar, rooks) +
                     n(leftBankOwn, pawns) + n(leftBankOwn, horses | cannons | rooks) +
                     n(leftBankOwn, horses) + centre;
    const int right = 2 * n(rightCorner, pawns) + 2 * n(rightCorner, horses | cannons) +
                      4 * n(rightCorner, rooks) + 2 * n(rightBankOwn | rightBankFar, rooks) +
                      n(rightBankOwn, pawns) + n(rightBankOwn, horses | cannons | rooks) +
                      n(rightBankOwn, horses) + centre;
    const int total = left + right;

    // The defence is deliberately lopsided: black's left wing counts its minor defenders
    // (centre file included) at half, and red's wings ignore the centre file.
    const uint32_t minorDefenders = (advisorBits | elephantBits | horseBits | cannonBits) & dx;
    const uint32_t defRooks = rookBits & dx;
    int leftDefence = 4 * n(leftCorner, defRooks) + n(leftBankOwn, defRooks);
    int rightDefence = 4 * n(rightCorner, defRooks) + n(rightBankOwn, defRooks);
    if (defender == sideBlack) {
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
    const uint32_t guards = (advisorBits | elephantBits) & dx;
    if (total >= 8 && kingSq != noSquare && bitCount32(pos.presenceMask & guards) <= 2)
        score += 8 * (defender == sideBlack ? rankOf(kingSq) : 9 - rankOf(kingSq));
    return score;
}
