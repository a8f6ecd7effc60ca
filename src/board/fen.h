#pragma once
// FEN set-up and the endgame switch.
#include "board/position.h"

inline constexpr const char* startFen =
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1";

// Exchange values by PieceId, and by PieceId + 34 for a pawn across the river;
// black negative, red positive. The endgame switch raises the pawn entries.
extern int exchangeValue[46];

// Sets the position up from a FEN text (board field, then side). Prints
// "Fen String Error!" on a bad board field and keeps what was read, red to move.
// Runs endgameSwitch while endgameMode is 0. The caller clears the search's stop flag.
void setupFromFen(Position& pos, const char* fen);

// Switches the process into endgame mode when material has thinned out (once per game).
void endgameSwitch(Position& pos);
