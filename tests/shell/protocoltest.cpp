#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <cstring>

#include "board/fen.h"
#include "movegen/replay.h"
#include "board/tables.h"
#include "platform/platform.h"
#include "search/hash.h"
#include "book/book.h"
#include "shell/protocol.h"
#include "shell/ucci.h"
#include "tests/testsystem.h"

namespace {

// The one search record of these tests; Position is too large for comfort on the stack.
SearchContext testContext;

void initEngineTables() {
    useProtocol(ucciProtocol);
    initBitCounts();
    initBoardTables((1u << 25) - 1);
}

UcciCommand parsed(const char* line, UcciCode expected) {
    UcciCommand cmd{};
    EXPECT_EQ(parseCommandLine(line, cmd), expected) << line;
    return cmd;
}

}  // namespace

TEST(Protocol, HashSizeToTableSize) {
    struct Row { int megabytes, log2Bytes; } rows[] = {
        {1, 24},   {15, 24},  {16, 24},  {31, 24},   {32, 25},   {63, 25},  {64, 26},
        {100, 26}, {128, 27}, {255, 27}, {256, 28},  {511, 28},  {512, 29}, {1023, 29},
        {1024, 30},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.megabytes);
        EXPECT_EQ(hashLog2ForMegabytes(row.megabytes), row.log2Bytes);
    }
}

TEST(Protocol, BookPathBesideExecutable) {
    std::string longFolder = "/" + std::string(1015, 'd') + "/";
    struct Row { std::string exe; char separator; std::string expected; } rows[] = {
        {"/usr/games/quorvex", '/', "/usr/games/QXBOOK.DAT"},
        {"/quorvex", '/', "/QXBOOK.DAT"},
        {"quorvex", '/', "QXBOOK.DAT"},
        {"", '/', "QXBOOK.DAT"},
        {"C:\\Engines\\quorvex.exe", '\\', "C:\\Engines\\QXBOOK.DAT"},
        {longFolder + "quorvex", '/', "QXBOOK.DAT"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.exe.substr(0, 40));
        char dest[bookPathSize];
        buildBookPath(dest, bookPathSize, row.exe.c_str(), row.separator);
        EXPECT_EQ(std::string(dest), row.expected);
    }
}

// The book is looked for beside the program, and a path built that way opens, whatever
// the folder is called.
TEST(Protocol, BookPathOfRunningProgram) {
    const std::string exe = runningProgramPath();
    ASSERT_FALSE(exe.empty());
    const std::string folder = exe.substr(0, exe.rfind(pathSeparator) + 1);
    initBookPath();
    EXPECT_EQ(std::string(bookPath), folder + "QXBOOK.DAT");
    FILE* program = std::fopen(exe.c_str(), "rb");
    EXPECT_NE(program, nullptr) << exe;
    if (program)
        std::fclose(program);
}

// Limits of each "go", run in order on one record: time modes keep the depth limit, and
// no budget may leave less than the safety margin of the clock.
TEST(Protocol, GoLimits) {
    struct Row { const char* line; const char* printed; int budget, maxDepth; } rows[] = {
        {"go depth 5", "Info Maxdepth:5\n", 61439, 6},
        {"go time 60000", "Info MaxTime:12000\n", 12000, 6},
        {"go depth 0", "Info Maxdepth:0\n", 30000, 32},
        {"go depth x", "Info Maxdepth:0\n", 30000, 32},
        {"go time 60000 movestogo 10", "Info MaxTime:4285\n", 4285, 32},
        {"go infinite", "Info Maxdepth:48\n", 61439, 49},
        {"go ponder depth 99", "Info Maxdepth:48\n", 61439, 49},
        {"go time 60000 increment 2000", "Info MaxTime:4812\n", 4812, 49},
        {"go time 300000", "Info MaxTime:60000\n", 60000, 49},
        {"go time 2000000000 increment 999999", "Info MaxTime:94749999\n", 94749999, 49},
        {"go time 1000000000 increment 0", "Info MaxTime:46875000\n", 46875000, 49},
        {"go time 0", "Info MaxTime:0\n", 0, 49},
        // 3 * 1000 / 64 + 2000 would pass the clock: capped at 1000 - (30 + 1000 / 20).
        {"go time 1000 increment 2000", "Info MaxTime:920\n", 920, 49},
        {"go time 100 increment 5000", "Info MaxTime:65\n", 65, 49},
        {"go time 20 increment 5000", "Info MaxTime:10\n", 10, 49},  // the floor
        {"go nodes 5000", "Info MaxNodes:5000\n", nodeSearchBudgetMs, 64},
        {"go depth 3", "Info Maxdepth:3\n", 61439, 4},
    };
    testContext.maxDepth = 64;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        UcciCommand cmd = parsed(row.line, codeGo);
        testing::internal::CaptureStdout();
        EXPECT_TRUE(setGoLimits(testContext, cmd));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.printed);
        EXPECT_EQ(timeBudgetMs, row.budget);
        EXPECT_EQ(testContext.maxDepth, row.maxDepth);
    }
}

