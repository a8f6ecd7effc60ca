#include "shell/uci.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/fen.h"
#include "movegen/replay.h"
#include "platform/platform.h"
#include "search/hash.h"
#include "search/limits.h"
#include "search/search.h"
#include "shell/linereader.h"
#include "shell/protocol.h"
#include "shell/report.h"

namespace {

// ---------------------------------------------------------------------------------------
// Words of a line. UCI separates its tokens by blanks, any number of them; keywords are
// matched in any case, as GUIs and people at a console differ there.

struct Word {
    const char* at;
    int         length;  // 0: the line has no more words
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

Word nextWord(const char*& cursor) {
    while (isBlank(*cursor))
        ++cursor;
    const char* start = cursor;
    while (*cursor && !isBlank(*cursor))
        ++cursor;
    return {start, int(cursor - start)};
}

bool wordIs(Word word, const char* keyword) {
    return int(std::strlen(keyword)) == word.length && startsWithKeyword(word.at, keyword);
}

// A word (or an option name of several) as a line may quote it: at most 32 characters,
// anything unprintable as '?'.
void printableWord(Word word, char shown[33]) {
    const int n = std::clamp(word.length, 0, 32);
    for (int i = 0; i < n; ++i)
        shown[i] = word.at[i] >= ' ' && word.at[i] < 127 ? word.at[i] : '?';
    shown[n] = '\0';
}

// A whole number: an optional sign and digits, clamped to lo..hi. False (and nothing read)
// when the word is no number, so that a missing value leaves its keyword without effect.
bool readNumber(Word word, int64_t lo, int64_t hi, int64_t& value) {
    const char* digits = word.at + (word.length > 0 && (*word.at == '-' || *word.at == '+'));
    if (!std::isdigit(static_cast<unsigned char>(*digits)))
        return false;
    // strtoll saturates on overflow, so a huge number still clamps to hi (or lo).
    const long long number = std::strtoll(word.at, nullptr, 10);
    value = std::clamp<int64_t>(number, lo, hi);
    return true;
}

// Everything after the word before `cursor`, with its blanks folded to single spaces, into
// text (lineBufferSize bytes); stops at the word `until` (left unread) when one is given.
void gatherWords(const char*& cursor, const char* until, char* text) {
    int used = 0;
    for (;;) {
        const char* before = cursor;
        const Word word = nextWord(cursor);
        if (!word.length || (until && wordIs(word, until))) {
            cursor = before;
            break;
        }
        if (used)
            text[used++] = ' ';
        std::memcpy(text + used, word.at, size_t(word.length));
        used += word.length;
    }
    text[used] = '\0';
}

// ---------------------------------------------------------------------------------------
// Scores. The engine counts a middle-game pawn's material as 24; UCI's unit is a hundredth
// of a pawn. A mate is MATE - ply from the side to move's view (ply below 100 wherever a
// report can see it); a decided repetition, 1948 - ply, is decisive but no mate, and reads
// as a large cp value.

constexpr int repetitionVerdictBound = 1948;

}  // namespace

int formatUciScore(char* text, int size, int score) {
    const int magnitude = std::abs(score);
    if (magnitude > repetitionVerdictBound) {
        const int moves = (MATE - magnitude + 1) / 2;
        return std::snprintf(text, size_t(size), "score mate %d", score > 0 ? moves : -moves);
    }
    return std::snprintf(text, size_t(size), "score cp %d", score * 100 / 24);
}

namespace {

// "info depth D score ... time T nodes N nps S", then the variation when it has a move.
void printReport(const SearchReport& report, int pvLength) {
    // The statistics take about 110 characters at most, then five for each move.
    char line[128 + 5 * 257];
    int used = std::snprintf(line, sizeof line, "info depth %d ", report.depth);
    used += formatUciScore(line + used, int(sizeof line) - used, report.score);
    const int elapsed = std::max(report.elapsedMs, 1);
    used += std::snprintf(line + used, sizeof line - size_t(used),
                          " time %d nodes %" PRIu64 " nps %" PRIu64, elapsed, report.nodes,
                          report.nodes * 1000 / uint64_t(elapsed));
    for (int i = 0; i < pvLength && report.pv[i]; ++i) {
        std::memcpy(line + used, i ? " " : " pv ", i ? 1 : 4);
        used += i ? 1 : 4;
        moveText(report.pv[i], line + used);
        used += 4;
    }
    line[used] = '\0';
    printLine("%s", line);
}

// ---------------------------------------------------------------------------------------
// The "go" command: its limits as sent, then as the search's budget.

struct GoLimits {
    int64_t clockMs[2]     = {-1, -1};  // by side; -1: not given
    int64_t incrementMs[2] = {0, 0};
    int64_t movesToGo      = 0;
    int64_t moveTimeMs     = -1;
    int64_t depth          = -1;
    int64_t nodes          = -1;
    bool    waitsForStop   = false;  // "infinite" or "ponder": searched alike, answered at "stop"
};

// The same ranges as UCCI's "go", so that the same clocks give the same budgets.
constexpr int64_t maxClockMs     = 2000000000;
constexpr int64_t maxIncrementMs = 999999;

void parseGo(const char* cursor, GoLimits& go) {
    struct NumberWord {
        const char* keyword;
        int64_t*    value;
        int64_t     lo, hi;
    };
    const NumberWord numbers[] = {
        {"wtime", &go.clockMs[sideRed], 0, maxClockMs},
        {"btime", &go.clockMs[sideBlack], 0, maxClockMs},
        {"winc", &go.incrementMs[sideRed], 0, maxIncrementMs},
        {"binc", &go.incrementMs[sideBlack], 0, maxIncrementMs},
        {"movestogo", &go.movesToGo, 0, 999},
        {"movetime", &go.moveTimeMs, 0, maxClockMs},
        {"depth", &go.depth, 0, maxGoDepth},
        {"nodes", &go.nodes, 0, INT64_MAX},
    };
    bool inMoveList = false;  // after "searchmoves": its moves, until a word that is none
    for (Word word = nextWord(cursor); word.length; word = nextWord(cursor)) {
        if (wordIs(word, "infinite") || wordIs(word, "ponder")) {
            go.waitsForStop = true;
            inMoveList = false;
            continue;
        }
        bool known = false;
        for (const NumberWord& number : numbers) {
            if (!wordIs(word, number.keyword))
                continue;
            known = true;
            const char* after = cursor;
            if (readNumber(nextWord(after), number.lo, number.hi, *number.value))
                cursor = after;
        }
        if (!known && inMoveList && word.length == 4 && parseMoveText(word.at))
            continue;
        inMoveList = false;
        if (!known && !std::isdigit(static_cast<unsigned char>(*word.at))) {
            // "searchmoves", "mate" and words of no protocol; their numbers and moves are
            // passed over as they come.
            char shown[33];
            printableWord(word, shown);
            printLine("info string go %s is not supported; ignored", shown);
            inMoveList = wordIs(word, "searchmoves");
        }
    }
}

// Sets the search's limits. Every limit given counts, and the first reached ends the
// search; a clock enters the budget rules every protocol shares. A search that waits for
// "stop" has a budget no search reaches and every depth. The node limit left by the last
// search (none, unless a harness keeps one) stays a ceiling.
void setGoLimits(SearchContext& ctx, const GoLimits& go) {
    limitToNodes(ctx, go.nodes >= 0 ? std::min(nodeLimit, uint64_t(go.nodes)) : nodeLimit);
    // The side to move's clock; a front end that sends only the other one means that one.
    int side = ctx.position.sideToMove;
    if (go.clockMs[side] < 0)
        side = 1 - side;
    const bool timed = go.clockMs[side] >= 0 || go.moveTimeMs >= 0;
    if (!go.waitsForStop) {
        if (go.clockMs[side] >= 0) {
            const int clock = int(go.clockMs[side]);
            if (go.movesToGo > 0)
                limitByClockMovesToGo(clock, int(go.movesToGo));
            else
                limitByClockIncrement(clock, int(go.incrementMs[side]));
        }
        if (go.moveTimeMs >= 0) {
            timeBudgetMs = std::min(timeBudgetMs, int(go.moveTimeMs));
            timeLimitMs  = std::min(timeLimitMs, int(go.moveTimeMs));
        }
        if (go.depth >= 0 && !timed && go.nodes < 0) {
            limitToDepth(ctx, int(go.depth));  // exactly UCCI's "go depth"
            return;
        }
    }
    if (go.depth >= 0)
        ctx.maxDepth = int(go.depth) + 1;
}

// ---------------------------------------------------------------------------------------
// The front end.

void printHandshake() {
    printLine("id name Quorvex 0.731r");
    printLine("id author Talbrin");
    printLine("option name Hash type spin default 256 min 16 max 1024");
    printLine("option name Clear Hash type button");
    printLine("uciok");
}

struct UciFrontEnd final : Protocol {
    SearchContext* context = nullptr;  // the game being searched
    bool waitsForStop = false;  // "go infinite" or "go ponder": the answer waits for "stop"
    bool stopSeen     = false;  // "stop" or "ponderhit" came during this search
    bool quitSeen     = false;  // "quit", or the end of the input: leave after the answer
    int  movesSent    = 0;      // the moves of the last "position"
    int  malformedAt  = -1;     // among them the first that was no move text, -1 none
    char malformedText[33];     // that word, as printable

