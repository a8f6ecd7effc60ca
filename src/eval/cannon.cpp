// Cannon play (facing the king, pins and batteries through a screen, mobility) and the
// attacking material a side has brought into the enemy half.
#include "eval/terms.h"
#include "eval/weights.h"

namespace {

// Region counts of the attacker X in the defender Y's half. Y's regions are Y + 0, 2, 4,
// 6, 8: left corner, right corner, centre file, left river bank, right river bank.
struct Invasion {
    uint32_t leftCorner, rightCorner, centre, leftBank, rightBank;  // Y's region masks
    int rookLeft, rookRight, rookCentre, rooksFlank;  // rooksFlank: rookLeft + rookRight
    int horseLeft, horseRight, pawnLeft, pawnRight;
    int outpost;  // weight of the pawns, horses and flank rooks in Y's corners
};

Invasion countInvasion(const Position& pos, int side) {
    const int enemy = side ^ 1;
    const uint32_t x = sideBits(side);
    Invasion in;
    in.leftCorner = pos.regionMask[enemy];
    in.rightCorner = pos.regionMask[2 + enemy];
    in.centre = pos.regionMask[4 + enemy];
    in.leftBank = pos.regionMask[6 + enemy];
    in.rightBank = pos.regionMask[8 + enemy];
    in.rookLeft = bitCount32((in.leftCorner | in.leftBank) & rookBits & x);
    in.rookRight = bitCount32((in.rightCorner | in.rightBank) & rookBits & x);
    in.rooksFlank = in.rookLeft + in.rookRight;
    in.rookCentre = bitCount32(in.centre & rookBits & x);
    in.horseLeft = bitCount32(in.leftCorner & horseBits & x);
    in.horseRight = bitCount32(in.rightCorner & horseBits & x);
    in.pawnLeft = bitCount32(in.leftCorner & pawnBits & x);
    in.pawnRight = bitCount32(in.rightCorner & pawnBits & x);
    in.outpost = 8 * (in.pawnLeft + in.pawnRight + 2 * (in.horseLeft + in.horseRight + 2 * in.rooksFlank));
    return in;
}

inline int palaceCentreOf(int side) { return side ? makeSquare(8, 4) : makeSquare(1, 4); }
inline int backRankOf(int side) { return side ? 9 : 0; }

// A central cannon pinning a screen against the king while the palace centre is open and
// one back corner is weak (empty or held by a pawn or advisor, PieceId 15 or less) with
// the other corner under attack; each enemy rook stuck on the far side of its back rank
// cannot come to help.
int centreFilePin(const Position& pos, int side, int sq) {
    const int enemy = side ^ 1;
    if (fileOf(sq) != 4 || pos.board[palaceCentreOf(enemy)] > 15) return 0;
    const int back = backRankOf(enemy);
    const int cornerLow = makeSquare(back, 3), cornerHigh = makeSquare(back, 5);
    const bool lowWeak = pos.board[cornerLow] <= 15;
    const bool highWeak = pos.board[cornerHigh] <= 15;
    if (!((lowWeak && attackedBy(pos, side, cornerHigh)) ||
          (highWeak && attackedBy(pos, side, cornerLow))))
        return 0;
    int d = 32;
    for (int pc = lastPieceId[kindRook][enemy]; pc >= firstIdOf(kindRook, enemy); pc -= 2) {
        const int rookSq = pos.pieceSquare[pc];
        if (rookSq == noSquare || rankOf(rookSq) != back) continue;
        if ((lowWeak && fileOf(rookSq) > 5) || (highWeak && fileOf(rookSq) < 3)) d += 128;
    }
    return d;
}

// One cannon's terms along its four rays.
int cannonTerms(Position& pos, int side, int sq, const Invasion& in) {
    const int enemy = side ^ 1;
    const int enemyKing = kingBlack + enemy;
    const uint32_t x = sideBits(side);
    const bool rightSide = fileOf(sq) >= 4;
    const int pawnSide = rightSide ? in.pawnRight : in.pawnLeft;
    const int horseSide = rightSide ? in.horseRight : in.horseLeft;
    const int rookSide = rightSide ? in.rookRight : in.rookLeft;
    const int enemyAdvisors = pos.pieceCount[advisorFirst + enemy];

    LineRay rays[4];
    const int mobility = lineRays(pos, sq, rays);
    int d = 0;
    for (int dir = 0; dir < 4; ++dir) {
        const LineRay& ray = rays[dir];
        if (ray.first < 0) continue;
        const bool alongFile = dir >= 2;
        const int gap = ray.empties;  // empty squares between the cannon and its screen
        const int w = pos.board[ray.first];

        // Facing the king with empty squares between: a screen dropped in gives check.
        if (w == enemyKing && gap >= 1) {
            if (alongFile) {
                d += cannonFileFacingBonus[gap] +
                     4 * (in.pawnLeft + in.pawnRight +
                          2 * (in.horseLeft + in.horseRight + 4 * in.rooksFlank));
            } else {
                // The low direction points at Y's right corner, the high one at its left.
                const uint32_t corner = (dir & 1) ? in.leftCorner : in.rightCorner;
                if (bitCount32(corner & (horseBits | cannonBits | rookBits) & x) >= 2)
                    d += cannonRankFacingBonus[fileOf(sq)] +
                         4 * (pawnSide + 2 * (enemyAdvisors + horseSide + 2 * rookSide));
            }
        }
        if (ray.second < 0) continue;
        const int v = pos.board[ray.second];  // the piece the cannon hits over its screen
        if (isOwn(v, side)) {
            d += 1;
            continue;
        }
        d += rookThreatWeight[v];
        pos.attackedMask |= 1u << (v & 31);
        if (ray.third < 0) continue;
        const int z = pos.board[ray.third];
        if (z == enemyKing) {
            if (isRook(w) && isOwn(w, side)) {
                // Rook screen: moving it away uncovers a double attack on the king.
                d += 64 + (alongFile ? in.outpost
                                     : 8 * (pawnSide + 2 * (horseSide + 2 * rookSide)));
            } else if (isRook(w)) {
                d += 16;
            } else if (isHorse(v) || isRook(v)) {
                d += 64;  // a major pinned against its king
                if (ray.second == palaceCentreOf(enemy))
                    d += cannonPinCentreBonus[gap] + in.outpost;
            } else if (in.rooksFlank > 0) {
                d += alongFile ? cannonPinFileBonus[gap] + 16 * advisorAttackLatch
                               : cannonPinRankBonus[gap];
                if (!isOwn(w, side) && (isCannon(w) || isHorse(w))) d += 16;
                if (alongFile) d += centreFilePin(pos, side, sq);
            }
        } else if (isRook(z) && isOwn(z, enemy)) {
            if (isHorse(v))
                d += 32;
            else if (isRook(w) && isOwn(w, side))
                d += 32;
            else if (isElephant(v))
                d += 8;
        }
    }
    return d + cannonMobilityBonus[mobility];
}

}  // namespace

