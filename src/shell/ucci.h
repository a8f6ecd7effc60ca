#pragma once
// The UCCI front end: the protocol the engine was made for, its command loop, the actions
// behind each command, and the lines it prints for the search.
#include "shell/protocol.h"

struct UcciProtocol final : Protocol {
    bool pollInput() override;
    void stoppedByInput(StopSite site) override;
    void timedOut(StopSite site) override;
    void iterationDone(const SearchReport& report) override;
    void searchCut(const SearchReport& report) override;
    void easyMove() override;
    void endgameReached() override;
    void answer(Move best, Move ponder) override;
    void badFen() override;
    void illegalMove(const char text[5], int ignoredAfter) override;
    void tableShortfall(int obtainedLog2, int requestedLog2, bool evalCacheMissing) override;
};
extern UcciProtocol ucciProtocol;

// The actions of the commands that change the engine's state.
void applyOption(SearchContext& ctx, const UcciCommand& cmd);
void applyPosition(SearchContext& ctx, const UcciCommand& cmd);
void applyBanMoves(const UcciCommand& cmd);
// Sets the limits of a "go" (the budget capped by a clock's safe share, or a node limit)
// and reports them; false when the command starts no search.
bool setGoLimits(SearchContext& ctx, const UcciCommand& cmd);
// Sets the limits of a "go", searches and answers.
void runGo(SearchContext& ctx, const UcciCommand& cmd);

// Serves commands until "quit", the end of the input, or a "quit" seen during a search;
// then frees the hash tables and says "bye".
void runProtocolLoop(SearchContext& ctx);

// A whole UCCI run after its "ucci" line: start-up, the handshake's answer, the loop.
void runUcci(SearchContext& ctx);
