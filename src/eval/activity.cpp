// Piece activity: mobility, mutual protection and threats of rooks, horses, elephants,
// advisors and pawns. Cannons are scored with the attacking material (cannon.cpp).
#include "eval/terms.h"
#include "eval/weights.h"

namespace {

inline int palaceCentreOf(int side) { return side ? makeSquare(8, 4) : makeSquare(1, 4); }
inline void markAttacked(Position& pos, int pc) { pos.attackedMask |= 1u << (pc & 31); }

int rookActivity(const Position& pos, int side, int sq) {
    const int enemy = side ^ 1;
    LineRay rays[4];
    const int mobility = lineRays<false>(pos, sq, rays);
    int d = 0;
    for (int dir = 0; dir < 4; ++dir) {
        const LineRay& ray = rays[dir];
        if (ray.first < 0) continue;
        const int b = pos.board[ray.first];
        const int behind = ray.second >= 0 ? pos.board[ray.second] : 0;
        if (isOwn(b, side)) {
            d += 1;
            if (isRook(b))
                d += 2;
            // An own horse or cannon screening the enemy king: a discovered attack waits.
            else if ((isHorse(b) || isCannon(b)) && behind == kingBlack + enemy)
                d += 32;
            continue;
        }
        // Threats do not mark attackedMask: the rook's own pressure is counted here only.
        d += rookThreatWeight[b];
        if (isHorse(b) || isCannon(b)) {
            if (ray.second < 0) continue;
            if (isRook(behind) && isOwn(behind, enemy) && !attackedBy(pos, enemy, ray.second))
                d += 32;  // pinned against an undefended rook
            else if (behind == kingBlack + enemy)
                d += ray.first == palaceCentreOf(enemy) ? 96 : 16;  // pinned against the king
        } else if (isAdvisor(b) || isElephant(b)) {
            advisorAttackLatch = 1;
            // The defender pinned between the rook and the rook's own king on one file.
            if (endgameMode && dir >= 2) {
                const LineRay& back = rays[dir ^ 1];
                if (back.first >= 0 && pos.board[back.first] == kingBlack + side) d += 8;
            }
        }
    }
    return d + rookMobilityBonus[mobility];
}

// The square one step in from the board's edge that a rook can use to trap the horse.
int edgeStepOf(int sq) {
    if (rankOf(sq) == 0) return sq + 16;
    if (rankOf(sq) == 9) return sq - 16;
    if (fileOf(sq) == 0) return sq + 1;
    if (fileOf(sq) == 8) return sq - 1;
    return -1;
}

int horseActivity(Position& pos, int side, int sq) {
    const int enemy = side ^ 1;
    int d = 0, safeMoves = 0;
    uint32_t threatened = 0;
    // What a target holds is told by masks rather than branches: the squares' contents do not
    // follow a pattern the processor could learn.
    for (int j = 0; j < 8 && horseMoves[sq][j] != 0; ++j) {
        const int to = horseMoves[sq][j] - 1;
        const int v = pos.board[to];
        const bool free = pos.board[horseLegs[sq][j]] == 0;
        const bool own = isOwn(v, side);
        const bool prey = free & (v != 0) & !own;
        d += free & own ? (isHorse(v) ? 4 : 1) : 0;
        d += prey ? minorThreatWeight[v] : 0;
        threatened |= uint32_t(prey) << (v & 31);
        // In the enemy half a square the enemy covers is no real move (unless the horse
        // takes a major piece there).
        const bool move = free & !own;
        if (move & inHalfOf(to, enemy) & (v < horseFirst) && attackedBy(pos, enemy, to))
            continue;
        safeMoves += move;
    }
    pos.attackedMask |= threatened;
    d += horseMobilityBonus[safeMoves];
    const int edge = edgeStepOf(sq);
    if (edge >= 0 && isRook(pos.board[edge]) && isOwn(pos.board[edge], enemy)) {
        const int defence = attackedBy(pos, side, sq);
        d -= defence >= 4 ? 8 : defence >= 1 ? 16 : 32;
    }
    return d;
}

int elephantActivity(Position& pos, int side, int sq) {
    int d = 0;
    for (int j = 9; j < 16 && horseMoves[sq][j] != 0; ++j) {
        const int to = horseMoves[sq][j];
        const int v = pos.board[to];
        if (v == 0 || pos.board[(sq + to) / 2] != 0) continue;
        if (!isOwn(v, side)) {
            d += 20;
            markAttacked(pos, v);
        } else if (isElephant(v)) {
            d += 2;
        }
    }
    return d;
}

int advisorActivity(Position& pos, int side, int sq) {
    int d = 0;
    for (int j = 9; j < 16 && horseMoves[sq][j] != 0; ++j) {
        const int v = pos.board[horseMoves[sq][j]];
        if (v == 0) continue;
        if (!isOwn(v, side)) {
            d += 20;
            markAttacked(pos, v);
        } else {
            d += 1;
        }
    }
    return d;
}

int pawnActivity(Position& pos, int side, int sq) {
    const int riverRank = side ? 5 : 4;  // the rank of the own half next to the river
    int d = 0;
    // A pawn list holds at most three targets; four bytes bound a misplaced pawn's read.
    for (int j = 0; j < 4 && pawnKingMoves[sq][side][j] != 0; ++j) {
        const int to = pawnKingMoves[sq][side][j] - 1;
        const int v = pos.board[to];
        if (v == 0) continue;
        if (isOwn(v, side)) {
            d += isPawn(v) ? pawnLinkBonus[fileOf(to)] : 1;
        } else if (isPawn(v) && rankOf(to) == riverRank) {
            d += 80;  // pawns meeting at the river: ours holds the enemy pawn up
        } else {
            d += minorThreatWeight[v];
            markAttacked(pos, v);
        }
    }
    return d;
}

}  // namespace

int pieceActivity(Position& pos, int side) {
    int d = 0;
    for (int pc = lastPieceId[kindRook][side]; pc >= firstIdOf(kindRook, side); pc -= 2)
        if (pos.pieceSquare[pc] != noSquare) d += rookActivity(pos, side, pos.pieceSquare[pc]);
    for (int pc = lastPieceId[kindHorse][side]; pc >= firstIdOf(kindHorse, side); pc -= 2)
        if (pos.pieceSquare[pc] != noSquare) d += horseActivity(pos, side, pos.pieceSquare[pc]);
    for (int pc = lastPieceId[kindElephant][side]; pc >= firstIdOf(kindElephant, side); pc -= 2)
        if (pos.pieceSquare[pc] != noSquare) d += elephantActivity(pos, side, pos.pieceSquare[pc]);
    for (int pc = lastPieceId[kindAdvisor][side]; pc >= firstIdOf(kindAdvisor, side); pc -= 2)
        if (pos.pieceSquare[pc] != noSquare) d += advisorActivity(pos, side, pos.pieceSquare[pc]);
    for (int pc = lastPieceId[kindPawn][side]; pc >= firstIdOf(kindPawn, side); pc -= 2)
        if (pos.pieceSquare[pc] != noSquare) d += pawnActivity(pos, side, pos.pieceSquare[pc]);
    return d;
}
