#pragma once
// Walks shared by the generators: the one pass over a side's pieces that yields its
// captures (with ordering values) and, when asked, the quiet moves of pawns, advisors,
// elephants, horses and the king (defined in captures.cpp for both sides); and the rook and
// cannon capture targets and quiet runs.
#include "board/position.h"
#include "board/tables.h"

// Capture value: victim first, then the cheapest attacker (pawn 2, advisor 3, elephant 4,
// horse 5, rook or cannon its own PieceId, king 32).
inline int captureValue(int victim, int attackerCode) { return 64 * victim - attackerCode; }

// Piece of the other side than `side` (0 is empty, never an enemy).
inline bool isEnemyOf(int side, int pc) { return pc && ((pc ^ side) & 1); }

template <int side, bool withQuiets>
int captureWalk(const Position& pos, MoveSlot* caps, MoveSlot* quiets, int& quietCount);

// The capture squares of a rook or cannon on `from`, in generation order: rank low, rank
// high, file low, file high. A square equal to `from` means nothing stands that way.
inline void sliderTargets(const Position& pos, int from, bool rook, int targets[4]) {
    const int r = rankOf(from), f = fileOf(from);
    const SlideTargets& rt = rankTargetOf(f, pos.bitRanks[r]);
    const SlideTargets& ft = fileTargetOf(r, pos.bitFiles[f]);
    const int rowStart = from - f;
    targets[0] = rowStart + (rook ? rt.rookTargetLow : rt.cannonTargetLow);
    targets[1] = rowStart + (rook ? rt.rookTargetHigh : rt.cannonTargetHigh);
    targets[2] = f + (rook ? ft.rookTargetLow : ft.cannonTargetLow);
    targets[3] = f + (rook ? ft.rookTargetHigh : ft.cannonTargetHigh);
}

// Calls emit(to) for every empty square a rook or cannon on `from` can slide to. Each run
// is walked from its far end towards the piece: rank low side, rank high side, then the
// file likewise; the ends come from one lookup per line, with no test per square.
template <class Emit>
inline void walkSliderQuiets(const Position& pos, int from, Emit&& emit) {
    const int r = rankOf(from), f = fileOf(from);
    const SlideTargets& rt = rankTargetOf(f, pos.bitRanks[r]);
    const int rowStart = from - f;
    for (int to = rowStart + rt.farEmptyLow; to < from; ++to)
        emit(to);
    for (int to = rowStart + rt.farEmptyHigh; to > from; --to)
        emit(to);
    const SlideTargets& ft = fileTargetOf(r, pos.bitFiles[f]);
    for (int to = ft.farEmptyLow + f; to < from; to += 16)
        emit(to);
    for (int to = ft.farEmptyHigh + f; to > from; to -= 16)
        emit(to);
}
