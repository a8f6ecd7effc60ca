#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/tables.h"
#include "eval/phase.h"
#include "eval/weights.h"
#include "search/context.h"
#include "shell/protocol.h"
#include "shell/ucci.h"
#include "tests/freshstate.h"

namespace {

constexpr const char* startBoardField = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR";

// The endgame switch changes process-wide values for good; every test here runs with them
// saved and restored, and with the switch held off (endgameMode 1) unless a test wants it.
class FenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        initBitCounts();
        initBoardTables((1u << 25) - 1);
    }
    void SetUp() override {
        useProtocol(ucciProtocol);
        restoreFreshEngineState();
        std::memcpy(savedExchange, exchangeValue, sizeof savedExchange);
        std::memcpy(savedPst, pieceSquareTable, sizeof savedPst);
        savedEndgameMode = endgameMode;
        savedFutility = futilityUnit, savedDelta = qsDeltaMargin;
        savedTempo = tempoBonus, savedBudget = timeBudgetMs;
        endgameMode = 1;
        std::memset(&pos, 0xAB, sizeof pos);  // set-up must not rely on earlier contents
    }
    void TearDown() override {
        std::memcpy(exchangeValue, savedExchange, sizeof savedExchange);
        std::memcpy(pieceSquareTable, savedPst, sizeof savedPst);
        endgameMode = savedEndgameMode;
        futilityUnit = savedFutility, qsDeltaMargin = savedDelta;
        tempoBonus = savedTempo, timeBudgetMs = savedBudget;
    }
    // Sets the position up as a front end's FEN is, with the game-phase switch after it,
    // and returns what was printed.
    std::string setup(const std::string& fen) {
        testing::internal::CaptureStdout();
        setUpFen(pos, fen.c_str());
        return testing::internal::GetCapturedStdout();
    }

    Position pos;
    int savedExchange[46];
    int16_t savedPst[10][90];
    int savedEndgameMode, savedFutility, savedDelta, savedTempo, savedBudget;
};

// Board, piece list and occupancy masks describe the same pieces, all on real squares.
void expectConsistent(const Position& pos) {
    EXPECT_EQ(pos.pieceSquare[0], noSquare);
    EXPECT_EQ(pos.pieceSquare[1], noSquare);
    uint16_t ranks[10] = {}, files[9] = {};
    int onBoardCount = 0;
    for (int pc = 2; pc < pieceIdCount; ++pc) {
        int sq = pos.pieceSquare[pc];
        if (sq == noSquare)
            continue;
        ASSERT_TRUE(onBoard(sq)) << "piece " << pc << " on " << sq;
        EXPECT_EQ(pos.board[sq], pc);
        ranks[rankOf(sq)] |= uint16_t(1 << fileOf(sq));
        files[fileOf(sq)] |= uint16_t(1 << rankOf(sq));
        ++onBoardCount;
    }
    int occupied = 0;
    for (int sq = 0; sq < boardSize; ++sq)
        occupied += pos.board[sq] != 0;
    EXPECT_EQ(occupied, onBoardCount);
    for (int r = 0; r < 10; ++r)
        EXPECT_EQ(pos.bitRanks[r], ranks[r]) << "rank " << r;
    for (int f = 0; f < 9; ++f)
        EXPECT_EQ(pos.bitFiles[f], files[f]) << "file " << f;
}

TEST_F(FenTest, StartFenGivesTheStartBoard) {
    EXPECT_EQ(setup(startFen), "");
    Position start;
    placeStartBoard(start);
    EXPECT_EQ(std::memcmp(pos.board, start.board, squareCount), 0);
    EXPECT_EQ(std::memcmp(pos.pieceSquare, start.pieceSquare, sizeof pos.pieceSquare), 0);
    EXPECT_EQ(pos.sideToMove, sideRed);
    // Spot checks of the numbering: rooks, pawns by file, cannons.
    const struct { int square, id; } spots[] = {
        {0x00, 28}, {0x08, 30}, {0x90, 31}, {0x98, 29}, {0x30, 4}, {0x34, 2}, {0x38, 6},
        {0x60, 7},  {0x64, 3},  {0x68, 5},  {0x71, 27}, {0x77, 25}, {0x04, 32}, {0x94, 33},
    };
    for (const auto& spot : spots)
        EXPECT_EQ(pos.board[spot.square], spot.id) << "square " << spot.square;
    expectConsistent(pos);
    EXPECT_EQ(pos.presenceMask, 0xFFFFFFFCu);
    EXPECT_EQ(pos.ply, 0);
    EXPECT_EQ(pos.historyLength, 0);
    EXPECT_EQ(pos.pstScore, 0);
    EXPECT_EQ(pos.pieceCount[20], 0);  // left for the search root to rebuild
    // The start position is symmetric, so black's and red's piece-square values cancel.
    EXPECT_EQ(pieceSquareSum(pos, pieceSquareTable), 0);
    for (int kind = 0; kind < kindCount; ++kind)
        EXPECT_EQ(lastPieceId[kind][sideRed], lastPieceId[kind][sideBlack] + 1);
    EXPECT_EQ(lastPieceId[kindPawn][sideBlack], 10);
    EXPECT_EQ(lastPieceId[kindRook][sideRed], 31);
}

