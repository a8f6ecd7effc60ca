#pragma once
// Every change of the position during play and search goes through these operations.
#include "board/position.h"

// Full make: returns the captured PieceId (0 if none), or -1 when checkLegal is set and
// the move leaves the mover's king attacked (the position is then untouched).
int  makeMove(Position& pos, Move mv, bool checkLegal);
void unmakeMove(Position& pos);
// Light make: board, masks, hash and history only.
int  makeMoveLight(Position& pos, Move mv, bool checkLegal);
void unmakeMoveLight(Position& pos);
void makeNullMove(Position& pos);
// The make's legality test alone: true when mv does not leave the mover's king attacked.
// The position is the same before and after.
bool moveKeepsKingSafe(Position& pos, Move mv);
void unmakeNullMove(Position& pos);
