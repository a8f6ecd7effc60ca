// Piece activity: mobility, mutual protection and threats of rooks, horses, elephants,
// advisors and pawns. Cannons are scored with the attacking material (cannon.cpp).
#include "eval/terms.h"
#include "eval/weights.h"

namespace {

inline int palaceCentreOf(int side) { return side ? makeSquare(8, 4) : makeSquare(1, 4); }

// What a horse target's content means to a horse of one side, by PieceId.
struct HorseView {
    uint32_t preyBit;   // 1 << id for an enemy piece, else 0
    uint16_t counts;    // the own-piece score (4 for an own horse, 1 for another own piece)
                        // plus 1 << 8 for a move (onto an empty square or an enemy piece)
    uint8_t  prey;      // the id of an enemy piece (a minorThreatWeight index), else 0
    uint8_t  doubtful;  // 1 for a move onto an empty square or an enemy minor piece
};

// The target lists of the board tables, repacked one byte a target into a single word per
// square, so that a loop reads one word and shifts it instead of reading a byte and testing
// for the terminator at every step. The lists keep their first zero byte as the end (the
// bytes past it are dropped), and the steps' companion squares (horse legs, elephant eyes)
// are packed alongside in the same byte positions. Copied once from the board tables on
// first use, so that every quirk of theirs (a piece set up where it could never stand reads
// the same bytes as before) carries over.
struct ActivityTables {
    HorseView horseView[2][pieceIdCount];
    uint64_t horseTo[boardSize];     // horse targets + 1
    uint64_t horseLeg[boardSize];
    uint64_t defenderTo[boardSize];  // advisor/elephant destinations (never square 0)
    uint64_t elephantEye[boardSize];
    uint32_t pawnTo[boardSize][2];   // pawn targets + 1, by side
    uint8_t  horseEdge[boardSize];   // the edge step a trapping rook stands on; else the square
};

// The square one step in from the board's edge that a rook can use to trap the horse.
int edgeStepOf(int sq) {
    if (rankOf(sq) == 0) return sq + 16;
    if (rankOf(sq) == 9) return sq - 16;
    if (fileOf(sq) == 0) return sq + 1;
    if (fileOf(sq) == 8) return sq - 1;
    return -1;
}

ActivityTables activityTables;
bool activityTablesBuilt = false;

// Fills activityTables from the board tables. Before those are built (a horse on b0 has no
// targets yet) the copy is taken again at every call, as the loops read the empty tables.
void buildActivityTables() {
    ActivityTables& t = activityTables;
    t = ActivityTables{};
    for (int side = sideBlack; side <= sideRed; ++side)
        for (int v = 0; v < pieceIdCount; ++v) {
            HorseView& c = t.horseView[side][v];
            const bool own = isOwn(v, side), prey = v != 0 && !own;
            c.preyBit = prey ? 1u << (v & 31) : 0;
            c.counts = uint16_t(own ? (isHorse(v) ? 4 : 1) : 1 << 8);
            c.prey = uint8_t(prey ? v : 0);
            c.doubtful = !own && v < horseFirst;
        }
    for (int sq = 0; sq < boardSize; ++sq) {
        for (int j = 0; j < 8 && horseMoves[sq][j] != 0; ++j) {
            t.horseTo[sq] |= uint64_t(horseMoves[sq][j]) << 8 * j;
            t.horseLeg[sq] |= uint64_t(horseLegs[sq][j]) << 8 * j;
        }
        const int edge = edgeStepOf(sq);
        t.horseEdge[sq] = uint8_t(edge >= 0 ? edge : sq);
        for (int j = 9; j < 16 && horseMoves[sq][j] != 0; ++j) {
            t.defenderTo[sq] |= uint64_t(horseMoves[sq][j]) << 8 * (j - 9);
            t.elephantEye[sq] |= uint64_t((sq + horseMoves[sq][j]) / 2) << 8 * (j - 9);
        }
        for (int side = sideBlack; side <= sideRed; ++side)
            for (int j = 0; j < 4 && pawnKingMoves[sq][side][j] != 0; ++j)
                t.pawnTo[sq][side] |= uint32_t(pawnKingMoves[sq][side][j]) << 8 * j;
    }
    activityTablesBuilt = horseMoves[makeSquare(0, 1)][0] != 0;
}

// What the rook meets one way: first is the nearest piece's square, second the next one's;
// a missing square is the rook's own (as the slide tables give it). back is the nearest
// square the other way along a file, or -1 on a rank.
template <int side>
inline int rookRay(const Position& pos, int sq, int first, int second, int back) {
    if (first == sq)
        return 0;
    const int enemy = side ^ 1;
    const int b = pos.board[first];
    // With no second piece this reads the rook itself, which none of the tests below takes.
    const int behind = pos.board[second];
    if (isOwn(b, side)) {
        if (isRook(b))
            return 3;
        // An own horse or cannon screening the enemy king: a discovered attack waits.
        return (isHorse(b) || isCannon(b)) && behind == kingBlack + enemy ? 33 : 1;
    }
    // Threats do not mark attackedMask: the rook's own pressure is counted here only.
    int d = rookThreatWeight[b];
    if (isHorse(b) || isCannon(b)) {
        if (isRook(behind) && isOwn(behind, enemy) && !attackedBy(pos, enemy, second))
            d += 32;  // pinned against an undefended rook
        else if (behind == kingBlack + enemy)
            d += first == palaceCentreOf(enemy) ? 96 : 16;  // pinned against the king
    } else if (isAdvisor(b) || isElephant(b)) {
        advisorAttackLatch = 1;
        // The defender pinned between the rook and the rook's own king on one file.
        if (endgameMode && back >= 0 && pos.board[back] == kingBlack + side)
            d += 8;
    }
    return d;
}

template <int side>
int rookActivity(const Position& pos, int sq) {
    const int rank = rankOf(sq), file = fileOf(sq);
    // One slide-table entry per line holds the nearest and second pieces both ways and the
    // empty squares before them. Rank targets are files, file targets ranks times 16.
    const SlideTargets& r = rankTargetOf(file, pos.bitRanks[rank]);
    const SlideTargets& f = fileTargetOf(rank, pos.bitFiles[file]);
    const int rankBase = sq - file;
    const int fileLow = f.rookTargetLow + file, fileHigh = f.rookTargetHigh + file;
    int d = rookMobilityBonus[r.emptyCountLow + r.emptyCountHigh + f.emptyCountLow +
                              f.emptyCountHigh];
    d += rookRay<side>(pos, sq, rankBase + r.rookTargetLow, rankBase + r.cannonTargetLow, -1);
    d += rookRay<side>(pos, sq, rankBase + r.rookTargetHigh, rankBase + r.cannonTargetHigh, -1);
    d += rookRay<side>(pos, sq, fileLow, f.cannonTargetLow + file, fileHigh);
    d += rookRay<side>(pos, sq, fileHigh, f.cannonTargetHigh + file, fileLow);
    return d;
}

template <int side>
int horseActivity(const Position& pos, int sq, const ActivityTables& t,
                  uint32_t& threatened) {
    const int enemy = side ^ 1;
    int d = 0;
    uint32_t counts = 0;    // HorseView::counts summed
    uint64_t doubtful = 0;  // squares + 1, a byte each
    // What a free target holds is told by a table rather than branches: the squares'
    // contents do not follow a pattern the processor could learn (a blocked leg does well
    // enough, and skipping those targets saves most of the work on a crowded board).
    for (uint64_t to1 = t.horseTo[sq], leg = t.horseLeg[sq]; to1; to1 >>= 8, leg >>= 8) {
        if (pos.board[leg & 0xFF] != 0)
            continue;  // a blocked leg: no move, no threat
        const int toPlus1 = int(to1 & 0xFF);
        const HorseView& c = t.horseView[side][pos.board[toPlus1 - 1]];
        counts += c.counts;
        d += minorThreatWeight[c.prey];  // entry 0 is 0 in both weight sets
        threatened |= c.preyBit;
        // In the enemy half a square the enemy covers is no real move (unless the horse
        // takes a major piece there). Those squares are tested after the loop, which then
        // makes no call and keeps its values in registers.
        const bool inEnemyHalf = enemy == sideRed ? toPlus1 > 80 : toPlus1 <= 80;  // rank 5: 80..
        if (c.doubtful && inEnemyHalf)
            doubtful = doubtful << 8 | (to1 & 0xFF);
    }
    d += counts & 0xFF;  // eight targets score 32 at most
    int safeMoves = int(counts >> 8);
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
int elephantActivity(const Position& pos, int sq, const ActivityTables& t,
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
int advisorActivity(const Position& pos, int sq, const ActivityTables& t,
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
int pawnActivity(const Position& pos, int sq, const ActivityTables& t,
                 uint32_t& threatened) {
    const int riverRank = side ? 5 : 4;  // the rank of the own half next to the river
    int d = 0;
    for (uint32_t to1 = t.pawnTo[sq][side]; to1; to1 >>= 8) {
        const int to = int(to1 & 0xFF) - 1;
        const int v = pos.board[to];
        if (v == 0) continue;
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
int activityOf(Position& pos, const ActivityTables& tables) {
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
    if (__builtin_expect(!activityTablesBuilt, 0))
        buildActivityTables();
    return side == sideRed ? activityOf<sideRed>(pos, activityTables)
                           : activityOf<sideBlack>(pos, activityTables);
}
