#include "shell/ucci.h"

#include <cinttypes>
#include <cstdio>

#include "search/hash.h"
#include "search/limits.h"
#include "search/search.h"
#include "shell/report.h"

UcciProtocol ucciProtocol;

bool UcciProtocol::pollInput() {
    const UcciCode code = pollBusyCommand();
    if (code == codeStop)
        return true;
    if (code == codeQuit)
        lastPlayedMove = -1;  // answer first, then leave
    else if (code == codeIsReady)
        printLine("readyok");  // a front end may wait for it before it goes on
    return false;
}

void UcciProtocol::stoppedByInput(StopSite site) {
    printLine(site == StopSite::principal ? "info searchPV stopped by GUI pv" : "info searchAB stopped by GUI pv");
}

void UcciProtocol::timedOut(StopSite site) {
    if (site == StopSite::zeroWindow)
        printLine("info timout");
}

namespace {

// The node count is shown as its low 32 bits, signed, as front ends have always read it;
// the speed uses them unsigned.
int printStatistics(char* line, int size, const SearchReport& report) {
    const uint32_t nodes = uint32_t(report.nodes);
    const int64_t nps = int64_t(double(nodes) * 1000.0 / report.elapsedMs);
    return std::snprintf(line, size_t(size), "info depth %d score %d time %d nodes %d nps %" PRId64 " pv",
                         report.depth, report.score, report.elapsedMs, int32_t(nodes), nps);
}

}  // namespace

void UcciProtocol::iterationDone(const SearchReport& report) {
    // The statistics take up to about 80 characters (a long search's time beside a large
    // node count), then five for each of at most 256 moves.
    char line[96 + 5 * 257];
    appendPv(line, printStatistics(line, sizeof line, report), report.pv);
    printLine("%s", line);
}

void UcciProtocol::searchCut(const SearchReport& report) {
    char line[96];
    int used = printStatistics(line, sizeof line, report);
    line[used++] = ' ';
    moveText(report.pv[0], line + used);
    printLine("%s", line);
}

void UcciProtocol::easyMove() { printLine("info easymove"); }

void UcciProtocol::endgameReached() { printLine("info endgame reached"); }

void UcciProtocol::answer(Move best, Move) {
    printLine("info #%d:", searchCount);
    if (!best) {
        printLine("nobestmove");
        return;
    }
    char text[5];
    moveText(best, text);
    printLine("bestmove %s", text);
}

void UcciProtocol::badFen() { printLine("Fen String Error!"); }

void UcciProtocol::illegalMove(const char text[5], int ignoredAfter) {
    printLine("info illegal move %s; it and the %d after it are ignored", text, ignoredAfter);
}

void UcciProtocol::tableShortfall(int obtainedLog2, int requestedLog2, bool evalCacheMissing) {
    if (evalCacheMissing)
        printLine("info hashsize 0 MB, no memory for the evaluation cache");
    else if (!obtainedLog2)
        printLine("info hashsize 0 MB, not even %d MB could be allocated", 16);
    else
        printLine("info hashsize %d MB, not enough memory for %d MB", 1 << (obtainedLog2 - 20),
                  1 << (requestedLog2 - 20));
}

void applyOption(SearchContext&, const UcciCommand& cmd) {
    switch (cmd.selector.number) {
    case optionHashSize: resizeTables(cmd.value.number); break;
    case optionNewGame: startNewGame(); break;
    default: break;  // accepted and ignored
    }
}

void applyPosition(SearchContext& ctx, const UcciCommand& cmd) {
    setUpGame(ctx, cmd.selector.text, cmd.aux.moves, cmd.value.number);
}

void applyBanMoves(const UcciCommand& cmd) {
    // Only one move can be excluded: the last one listed wins.
    for (int i = 0; i < cmd.selector.number; ++i)
        bannedMove = moveFromText(cmd.value.moves[i]);
}

bool setGoLimits(SearchContext& ctx, const UcciCommand& cmd) {
    timeLimitMs = noTimeLimit;
    switch (cmd.selector.number) {
    case goDepth:
        limitToDepth(ctx, cmd.limit.number);
        printLine("Info Maxdepth:%d", cmd.limit.number);
        break;
    case goMovesToGo:
        printLine("Info MaxTime:%d", limitByClockMovesToGo(cmd.limit.number, cmd.timeExtra.number));
        break;
    case goIncrement:
        printLine("Info MaxTime:%d", limitByClockIncrement(cmd.limit.number, cmd.timeExtra.number));
        break;
    case goNodes:
        limitToNodes(ctx, uint64_t(cmd.limit.number));
        printLine("Info MaxNodes:%d", cmd.limit.number);
        break;
    default:
        return false;
    }
    return true;
}

void runGo(SearchContext& ctx, const UcciCommand& cmd) {
    if (!setGoLimits(ctx, cmd))
        return;
    think(ctx);
    clearSearchLimits();
}

void runProtocolLoop(SearchContext& ctx) {
    UcciCommand cmd{};
    for (;;) {
        UcciCode code = parseIdleCommand(cmd);
        switch (code) {
        case codeIsReady: printLine("readyok"); break;
        case codeSetOption: applyOption(ctx, cmd); break;
        case codePosition: applyPosition(ctx, cmd); break;
        case codeBanMoves: applyBanMoves(cmd); break;
        case codeGo: runGo(ctx, cmd); break;
        default: break;  // stop (no search runs), probe, and unrecognised lines
        }
        // Without a transposition table (memory ran out on a resize) nothing can be searched.
        if (code == codeQuit || lastPlayedMove == -1 || !hshItems)
            break;
    }
    freeHashTables();
    printLine("bye");
}

void runUcci(SearchContext& ctx) {
    useProtocol(ucciProtocol);
    if (!startEngine(ctx)) {
        printLine("bye");  // no table, no search: leave as on "quit"
        return;
    }
    initBookPath();

    printLine("id name Quorvex V0.731r");
    printLine("id author Talbrin ");
    printLine("id user YOU, 2008");
    printLine("option usemillisec type check default true");
    printLine("option hashsize type spin min 16 max 1024 default 256");
    printLine("ucciok\n");

    runProtocolLoop(ctx);
}
