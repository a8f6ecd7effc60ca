#pragma once
// The search: iterative deepening at the root, principal-variation nodes with an open
// window, zero-window nodes that carry the pruning, and the two quiescence searches.
// Scores are from the side to move's view: MATE - ply for a mate given, ply - MATE for
// one suffered; 2049 (noCutScore) comes back from every node once the search is stopped.
#include "search/context.h"

inline constexpr int MATE = 2048;
// Magnitudes above this are decisive (mates, decided repetitions).
inline constexpr int decisiveBound = 1848;

// The deepest ply any node reaches. Below ply 64 checks and single replies extend; past it
// the quiescence searches return the static evaluation, and from this ply on every node
// does. It keeps the path within the history stack that a replayed game leaves free, the
// killer table and the node lists.
inline constexpr int maxSearchPly = 120;

// In the endgame, or with both sides' cannon and structure terms below 96 in the position
// after a move: no attack that a late-move reduction could miss.
bool quietAttackTerms(Position& pos);

// Whether a node should look at the input and the clock now: true for the first node to ask
// in each new block of pollMask + 1 nodes.
bool pollDue(const SearchContext& ctx);
// The look itself. True, with stopFlag set, when "stop" has come (reported with stopLine) or
// the time is up (reported with timeoutLine, when there is one); "isready" is answered and a
// "quit" noted for after the answer.
bool lookMustStop(SearchContext& ctx, const char* stopLine, const char* timeoutLine);

// Every so many nodes, looks at the input and the clock; at every node, the node limit.
// True, with stopFlag set, when the search must stop: "stop" arrived (reported with
// stopLine), the time is up (reported with timeoutLine when there is one), or the node
// limit is reached.
bool searchMustStop(SearchContext& ctx, const char* stopLine, const char* timeoutLine);

// Pawns, horses, cannons and rooks of either side; without them nobody can win.
inline constexpr uint32_t matingMaterial = 0xFFF00FFC;

// The check code the last move left the side to move; every node below the root has one.
inline int nodeCheckCode(const Position& pos) { return pos.history[pos.historyLength - 1].checkCode; }

int quiesceRoot(SearchContext& ctx, int alpha, int beta, int depth, int floor);
int quiesceZW(SearchContext& ctx, int beta, int depth, int floor);
int searchZW(SearchContext& ctx, int beta, int depth, bool nullAllowed);
int searchPV(SearchContext& ctx, int alpha, int beta, int depth);

// The root: book, preparation, root scan and iterative deepening. Returns the move to
// play, or 0 when there is none (no legal move, or a king missing).
Move searchRoot(SearchContext& ctx);

// Searches the context's position under the limits set by "go" (timeBudgetMs, maxDepth,
// timeLimitMs, nodeLimit), prints the reply, and prepares the tables for the next search.
void think(SearchContext& ctx);

// Everything a search keeps between searches goes back to a fresh engine's state: the
// game values, the prediction, the tables.
void resetSearchState();
