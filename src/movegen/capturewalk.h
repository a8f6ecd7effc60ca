#pragma once
// The one pass over a side's pieces that yields its captures (with ordering values) and,
// when asked, the quiet moves of pawns, advisors, elephants, horses and the king. Shared by
// the capture generators and generateMoves; defined in captures.cpp for both sides.
#include "board/position.h"

// Capture value: victim first, then the cheapest attacker (pawn 2, advisor 3, elephant 4,
// horse 5, rook or cannon its own PieceId, king 32).
inline int captureValue(int victim, int attackerCode) { return 64 * victim - attackerCode; }

// Piece of the other side than `side` (0 is empty, never an enemy).
inline bool isEnemyOf(int side, int pc) { return pc && ((pc ^ side) & 1); }

template <int side, bool withQuiets>
int captureWalk(const Position& pos, MoveSlot* caps, MoveSlot* quiets, int& quietCount);
