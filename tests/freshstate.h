#pragma once
// The game phase selects process-wide values (exchange values, weights, piece-square set,
// search margins) that outlive a test. Tests that depend on them start from the values a
// fresh engine has, whatever tests ran before in the same process.
#include "board/fen.h"
#include "board/tables.h"
#include "eval/phase.h"
#include "search/context.h"

inline void restoreFreshEngineState() {
    initBitCounts();
    initBoardTables((1u << 25) - 1);
    resetGamePhase();
    timeBudgetMs = 61439;
}
