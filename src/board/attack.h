#pragma once
// Check detection and attacker classes: what the legal make asks of every move, so it sits
// with the position rather than with the generators.
#include "board/position.h"

// Check codes: 0 none, 1 file, 2/3 rank from the left/right, 4..7 horse by quadrant,
// 8 pawn, 17..19 a rook and a cannon on one line (checkCode only).
int inCheck(const Position& pos, int side);
int checkCode(const Position& pos, int side);
// Attacker classes: 0 none, 1 rook, 2 cannon, 3 horse, 4 pawn, 5 elephant/advisor/king.
int attackedByRed(const Position& pos, int sq);
int attackedByBlack(const Position& pos, int sq);
