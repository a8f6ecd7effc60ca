#pragma once
// The opening book "QXBOOK.DAT" beside the executable.
#include "board/position.h"

// The placement a probe reads: for each PieceId, -1 when off the board, else the square as
// rank * 9 + file. Taken after the piece list has been compacted.
void bookPlacement(const Position& pos, int placement[34]);

// A book move for the placement, as from * 128 + to in rank * 9 + file indexes (both at
// most 89), or 0.
int probeBook(const int placement[34]);
