#include "shell/protocol.h"

#include <cstring>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/position.h"
#include "board/tables.h"
#include "book/book.h"
#include "eval/phase.h"
#include "movegen/history.h"
#include "movegen/movegen.h"
#include "movegen/replay.h"
#include "platform/platform.h"
#include "search/hash.h"
#include "search/limits.h"
#include "search/search.h"

namespace {

// Until a protocol takes over (tests and tools that set positions up without one).
struct QuietProtocol final : Protocol {
    bool pollInput() override { return false; }
    void answer(Move, Move) override {}
    void badFen() override {}
    void illegalMove(const char*, int) override {}
    void tableShortfall(int, int, bool) override {}
};

QuietProtocol quietProtocol;

}  // namespace

Protocol* protocol = &quietProtocol;

void useProtocol(Protocol& running) {
    protocol = &running;
    frontEnd = &running;
}

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

int allocateTables(int log2Bytes) {
    bool evalCacheMissing = false;
    const int obtained = allocateHashTables(log2Bytes, &evalCacheMissing);
    if (obtained != log2Bytes)
        protocol->tableShortfall(obtained, log2Bytes, evalCacheMissing);
    return obtained;
}

int startEngine(SearchContext& ctx, int log2Bytes) {
    int obtained = allocateTables(defaultHashLog2);
    if (!obtained)
        return 0;
    initEngine(ctx);
    if (log2Bytes != defaultHashLog2) {
        freeHashTables();
        obtained = allocateTables(log2Bytes);
    }
    return obtained;
}

void resizeTables(int megabytes) {
    // 0 is also what an absent or unreadable size gives: keep the tables as they are.
    if (megabytes > 0) {
        freeHashTables();
        allocateTables(hashLog2ForMegabytes(megabytes));
    }
}

void restoreFreshEngine(SearchContext& ctx) {
    startNewGame();
    clearKillers();
    resetHistory();
    setUpFen(ctx.position, startFen);
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

void setUpFen(Position& pos, const char* fen) {
    if (!setupFromFen(pos, fen))
        protocol->badFen();
    if (endgameMode == 0)
        switchGamePhase(pos);
}

// The board of the start position, as it appears in any FEN of a game played from it.
static const char startBoard[] = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR";

void setUpGame(SearchContext& ctx, const char* fen, const MoveText* moves, int moveCount) {
    // A game from the start: the move count tells how many replies the engine has given.
    if (fen && std::strstr(fen, startBoard)) {
        endgameMode = 0;
        searchCount = moveCount / 2;
        if (searchCount == 0)  // the engine has not answered in this game yet: a new one
            startNewGame();
    }
    Position& pos = ctx.position;
    setUpFen(pos, fen);
    ctx.stopFlag = 0;

    // The set-up has decided the game phase from its material. A capture among the game's
    // moves may thin it out further; the switch must then run in full (weights, piece-square
    // set, report) at the next search root, not only flip the flag as a capture inside a
    // search does, so the flag is put back after the replay.
    const int modeAfterSetup = endgameMode;
    lastPlayedMove = 0;
    const int count = fen && moveCount > 0 ? moveCount : 0;
    for (int i = 0; i < count; ++i) {
        const MoveText& text = moves[i];
        Move mv = parseMoveText(text.c);
        if (!playGameMove(pos, mv)) {
            // The rest of the list cannot be played on a position that lacks this move.
            char shown[5];
            for (int c = 0; c < 4; ++c)  // the text may hold any byte; keep the line readable
                shown[c] = text.c[c] > ' ' && text.c[c] < 127 ? text.c[c] : '?';
            shown[4] = 0;
            protocol->illegalMove(shown, count - i - 1);
            break;
        }
        lastPlayedMove = mv;
    }
    endgameMode = modeAfterSetup;
}

bool isLegalGameMove(Position& pos, Move mv) {
    if (!mv || !isValidMove(mv, pos))
        return false;
    const int victim = pos.board[moveTo(mv)];
    return victim != kingBlack && victim != kingRed && moveKeepsKingSafe(pos, mv);
}

Move firstLegalMove(Position& pos) {
    for (int pc = pawnFirst + pos.sideToMove; pc < pieceIdCount; pc += 2) {
        const int from = pos.pieceSquare[pc];
        for (int rank = 0; from != noSquare && rank < 10; ++rank)
            for (int file = 0; file < 9; ++file)
                if (isLegalGameMove(pos, packMove(from, makeSquare(rank, file))))
                    return packMove(from, makeSquare(rank, file));
    }
    return 0;
}