    // One line that came during a search. True when it ends the search.
    bool serveBusyLine(const char* line) {
        const char* cursor = line;
        const Word word = nextWord(cursor);
        if (wordIs(word, "isready")) {
            printLine("readyok");
            return false;
        }
        if (wordIs(word, "stop") || wordIs(word, "ponderhit")) {
            stopSeen = true;
            return true;
        }
        if (wordIs(word, "quit")) {
            quitSeen = true;
            return true;
        }
        if (word.length) {
            char shown[33];
            printableWord(word, shown);
            printLine("info string %s during a search is ignored", shown);
        }
        return false;
    }

    bool pollInput() override {
        static char line[lineBufferSize];
        if (readLine(line))
            return serveBusyLine(line);
        if (inputEnded()) {
            // Nobody is left to say "stop": a search that waits for it would never end.
            quitSeen = true;
            return true;
        }
        return false;
    }

    void iterationDone(const SearchReport& report) override { printReport(report, maxPvLength); }
    // The move to be played, which may not be the one the last iteration's variation began with.
    void searchCut(const SearchReport& report) override { printReport(report, 1); }

    void answer(Move best, Move ponder) override {
        // "go infinite" and "go ponder" answer only when told to, however early the search ended.
        while (waitsForStop && !stopSeen && !quitSeen)
            if (!pollInput())
                sleepMs(1);
        // Moves that all lose by repetition still leave one to play; "(none)" only without
        // a legal move or a king.
        if (!best && bothKingsPresent(context->position))
            best = firstLegalMove(context->position);
        if (!best) {
            printLine("bestmove (none)");
            return;
        }
        char text[5], reply[5];
        moveText(best, text);
        if (!ponder) {
            printLine("bestmove %s", text);
            return;
        }
        moveText(ponder, reply);
        printLine("bestmove %s ponder %s", text, reply);
    }

