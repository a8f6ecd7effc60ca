#pragma once
// FEN set-up and the endgame switch.
#include "board/position.h"

inline constexpr const char* startFen =
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1";

// Exchange values by PieceId, and by PieceId + 34 for a pawn across the river;
// black negative, red positive. The endgame values raise the pawn entries.
extern int exchangeValue[46];

// Everything the game phase changes (piece-square set, exchange values, evaluation
// weights and tempo, search margins) is selected as a whole: the normal values, or the
// endgame values derived from them (with wider margins when no rook is left). Selecting
// a set again changes nothing.
void selectGameValues(bool endgame, bool withoutRooks);
extern bool endgameValuesSelected;

// A new game: the normal values, endgameMode 0, and the endgame not yet reported.
void resetGamePhase();

// Sets the position up from a FEN text (board field, then side). Prints
// "Fen String Error!" on a bad board field and keeps what was read, red to move.
// Runs endgameSwitch while endgameMode is 0. The caller clears the search's stop flag.
void setupFromFen(Position& pos, const char* fen);

// While endgameMode is 0: selects the endgame values and sets endgameMode when material
// has thinned out. The first switch of a game prints "info endgame reached" and adds an
// eighth to the time budget; a later one in the same game only selects.
void endgameSwitch(Position& pos);
