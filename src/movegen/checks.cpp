// Checking moves for the quiescence search, found from the enemy king outwards instead of
// by generating every move and testing it. Some checks are missed; none is a non-check.
#include <initializer_list>

#include "board/tables.h"
#include "movegen/movegen.h"
#include "movegen/history.h"

namespace {

struct CheckList {
    MoveSlot* out;
    int count;
    void add(const Position& pos, int from, int to) {
        out[count++] = makeSlot(packMove(from, to), historyScore(pieceTypeOf[pos.board[from]], to));
    }
};

bool isKindOf(int pc, int kind, int side) {
    const int end = kind == kindRook ? kingBlack : kindFirstId[kind + 1];
    return pc >= kindFirstId[kind] && pc < end && sideOf(pc) == side;
}

// Horse moves off a line on which the horse screens a check; targets from which the horse
// would itself attack the king are left to the direct horse checks.
void screenHorseMoves(const Position& pos, int from, int king, CheckList& list) {
    for (int j = 0; horseMoves[from][j] != 0; ++j) {
        int to = horseMoves[from][j] - 1;
        if (pos.board[horseLegs[from][j]] == 0 && pos.board[to] == 0 && horseLegByDelta(to - king) == 0)
            list.add(pos, from, to);
    }
}

// Quiet moves of a rook along its rank or (alongFile) its file:
// from the far low end towards the rook, then from the far high end.
void rookLineMoves(const Position& pos, int from, bool alongFile, CheckList& list) {
    const int rank = rankOf(from), file = fileOf(from);
    if (alongFile) {
        const SlideTargets& t = fileTargetOf(rank, pos.bitFiles[file]);
        for (int r16 = t.farEmptyLow; r16 < rank * 16; r16 += 16)
            list.add(pos, from, r16 + file);
        for (int r16 = t.farEmptyHigh; r16 > rank * 16; r16 -= 16)
            list.add(pos, from, r16 + file);
    } else {
        const SlideTargets& t = rankTargetOf(file, pos.bitRanks[rank]);
        for (int f = t.farEmptyLow; f < file; ++f)
            list.add(pos, from, rank * 16 + f);
        for (int f = t.farEmptyHigh; f > file; --f)
            list.add(pos, from, rank * 16 + f);
    }
}

}  // namespace