TEST_F(FenTest, HashKeyHoldsTheSideKeyWithRedToMove) {
    setup(std::string(startBoardField) + " w");
    const uint64_t red = uint64_t(pos.hashHigh) << 32 | pos.hashLow;
    setup(std::string(startBoardField) + " b");
    const uint64_t black = uint64_t(pos.hashHigh) << 32 | pos.hashLow;
    EXPECT_EQ(red ^ black, zobristSide);  // the same placement, the other side: another key
    // An empty board holds the side key alone with red to move, nothing with black.
    setup("9/9/9/9/9/9/9/9/9/9 w");
    EXPECT_EQ((uint64_t(pos.hashHigh) << 32 | pos.hashLow), zobristSide);
    setup("n8/9/9/9/9/9/9/9/9/9 b");
    EXPECT_EQ((uint64_t(pos.hashHigh) << 32 | pos.hashLow), zobristTable[4][0]);
}

TEST_F(FenTest, SideField) {
    struct Row { const char* tail; int side; } rows[] = {
        {" w - - 0 1", sideRed}, {" b - - 0 1", sideBlack}, {" B", sideBlack},
        {" r", sideRed},         {"", sideRed},             {" - - 0 1", sideRed},
        {" x w b", sideRed},     {"  b w", sideBlack},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tail);
        EXPECT_EQ(setup(std::string(startBoardField) + row.tail), "");
        EXPECT_EQ(pos.sideToMove, row.side);
    }
}

TEST_F(FenTest, LetterAliases) {
    setup("rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR w");
    Position start;
    placeStartBoard(start);
    EXPECT_EQ(std::memcmp(pos.board, start.board, squareCount), 0);
}