TEST(Protocol, PositionGameCounters) {
    initEngineTables();
    struct Row {
        const char* line;
        int         searchCount, bookHits, endgameMode;
        Move        lastPlayed;
    } rows[] = {
        {"position startpos moves h2e2 h9g7 h0g2", 1, 7, 0, packMove(0x97, 0x76)},
        {"position startpos moves h2e2", 0, 0, 0, packMove(0x77, 0x74)},
        {"position startpos", 0, 0, 0, 0},
        {"position fen rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1 moves "
         "h2e2 h9g7 h0g2 i9h9 i0h0",
         2, 7, 0, packMove(0x98, 0x97)},
        // Not from the start: the counters of the game go on.
        {"position fen 4k4/9/9/9/9/9/9/9/9/4K4 w - - 0 1 moves e0e1", 5, 7, 1, packMove(0x94, 0x84)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        searchCount    = 5;
        bookHits       = 7;
        endgameMode    = 1;
        lastPlayedMove = 1234;
        applyPosition(testContext, parsed(row.line, codePosition));
        EXPECT_EQ(searchCount, row.searchCount);
        EXPECT_EQ(bookHits, row.bookHits);
        EXPECT_EQ(endgameMode, row.endgameMode);
        EXPECT_EQ(lastPlayedMove, row.lastPlayed);
    }
}

// A front end may send a whole long game as one move list; every move must be played (past
// the command list's old 512) and the history stack must still leave the search its room.
TEST(Protocol, LongGameReplaysExactly) {
    initEngineTables();
    std::string line = "position startpos moves";
    const char* cycle[] = {" h0g2", " h9g7", " g2h0", " g7h9", " f0e1", " f9e8", " e1f0", " e8f9"};
    for (int ply = 0; ply < 801; ++ply)
        line += cycle[ply % 8];
    ASSERT_LE(line.size(), 4095u);  // one line, as the reader delivers it
    UcciCommand cmd = parsed(line.c_str(), codePosition);
    ASSERT_EQ(cmd.value.number, 801);
    applyPosition(testContext, cmd);
    const Position& pos = testContext.position;
    EXPECT_EQ(lastPlayedMove, packMove(0x97, 0x76));  // h0g2, the 801st move
    EXPECT_LE(pos.historyLength, historyCapacity - searchHistoryReserve);
    // 100 whole cycles and the first move of the next: black to move after h0g2.
    Position expected;
    setupFromFen(expected, "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C4NC1/9/RNBAKAB1R b - - 0 1");
    EXPECT_EQ(0, std::memcmp(pos.board, expected.board, sizeof pos.board));
    EXPECT_EQ(pos.sideToMove, sideBlack);
    EXPECT_EQ(pos.hashLow, expected.hashLow);
}

// Replay stops at the first move that is malformed or not a move of the side to move, and
// the position is exactly the one the valid moves before it left.
TEST(Protocol, ReplayStopsAtTheFirstBadMove) {
    initEngineTables();
    struct Row { const char* line; const char* expectedFen; } rows[] = {
        {"position startpos moves h2e2 h9g7 zz99 a0a1",
         "position startpos moves h2e2 h9g7"},
        {"position startpos moves h2e2 h2e2 h9g7", "position startpos moves h2e2"},
        {"position startpos moves a0a8", "position startpos"},           // rook through a pawn
        {"position startpos moves h9g7", "position startpos"},           // black piece, red to move
        {"position startpos moves e4e5", "position startpos"},           // empty origin
        {"position startpos moves h2e2  h9g7", "position startpos moves h2e2"},  // misaligned
        {"position fen 4k4/9/9/9/9/9/9/9/4R4/4K4 w - - 0 1 moves e1e9",  // never take a king
         "position fen 4k4/9/9/9/9/9/9/9/4R4/4K4 w - - 0 1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        testing::internal::CaptureStdout();
        applyPosition(testContext, parsed(row.expectedFen, codePosition));
        Position expected = testContext.position;
        applyPosition(testContext, parsed(row.line, codePosition));
        EXPECT_NE(testing::internal::GetCapturedStdout().find("info illegal move"),
                  std::string::npos);
        EXPECT_EQ(0, std::memcmp(&testContext.position, &expected, sizeof expected));
    }
}

// A capture in the replayed moves that ends the middle game must not leave the flag set:
// the full switch, with its weights and report, belongs to the next search root.
TEST(Protocol, ReplayLeavesTheEndgameSwitchToTheSearch) {
    initEngineTables();
    // Three majors a side at the set-up; red's rook then takes black's, leaving black two.
    const char* fen = "position fen r3k4/9/1n5c1/9/9/9/9/1C5N1/9/R2K5 w - - 0 1";
    endgameMode = 0;
    applyPosition(testContext, parsed(fen, codePosition));
    ASSERT_EQ(endgameMode, 0);
    applyPosition(testContext, parsed((std::string(fen) + " moves a0a9").c_str(), codePosition));
    EXPECT_EQ(lastPlayedMove, packMove(0x90, 0x00));
    EXPECT_EQ(endgameMode, 0);
}

TEST(Protocol, BanMovesKeepsTheLast) {
    bannedMove = 0;
    applyBanMoves(parsed("banmoves h2e2 h0g2", codeBanMoves));
    EXPECT_EQ(bannedMove, packMove(0x97, 0x76));
    applyBanMoves(parsed("banmoves ", codeBanMoves));
    EXPECT_EQ(bannedMove, packMove(0x97, 0x76));
    bannedMove = 0;
}

TEST(Protocol, Options) {
    ASSERT_EQ(allocateHashTables(24), 24);
    HashItem* before = hshItems;

    applyOption(testContext, parsed("setoption hashsize 0", codeSetOption));
    EXPECT_EQ(hshItems, before);
    applyOption(testContext, parsed("setoption hashsize big", codeSetOption));
    EXPECT_EQ(hshItems, before);
    applyOption(testContext, parsed("setoption hashsize 100", codeSetOption));
    EXPECT_EQ(hshMask, (1u << 26) / 8 - 1);
    applyOption(testContext, parsed("setoption hashsize 1", codeSetOption));
    EXPECT_EQ(hshMask, (1u << 24) / 8 - 1);
    applyOption(testContext, parsed("setoption threads 4", codeSetOption));
    EXPECT_EQ(hshMask, (1u << 24) / 8 - 1);

    endgameMode = 1;
    bookHits    = 3;
    searchCount = 9;
    applyOption(testContext, parsed("setoption newgame", codeSetOption));
    EXPECT_EQ(endgameMode, 0);
    EXPECT_EQ(bookHits, 0);
    EXPECT_EQ(searchCount, 0);
    freeHashTables();
    EXPECT_EQ(hshItems, nullptr);
}

// Every size the protocol can ask for: aligned, zeroed, masks matching the size.
TEST(HashTables, AllocateEverySize) {
    for (int n = 24; n <= 30; ++n) {
        SCOPED_TRACE(n);
        testing::internal::CaptureStdout();
        ASSERT_EQ(allocateHashTables(n), n);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // no alignment complaint
        EXPECT_EQ(uint64_t(hshMask) + 1, (uint64_t(1) << n) / sizeof(HashItem));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(hshItems) % 64, 0u);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(evalCache) % 64, 0u);
        EXPECT_EQ(evalCacheMask, uint32_t(evalCacheSize - 1));
        const HashItem& last = hshItems[hshMask];
        EXPECT_EQ(last.lockDepth | last.move | uint16_t(last.scoreBound), 0u);
        EXPECT_EQ(evalCache[evalCacheMask].score, 0);
        hshItems[hshMask].lockDepth        = 1;  // the whole range is ours to write
        evalCache[evalCacheMask].lockLow   = 1;
        freeHashTables();
        EXPECT_EQ(hshMask, 0u);
        EXPECT_EQ(evalCache, nullptr);
    }
}
