#include "search/hash.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <cstring>

#include "board/makemove.h"
#include "eval/evaluate.h"
#include "movegen/movegen.h"
#include "platform/platform.h"
#include "search/context.h"

HashItem*      hshItems      = nullptr;
uint32_t       hshMask       = 0;
EvalCacheItem* evalCache     = nullptr;
uint32_t       evalCacheMask = 0;

// Set by every search, cleared by clearHashTables: a new game after a fresh start need not
// touch (and so commit) a table that was never written.
bool hashTablesUsed = false;

inline constexpr int minHashLog2  = 24;  // 16 MB: the smallest table ever asked for
inline constexpr std::size_t cacheLine = 64;

// The cache lines of both tables written since they were last zeroed, a bit each: the
// transposition table's lines first, then the evaluation cache's. A new game (and so every
// bench position) zeroes only those: a short search writes a small part of a large table.
// Without the map (no memory for it), the tables are zeroed whole.
static uint64_t*   writtenLines  = nullptr;
static std::size_t hashLineCount = 0;  // lines of the transposition table
static std::size_t lineWordCount = 0;  // words of the map

inline void markWritten(std::size_t line) {
    if (writtenLines)
        writtenLines[line >> 6] |= uint64_t(1) << (line & 63);
}

int allocateHashTables(int log2Bytes, bool* evalCacheMissing) {
    evalCache = static_cast<EvalCacheItem*>(allocateTable(uint64_t(evalCacheSize) * sizeof(EvalCacheItem)));
    if (evalCacheMissing)
        *evalCacheMissing = !evalCache;
    if (!evalCache)
        return 0;
    evalCacheMask = evalCacheSize - 1;

    // Short of memory, settle for the largest power of two that can be had, down to 16 MB.
    int obtained = log2Bytes;
    for (; obtained >= minHashLog2; --obtained) {
        hshItems = static_cast<HashItem*>(allocateTable(uint64_t(1) << obtained));
        if (hshItems)
            break;
    }
    if (!hshItems) {
        freeHashTables();
        return 0;
    }
    hshMask = uint32_t((std::size_t(1) << obtained) / sizeof(HashItem) - 1);
    hashLineCount = (std::size_t(1) << obtained) / cacheLine;
    lineWordCount = (hashLineCount + std::size_t(evalCacheSize) * sizeof(EvalCacheItem) / cacheLine + 63) / 64;
    writtenLines = static_cast<uint64_t*>(std::calloc(lineWordCount, sizeof(uint64_t)));
    return obtained;
}

void freeHashTables() {
    freeTable(hshItems, hshItems ? (uint64_t(hshMask) + 1) * sizeof(HashItem) : 0);
    freeTable(evalCache, uint64_t(evalCacheSize) * sizeof(EvalCacheItem));
    std::free(writtenLines);
    writtenLines   = nullptr;
    hashLineCount  = 0;
    lineWordCount  = 0;
    hshItems       = nullptr;
    evalCache      = nullptr;
    hshMask        = 0;
    evalCacheMask  = 0;
}

void clearHashTables() {
    if (!hashTablesUsed)
        return;
    hashTablesUsed = false;
    if (!writtenLines || !hshItems || !evalCache) {
        if (hshItems)
            std::memset(static_cast<void*>(hshItems), 0, (std::size_t(hshMask) + 1) * sizeof(HashItem));
        if (evalCache)
            std::memset(static_cast<void*>(evalCache), 0, std::size_t(evalCacheSize) * sizeof(EvalCacheItem));
        return;
    }
    // The transposition table's line count is a multiple of 64: no word spans both tables.
    for (std::size_t word = 0; word < lineWordCount; ++word) {
        uint64_t bits = writtenLines[word];
        if (!bits)
            continue;
        writtenLines[word] = 0;
        const std::size_t first = word * 64;
        char* const base = first < hashLineCount
                               ? reinterpret_cast<char*>(hshItems) + first * cacheLine
                               : reinterpret_cast<char*>(evalCache) + (first - hashLineCount) * cacheLine;
        if (bits == ~uint64_t(0)) {
            std::memset(base, 0, 64 * cacheLine);
            continue;
        }
        for (; bits; bits &= bits - 1)
            std::memset(base + std::size_t(__builtin_ctzll(bits)) * cacheLine, 0, cacheLine);
    }
}

// ---- Probing and storing ----------------------------------------------------------

namespace {

inline constexpr int decisiveLimit = 1848;  // above: a mate score, stored relative to the node
inline constexpr int verdictLimit  = 1948;  // 1849..1948: repetition verdicts, path-dependent

inline uint32_t lockOf(const Position& pos) { return pos.hashHigh >> 6; }
inline int tableAge() { return searchCount & 31; }

// The four items of the position's bucket, wrapping at the end of the array.
inline HashItem& bucketItem(const Position& pos, int i) {
    return hshItems[(pos.hashLow + uint32_t(i)) & hshMask];
}

inline HashItem* findItem(const Position& pos) {
    const uint32_t lock = lockOf(pos);
    for (int i = 0; i < 4; ++i) {
        HashItem& item = bucketItem(pos, i);
        if ((item.lockDepth & 0x3FFFFFF) == lock)
            return &item;
    }
    return nullptr;
}

// A plain repetition scores +1 with red and -1 with black to move: a move-less item of
// that score may be no more than that path's draw, and neither stores nor cuts.
inline bool drawLike(int score, int ply) {
    return (score == 1 && (ply & 1)) || (score == -1 && !(ply & 1));
}

}  // namespace

