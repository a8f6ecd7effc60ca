#include "shell/protocol.h"

#include <algorithm>
#include <cstring>

#include "board/fen.h"
#include "board/position.h"
#include "board/replay.h"
#include "board/tables.h"
#include "platform/platform.h"
#include "search/hash.h"
#include "search/history.h"
#include "search/search.h"
#include "shell/report.h"

char bookPath[bookPathSize];

static const char bookFileName[] = "QXBOOK.DAT";

void buildBookPath(char* dest, int size, const char* exePath, char separator) {
    const char* lastSeparator = std::strrchr(exePath, separator);
    int folderLength = lastSeparator ? int(lastSeparator - exePath) + 1 : 0;
    if (folderLength + int(sizeof bookFileName) > size)
        folderLength = 0;  // a folder too long to hold the name: fall back to the name alone
    std::memcpy(dest, exePath, size_t(folderLength));
    std::memcpy(dest + folderLength, bookFileName, sizeof bookFileName);
}

void initBookPath() {
    char exePath[bookPathSize];
    executablePath(exePath, bookPathSize);  // empty on failure: the name alone
    buildBookPath(bookPath, bookPathSize, exePath, pathSeparator);
}

void initEngine(SearchContext& ctx) {
    initBoardTables(hshMask);
    // The start position, complete (occupancy, key, piece bounds), so that a "go" before any
    // "position" searches it rather than a half-made board.
    restoreFreshEngine(ctx);
    ctx.nodeCount = 0;
}

int startEngine(SearchContext& ctx, int log2Bytes) {
    int obtained = allocateHashTables(defaultHashLog2);
    if (!obtained)
        return 0;
    initEngine(ctx);
    if (log2Bytes != defaultHashLog2) {
        freeHashTables();
        obtained = allocateHashTables(log2Bytes);
    }
    return obtained;
}

void restoreFreshEngine(SearchContext& ctx) {
    startNewGame();
    clearKillers();
    resetHistory();
    setupFromFen(ctx.position, startFen);
    ctx.maxDepth   = 64;
    ctx.stopFlag   = 0;
    timeBudgetMs   = 61439;
    timeLimitMs    = noTimeLimit;
    nodeLimit      = UINT64_MAX;
    pollMask       = 32767;
    lastPlayedMove = 0;
    bannedMove     = 0;
}

int hashLog2ForMegabytes(int megabytes) {
    int bits = 0;
    for (int v = megabytes; v > 0; v >>= 1)
        ++bits;
    int log2Bytes = 19 + bits;
    return log2Bytes < 24 ? 24 : log2Bytes;
}

void startNewGame() {
    resetGamePhase();
    resetSearchState();
    bookHits    = 0;
    searchCount = 0;
}

void applyOption(SearchContext&, const UcciCommand& cmd) {
    switch (cmd.selector.number) {
    case optionHashSize:
        // 0 is also what an absent or unreadable size gives: keep the tables as they are.
        if (cmd.value.number > 0) {
            freeHashTables();
            allocateHashTables(hashLog2ForMegabytes(cmd.value.number));
        }
        break;
    case optionNewGame:
        startNewGame();
        break;
    default: break;  // accepted and ignored
    }
}

// The board of the start position, as it appears in any FEN of a game played from it.
static const char startBoard[] = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR";

void applyPosition(SearchContext& ctx, const UcciCommand& cmd) {
    // A game from the start: the move count tells how many replies the engine has given.
    if (std::strstr(cmd.selector.text, startBoard)) {
        endgameMode = 0;
        searchCount = cmd.value.number / 2;
        if (searchCount == 0)  // the engine has not answered in this game yet: a new one
            startNewGame();
    }
    Position& pos = ctx.position;
    setupFromFen(pos, cmd.selector.text);
    ctx.stopFlag = 0;

    // The set-up has decided the game phase from its material. A capture among the game's
    // moves may thin it out further; the switch must then run in full (weights, piece-square
    // set, report) at the next search root, not only flip the flag as a capture inside a
    // search does, so the flag is put back after the replay.
    const int modeAfterSetup = endgameMode;
    lastPlayedMove = 0;
    const int moveCount = cmd.selector.text && cmd.value.number > 0 ? cmd.value.number : 0;
    for (int i = 0; i < moveCount; ++i) {
        const MoveText& text = cmd.aux.moves[i];
        Move mv = parseMoveText(text.c);
        if (!playGameMove(pos, mv)) {
            // The rest of the list cannot be played on a position that lacks this move.
            char shown[5];
            for (int c = 0; c < 4; ++c)  // the text may hold any byte; keep the line readable
                shown[c] = text.c[c] > ' ' && text.c[c] < 127 ? text.c[c] : '?';
            shown[4] = 0;
            printLine("info illegal move %s; it and the %d after it are ignored", shown,
                      moveCount - i - 1);
            break;
        }
        lastPlayedMove = mv;
    }
    endgameMode = modeAfterSetup;
}

void applyBanMoves(const UcciCommand& cmd) {
    // Only one move can be excluded: the last one listed wins.
    for (int i = 0; i < cmd.selector.number; ++i)
        bannedMove = moveFromText(cmd.value.moves[i]);
}

// The most a search may take of a clock of t ms: the budget rules can pass t when the
// clock runs low and the increment is large, and an answer must reach the front end before
// its clock falls, with room for its own overhead (more on a long clock).
static int clockLimitMs(int t) {
    const int limit = t - (30 + t / 20);
    return limit < 10 ? 10 : limit;
}

bool setGoLimits(SearchContext& ctx, const UcciCommand& cmd) {
    timeLimitMs = noTimeLimit;
    switch (cmd.selector.number) {
    case goDepth:
        if (cmd.limit.number == 0) {
            timeBudgetMs = 30000;
            ctx.maxDepth = 32;
        } else {
            timeBudgetMs = 61439;
            ctx.maxDepth = cmd.limit.number + 1;
        }
        printLine("Info Maxdepth:%d", cmd.limit.number);
        break;
    case goMovesToGo:
        timeLimitMs  = clockLimitMs(cmd.limit.number);
        timeBudgetMs = std::min(cmd.limit.number / (cmd.timeExtra.number + 4), timeLimitMs);
        printLine("Info MaxTime:%d", timeBudgetMs);
        break;
    case goIncrement:
        // 3 * t overflows 32 bits beyond 715 827 882 ms; the quotient always fits.
        timeLimitMs  = clockLimitMs(cmd.limit.number);
        timeBudgetMs = int(std::min<int64_t>(3 * int64_t(cmd.limit.number) / 64 + cmd.timeExtra.number,
                                             timeLimitMs));
        printLine("Info MaxTime:%d", timeBudgetMs);
        break;
    case goNodes:
        // The node count alone ends the search: a day's budget and every depth.
        timeBudgetMs = nodeSearchBudgetMs;
        ctx.maxDepth = 64;
        nodeLimit    = uint64_t(cmd.limit.number);
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
    nodeLimit   = UINT64_MAX;
    timeLimitMs = noTimeLimit;
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