int generateQuietChecks(Position& pos, MoveSlot* out) {
    const int side = pos.sideToMove;
    const int king = pos.pieceSquare[kingRed - side];
    if (king == noSquare)
        return 0;
    const int kr = rankOf(king), kf = fileOf(king);
    CheckList list{out, 0};

    // 1. Discovered checks: an own piece that screens an own rook or cannon steps aside.
    for (int onFile = 0; onFile < 2; ++onFile) {
        const SlideTargets& t = onFile ? fileTargetOf(kr, pos.bitFiles[kf]) : rankTargetOf(kf, pos.bitRanks[kr]);
        // A missing piece reads as the king's own coordinate, so it names the king's square.
        auto square = [&](int coord) { return onFile ? coord + kf : kr * 16 + coord; };
        for (int high = 0; high < 2; ++high) {
            const int first  = square(high ? t.rookTargetHigh : t.rookTargetLow);
            const int second = square(high ? t.cannonTargetHigh : t.cannonTargetLow);
            const int third  = square(high ? t.thirdTargetHigh : t.thirdTargetLow);
            if (isKindOf(pos.board[second], kindRook, side)) {
                const int screen = pos.board[first];
                if (isKindOf(screen, kindCannon, side) && !onFile) {
                    // The cannon jumps the king to take the first piece beyond it.
                    const int beyond = square(high ? t.rookTargetLow : t.rookTargetHigh);
                    const int victim = pos.board[beyond];
                    if (beyond != king && victim != 0 && sideOf(victim) != side)
                        list.add(pos, first, beyond);
                } else if (isKindOf(screen, kindHorse, side)) {
                    screenHorseMoves(pos, first, king, list);
                }
            }
            if (isKindOf(pos.board[third], kindCannon, side)) {
                // The second piece is one screen too many for the cannon.
                const int middle = pos.board[second];
                if (isKindOf(middle, kindRook, side))
                    rookLineMoves(pos, second, !onFile, list);
                else if (isKindOf(middle, kindHorse, side))
                    screenHorseMoves(pos, second, king, list);
            }
        }
    }

    // 2. Direct checks by rooks and cannons sliding onto the king's file or rank. The
    // attack is tested on the line's occupancy with the piece placed on its destination.
    for (int pc = lastPieceId[kindRook][side]; pc >= cannonFirst + side; pc -= 2) {
        const int sq = pos.pieceSquare[pc];
        if (sq == noSquare)
            continue;
        const int r = rankOf(sq), f = fileOf(sq);
        if (r == kr || f == kf)
            continue;
        const bool isCannon = pc < rookFirst;
        const SlideTargets& alongRank = rankTargetOf(f, pos.bitRanks[r]);
        if (kf < f ? alongRank.farEmptyLow <= kf : alongRank.farEmptyHigh >= kf) {
            const int to = r * 16 + kf;
            const uint16_t savedOwn = pos.bitFiles[f], savedKing = pos.bitFiles[kf];
            pos.bitFiles[f] ^= squareFileBit[sq];
            pos.bitFiles[kf] |= squareFileBit[to];
            const SlideMasks& m = fileMaskOf(kr, pos.bitFiles[kf]);
            if ((isCannon ? m.cannonCaptureMask : m.rookCaptureMask) & squareFileBit[to])
                list.add(pos, sq, to);
            pos.bitFiles[f]  = savedOwn;
            pos.bitFiles[kf] = savedKing;
        }
        const SlideTargets& alongFile = fileTargetOf(r, pos.bitFiles[f]);
        if (kr < r ? alongFile.farEmptyLow <= kr * 16 : alongFile.farEmptyHigh >= kr * 16) {
            const int to = kr * 16 + f;
            const uint16_t savedOwn = pos.bitRanks[r], savedKing = pos.bitRanks[kr];
            pos.bitRanks[r] ^= squareRankBit[sq];
            pos.bitRanks[kr] |= squareRankBit[to];
            const SlideMasks& m = rankMaskOf(kf, pos.bitRanks[kr]);
            if ((isCannon ? m.cannonCaptureMask : m.rookCaptureMask) & squareRankBit[to])
                list.add(pos, sq, to);
            pos.bitRanks[r]  = savedOwn;
            pos.bitRanks[kr] = savedKing;
        }
    }

    // The horse and pawn tables only know kings inside their own palace.
    const int kingClass = homeKingClass(king, side ^ 1);
    if (kingClass < 0)
        return list.count;

    // 3. Direct checks by horses.
    for (int pc = lastPieceId[kindHorse][side]; pc >= horseFirst + side; pc -= 2) {
        const int sq = pos.pieceSquare[pc];
        if (sq == noSquare)
            continue;
        for (int slot = 0; slot < 2; ++slot) {
            const int to = horseCheckSquares[sq][kingClass][slot];
            if (to != 0 && pos.board[to + horseLegByDelta(sq - to)] == 0 && pos.board[to] == 0 &&
                pos.board[king + horseLegByDelta(to - king)] == 0)
                list.add(pos, sq, to);
        }
    }

    // 4. Direct checks by pawns, only once a pawn has reached the enemy's back area.
    const uint32_t pawnBits = side == sideRed ? 0xAA8 : 0x554;
    const int back = side == sideRed ? 0 : 1;
    if (((pos.regionMask[back] | pos.regionMask[back + 2] | pos.regionMask[back + 4]) & pawnBits) == 0)
        return list.count;
    const int forward = side == sideRed ? -16 : 16;
    const int targets[3] = {king - forward, king - 1, king + 1};
    for (int to : targets) {
        if (pos.board[to] != 0)
            continue;
        if (isKindOf(pos.board[to - forward], kindPawn, side))
            list.add(pos, to - forward, to);
        for (int from : {to + 1, to - 1})
            if (from != king && isKindOf(pos.board[from], kindPawn, side))
                list.add(pos, from, to);
    }
    return list.count;
}