const HashItem* hashProbeItem(const SearchContext& ctx) { return findItem(ctx.position); }

void hashStore(const SearchContext& ctx, int depth, HashBound bound, int score, Move move) {
    const Position& pos = ctx.position;
    if (score > 2048)
        return;
    // Mate scores are stored as distances from this node; a verdict of the path is not
    // stored without a move to go with it.
    if (score > decisiveLimit) {
        if (move == 0 && score <= verdictLimit)
            return;
        score += pos.ply;
    } else if (score < -decisiveLimit) {
        if (move == 0 && score >= -verdictLimit)
            return;
        score -= pos.ply;
    } else if (move == 0 && drawLike(score, pos.ply)) {
        return;
    }
    const uint32_t lockDepth = lockOf(pos) | uint32_t((depth + tableAge()) & 63) << 26;
    const int16_t scoreBound = int16_t(score * 4 + bound);

    // One pass over the bucket: the position's own item if it has one (the first that
    // matches), else the one of least aged depth (the first of equals) for the new item.
    const uint32_t lock = lockOf(pos);
    HashItem* victim = nullptr;
    for (int i = 0; i < 4; ++i) {
        HashItem& item = bucketItem(pos, i);
        if ((item.lockDepth & 0x3FFFFFF) == lock) {
            // A move-less result keeps an item's move unless it is an upper bound no higher
            // than the item's score.
            if (move == 0 && item.move != 0 && (bound != boundUpper || itemScore(item) < score))
                return;
            markWritten(std::size_t(&item - hshItems) * sizeof(HashItem) / cacheLine);
            item.lockDepth  = lockDepth;
            item.scoreBound = scoreBound;
            if (move != 0)
                item.move = move;
            return;
        }
        if (!victim || itemAgedDepth(item) < itemAgedDepth(*victim))
            victim = &item;
    }
    markWritten(std::size_t(victim - hshItems) * sizeof(HashItem) / cacheLine);
    *victim = HashItem{lockDepth, move, scoreBound};
}

int hashProbeCut(const SearchContext& ctx, int depth, int beta, bool nullAllowed,
                 const HashItem*& item) {
    const Position& pos = ctx.position;
    item = findItem(pos);
    if (!item)
        return noCutScore;
    int s = itemScore(*item);
    bool depthWaived = false;
    if (s > decisiveLimit) {
        if (s <= verdictLimit)
            return noCutScore;
        s -= pos.ply;
        depthWaived = true;
    } else if (s < -decisiveLimit) {
        if (s >= -verdictLimit)
            return noCutScore;
        s += pos.ply;
        depthWaived = true;
    } else if (drawLike(s, pos.ply)) {
        return noCutScore;
    }
    const bool deepEnough = depthWaived || unsigned(itemAgedDepth(*item)) >= unsigned(depth + tableAge());
    if (!deepEnough || item->move != 0)
        return noCutScore;  // items with a move serve as the hash move only
    if (itemBound(*item) == boundUpper)
        return s < beta ? s : noCutScore;
    return nullAllowed && s >= beta ? s : noCutScore;
}

int hashProbeQS(const SearchContext& ctx, int beta, Move& move) {
    const Position& pos = ctx.position;
    const HashItem* item = findItem(pos);
    move = item ? item->move : 0;
    if (!item || itemAgedDepth(*item) < tableAge())
        return noCutScore;
    int s = itemScore(*item);
    if (s > decisiveLimit)
        s -= pos.ply;
    else if (s < -decisiveLimit)
        s += pos.ply;
    if (itemBound(*item) == boundUpper)
        return item->move == 0 && s < beta ? s : noCutScore;
    return item->move != 0 && s >= beta ? s : noCutScore;
}

int evalCached(SearchContext& ctx) {
    Position& pos = ctx.position;
    EvalCacheItem& entry = evalCache[pos.hashLow & evalCacheMask];
    if ((uint32_t(entry.lockHigh) << 16 | entry.lockLow) == pos.hashHigh)
        return entry.score;
    const int score = evaluate(pos);
    // An entry may run over into the next line.
    const std::size_t at = std::size_t(&entry - evalCache) * sizeof(EvalCacheItem);
    markWritten(hashLineCount + at / cacheLine);
    markWritten(hashLineCount + (at + sizeof(EvalCacheItem) - 1) / cacheLine);
    entry = EvalCacheItem{uint16_t(pos.hashHigh), uint16_t(pos.hashHigh >> 16), int16_t(score)};
    return score;
}

void walkPV(SearchContext& ctx, Move firstMove, Move pvList[maxPvLength + 1]) {
    Position& pos = ctx.position;
    // Every move made takes a history record; the repetition test's chase rule needs two more.
    const int room = historyCapacity - 2 - pos.historyLength;
    const int limit = room < maxPvLength ? room : maxPvLength;
    int count = 0;
    Move mv = firstMove;
    while (count < limit) {
        pvList[count++] = mv;
        makeMoveLight(pos, mv, false);
        if (detectRepetition(pos, 1) != 0)
            break;
        mv = hashProbeMove(ctx);
        if (mv == 0 || !isValidMove(mv, pos))
            break;
    }
    pvList[count] = 0;
    for (int i = 0; i < count; ++i)
        unmakeMoveLight(pos);
}
