#pragma once
// Move generators, validity, exchanges, compaction and repetition.
// Generators write MoveSlots into the caller's array and return the count; moves are
// pseudo-legal, and the make operation refuses those that leave the king attacked.
#include "board/attack.h"
#include "board/position.h"

int generateCapturesBlack(const Position& pos, MoveSlot* out);
int generateCapturesRed(const Position& pos, MoveSlot* out);
// Captures (with values) into caps, short-range quiet moves into quiets.
int generateMoves(const Position& pos, MoveSlot* caps, MoveSlot* quiets, int& quietCount);
int generateSliderQuiets(const Position& pos, MoveSlot* out, int historyFlag);
// Every pseudo-legal move of the side to move as a node takes them: the two evasion lists
// when in check (code is its check code), otherwise captures, short-range quiets and slider
// quiets, in that order.
int generateAllMoves(const Position& pos, int code, MoveSlot* out);
int generateEvasionsA(const Position& pos, MoveSlot* out, int code);
int generateEvasionsB(const Position& pos, MoveSlot* out, int code);
// Evasion zones: [check code & 15, minus 1][kingSquareClass][rank], bit (15 - file) per
// square; squareZoneBit[sq] is that bit (0x8000 >> file).
extern const uint16_t (&evasionZone)[8][18][16];
extern const uint16_t (&squareZoneBit)[squareCount];

int isValidMove(Move mv, const Position& pos);
int leastValuableAttacker(const Position& pos, int sq);
int staticExchange(Position& pos, int from, int to);

void compactPieceList(Position& pos);
int  detectRepetition(Position& pos, int count);
int  isChase(Position& pos, int chaser, int target);

int generateQuietChecks(Position& pos, MoveSlot* out);
