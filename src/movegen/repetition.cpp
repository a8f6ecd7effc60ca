// Piece-list compaction and the repetition verdicts (perpetual check, chase, draw).
#include <initializer_list>

#include "board/makemove.h"
#include "board/tables.h"
#include "movegen/movegen.h"

namespace {

constexpr int kindSize[kindCount] = {5, 2, 2, 2, 2, 2};

// A decided repetition scores like a mate found 100 plies further away.
constexpr int repetitionWin = 1948;

bool isRookOrCannon(int pc) { return pc >= cannonFirst && pc < kingBlack; }

}  // namespace

void compactPieceList(Position& pos) {
    for (int side : {sideRed, sideBlack}) {
        for (int kind = kindPawn; kind < kindCount; ++kind) {
            const int first = firstIdOf(kind, side);
            const int last  = first + 2 * (kindSize[kind] - 1);
            int bound = first - 2;
            for (int pc = first; pc <= last; pc += 2) {
                int sq = pos.pieceSquare[pc];
                if (sq == noSquare)
                    continue;
                bound += 2;
                pos.pieceSquare[bound] = uint8_t(sq);
                pos.board[sq] = uint8_t(bound);
            }
            for (int pc = bound + 2; pc <= last; pc += 2)
                pos.pieceSquare[pc] = noSquare;
            lastPieceId[kind][side] = bound;
        }
    }
}

int isChase(Position& pos, int chaser, int target) {
    if (!onBoard(chaser) || !onBoard(target))
        return 0;
    const int pc = pos.board[chaser];
    if (pc >= horseFirst && pc < cannonFirst) {
        int leg = horseLegByDelta(chaser - target);
        if (leg == 0 || pos.board[target + leg] != 0)
            return 0;
    } else if (isRookOrCannon(pc)) {
        const bool isCannon = pc < rookFirst;
        if (rankOf(chaser) == rankOf(target)) {
            const SlideMasks& m = rankMaskOf(fileOf(target), pos.bitRanks[rankOf(target)]);
            if (!((isCannon ? m.cannonCaptureMask : m.rookCaptureMask) & squareRankBit[chaser]))
                return 0;
        } else if (fileOf(chaser) == fileOf(target)) {
            const SlideMasks& m = fileMaskOf(rankOf(target), pos.bitFiles[fileOf(target)]);
            if (!((isCannon ? m.cannonCaptureMask : m.rookCaptureMask) & squareFileBit[chaser]))
                return 0;
        } else {
            return 0;
        }
    } else {
        return 0;
    }
    // A rook (or a king) counts as chased even when protected.
    if (pos.board[target] < rookFirst) {
        int attacked = pos.sideToMove == sideRed ? attackedByRed(pos, target) : attackedByBlack(pos, target);
        if (attacked != 0)
            return 0;
    }
    return 1;
}

namespace {

// The chase rule, for a cycle in which neither side checked on every move.
int chaseVerdict(Position& pos) {
    const int n = pos.historyLength;
    const MoveRecord& theirs = pos.history[n - 1];
    const MoveRecord& ours   = pos.history[n - 2];
    const int m = theirs.moved, l = ours.moved;
    const int draw = 2 * pos.sideToMove - 1;
    auto defensive = [](int pc) { return (pc >= advisorFirst && pc < horseFirst) || pc >= kingBlack; };
    if (defensive(m) || defensive(l) || m / 4 == l / 4)
        return draw;
    if (!isChase(pos, moveTo(ours.move), moveTo(theirs.move)))
        return draw;
    // Taking the two moves back writes two records above the stack's top.
    if (n + 2 > historyCapacity)
        return draw;
    // Two plies earlier, did their piece chase ours? Take the two moves back to see.
    const Move undoTheirs = packMove(moveTo(theirs.move), moveFrom(theirs.move));
    const Move undoOurs   = packMove(moveTo(ours.move), moveFrom(ours.move));
    const int  chaser = moveTo(pos.history[n - 3].move), target = moveTo(pos.history[n - 4].move);
    makeMoveLight(pos, undoTheirs, false);
    makeMoveLight(pos, undoOurs, false);
    const int chasedBefore = isChase(pos, chaser, target);
    unmakeMoveLight(pos);
    unmakeMoveLight(pos);
    if (!chasedBefore)
        return draw;
    // The other side chased with every move and closed the cycle: it loses, whatever
    // its colour.
    return repetitionWin - pos.ply;
}

// The verdict on a cycle that began with record `first`: a side that checked with every
// one of its moves in it loses, else the chase rule decides. Kept apart from the scan, which
// usually finds no cycle and so needs none of this.
__attribute__((noinline)) int cycleVerdict(Position& pos, int first) {
    const int n = pos.historyLength;
    bool ownChecks = true, oppChecks = true;
    for (int i = first; i < n; ++i) {
        if (pos.history[i].checkCode == 0) {
            if ((n - 1 - i) % 2 == 0)
                oppChecks = false;
            else
                ownChecks = false;
        }
    }
    if (ownChecks)
        return pos.ply - repetitionWin;
    if (oppChecks)
        return repetitionWin - pos.ply;
    return chaseVerdict(pos);
}

}  // namespace

int detectRepetition(Position& pos, int count) {
    const int n = pos.historyLength;
    // The chase rule reads the last four records; a shorter history holds no cycle anyway.
    if (n <= 4 || n > historyCapacity)
        return 0;
    const uint32_t hashLow = pos.hashLow, hashHigh = pos.hashHigh;
    int matches = 0;
    for (int i = n - 1; i >= 0; --i) {
        const MoveRecord& rec = pos.history[i];
        if (rec.captured != 0)
            return 0;
        // A pawn advance (and a null move, recorded as 0) cannot be undone.
        if (rec.moved <= 11 && fileOf(moveFrom(rec.move)) == fileOf(moveTo(rec.move)))
            return 0;
        if (rec.hashLow == hashLow && rec.hashHigh == hashHigh && ++matches == count)
            return cycleVerdict(pos, i);
    }
    return 0;
}
