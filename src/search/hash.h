#pragma once
// The transposition table and the evaluation cache: allocated at the handshake and on
// "setoption hashsize", kept across searches and games.
#include <cstdint>
#include "board/types.h"

// 8 bytes. Placeholder layout until the search uses the table.
struct HashItem {
    uint32_t lockDepth;
    Move     move;
    int16_t  scoreBound;
};
static_assert(sizeof(HashItem) == 8, "HashItem must stay 8 bytes");

// 6 bytes per cached evaluation.
struct EvalCacheItem {
    uint16_t lockLow;
    uint16_t lockHigh;
    int16_t  score;
};
static_assert(sizeof(EvalCacheItem) == 6, "EvalCacheItem must stay 6 bytes");

inline constexpr int evalCacheSize = 1 << 19;

extern HashItem*      hshItems;   // 2^(n-3) items
extern uint32_t       hshMask;    // item count - 1
extern EvalCacheItem* evalCache;  // evalCacheSize items
extern uint32_t       evalCacheMask;

// Allocates and zero-fills both tables for a 2^n-byte transposition table (n 24..30).
// Returns the n actually obtained (smaller when memory is short), 0 on total failure.
int  allocateHashTables(int log2Bytes);
void freeHashTables();
