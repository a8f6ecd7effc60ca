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

// Game values. Writers: the front end (all of them; lastPlayedMove -1 for a "quit" during a
// search), the search driver (bookHits, bannedMove, searchCount at each answer), the
// endgame switch (timeBudgetMs).
extern int timeBudgetMs;    // budget of the next search, ms
extern int bookHits;        // book moves played this game
extern int searchCount;     // bestmove replies given this game
extern int lastPlayedMove;  // last move of the latest "position"; -1: "quit" came mid-search
extern int bannedMove;      // move excluded at the next root, 0 none

// Search values that outlive one search. Writers: the search driver, and a new game.
extern int      timeLimitMs;         // the most any budget may grow to (the clock's safe share)
extern uint64_t nodeLimit;           // "go nodes": the search stops once this many are counted
extern int      pollMask;            // input and clock are read when nodeCount & pollMask is 0
extern Move     predictedReply;      // second and third moves of the last finished variation
extern Move     preparedAnswer;
extern int      iterationScores[64]; // root score of each finished iteration; [0] the scan's best
extern uint8_t  answerPlacement[pieceIdCount];  // pieceSquare after the last answered move

inline constexpr int noTimeLimit = 0x7FFFFFFF;
// The budget of a search limited by nodes: long enough never to end it, short enough that
// every budget rule stays within 32 bits.
inline constexpr int nodeSearchBudgetMs = 86400000;