// Piece rows are given as "square id" pairs expected after the set-up.
TEST_F(FenTest, PieceIdRules) {
    struct Row {
        const char* name;
        const char* fen;
        std::vector<std::pair<int, int>> expected;
    } rows[] = {
        {"black elephant alone on file 6", "6b2/9/9/9/9/9/9/9/9/9", {{0x06, 18}}},
        {"black elephants on files 6 and 8", "6b1b/9/9/9/9/9/9/9/9/9", {{0x06, 16}, {0x08, 18}}},
        {"black elephants on files 2 and 6", "2b3b2/9/9/9/9/9/9/9/9/9", {{0x02, 16}, {0x06, 18}}},
        {"red horse alone on file 7", "9/9/9/9/9/9/9/9/9/7N1", {{0x97, 21}}},
        {"red horses both on the left", "9/9/9/9/9/9/9/9/N8/1N7", {{0x80, 23}, {0x91, 21}}},
        {"black advisor alone on file 5", "5a3/9/9/9/9/9/9/9/9/9", {{0x05, 14}}},
        {"black advisor alone on file 4", "9/4a4/9/9/9/9/9/9/9/9", {{0x14, 12}}},
        {"red advisors both on the right", "9/9/9/9/9/9/9/9/5A3/5A3", {{0x85, 13}, {0x95, 15}}},
        {"black pawns on file 4", "9/9/9/4p4/4p4/9/9/9/9/9", {{0x34, 2}, {0x44, 8}}},
        {"red pawns on file 0", "9/9/9/9/P8/P8/P8/P8/P8/9",
         {{0x40, 7}, {0x50, 11}, {0x60, 3}, {0x70, 9}, {0x80, 5}}},
        {"red pawn alone on file 8", "9/9/9/9/9/9/8P/9/9/9", {{0x68, 5}}},
        {"black pawn alone on file 5", "9/9/9/9/9/5p3/9/9/9/9", {{0x55, 10}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(setup(std::string(row.fen) + " w"), "");
        for (const auto& [square, id] : row.expected) {
            EXPECT_EQ(pos.board[square], id) << "square " << square;
            EXPECT_EQ(pos.pieceSquare[id], square) << "id " << id;
        }
        expectConsistent(pos);
    }
}

TEST_F(FenTest, BadBoardFieldsPrintOneError) {
    struct Row {
        const char* name;
        const char* fen;
        int pieces;  // pieces left on the board
    } rows[] = {
        {"empty text", "", 0},
        // The long rank shifts every later piece one square on: a pawn of each side lands on
        // the unused column 9 and the last rook past the board.
        {"a rank of ten squares", "rnbakabnr1/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w", 29},
        {"a long last rank", "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR1 w", 32},
        {"nine ranks", "rnbakabnr/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w", 32},
        {"pieces past file 8", "99/rk/9/9/9/9/9/9/9/4K4 w", 1},
        {"a piece on column 9 that still adds up", "9r/8/9/9/9/9/9/9/9/4K4 w", 1},
        {"three red rooks", "4k4/9/9/9/9/9/9/9/9/R3K2RR w", 4},
        {"two red kings", "4k4/9/9/9/9/9/9/9/9/3KK4 w", 2},
        {"six black pawns", "4k4/9/9/p1p1p1p1p/4p4/9/9/9/9/4K4 w", 7},
        {"three black horses on the right", "4k1nnn/9/9/9/9/9/9/9/9/4K4 w", 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(setup(row.fen), "Fen String Error!\n");
        EXPECT_EQ(pos.sideToMove, sideRed);
        int pieces = 0;
        for (int pc = 2; pc < pieceIdCount; ++pc)
            pieces += pos.pieceSquare[pc] != noSquare;
        EXPECT_EQ(pieces, row.pieces);
        expectConsistent(pos);
    }
}

TEST_F(FenTest, ExtraPiecesKeepTheFirstOnes) {
    setup("4k4/9/9/9/9/9/9/9/9/R3K2RR w");
    EXPECT_EQ(pos.board[0x90], 31);
    EXPECT_EQ(pos.board[0x97], 29);
    EXPECT_EQ(pos.board[0x98], 0);
    // Three horses all on the right: two of them get ids, the last in file order is dropped.
    setup("4k1nnn/9/9/9/9/9/9/9/9/4K4 w");
    EXPECT_EQ(pos.board[0x06], 22);
    EXPECT_EQ(pos.board[0x07], 20);
    EXPECT_EQ(pos.board[0x08], 0);
}

TEST_F(FenTest, MissingKingsAreReported) {
    EXPECT_EQ(setup("9/9/9/9/9/9/9/9/9/4K4 w"), "");
    EXPECT_FALSE(bothKingsPresent(pos));
    setup(startFen);
    EXPECT_TRUE(bothKingsPresent(pos));
}

// Arbitrary text, long or short, never leaves the board or the piece list.
TEST_F(FenTest, ArbitraryTextStaysInBounds) {
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    const char alphabet[] = "0123456789/rnbakcpRNBAKCPheHEwWbB -x";
    for (int round = 0; round < 400; ++round) {
        std::string text(round % 5 == 0 ? 5000 : next() % 200, ' ');
        for (char& c : text)
            c = round % 2 ? char(next() >> 24 | 1) : alphabet[(next() >> 16) % (sizeof alphabet - 1)];
        testing::internal::CaptureStdout();
        setupFromFen(pos, text.c_str());
        testing::internal::GetCapturedStdout();
        SCOPED_TRACE(round);
        expectConsistent(pos);
        ASSERT_FALSE(HasFatalFailure());
    }
}

class EndgameSwitchTest : public FenTest {
protected:
    void SetUp() override {
        FenTest::SetUp();
        endgameMode = 0;
        futilityUnit = 23, qsDeltaMargin = 34, timeBudgetMs = 61439, tempoBonus = 5;
    }
};

TEST_F(EndgameSwitchTest, FiresOnThinMaterial) {
    struct Row {
        const char* name;
        const char* fen;
        bool fires, rookless;
    } rows[] = {
        {"start position", startFen, false, false},
        {"rook, horse and cannon each", "r2k2nc1/9/9/9/9/9/9/9/9/R2K2NC1 w", false, false},
        {"red down to two majors", "r2k2nc1/9/9/9/9/9/9/9/9/R2K3C1 w", true, false},
        {"kings and advisors only", "3aka3/9/9/9/9/9/9/9/9/3AKA3 w", true, true},
        {"many majors but no rook", "3k1nncc/9/9/9/9/9/9/9/9/3K1NNCC w", true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string out = setup(row.fen);
        if (row.fires) {
            EXPECT_EQ(out, "info endgame reached\n");
            EXPECT_EQ(endgameMode, 1);
            EXPECT_EQ(tempoBonus, 0);
            EXPECT_EQ(timeBudgetMs, 61439 + 7679);
            EXPECT_EQ(futilityUnit, row.rookless ? 26 : 23);
            EXPECT_EQ(qsDeltaMargin, row.rookless ? 22 : 34);
            EXPECT_EQ(exchangeValue[2], -56);
            EXPECT_EQ(exchangeValue[3 + 34], 127);
            EXPECT_EQ(exchangeValue[20], -196);
            EXPECT_EQ(std::memcmp(pieceSquareTable, endgamePieceSquareTable, sizeof pieceSquareTable),
                      0);
        } else {
            EXPECT_EQ(out, "");
            EXPECT_EQ(endgameMode, 0);
            EXPECT_EQ(timeBudgetMs, 61439);
            EXPECT_EQ(exchangeValue[3], 24);
            EXPECT_EQ(pieceSquareTable[1][pstIndex(0x94)], -9953);
        }
        // Back to the middle game for the next row.
        TearDown();
        SetUp();
    }
}

TEST_F(EndgameSwitchTest, ReportsOncePerGame) {
    EXPECT_EQ(setup("3aka3/9/9/9/9/9/9/9/9/3AKA3 w"), "info endgame reached\n");
    EXPECT_EQ(setup("3aka3/9/9/9/9/9/9/9/9/3AKA3 w"), "");
    // The game sent again from its start: the switch selects again, silently.
    endgameMode = 0;
    EXPECT_EQ(setup("3aka3/9/9/9/9/9/9/9/9/3AKA3 w"), "");
    EXPECT_EQ(endgameMode, 1);
    EXPECT_TRUE(endgameValuesSelected);
    EXPECT_EQ(timeBudgetMs, 61439 + 7679);
    // A middle-game position of the same game (a take-back) has the normal values again.
    endgameMode = 0;
    EXPECT_EQ(setup(startFen), "");
    EXPECT_FALSE(endgameValuesSelected);
    EXPECT_EQ(exchangeValue[3], 24);
    // A new game reports again; both prints come in order when the text is bad.
    resetGamePhase();
    EXPECT_EQ(setup(""), "Fen String Error!\ninfo endgame reached\n");
}

// Found by fuzzing: new games that start in an endgame, with no search between them to set
// the budget anew, each add an eighth to it; it stops at the cap instead of overflowing.
TEST_F(EndgameSwitchTest, RepeatedNewGamesKeepTheBudgetInRange) {
    timeBudgetMs = 400000000;  // as "go time 2000000000" leaves it
    for (int game = 0; game < 40; ++game) {
        resetGamePhase();
        EXPECT_EQ(setup("3aka3/9/9/9/9/9/9/9/9/3AKA3 w"), "info endgame reached\n");
        ASSERT_GT(timeBudgetMs, 0);
    }
    EXPECT_EQ(timeBudgetMs, noTimeLimit);
}

TEST_F(FenTest, RebuildDerivedFieldsCountsByPair) {
    setup("4k4/9/9/9/9/9/9/9/9/1N2K1N2 w");
    uint16_t ranks[10], files[9];
    std::memcpy(ranks, pos.bitRanks, sizeof ranks);
    std::memcpy(files, pos.bitFiles, sizeof files);
    uint32_t presence = pos.presenceMask;
    rebuildDerivedFields(pos);
    EXPECT_EQ(std::memcmp(ranks, pos.bitRanks, sizeof ranks), 0);
    EXPECT_EQ(std::memcmp(files, pos.bitFiles, sizeof files), 0);
    EXPECT_EQ(pos.presenceMask, presence);
    EXPECT_EQ(pos.pieceCount[21], 2);  // red horses 21 and 23 share one counter
    EXPECT_EQ(pos.pieceCount[20], 0);
    EXPECT_EQ(pos.pieceCount[33], 1);
    // Horse 23 on 0x91 stands in region 1, horse 21 on 0x96 in region 3.
    EXPECT_EQ(pos.regionMask[1], 1u << 23);
    EXPECT_EQ(pos.regionMask[3], 1u << 21);
}

}  // namespace
