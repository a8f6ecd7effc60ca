#pragma once
// The game phase: the normal values or the endgame values, selected as a whole.
#include "board/position.h"

// Everything the game phase changes (piece-square set, exchange values, evaluation
// weights and tempo, search margins) is selected as a whole: the normal values, or the
// endgame values derived from them (with wider margins when no rook is left). Selecting
// a set again changes nothing.
void selectGameValues(bool endgame, bool withoutRooks);
extern bool endgameValuesSelected;

// The search's margins of the phase in use, wider in an endgame without rooks.
extern int futilityUnit;
extern int qsDeltaMargin;

// A new game: the normal values, endgameMode 0, and the endgame not yet reported.
void resetGamePhase();

// While endgameMode is 0: selects the endgame values and sets endgameMode when material
// has thinned out. True only for the first switch of a game, which the front end hears of
// and which earns the search extra time; a later one in the same game only selects.
bool endgameSwitch(Position& pos);
