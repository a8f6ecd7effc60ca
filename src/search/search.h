#pragma once
// The search: iterative deepening at the root, principal-variation nodes with an open
// window, zero-window nodes that carry the pruning, and the two quiescence searches.
#include "search/context.h"
#include "search/node.h"
#include "search/quiesce.h"

// In the endgame, or with both sides' cannon and structure terms below 96 in the position
// after a move: no attack that a late-move reduction could miss.
bool quietAttackTerms(Position& pos);

int searchZW(SearchContext& ctx, int beta, int depth, bool nullAllowed);
int searchPV(SearchContext& ctx, int alpha, int beta, int depth);

// The root: book, preparation, root scan and iterative deepening. Returns the move to
// play, or 0 when there is none (no legal move, or a king missing).
Move searchRoot(SearchContext& ctx);

// Searches the context's position under the limits set by "go" (timeBudgetMs, maxDepth,
// timeLimitMs, nodeLimit), gives the answer to the front end, and prepares the tables for
// the next search.
void think(SearchContext& ctx);

// Everything a search keeps between searches goes back to a fresh engine's state: the
// game values, the prediction, the tables.
void resetSearchState();
