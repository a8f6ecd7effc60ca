#pragma once
// The one search record of the process, and the game values that outlive a search.
#include "board/position.h"

struct SearchContext {
    uint64_t nodeCount;       // nodes searched in the current search
    int32_t  stopFlag;        // nonzero: the current search must stop
    int64_t  startTimeMs;     // wall clock at the start of the search
    int32_t  iterationDepth;  // depth of the current iteration
    Move     bestMove;        // the move the search will answer with
    Position position;
    int32_t  maxDepth;        // iteration-depth limit of the next search
};

// Game values. Writers: the protocol loop (all of them), the search driver (bookHits,
// bannedMove, lastPlayedMove on "quit"), the reply (searchCount), the endgame switch
// (timeBudgetMs, futilityUnit, qsDeltaMargin).
extern int timeBudgetMs;    // budget of the next search, ms
extern int bookHits;        // book moves played this game
extern int searchCount;     // bestmove replies given this game
extern int lastPlayedMove;  // last move of the latest "position"; -1: "quit" came mid-search
extern int bannedMove;      // move excluded at the next root, 0 none
extern int futilityUnit;    // search margins, widened once for good by a rook-less endgame
extern int qsDeltaMargin;
