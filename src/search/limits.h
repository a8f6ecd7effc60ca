#pragma once
// The limits of a search: the budget rules every protocol's "go" comes down to, the extra
// time of a game that turns into an endgame, and the looks at the clock, the input and the
// node count that end a search. The quiescence and full-width searches both ask here.
#include "platform/platform.h"
#include "search/context.h"
#include "search/frontend.h"

// "go depth N": N plies (the iteration limit is N + 1) on a budget no search reaches; N 0
// means 31 plies, or 30 s. Returns the budget.
int limitToDepth(SearchContext& ctx, int depth);
// A clock of timeMs with incrementMs added per move: 3/64 of the clock plus the increment,
// never more than the clock's safe share, which also caps every later rule that adds
// time. The iteration limit stays as it is. Returns the budget.
int limitByClockIncrement(int timeMs, int incrementMs);
// A clock of timeMs for movesToGo moves: the clock over movesToGo + 4, capped as above.
// Returns the budget.
int limitByClockMovesToGo(int timeMs, int movesToGo);
// "go nodes N": the node count alone ends the search (every depth, a day's budget).
void limitToNodes(SearchContext& ctx, uint64_t nodes);
// After a search: no node limit and no clock cap carried into the next one.
void clearSearchLimits();

// While the game is not in its endgame: switches to the endgame values when material has
// thinned out, and the first time in a game tells the front end and gives the budget an
// eighth more (never past the clock's cap).
void switchGamePhase(Position& pos);

// Milliseconds since the search started; 0 counts as 1.
int elapsedMs(const SearchContext& ctx);

// Whether a node should look at the input and the clock now: true for the first node to ask
// in each new block of pollMask + 1 nodes. The quiescence nodes in between count too, so a
// full-width node rarely lands on an exact multiple of the interval.
extern uint64_t pollBlock;  // the block of the last look
inline bool pollDue(const SearchContext& ctx) {
    const uint64_t block = ctx.nodeCount & ~uint64_t(pollMask);
    if (block == pollBlock)
        return false;
    pollBlock = block;
    return true;
}
// Large pages readied for the tables go in between two nodes as they come: at the first
// full-width node of every 1024 while more are to come. Apart from the looks at the input,
// so that these stay as rare as they were (a front end's lines are read no sooner).
extern bool     tablePagesPending;  // set at a search's start by adoptTablePages
extern uint64_t pagesBlock;         // the block of the last adoption
inline void adoptTablePagesDue(const SearchContext& ctx) {
    if (!tablePagesPending || ctx.nodeCount >> 10 == pagesBlock)
        return;
    pagesBlock = ctx.nodeCount >> 10;
    tablePagesPending = adoptTablePages();
}
// The look itself. True, with stopFlag set, when the front end says stop or the time is up
// (both reported to the front end with the site).
bool lookMustStop(SearchContext& ctx, StopSite site);

// Every so many nodes, looks at the input and the clock; at every node, the node limit.
// True, with stopFlag set, when the search must stop.
inline bool searchMustStop(SearchContext& ctx, StopSite site) {
    adoptTablePagesDue(ctx);
    if (pollDue(ctx) && lookMustStop(ctx, site))
        return true;
    if (ctx.nodeCount >= nodeLimit) {
        ctx.stopFlag = 1;
        return true;
    }
    return false;
}
