// Placeholder until the position record's operations are built.
#include "board/position.h"

void placeStartBoard(Position&) {}

// Placeholder until the board's own definitions land (the protocol loop resets it).
int endgameMode = 0;
