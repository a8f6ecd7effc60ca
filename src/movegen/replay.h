#pragma once
// Playing the moves of a "position" command on the set-up position.
#include "board/position.h"

// Records kept free for the search that follows a replay: the deepest path (64 plies,
// extensions and the quiescence search) plus the light makes of repetition checks,
// exchange evaluation and the principal-variation walk.
inline constexpr int searchHistoryReserve = 160;

// The Move of a four-character UCCI text such as "h2e2"; 0 when any character is outside
// "a".."i" (files) or "0".."9" (ranks).
Move parseMoveText(const char* text4);

// Plays one game move with the full make (no legality test, as a front end's moves are
// taken as given). Refuses, returning false and leaving the position untouched, a move that
// is not a pseudo-legal move of the side to move or that would capture a king. Keeps the
// history stack bounded: when fewer than searchHistoryReserve records would remain free,
// the oldest records are dropped, first those the repetition test can no longer reach.
bool playGameMove(Position& pos, Move mv);
