// Piece activity: mobility, mutual protection and threats of rooks, horses, elephants,
// advisors and pawns. Cannons are scored with the attacking material (cannon.cpp).
#include "eval/terms.h"
#include "eval/weights.h"

namespace {

inline int palaceCentreOf(int side) { return side ? makeSquare(8, 4) : makeSquare(1, 4); }

// What a horse target's content adds to the sum of a horse of one side, by PieceId: an enemy
// piece's bit (1 << (id & 31): the kings take bits 0 and 1, which no other piece has), the
// own-piece score at bit 32 (4 for an own horse, 1 for another own piece) and 1 << 40 for a
// move (onto an empty square or an enemy piece). The targets of one horse hold distinct
// pieces, so the sum of their bits is their union.
inline constexpr int horseOwnShift = 32, horseMoveShift = 40;

// That sum's term, and whether a move there is doubtful (onto an empty square or an enemy
// minor), for a horse of each side, by PieceId.
struct HorseView {
    uint64_t sum[2][pieceIdCount];
    uint8_t  doubtful[2][pieceIdCount];
};
constexpr HorseView buildHorseView() {
    HorseView view{};
    for (int side = sideBlack; side <= sideRed; ++side)
        for (int v = 0; v < pieceIdCount; ++v) {
            const bool own = v != 0 && (v & 1) == side, prey = v != 0 && !own;
            const bool horse = v >= horseFirst && v < cannonFirst;
            view.sum[side][v] = own ? uint64_t(horse ? 4 : 1) << horseOwnShift
                                    : (prey ? 1u << (v & 31) : 0) | uint64_t(1) << horseMoveShift;
            view.doubtful[side][v] = !own && v < horseFirst;
        }
    return view;
}
inline constexpr HorseView horseView = buildHorseView();

// What the rook meets one way: first is the nearest piece's square, second the next one's;
// a missing square is the rook's own (as the slide tables give it). back is the nearest
// square the other way along a file, or -1 on a rank. Squares are unsigned, so that they
// index the board without sign extension; the piece behind is read only where a test needs
// it (reading it up front kept it and its square on the stack for the rare cases).
template <int side>
QX_INLINE int rookRay(const Position& pos, unsigned sq, unsigned first, unsigned second, int back) {
    if (first == sq)
        return 0;
    constexpr unsigned enemy = side ^ 1, enemyKing = kingBlack + enemy;
    // A piece stands there (the slide table found it), so its colour bit alone tells an own one.
    const unsigned b = pos.board[first];
    if ((b & 1) == side) {
        if (isRook(b))
            return 3;
        // An own horse or cannon screening the enemy king: a discovered attack waits. With
        // no second piece this reads the rook itself, which is no king.
        return (isHorse(b) || isCannon(b)) && pos.board[second] == enemyKing ? 33 : 1;
    }
    // Threats do not mark attackedMask: the rook's own pressure is counted here only.
    int d = rookThreatWeight[b];
    if (isHorse(b) || isCannon(b)) {
        const unsigned behind = pos.board[second];
        if (isRook(behind) && isOwn(behind, enemy) && !attackedBy(pos, enemy, second))
            d += 32;  // pinned against an undefended rook
        else if (behind == enemyKing)
            d += first == unsigned(palaceCentreOf(enemy)) ? 96 : 16;  // pinned against the king
    } else if (isAdvisor(b) || isElephant(b)) {
        advisorAttackLatch = 1;
        // The defender pinned between the rook and the rook's own king on one file.
        if (endgameMode && back >= 0 && pos.board[back] == kingBlack + side)
            d += 8;
    }
    return d;
}

template <int side>
int rookActivity(const Position& pos, unsigned sq) {
    const unsigned rank = rankOf(sq), file = fileOf(sq);
    // One slide-table entry per line holds the nearest and second pieces both ways and the
    // empty squares before them. Rank targets are files, file targets ranks times 16.
    // (Indexed here with unsigned values: the int helpers cost a sign extension each.)
    const SlideTargets& r = rankTargets[file * 512 + pos.bitRanks[rank]];
    const SlideTargets& f = fileTargets[rank * 1024 + pos.bitFiles[file]];
    const unsigned rankBase = sq - file;
    const unsigned fileLow = f.rookTargetLow + file, fileHigh = f.rookTargetHigh + file;
    int d = rookMobilityBonus[r.emptyCountLow + r.emptyCountHigh + f.emptyCountLow +
                              f.emptyCountHigh];
    d += rookRay<side>(pos, sq, rankBase + r.rookTargetLow, rankBase + r.cannonTargetLow, -1);
    d += rookRay<side>(pos, sq, rankBase + r.rookTargetHigh, rankBase + r.cannonTargetHigh, -1);
    d += rookRay<side>(pos, sq, fileLow, f.cannonTargetLow + file, int(fileHigh));
    d += rookRay<side>(pos, sq, fileHigh, f.cannonTargetHigh + file, int(fileLow));
    return d;
}

// The sum of horseSum over the free targets of a horse of one side. Only a horse that can
// reach the enemy half (far) has doubtful targets to note, squares + 1 a byte each: in the
// enemy half a square the enemy covers is no real move (unless the horse takes a major piece
// there). They are tested after the loop, which then makes no call and keeps its values in
// registers. What a free target holds is told by a table rather than branches: the squares'
// contents do not follow a pattern the processor could learn (a blocked leg does well
// enough, and skipping those targets saves most of the work on a crowded board).
template <int side, bool far>
QX_INLINE uint64_t horseTargets(const Position& pos, int sq, const PackedTargets& t,
                                uint64_t& doubtful) {
    uint64_t sum = 0;
    // Targets + 1 are taken as addresses, so that the - 1 folds into the board read.
    const auto visit = [&](uint64_t toPlus1) {
        const int v = pos.board[toPlus1 - 1];
        sum += horseView.sum[side][v];
        const bool inEnemyHalf = side == sideBlack ? toPlus1 > 80 : toPlus1 <= 80;  // rank 5: 80..
        if (far && horseView.doubtful[side][v] && inEnemyHalf)
            doubtful = doubtful << 8 | uint64_t(toPlus1);
    };
    // One leg frees or blocks two targets: it is read once for both.
    uint32_t legs = t.horseLeg[sq];
    for (uint64_t to = t.horseTo[sq]; to; to >>= 16, legs >>= 8) {
        if (pos.board[legs & 0xFF] != 0)
            continue;  // a blocked leg: no move, no threat
        visit(to & 0xFF);
        if (to & 0xFF00)
            visit(to >> 8 & 0xFF);
    }
    return sum;
}

template <int side>
int horseActivity(const Position& pos, int sq, const PackedTargets& t,
                  uint32_t& threatened) {
    const int enemy = side ^ 1;
    uint64_t doubtful = 0;
    const uint64_t sum = t.horseFar[side][sq] ? horseTargets<side, true>(pos, sq, t, doubtful)
                                              : horseTargets<side, false>(pos, sq, t, doubtful);
    const uint32_t prey = uint32_t(sum);
    threatened |= prey;
    int d = int(sum >> horseOwnShift & 0xFF);  // eight targets score 32 at most
    for (uint32_t m = prey; m; m &= m - 1) {
        const int bit = __builtin_ctz(m);
        d += minorThreatWeight[bit < 2 ? kingBlack + bit : bit];
    }
    int safeMoves = int(sum >> horseMoveShift);
    for (; doubtful; doubtful >>= 8)
        safeMoves -= attackedBy(pos, enemy, int(doubtful & 0xFF) - 1) != 0;
    d += horseMobilityBonus[safeMoves];
    // The edge entry is the horse's own square when it stands off the edge: no enemy rook.
    const int e = pos.board[t.horseEdge[sq]];
    if (isRook(e) && isOwn(e, enemy)) {
        const int defence = attackedBy(pos, side, sq);
        d -= defence >= 4 ? 8 : defence >= 1 ? 16 : 32;
    }
    return d;
}

template <int side>
int elephantActivity(const Position& pos, int sq, const PackedTargets& t,
                     uint32_t& threatened) {
    int d = 0;
    for (uint64_t to = t.defenderTo[sq], eye = t.elephantEye[sq]; to; to >>= 8, eye >>= 8) {
        const int v = pos.board[to & 0xFF];
        if (v == 0 || pos.board[eye & 0xFF] != 0) continue;
        if (!isOwn(v, side)) {
            d += 20;
            threatened |= 1u << (v & 31);
        } else if (isElephant(v)) {
            d += 2;
        }
    }
    return d;
}

template <int side>
int advisorActivity(const Position& pos, int sq, const PackedTargets& t,
                    uint32_t& threatened) {
    int d = 0;
    for (uint64_t to = t.defenderTo[sq]; to; to >>= 8) {
        const int v = pos.board[to & 0xFF];
        if (v == 0) continue;
        if (!isOwn(v, side)) {
            d += 20;
            threatened |= 1u << (v & 31);
        } else {
            d += 1;
        }
    }
    return d;
}

template <int side>
int pawnActivity(const Position& pos, int sq, const PackedTargets& t,
                 uint32_t& threatened) {
    const int riverRank = side ? 5 : 4;  // the rank of the own half next to the river
    int d = 0;
    for (uint32_t to1 = t.pawnTo[sq][side]; to1; to1 >>= 8) {
        // The target + 1 as an address, so that the - 1 folds into the read; the square
        // itself is worked out only for a piece there (most targets are empty).
        const uint64_t toPlus1 = to1 & 0xFF;
        const int v = pos.board[toPlus1 - 1];
        if (v == 0) continue;
        const int to = int(toPlus1) - 1;
        if (isOwn(v, side)) {
            d += isPawn(v) ? pawnLinkBonus[fileOf(to)] : 1;
        } else if (isPawn(v) && rankOf(to) == riverRank) {
            d += 80;  // pawns meeting at the river: ours holds the enemy pawn up
        } else {
            d += minorThreatWeight[v];
            threatened |= 1u << (v & 31);
        }
    }
    return d;
}

template <int side>
int activityOf(Position& pos, const PackedTargets& tables) {
    // The side's pieces by their presence bits (exact for the pieces on the board); the
    // terms are only summed and OR-ed, so the order of the visits does not matter.
    const uint32_t own = pos.presenceMask & sideBits(side);
    uint32_t threatened = 0;
    int d = 0;
    for (uint32_t m = own & rookBits; m; m &= m - 1)
        d += rookActivity<side>(pos, pos.pieceSquare[__builtin_ctz(m)]);
    for (uint32_t m = own & horseBits; m; m &= m - 1)
        d += horseActivity<side>(pos, pos.pieceSquare[__builtin_ctz(m)], tables, threatened);
    for (uint32_t m = own & elephantBits; m; m &= m - 1)
        d += elephantActivity<side>(pos, pos.pieceSquare[__builtin_ctz(m)], tables, threatened);
    for (uint32_t m = own & advisorBits; m; m &= m - 1)
        d += advisorActivity<side>(pos, pos.pieceSquare[__builtin_ctz(m)], tables, threatened);
    for (uint32_t m = own & pawnBits; m; m &= m - 1)
        d += pawnActivity<side>(pos, pos.pieceSquare[__builtin_ctz(m)], tables, threatened);
    pos.attackedMask |= threatened;
    return d;
}

}  // namespace

int pieceActivity(Position& pos, int side) {
    return side == sideRed ? activityOf<sideRed>(pos, packedTargets)
                           : activityOf<sideBlack>(pos, packedTargets);
}
