#pragma once
// FEN set-up, and the exchange values it shares with the game phase.
#include "board/position.h"

inline constexpr const char* startFen =
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1";

// Exchange values by PieceId, and by PieceId + 34 for a pawn across the river;
// black negative, red positive. The endgame values raise the pawn entries.
extern int exchangeValue[46];

// Sets the position up from a FEN text (board field, then side). On a bad board field keeps
// what was read, red to move, and returns false. The caller runs the game-phase switch and
// clears the search's stop flag.
bool setupFromFen(Position& pos, const char* fen);
