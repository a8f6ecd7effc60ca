#include "search/limits.h"

#include <algorithm>

#include "eval/phase.h"
#include "platform/platform.h"

int limitToDepth(SearchContext& ctx, int depth) {
    timeLimitMs = noTimeLimit;
    if (depth == 0) {
        timeBudgetMs = 30000;
        ctx.maxDepth = 32;
    } else {
        timeBudgetMs = 61439;
        ctx.maxDepth = depth + 1;
    }
    return timeBudgetMs;
}

// The most a search may take of a clock of t ms: the budget rules can pass t when the
// clock runs low and the increment is large, and an answer must reach the front end before
// its clock falls, with room for its own overhead (more on a long clock).
static int clockLimitMs(int t) {
    const int limit = t - (30 + t / 20);
    return limit < 10 ? 10 : limit;
}

int limitByClockIncrement(int timeMs, int incrementMs) {
    // 3 * t overflows 32 bits beyond 715 827 882 ms; the quotient always fits.
    timeLimitMs  = clockLimitMs(timeMs);
    timeBudgetMs = int(std::min<int64_t>(3 * int64_t(timeMs) / 64 + incrementMs, timeLimitMs));
    return timeBudgetMs;
}

int limitByClockMovesToGo(int timeMs, int movesToGo) {
    timeLimitMs  = clockLimitMs(timeMs);
    timeBudgetMs = std::min(timeMs / (movesToGo + 4), timeLimitMs);
    return timeBudgetMs;
}

void limitToNodes(SearchContext& ctx, uint64_t nodes) {
    timeLimitMs  = noTimeLimit;
    timeBudgetMs = nodeSearchBudgetMs;
    ctx.maxDepth = 64;
    nodeLimit    = nodes;
}

void clearSearchLimits() {
    nodeLimit   = UINT64_MAX;
    timeLimitMs = noTimeLimit;
}

void switchGamePhase(Position& pos) {
    if (!endgameSwitch(pos))
        return;
    frontEnd->endgameReached();
    // The budget left by the last search grows again in every new game that starts in an
    // endgame, with no search between to set it anew: it must stop at the clock's cap (no
    // cap between searches) rather than run past 32 bits.
    timeBudgetMs = int(std::min<int64_t>(int64_t(timeBudgetMs) + (timeBudgetMs >> 3), timeLimitMs));
}

int elapsedMs(const SearchContext& ctx) {
    const int64_t elapsed = monotonicMs() - ctx.startTimeMs;
    return elapsed <= 0 ? 1 : elapsed > 0x7FFFFFFF ? 0x7FFFFFFF : int(elapsed);
}

uint64_t pollBlock = 0;
bool     tablePagesPending = false;
uint64_t pagesBlock = 0;

bool lookMustStop(SearchContext& ctx, StopSite site) {
    if (frontEnd->pollInput()) {
        ctx.stopFlag = 1;
        frontEnd->stoppedByInput(site);
        return true;
    }
    const int64_t remaining = ctx.startTimeMs + timeBudgetMs - monotonicMs();
    if (remaining <= 0) {
        ctx.stopFlag = 1;
        frontEnd->timedOut(site);
        return true;
    }
    if (remaining < 4000)
        pollMask = 1023;  // little time left: look more often, for good
    return false;
}
