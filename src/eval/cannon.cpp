// Cannon play (facing the king, pins and batteries through a screen, mobility) and the
// attacking material a side has brought into the enemy half.
#include "eval/terms.h"
#include "eval/weights.h"

namespace {

// The attacker X's view of the defender Y's half. Y's regions are Y + 0, 2, 4, 6, 8: left
// corner, right corner, centre file, left river bank, right river bank. Most terms need the
// counts of X's pieces in them only in rare cases, so they are counted on demand, and the
// masks are read where they are used rather than held in registers across the cannons.
struct Invasion {
    uint32_t x;               // X's side bits
    const uint32_t* regions;  // Y's first region; its others follow at steps of two

    QX_INLINE uint32_t leftCorner() const { return regions[0]; }
    QX_INLINE uint32_t rightCorner() const { return regions[2]; }
    QX_INLINE uint32_t centre() const { return regions[4]; }
    QX_INLINE uint32_t leftBank() const { return regions[6]; }
    QX_INLINE uint32_t rightBank() const { return regions[8]; }

    QX_INLINE int count(uint32_t masks, uint32_t kinds) const { return bitCount32(masks & kinds & x); }
    QX_INLINE int pawns(uint32_t masks) const { return count(masks, pawnBits); }
    QX_INLINE int horses(uint32_t masks) const { return count(masks, horseBits); }
    // Rooks on a wing: its corner and river bank together.
    QX_INLINE int rookLeft() const { return count(leftCorner() | leftBank(), rookBits); }
    QX_INLINE int rookRight() const { return count(rightCorner() | rightBank(), rookBits); }
    QX_INLINE int rooksFlank() const {
        return count(leftCorner() | leftBank() | rightCorner() | rightBank(), rookBits);
    }
    // Weight of the pawns, horses and flank rooks in Y's corners.
    QX_INLINE int outpost() const {
        const uint32_t corners = leftCorner() | rightCorner();
        return 8 * (pawns(corners) + 2 * (horses(corners) + 2 * rooksFlank()));
    }
};

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

// One cannon of the given side and the pieces it meets along its lines.
template <int side>
struct Cannon {
    Position& pos;
    const Invasion& in;
    int sq;

    // The wing (by the cannon's file) whose counts the rank terms use.
    QX_INLINE bool rightSide() const { return fileOf(sq) >= 4; }
    QX_INLINE int pawnSide() const { return in.pawns(rightSide() ? in.rightCorner() : in.leftCorner()); }
    QX_INLINE int horseSide() const { return in.horses(rightSide() ? in.rightCorner() : in.leftCorner()); }
    QX_INLINE int rookSide() const { return rightSide() ? in.rookRight() : in.rookLeft(); }