QX_COUNTING int attackPressure(Position& pos, int side) {
    const int enemy = side ^ 1;
    const uint32_t x = sideBits(side), y = sideBits(enemy);
    const int rooks = pos.pieceCount[rookFirst + side];
    const int cannons = pos.pieceCount[cannonFirst + side];
    const int horses = pos.pieceCount[horseFirst + side];
    const int enemyAdvisors = pos.pieceCount[advisorFirst + enemy];
    const int enemyElephants = pos.pieceCount[elephantFirst + enemy];
    const int enemyKingSq = pos.pieceSquare[kingBlack + enemy];
    const Invasion in = countInvasion(pos, side);
    int d = 0;

    // Step 1: majors feed the game phase.
    phaseWeight += horses + cannons + 2 * rooks;

    // Step 2: the cannons.
    for (int pc = lastPieceId[kindCannon][side]; pc >= firstIdOf(kindCannon, side); pc -= 2)
        if (pos.pieceSquare[pc] != noSquare) d += cannonTerms(pos, side, pos.pieceSquare[pc], in);

    // Step 3: a king on its palace centre with both advisors is cramped by them.
    if (enemyKingSq == palaceCentreOf(enemy) && enemyAdvisors == 2) d += 8;

    // Step 4: attacking material, and minor pieces against the defenders that stop them.
    d += attackMaterialBonus[rooks][cannons][horses] +
         minorVsDefenderBonus[cannons][enemyElephants] + minorVsDefenderBonus[horses][enemyAdvisors];

    // Step 5: two rooks in the enemy half.
    int invasion = rookInvasionBonus[in.rookCentre + in.rooksFlank][enemyAdvisors];
    if (invasion != 0) {
        invasion += enemyElephants == 2 ? 16 * rooks * advisorAttackLatch : 64;
        d += invasion + in.outpost - 64 -
             16 * bitCount32((in.leftCorner | in.rightCorner | in.centre) & rookBits & y);
    }

    // Step 6: both cannons in one enemy corner on different files, off the rank
    // next-but-one to the river.
    const int cramped = side == sideBlack ? 6 : 3;
    for (uint32_t corner : {in.leftCorner, in.rightCorner}) {
        const uint32_t pair = corner & cannonBits & x;
        if (bitCount32(pair) != 2) continue;
        int squares[2], found = 0;
        for (int pc = cannonFirst; pc <= cannonFirst + 3; ++pc)
            if (pair & (1u << pc)) squares[found++] = pos.pieceSquare[pc];
        if (fileOf(squares[0]) == fileOf(squares[1]) || rankOf(squares[0]) == cramped ||
            rankOf(squares[1]) == cramped)
            continue;
        d += 8 * (2 * (4 * ((in.rooksFlank + 1) / 2) - bitCount32(corner & rookBits & y) +
                       bitCount32(corner & pawnBits & x)) -
                  bitCount32(corner & (horseBits | cannonBits) & y));
    }

    // Step 7: pressure on the side where the enemy king has stepped.
    if (enemyKingSq != noSquare && fileOf(enemyKingSq) != 4) {
        const bool kingRight = fileOf(enemyKingSq) > 4;
        const uint32_t corner = kingRight ? in.rightCorner : in.leftCorner;
        const uint32_t bank = kingRight ? in.rightBank : in.leftBank;
        const int ownHorses = bitCount32(corner & horseBits & x);
        if (ownHorses == 2) d += 18;
        if (bitCount32((corner | bank) & rookBits & x) > 0) {
            if (ownHorses > 0) {
                // A horse in front of the river-side palace corner with the king beside it.
                const int kingRank = enemy == sideRed ? 7 : 2;
                const int post = makeSquare(enemy == sideRed ? 6 : 3, kingRight ? 6 : 2);
                const int postPc = pos.board[post];
                if (rankOf(enemyKingSq) == kingRank && isHorse(postPc) && isOwn(postPc, side))
                    d += 142 - 16 * bitCount32((corner | in.centre) & (horseBits | cannonBits) & y) -
                         32 * bitCount32((corner | bank | in.centre) & rookBits & y);
                else
                    d += 92;
            }
            d += 32 * bitCount32(corner & pawnBits & x);
        }
    }
    return d;
}
