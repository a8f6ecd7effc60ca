#pragma once
// What the search needs from whoever runs it. The search never reads input or writes text:
// it asks its front end to look at the input now and then, and hands it facts (an
// iteration finished, the search was cut, the answer) that the front end words in its own
// protocol. Only the running front end knows the protocol; the search is the same for all.
#include <cstdint>

#include "board/types.h"

// Where in the tree a stop or the end of the time was noticed: the zero-window nodes (with
// the quiescence searches) or the principal-variation nodes.
enum class StopSite : uint8_t { zeroWindow, principal };

// The facts of one finished iteration, or of the search's last word when it was cut.
struct SearchReport {
    int         depth;      // the last finished depth (0: only the root scan ran)
    int         score;      // from the side to move's view, in the engine's units
    int         elapsedMs;  // since the search started, at least 1
    uint64_t    nodes;      // nodes searched so far
    const Move* pv;         // the principal variation, ending at its first 0 (at most 256 moves)
};

struct FrontEnd {
    // During a search, once in every block of pollMask + 1 nodes: one look at the input
    // that never waits. True when the search must stop at once. Whatever needs no search
    // state (an "isready", a "quit" to act on after the answer) the front end handles itself.
    virtual bool pollInput() = 0;
    // The search is stopping because pollInput said so.
    virtual void stoppedByInput(StopSite) {}
    // The search is stopping because its time budget ran out.
    virtual void timedOut(StopSite) {}
    // An iteration finished.
    virtual void iterationDone(const SearchReport&) {}
    // The search ended without finishing the next iteration (stopped, or no time to deepen):
    // the last finished depth and score, and pv[0] the move to be played.
    virtual void searchCut(const SearchReport&) {}
    // The deepening ended early because one move stood out.
    virtual void easyMove() {}
    // The game reached the endgame for the first time (at set-up or at the root).
    virtual void endgameReached() {}
    // The search's result: the move to play (0: none, no legal move or a king missing), and
    // the opponent's expected reply to it (0: none known). The search has counted the answer
    // in searchCount already.
    virtual void answer(Move best, Move ponder) = 0;

protected:
    ~FrontEnd() = default;
};

// The running front end; a silent one that never stops the search unless set otherwise.
extern FrontEnd* frontEnd;
