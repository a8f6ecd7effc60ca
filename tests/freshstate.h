#pragma once
// The endgame switch changes process-wide values for good (exchange values, weights,
// piece-square set, search margins). Tests that depend on them start from the values a
// fresh engine has, whatever tests ran before in the same process.
#include <array>
#include <cstring>

#include "board/fen.h"
#include "board/tables.h"
#include "eval/weights.h"
#include "search/context.h"

// Taken before main, so before any test can have run the switch.
inline const std::array<int, 46> freshExchangeValues = [] {
    std::array<int, 46> values;
    std::memcpy(values.data(), exchangeValue, sizeof exchangeValue);
    return values;
}();

inline void restoreFreshEngineState() {
    initBitCounts();
    initBoardTables((1u << 25) - 1);  // the middle-game piece-square set again
    std::memcpy(exchangeValue, freshExchangeValues.data(), sizeof exchangeValue);
    resetEvalWeights();
    endgameMode   = 0;
    futilityUnit  = 23;
    qsDeltaMargin = 34;
    timeBudgetMs  = 61439;
}
