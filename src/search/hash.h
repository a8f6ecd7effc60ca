#pragma once
// The transposition table and the evaluation cache: allocated at the handshake and on
// "setoption hashsize", kept across searches and games.
#include <cstdint>
#include "board/position.h"

struct SearchContext;

// 8 bytes: the lock (the top 26 bits of the key) with the aged depth above it, the best or
// refuting move, and score * 4 + bound code.
struct HashItem {
    uint32_t lockDepth;   // bits 0..25 lock, bits 26..31 (depth + age) modulo 64
    Move     move;
    int16_t  scoreBound;
};
static_assert(sizeof(HashItem) == 8, "HashItem must stay 8 bytes");

// Bound codes as stored in the low two bits of scoreBound; 2 is never stored.
enum HashBound : int { boundUpper = 0, boundExact = 1, boundLower = 3 };

inline int itemScore(const HashItem& item) { return item.scoreBound >> 2; }
inline int itemBound(const HashItem& item) { return item.scoreBound & 3; }
inline int itemAgedDepth(const HashItem& item) { return int(item.lockDepth >> 26); }

// 6 bytes per cached evaluation: the key's high half (in two halves, to stay 6 bytes) and
// the score from the side to move's view.
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

// No cut-off from a probe; also the value a stopped search returns.
inline constexpr int noCutScore = 2049;

// Stores a result of the node at the position's ply (see the rules in hash.cpp).
void hashStore(const SearchContext& ctx, int depth, HashBound bound, int score, Move move);
// The position's item, or null.
const HashItem* hashProbeItem(const SearchContext& ctx);
inline Move hashProbeMove(const SearchContext& ctx) {
    const HashItem* item = hashProbeItem(ctx);
    return item ? item->move : 0;
}
// A score that settles a zero-window node of this depth against beta, or noCutScore.
// item receives the position's item (null when none), whose move is the hash move.
int hashProbeCut(const SearchContext& ctx, int depth, int beta, bool nullAllowed,
                 const HashItem*& item);
// The same for the quiescence search, whose items have depth 0; move receives the hash move.
int hashProbeQS(const SearchContext& ctx, int beta, Move& move);

// The static evaluation through the cache.
int evalCached(SearchContext& ctx);

// The principal variation from the table: firstMove, then the stored move of each position
// it leads to, while the move is valid and no position repeats; at most maxPvLength moves,
// then a 0. The position is left as it was.
inline constexpr int maxPvLength = 256;
void walkPV(SearchContext& ctx, Move firstMove, Move pvList[maxPvLength + 1]);

// Zeroes both tables (a new game); costs nothing when no search ran since the last clearing.
void clearHashTables();
extern bool hashTablesUsed;  // set by every search

// Allocates and zero-fills both tables for a 2^n-byte transposition table (n 24..30).
// Returns the n actually obtained (smaller when memory is short), 0 on total failure;
// evalCacheMissing, when given, tells whether the failure was the evaluation cache's.
int  allocateHashTables(int log2Bytes, bool* evalCacheMissing = nullptr);
void freeHashTables();

// Starts loading a line while the search does other work. Written out for GCC on x86:
// GCC 12 drops a __builtin_prefetch here under some options and inlinings (the -O2 build
// lost them all), and the probes then wait for memory.
inline void prefetchLine(const void* address) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#else
    __builtin_prefetch(address);
#endif
}

// Starts loading a position's bucket (both lines when it spans two) and evaluation-cache
// entry, by the low half of its key: both are read at random in large tables, far from the
// cache.
inline void prefetchTables(uint32_t keyLow) {
    prefetchLine(&hshItems[keyLow & hshMask]);
    prefetchLine(&hshItems[(keyLow + 3) & hshMask]);
    prefetchLine(&evalCache[keyLow & evalCacheMask]);
}
