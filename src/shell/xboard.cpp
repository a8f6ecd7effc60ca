#include "shell/xboard.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/attack.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "movegen/movegen.h"
#include "movegen/replay.h"
#include "platform/platform.h"
#include "search/hash.h"
#include "search/limits.h"
#include "search/search.h"
#include "shell/linereader.h"
#include "shell/protocol.h"
#include "shell/report.h"

uint64_t xboardNodeCap     = UINT64_MAX;
int      xboardMemoryCapMb = 1024;

namespace {

struct XboardProtocol final : Protocol {
    bool pollInput() override;
    void iterationDone(const SearchReport& report) override;
    void answer(Move best, Move) override;
    // Only checked FENs and legal moves reach the shared set-up, so these two are not met.
    void badFen() override { printLine("# bad position"); }
    void illegalMove(const char text[5], int) override { printLine("# illegal game move %s", text); }
    void tableShortfall(int obtainedLog2, int requestedLog2, bool) override {
        printLine("# hash table %d MB, not enough memory for %d MB", obtainedLog2 ? 1 << (obtainedLog2 - 20) : 0,
                  1 << (requestedLog2 - 20));
    }
};

XboardProtocol xboardProtocol;
SearchContext* context;

// Plies a game keeps for "undo" and the repetition rules. A game that grows longer goes on
// from its current position as if it had been set up there.
inline constexpr int maxGamePlies = 1000;

// The game: where it was set up (a FEN in the engine's letters), and the moves since.
char     gameFen[fenBufferSize];
MoveText gameMoves[maxGamePlies];
int      gameMoveCount;

bool forceMode, postThinking, analyzing, quitting;
bool analysisStale;  // the analysed position has changed, or its search was cut short

// The clock: "level" (moves per session, 0 for the whole game; base; increment), "time"
// (the engine's own clock, -1 until one comes), "st" (fixed time a move, 0 for none) and
// "sd" (depth limit, 0 for none).
int sessionMoves, baseMs, incrementMs, ownClockMs, moveTimeMs, depthLimit;

// During a search: a line read that waits for the search to end, whether the search's
// answer is void (the game it was for is being changed), and the answer itself.
char pendingLine[lineBufferSize];
bool hasPending, answerVoid, inputGone;
Move answeredMove;

void setUpPosition() {
    setUpGame(*context, gameFen, gameMoves, gameMoveCount);
}

// The board of pos as a FEN in the engine's letters, with its side.
void writeFen(const Position& pos, char* out) {
    static const char letters[] = "..ppppppppppaaaabbbbnnnnccccrrrrkk";
    for (int rank = 0; rank < 10; ++rank) {
        int empty = 0;
        for (int file = 0; file < 9; ++file) {
            const int pc = pos.board[makeSquare(rank, file)];
            if (!pc) {
                ++empty;
                continue;
            }
            if (empty)
                *out++ = char('0' + empty);
            empty = 0;
            *out++ = char(letters[pc] - (sideOf(pc) == sideRed ? 32 : 0));
        }
        if (empty)
            *out++ = char('0' + empty);
        *out++ = rank < 9 ? '/' : ' ';
    }
    std::strcpy(out, pos.sideToMove == sideRed ? "w - - 0 1" : "b - - 0 1");
}

// A setboard FEN (XBoard's letters H and E, or N and B) in the engine's letters into out;
// false when it is no position the engine can play: ten ranks of nine squares, piece
// letters only, no more pieces of a kind than a side has, one king each, side w, r or b.
bool readSetboardFen(const char* text, char* out) {
    static const char kinds[]   = "kabnrcp";
    static const int  mostOf[7] = {1, 2, 2, 2, 2, 2, 5};
    int count[2][7] = {}, ranks = 0, files = 0, n = 0;
    const char* p = text;
    for (; *p > ' '; ++p) {
        char c = *p;
        if (c == '/') {
            if (files != 9 || ++ranks > 9)
                return false;
            files = 0;
        } else if (c >= '1' && c <= '9') {
            files += c - '0';
        } else {
            const bool red = c >= 'A' && c <= 'Z';
            char lower = red ? char(c + 32) : c;
            lower = lower == 'h' ? 'n' : lower == 'e' ? 'b' : lower;
            const char* kind = std::strchr(kinds, lower);
            if (!kind || ++count[red][kind - kinds] > mostOf[kind - kinds])
                return false;
            c = red ? char(lower - 32) : lower;
            ++files;
        }
        if (files > 9)
            return false;
        out[n++] = c;  // at most 99 characters pass the checks above
    }
    while (*p == ' ')
        ++p;
    if (ranks != 9 || files != 9 || count[0][0] != 1 || count[1][0] != 1 ||
        (*p != 'w' && *p != 'r' && *p != 'b'))
        return false;
    std::strcpy(out + n, *p == 'b' ? " b - - 0 1" : " w - - 0 1");
    return true;
}

void addGameMove(Move mv) {
    if (gameMoveCount == maxGamePlies) {
        writeFen(context->position, gameFen);
        gameMoveCount = 0;
    }
    char text[5];
    moveText(mv, text);
    std::memcpy(gameMoves[gameMoveCount++].c, text, 4);
    setUpPosition();
}

// Seconds in milliseconds, at most a week's; anything unreadable or negative is 0.
int msOf(double seconds) {
    return seconds > 0 ? int(std::min(seconds, 604800.0) * 1000 + 0.5) : 0;
}

// "level MPS BASE INC": BASE in minutes or minutes:seconds, INC in seconds. It replaces "st".
void setLevel(const char* text) {
    char* end;
    sessionMoves = int(std::clamp(std::strtol(text, &end, 10), 0L, 1000L));
    double seconds = std::strtod(end, &end) * 60;
    if (*end == ':')
        seconds += std::strtod(end + 1, &end);
    baseMs      = msOf(seconds);
    incrementMs = msOf(std::strtod(end, &end));
    ownClockMs  = -1;
    moveTimeMs  = 0;
}

// The budget rules of a search on the clock, as for UCCI's "go time ... increment ..." or
// "... movestogo ...", or a fixed time; then the depth limit.
void setClockLimits() {
    if (moveTimeMs > 0) {
        // The answer must reach the GUI before the move's time is up.
        timeLimitMs  = std::max(moveTimeMs - 50, moveTimeMs / 2);
        timeBudgetMs = timeLimitMs;
    } else {
        const int clockMs = ownClockMs >= 0 ? ownClockMs : baseMs;
        if (sessionMoves > 0)  // the engine's own moves so far: half the game's, rounded down
            limitByClockMovesToGo(clockMs, sessionMoves - gameMoveCount / 2 % sessionMoves);
        else
            limitByClockIncrement(clockMs, incrementMs);
    }
    context->maxDepth = depthLimit ? depthLimit + 1 : 64;
    nodeLimit         = xboardNodeCap;
}

void runSearch() {
    answeredMove = 0;
    answerVoid   = false;
    think(*context);
    clearSearchLimits();
}

// The engine's move for the side to move, or its claim of the result when it has none.
void playEngineMove() {
    Position& pos = context->position;
    setUpPosition();
    if (!firstLegalMove(pos)) {
        const bool redLost = pos.sideToMove == sideRed;
        printLine("%s {%s is %s}", redLost ? "0-1" : "1-0", redLost ? "Red" : "Black",
                  inCheck(pos, pos.sideToMove) ? "mated" : "stalemated");
        return;
    }
    setClockLimits();
    runSearch();
    if (answerVoid)
        return;
    // No answer with legal moves at hand: each of them repeats into a lost position. The
    // game is lost either way, but a move keeps it going by the rules.
    const Move mv = answeredMove ? answeredMove : firstLegalMove(pos);
    char text[5];
    moveText(mv, text);
    printLine("move %s", text);
    addGameMove(mv);
}

void analyse() {
    analysisStale = false;
    setUpPosition();
    if (!firstLegalMove(context->position))
        return;
    limitToNodes(*context, xboardNodeCap);
    // The book would answer at once, without a line of analysis.
    const int hits = bookHits;
    bookHits = 20;
    runSearch();
    bookHits = hits;
}

// Whether the line's first word is name; if so, rest moves past it and the blanks after it.
bool isCommand(const char*& rest, const char* name) {
    const size_t n = std::strlen(name);
    if (std::strncmp(rest, name, n) != 0 || (rest[n] != '\0' && rest[n] != ' ' && rest[n] != '\t'))
        return false;
    rest += n;
    while (*rest == ' ' || *rest == '\t')
        ++rest;
    return true;
}

// A move as the line's only word, in coordinates ("h2e2").
bool isMoveText(const char* line) {
    return std::strlen(line) == 4 && parseMoveText(line);
}

// The opponent's move, or in force mode either side's; then the engine's answer.
void userMove(const char* text) {
    int length = 0;
    while (text[length] > ' ')
        ++length;
    const Move mv = length == 4 ? parseMoveText(text) : 0;
    if (!isLegalGameMove(context->position, mv)) {
        printLine("Illegal move: %.*s", std::min(length, 64), text);
        return;
    }
    addGameMove(mv);
    analysisStale = true;
    if (!forceMode && !analyzing)
        playEngineMove();
}

void takeBack(int plies) {
    if (gameMoveCount < plies) {
        printLine("Error (no move to take back): %s", plies == 1 ? "undo" : "remove");
        return;
    }
    gameMoveCount -= plies;
    setUpPosition();
    analysisStale = true;
}

void newGame() {
    std::strcpy(gameFen, startFen);
    gameMoveCount = 0;
    forceMode     = false;
    depthLimit    = 0;
    ownClockMs    = -1;
    analysisStale = true;
    startNewGame();
    setUpPosition();
}

void setBoard(const char* text) {
    char fen[fenBufferSize];
    if (!readSetboardFen(text, fen)) {
        printLine("tellusererror Illegal position");
        return;
    }
    std::strcpy(gameFen, fen);
    gameMoveCount = 0;
    analysisStale = true;
    setUpPosition();
}

// The table size log2 of the hash table in use.
int tableLog2() {
    int log2Bytes = 3;  // 8-byte items
    for (uint32_t items = hshMask + 1; items > 1; items >>= 1)
        ++log2Bytes;
    return log2Bytes;
}

void setMemory(const char* text) {
    const int megabytes = readClampedInt(text, 0, xboardMemoryCapMb);
    if (megabytes > 0 && hashLog2ForMegabytes(megabytes) != tableLog2())
        resizeTables(megabytes);
}

void printFeatures() {
    printLine("feature myname=\"Quorvex 0.731r\" variants=\"xiangqi\" setboard=1 usermove=1 ping=1 time=1");
    printLine("feature memory=1 colors=0 sigint=0 sigterm=0 reuse=1 analyze=1 done=1");
}

// Commands that are accepted and change nothing the engine does.
bool isIgnored(const char* line) {
    static const char* const ignored[] = {"xboard",   "accepted", "rejected", "random", "computer", "name",
                                          "rating",   "cores",    "draw",     "hard",   "easy",     "otim",
                                          "ics",      "?",        ".",        "hint",   "bk"};
    for (const char* name : ignored) {
        const char* rest = line;
        if (isCommand(rest, name))
            return true;
    }
    return false;
}

void serveLine(const char* line) {
    while (*line == ' ' || *line == '\t')
        ++line;
    const char* rest = line;
    if (!*line || isIgnored(line))
        return;
    if (isCommand(rest, "usermove"))
        userMove(rest);
    else if (isMoveText(line))
        userMove(line);
    else if (isCommand(rest, "time"))
        ownClockMs = 10 * readClampedInt(rest, 0, 200000000);
    else if (isCommand(rest, "go")) {
        forceMode = false;
        playEngineMove();
    } else if (isCommand(rest, "ping"))
        printLine("pong %d", readClampedInt(rest, 0, 2147483647));
    else if (isCommand(rest, "new"))
        newGame();
    else if (isCommand(rest, "force") || isCommand(rest, "result"))
        forceMode = true;
    else if (isCommand(rest, "level"))
        setLevel(rest);
    else if (isCommand(rest, "st"))
        moveTimeMs = msOf(std::strtod(rest, nullptr));
    else if (isCommand(rest, "sd"))
        depthLimit = readClampedInt(rest, 1, maxGoDepth);
    else if (isCommand(rest, "setboard"))
        setBoard(rest);
    else if (isCommand(rest, "undo"))
        takeBack(1);
    else if (isCommand(rest, "remove"))
        takeBack(2);
    else if (isCommand(rest, "post") || isCommand(rest, "nopost"))
        postThinking = line[0] == 'p';
    else if (isCommand(rest, "analyze")) {
        analyzing     = true;
        analysisStale = true;
    } else if (isCommand(rest, "exit"))
        analyzing = false;
    else if (isCommand(rest, "memory"))
        setMemory(rest);
    else if (isCommand(rest, "variant")) {
        if (!isCommand(rest, "xiangqi"))
            printLine("Error (unsupported variant): %.64s", rest);
    } else if (isCommand(rest, "protover"))
        printFeatures();
    else if (isCommand(rest, "quit"))
        quitting = true;
    else {
        int length = 0;
        while (line[length] > ' ')
            ++length;
        printLine("Error (unknown command): %.*s", std::min(length, 64), line);
    }
}

// Lines that change the game: a search running for the game as it was is void.
bool changesGame(const char* line) {
    static const char* const changing[] = {"new",  "force",    "result",   "quit",   "undo",
                                           "remove", "setboard", "usermove", "analyze"};
    for (const char* name : changing) {
        const char* rest = line;
        if (isCommand(rest, name))
            return true;
    }
    return isMoveText(line);
}

bool XboardProtocol::pollInput() {
    if (hasPending || inputGone)
        return inputGone && analyzing;  // a game's search ends with its move, analysis at once
    char line[lineBufferSize];
    if (!readLine(line)) {
        inputGone = inputEnded();
        return inputGone && analyzing;
    }
    const char* rest = line;
    if (analyzing) {
        if (isCommand(rest, ".") || isCommand(rest, "?"))
            return false;
        if (isCommand(rest, "ping")) {  // the analysis is the state every command has reached
            printLine("pong %d", readClampedInt(rest, 0, 2147483647));
            return false;
        }
    } else if (isCommand(rest, "?")) {
        return true;  // move now
    }
    std::memcpy(pendingLine, line, sizeof pendingLine);
    hasPending = true;
    if (analyzing) {
        analysisStale = true;  // whatever the line does, the analysis goes on after it
        return true;
    }
    answerVoid = changesGame(line);
    return answerVoid;
}

void XboardProtocol::iterationDone(const SearchReport& report) {
    if (!postThinking && !analyzing)
        return;
    // "ply score time nodes pv": centipawns (a pawn is 24 units), centiseconds.
    char line[80 + 5 * 256];
    appendPv(line,
             std::snprintf(line, 80, "%d %d %d %" PRIu64, report.depth, report.score * 100 / 24,
                           report.elapsedMs / 10, report.nodes),
             report.pv);
    printLine("%s", line);
}

void XboardProtocol::answer(Move best, Move) {
    answeredMove = best;
}

}  // namespace

void serveXboard(SearchContext& ctx) {
    context = &ctx;
    useProtocol(xboardProtocol);
    sessionMoves = 40, baseMs = 300000, incrementMs = 0, moveTimeMs = 0;
    postThinking = analyzing = quitting = hasPending = inputGone = false;
    newGame();

    char line[lineBufferSize];
    while (!quitting && hshItems) {
        if (hasPending) {
            std::memcpy(line, pendingLine, sizeof line);
            hasPending = false;
        } else if (inputGone || !waitForLine(line)) {
            break;
        }
        serveLine(line);
        if (analyzing && analysisStale && !hasPending && !quitting)
            analyse();
    }
}

void runXboard(SearchContext& ctx) {
    useProtocol(xboardProtocol);
    if (!startEngine(ctx))
        return;  // no table, no search
    initBookPath();
    serveXboard(ctx);
    freeHashTables();
}