    // One ray: dir 0 rank low, 1 rank high, 2 file low, 3 file high ("low" towards file 0
    // or rank 0). bits holds the occupied coordinates beyond the cannon, at coordinate p, in
    // that direction; base + coordinate * step is the square. The nearest occupied
    // coordinate is the lowest bit going up, the highest going down.
    template <int dir>
    QX_INLINE int ray(uint32_t bits, int p, int base) {
        constexpr bool alongFile = dir >= 2, up = dir & 1;
        constexpr int step = alongFile ? 16 : 1;
        if (!bits) return 0;
        auto next = [&bits] {
            const int at = up ? __builtin_ctz(bits) : 31 - __builtin_clz(bits);
            bits &= up ? bits - 1 : ~(1u << at);
            return at;
        };
        const int enemy = side ^ 1;
        const int enemyKing = kingBlack + enemy;
        const int screenAt = next();
        // The empty squares before the screen, worked out only in the rare cases that use them.
        const auto gap = [screenAt, p] { return up ? screenAt - p - 1 : p - screenAt - 1; };
        const int w = pos.board[base + screenAt * step];
        int d = 0;

        // Facing the king with empty squares between: a screen dropped in gives check.
        if (w == enemyKing && gap() >= 1) {
            if (alongFile) {
                const uint32_t corners = in.leftCorner() | in.rightCorner();
                d += cannonFileFacingBonus[gap()] +
                     4 * (in.pawns(corners) + 2 * (in.horses(corners) + 4 * in.rooksFlank()));
            } else {
                // The low direction points at Y's right corner, the high one at its left.
                const uint32_t corner = up ? in.leftCorner() : in.rightCorner();
                if (in.count(corner, horseBits | cannonBits | rookBits) >= 2) {
                    const int enemyAdvisors = pos.pieceCount[advisorFirst + enemy];
                    d += cannonRankFacingBonus[fileOf(sq)] +
                         4 * (pawnSide() + 2 * (enemyAdvisors + horseSide() + 2 * rookSide()));
                }
            }
        }
        if (!bits) return d;
        const int target = base + next() * step;
        const int v = pos.board[target];  // the piece the cannon hits over its screen
        if (isOwn(v, side)) return d + 1;
        d += rookThreatWeight[v];
        pos.attackedMask |= 1u << (v & 31);
        if (!bits) return d;
        const int z = pos.board[base + next() * step];
        if (z == enemyKing) {
            if (isRook(w) && isOwn(w, side)) {
                // Rook screen: moving it away uncovers a double attack on the king.
                d += 64 + (alongFile ? in.outpost()
                                     : 8 * (pawnSide() + 2 * (horseSide() + 2 * rookSide())));
            } else if (isRook(w)) {
                d += 16;
            } else if (isHorse(v) || isRook(v)) {
                d += 64;  // a major pinned against its king
                if (target == palaceCentreOf(enemy)) d += cannonPinCentreBonus[gap()] + in.outpost();
            } else if (in.rooksFlank() > 0) {
                d += alongFile ? cannonPinFileBonus[gap()] + 16 * advisorAttackLatch
                               : cannonPinRankBonus[gap()];
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
        return d;
    }

    // The four rays from the line occupancy bits, and the mobility: the empty squares up
    // to the nearest piece or the edge on each. A sentinel bit stands for the edge: one past
    // the high end, and bit 0 after shifting the low side up by one; then each line's count
    // no longer depends on where the cannon stands on it.
    QX_INLINE int terms() {
        const int rank = rankOf(sq), file = fileOf(sq);
        const uint32_t onRank = pos.bitRanks[rank], onFile = pos.bitFiles[file];
        const uint32_t rankLow = onRank & ((1u << file) - 1), rankHigh = onRank & (~1u << file);
        const uint32_t fileLow = onFile & ((1u << rank) - 1), fileHigh = onFile & (~1u << rank);
        const int mobility = __builtin_clz(rankLow << 1 | 1) + __builtin_ctz(rankHigh | 1u << 9) +
                             __builtin_clz(fileLow << 1 | 1) + __builtin_ctz(fileHigh | 1u << 10) - 64;
        return ray<0>(rankLow, file, rank * 16) + ray<1>(rankHigh, file, rank * 16) +
               ray<2>(fileLow, rank, file) + ray<3>(fileHigh, rank, file) + cannonMobilityBonus[mobility];
    }
};

// The body for one side: with the sides fixed, the masks and indices are constants.
template <int side>
QX_INLINE int pressureBy(Position& pos) {
    constexpr int enemy = side ^ 1;
    constexpr uint32_t x = sideMaskOf[side], y = sideMaskOf[enemy];
    const Invasion in{x, pos.regionMask + enemy};
    int d = 0;

    // Step 2 runs first: the cannons only add to attackedMask, so the counts below are
    // read after them and need not be held across their loop. The cannons on the board go
    // by their presence bits (their order does not matter: the terms are summed and the
    // attacked pieces OR-ed).
    for (uint32_t present = pos.presenceMask & cannonBits & x; present; present &= present - 1)
        d += Cannon<side>{pos, in, pos.pieceSquare[__builtin_ctz(present)]}.terms();

    const int rooks = pos.pieceCount[rookFirst + side];
    const int cannons = pos.pieceCount[cannonFirst + side];
    const int horses = pos.pieceCount[horseFirst + side];
    const int enemyAdvisors = pos.pieceCount[advisorFirst + enemy];
    const int enemyElephants = pos.pieceCount[elephantFirst + enemy];
    const int enemyKingSq = pos.pieceSquare[kingBlack + enemy];

    // Step 1: majors feed the game phase.
    phaseWeight += horses + cannons + 2 * rooks;

    // Step 3: a king on its palace centre with both advisors is cramped by them.
    if (enemyKingSq == palaceCentreOf(enemy) && enemyAdvisors == 2) d += 8;

    // Step 4: attacking material, and minor pieces against the defenders that stop them.
    d += attackMaterialBonus[rooks][cannons][horses] +
         minorVsDefenderBonus[cannons][enemyElephants] + minorVsDefenderBonus[horses][enemyAdvisors];

    // Step 5: two rooks in the enemy half (its five regions together).
    const uint32_t half = in.leftCorner() | in.rightCorner() | in.centre() | in.leftBank() | in.rightBank();
    int invasion = rookInvasionBonus[in.count(half, rookBits)][enemyAdvisors];
    if (invasion != 0) {
        invasion += enemyElephants == 2 ? 16 * rooks * advisorAttackLatch : 64;
        d += invasion + in.outpost() - 64 -
             16 * bitCount32((in.leftCorner() | in.rightCorner() | in.centre()) & rookBits & y);
    }

    // Step 6: both cannons in one enemy corner on different files, off the rank
    // next-but-one to the river. A side has two cannon ids, so "both" is the whole set, and
    // only one corner can hold it.
    constexpr int cramped = side == sideBlack ? 6 : 3;
    constexpr uint32_t ownCannons = cannonBits & x;
    const uint32_t leftCorner = in.leftCorner();
    const uint32_t pairCorner = (leftCorner & ownCannons) == ownCannons ? leftCorner : in.rightCorner();
    if ((pairCorner & ownCannons) == ownCannons) {
        const int first = pos.pieceSquare[cannonFirst + side];
        const int second = pos.pieceSquare[cannonFirst + 2 + side];
        if (fileOf(first) != fileOf(second) && rankOf(first) != cramped && rankOf(second) != cramped)
            d += 8 * (2 * (4 * ((in.rooksFlank() + 1) / 2) - bitCount32(pairCorner & rookBits & y) +
                           in.pawns(pairCorner)) -
                      bitCount32(pairCorner & (horseBits | cannonBits) & y));
    }

    // Step 7: pressure on the side where the enemy king has stepped.
    if (enemyKingSq != noSquare && fileOf(enemyKingSq) != 4) {
        const bool kingRight = fileOf(enemyKingSq) > 4;
        const uint32_t corner = kingRight ? in.rightCorner() : in.leftCorner();
        const uint32_t bank = kingRight ? in.rightBank() : in.leftBank();
        const int ownHorses = in.horses(corner);
        if (ownHorses == 2) d += 18;
        if ((corner | bank) & rookBits & x) {
            if (ownHorses > 0) {
                // A horse in front of the river-side palace corner with the king beside it.
                const int kingRank = enemy == sideRed ? 7 : 2;
                const int post = makeSquare(enemy == sideRed ? 6 : 3, kingRight ? 6 : 2);
                const int postPc = pos.board[post];
                if (rankOf(enemyKingSq) == kingRank && isHorse(postPc) && isOwn(postPc, side))
                    d += 142 - 16 * bitCount32((corner | in.centre()) & (horseBits | cannonBits) & y) -
                         32 * bitCount32((corner | bank | in.centre()) & rookBits & y);
                else
                    d += 92;
            }
            d += 32 * in.pawns(corner);
        }
    }
    return d;
}

}  // namespace

QX_COUNTING int attackPressure(Position& pos, int side) {
    return side == sideRed ? pressureBy<sideRed>(pos) : pressureBy<sideBlack>(pos);
}
