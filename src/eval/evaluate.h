#pragma once
#include "board/position.h"

// Static score of the position for the side to move (positive: side to move is better).
int evaluate(Position& pos);