    void badFen() override { printLine("info string bad FEN; what could be read is set up, red to move"); }
    void illegalMove(const char text[5], int ignoredAfter) override {
        const bool malformed = movesSent - 1 - ignoredAfter == malformedAt;
        printLine("info string illegal move %s; it and the %d after it are ignored", malformed ? malformedText : text,
                  ignoredAfter);
    }
    void tableShortfall(int obtainedLog2, int requestedLog2, bool evalCacheMissing) override {
        if (evalCacheMissing)
            printLine("info string no memory for the evaluation cache");
        else if (!obtainedLog2)
            printLine("info string no memory for a hash table, not even 16 MB");
        else
            printLine("info string hash table of %d MB, not %d MB: memory is short", 1 << (obtainedLog2 - 20),
                      1 << (requestedLog2 - 20));
    }
};

UciFrontEnd uci;

// "setoption name N [value V]": both may hold blanks.
void setOption(const char* cursor, int maxHashMb) {
    char name[lineBufferSize], value[lineBufferSize];
    if (!wordIs(nextWord(cursor), "name")) {
        printLine("info string setoption needs a name");
        return;
    }
    gatherWords(cursor, "value", name);
    nextWord(cursor);  // "value", when there is one
    gatherWords(cursor, nullptr, value);
    if (startsWithKeyword(name, "hash") && !name[4]) {
        int64_t megabytes = 0;
        const char* text = value;
        if (!readNumber(nextWord(text), 0, 1024, megabytes) || megabytes == 0) {
            printLine("info string Hash needs a size in MB, 16 to 1024");
            return;
        }
        resizeTables(int(std::min<int64_t>(megabytes, maxHashMb)));
    } else if (startsWithKeyword(name, "clear hash") && !name[10]) {
        clearHashTables();
    } else {
        char shown[33];
        printableWord({name, int(std::strlen(name))}, shown);
        printLine("info string no option %s; ignored", shown);
    }
}

// "position startpos|fen FEN [moves M...]".
void setPosition(SearchContext& ctx, const char* cursor) {
    static char fen[lineBufferSize];
    static MoveText moves[maxMoveTexts];
    const Word kind = nextWord(cursor);
    if (wordIs(kind, "startpos")) {
        std::strcpy(fen, startFen);
    } else if (wordIs(kind, "fen")) {
        gatherWords(cursor, "moves", fen);
    } else {
        printLine("info string position needs startpos or fen");
        return;
    }
    // A word that is no move text goes in as one that cannot be played, and ends the list
    // there like an illegal move; it is then quoted as sent.
    int count = 0;
    uci.malformedAt = -1;
    if (wordIs(nextWord(cursor), "moves"))
        for (Word word = nextWord(cursor); word.length && count < maxMoveTexts; word = nextWord(cursor)) {
            if (word.length != 4 && uci.malformedAt < 0) {
                uci.malformedAt = count;
                printableWord(word, uci.malformedText);
            }
            std::memcpy(moves[count++].c, word.length == 4 ? word.at : "????", 4);
        }
    uci.movesSent = count;
    setUpGame(ctx, fen, moves, count);
}

void go(SearchContext& ctx, const char* cursor) {
    GoLimits limits;
    parseGo(cursor, limits);
    setGoLimits(ctx, limits);
    uci.context      = &ctx;
    uci.waitsForStop = limits.waitsForStop;
    uci.stopSeen     = false;
    think(ctx);
    clearSearchLimits();
}

}  // namespace

bool isUciLine(const char* line) {
    const char* cursor = line;
    const Word word = nextWord(cursor);
    return wordIs(word, "uci") && !nextWord(cursor).length;
}

void startUciSession() {
    useProtocol(uci);
    uci.quitSeen = false;
}

bool serveUciLine(SearchContext& ctx, const char* line, int maxHashMb) {
    const char* cursor = line;
    const Word command = nextWord(cursor);
    if (wordIs(command, "isready")) {
        printLine("readyok");
    } else if (wordIs(command, "position")) {
        setPosition(ctx, cursor);
    } else if (wordIs(command, "go")) {
        go(ctx, cursor);
    } else if (wordIs(command, "setoption")) {
        setOption(cursor, maxHashMb);
    } else if (wordIs(command, "ucinewgame")) {
        startNewGame();
    } else if (wordIs(command, "uci")) {
        printHandshake();
    } else if (wordIs(command, "quit")) {
        return false;
    } else if (command.length && !wordIs(command, "stop") && !wordIs(command, "ponderhit") &&
               !wordIs(command, "debug")) {
        // "stop" and "ponderhit" with no search running need no answer.
        char shown[33];
        printableWord(command, shown);
        printLine("info string unknown command %s", shown);
    }
    // Without a transposition table (memory ran out on a resize) nothing can be searched.
    return !uci.quitSeen && hshItems;
}

void runUci(SearchContext& ctx) {
    startUciSession();
    if (!startEngine(ctx))
        return;  // no table, no search
    initBookPath();
    printHandshake();

    char line[lineBufferSize];
    while (waitForLine(line) && serveUciLine(ctx, line)) {
    }
    freeHashTables();
}
