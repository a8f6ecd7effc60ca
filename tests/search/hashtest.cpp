// The transposition table's storing, probing, replacement and aging rules, and the
// variation walk.
#include <algorithm>
#include <utility>

#include "movegen/movegen.h"
#include "platform/platform.h"
#include "search/ordering.h"
#include "tests/search/searchfixture.h"

namespace {

void clearTables() {
    hashTablesUsed = true;
    clearHashTables();
}

}  // namespace

TEST_F(SearchTest, StoreRules) {
    setup(startFen);
    const Move m = mv("h2e2");
    struct Row {
        const char* name;
        int ply, age, depth;
        HashBound bound;
        int score;
        Move move;
        bool stored;
        int storedScore, agedDepth;
    } rows[] = {
        {"mate at ply 5 kept as a distance", 5, 0, 3, boundExact, 2043, 0, true, 2048, 3},
        {"verdict without a move", 5, 0, 3, boundExact, 1900, 0, false, 0, 0},
        {"verdict with a move", 5, 0, 3, boundExact, 1900, m, true, 1905, 3},
        {"lost verdict without a move", 4, 0, 3, boundUpper, -1900, 0, false, 0, 0},
        {"mated", 4, 0, 3, boundUpper, -2040, 0, true, -2044, 3},
        {"+1 at an odd ply is a draw", 3, 0, 2, boundUpper, 1, 0, false, 0, 0},
        {"+1 at an even ply is a score", 4, 0, 2, boundUpper, 1, 0, true, 1, 2},
        {"-1 at an even ply is a draw", 4, 0, 2, boundUpper, -1, 0, false, 0, 0},
        {"the abort value", 2, 0, 2, boundLower, 2049, m, false, 0, 0},
        {"aged depth", 0, 31, 20, boundExact, 10, m, true, 10, 51},
        {"aged depth wraps", 0, 31, 40, boundExact, 10, m, true, 10, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        clearTables();
        pos().ply = row.ply;
        searchCount = row.age;
        hashStore(ctx, row.depth, row.bound, row.score, row.move);
        const HashItem* item = hashProbeItem(ctx);
        ASSERT_EQ(item != nullptr, row.stored);
        if (!item)
            continue;
        EXPECT_EQ(itemScore(*item), row.storedScore);
        EXPECT_EQ(itemBound(*item), row.bound);
        EXPECT_EQ(itemAgedDepth(*item), row.agedDepth);
        EXPECT_EQ(item->move, row.move);
    }

    // The mate stored at ply 5 reads back at ply 7 as two plies nearer, whatever the depth.
    clearTables();
    searchCount = 0;
    pos().ply = 5;
    hashStore(ctx, 3, boundLower, 2043, 0);
    pos().ply = 7;
    const HashItem* item;
    EXPECT_EQ(hashProbeCut(ctx, 30, 2000, true, item), 2041);
    EXPECT_EQ(hashProbeCut(ctx, 30, 2000, false, item), noCutScore);  // a lower bound needs null
}

TEST_F(SearchTest, ProbeRules) {
    setup(startFen);
    const HashItem* item;
    Move move;
    struct Row {
        const char* name;
        int depth;
        HashBound bound;
        int score;
        Move stored;
        int probeDepth, beta;
        bool nullAllowed;
        int cut, qsCut;
    } rows[] = {
        {"upper bound below beta", 4, boundUpper, -50, 0, 4, 0, true, -50, -50},
        {"upper bound at beta", 4, boundUpper, 0, 0, 4, 0, true, noCutScore, noCutScore},
        {"too shallow", 3, boundUpper, -50, 0, 4, 0, true, noCutScore, -50},
        {"lower bound, null allowed", 4, boundLower, 60, 0, 4, 50, true, 60, noCutScore},
        {"lower bound, no null", 4, boundLower, 60, 0, 4, 50, false, noCutScore, noCutScore},
        {"a move never cuts the main search", 4, boundLower, 60, mv("h2e2"), 4, 50, true, noCutScore, 60},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        clearTables();
        hashStore(ctx, row.depth, row.bound, row.score, row.stored);
        EXPECT_EQ(hashProbeCut(ctx, row.probeDepth, row.beta, row.nullAllowed, item), row.cut);
        EXPECT_EQ(hashProbeQS(ctx, row.beta, move), row.qsCut);
        EXPECT_EQ(move, row.stored);
    }
}

TEST_F(SearchTest, OverwriteRule) {
    setup(startFen);
    const Move m1 = mv("h2e2"), m2 = mv("b2e2");
    struct Step {
        int depth;
        HashBound bound;
        int score;
        Move move;
        int expectScore, expectDepth;
        Move expectMove;
    } steps[] = {
        {5, boundExact, 100, m1, 100, 5, m1},
        {6, boundUpper, 150, 0, 100, 5, m1},  // a higher move-less upper bound keeps the item
        {6, boundUpper, 80, 0, 80, 6, m1},    // a lower one replaces score and depth, not the move
        {7, boundLower, 50, 0, 80, 6, m1},    // a move-less lower bound keeps it
        {2, boundLower, 300, m2, 300, 2, m2}, // a move always replaces
    };
    for (const Step& step : steps) {
        hashStore(ctx, step.depth, step.bound, step.score, step.move);
        const HashItem* item = hashProbeItem(ctx);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(itemScore(*item), step.expectScore);
        EXPECT_EQ(itemAgedDepth(*item), step.expectDepth);
        EXPECT_EQ(item->move, step.expectMove);
    }
}

// A bucket starting at the last item wraps to the array's start; when it is full, the
// shallowest item (the first of equals) makes way.
TEST_F(SearchTest, BucketWrapsAndReplacesTheShallowest) {
    setup(startFen);
    Position& p = pos();
    p.hashLow = hshMask;
    const int depths[] = {5, 3, 3, 6, 4};
    const uint32_t slots[] = {hshMask, 0, 1, 2, 0};
    for (int i = 0; i < 5; ++i) {
        p.hashHigh = uint32_t(i + 1) << 6;
        hashStore(ctx, depths[i], boundExact, 10 * i, mv("h2e2"));
        EXPECT_EQ(hshItems[slots[i]].lockDepth & 0x3FFFFFF, uint32_t(i + 1)) << i;
    }
    EXPECT_EQ(hshItems[1].lockDepth & 0x3FFFFFF, 3u);  // the second depth 3 stays
}

// The walk follows the stored moves; it stops where a position repeats, and after 256 moves
// at the most.
TEST_F(SearchTest, WalkStopsAtRepetitionAndLength) {
    // Rooks shuttling along ranks: the fourth move brings the first position back.
    setup("r3k4/9/9/9/9/9/9/9/9/R3K4 w", {"e0d0", "e9d9", "d0e0", "d9e9"});
    const char* cycle[] = {"a0b0", "a9b9", "b0a0", "b9a9"};
    for (const char* text : cycle) {
        hashStore(ctx, 1, boundExact, 0, mv(text));
        makeMove(pos(), mv(text), false);
    }
    for (int i = 0; i < 4; ++i)
        unmakeMove(pos());
    Position before;
    std::memcpy(&before, &pos(), sizeof before);
    Move pv[maxPvLength + 1];
    walkPV(ctx, mv("a0b0"), pv);
    EXPECT_EQ(pv[3], mv("b9a9"));
    EXPECT_EQ(pv[4], 0);
    EXPECT_EQ(std::memcmp(&before, &pos(), offsetof(Position, history)), 0);

    // The walk's light makes leave the records' piece field as it was: 0 in a fresh engine,
    // which reads as a pawn. Up and down a file the repetition test then sees a pawn advance
    // and finds nothing, and only the length bound ends the walk.
    std::memset(pos().history, 0, sizeof pos().history);
    setup("r3k4/9/9/9/9/9/9/9/9/R3K4 w");
    const char* shuttle[] = {"a0a1", "a9a8", "a1a0", "a8a9"};
    for (const char* text : shuttle) {
        hashStore(ctx, 1, boundExact, 0, mv(text));
        makeMoveLight(pos(), mv(text), false);
    }
    for (int i = 0; i < 4; ++i)
        unmakeMoveLight(pos());
    walkPV(ctx, mv("a0a1"), pv);
    EXPECT_EQ(pv[maxPvLength - 1], mv("a8a9"));
    EXPECT_EQ(pv[maxPvLength], 0);
    EXPECT_EQ(pos().historyLength, 0);
}

// However the line is extended, no node lies deeper than maxSearchPly: a search started
// near it, above a game that fills the history the replay leaves, stays within the history
// stack and the killer table (the sanitizer build checks the bounds).
TEST_F(SearchTest, DepthBoundHoldsAboveALongGame) {
    setup(startFen);
    const char* shuffle[] = {"h0g2", "h9g7", "g2h0", "g7h9", "f0e1", "f9e8", "e1f0", "e8f9"};
    for (int i = 0; i < 500; ++i)
        ASSERT_TRUE(playGameMove(pos(), mv(shuffle[i % 8])));
    const int length = pos().historyLength;
    ASSERT_LE(length, historyCapacity - searchHistoryReserve);
    timeBudgetMs = nodeSearchBudgetMs;
    ctx.startTimeMs = monotonicMs();
    compactPieceList(pos());
    rebuildDerivedFields(pos());
    for (int ply : {maxSearchPly - 6, maxSearchPly - 1, maxSearchPly}) {
        pos().ply = ply;
        const int score = searchPV(ctx, -MATE, MATE, 40);
        EXPECT_GT(score, -MATE);
        EXPECT_LT(score, MATE);
        EXPECT_EQ(pos().historyLength, length);
        EXPECT_EQ(pos().ply, ply);
    }
}

// A table move that is no move of the position (an item of another position that shares
// its lock, or a damaged one) is never made: not first at a node, not by the quiescence
// search, not by the variation walk.
TEST_F(SearchTest, TableMoveNotValidHereIsNeverMade) {
    // Through a screen, two steps at once, a piece of the other side, from an empty square,
    // onto an own piece.
    const char* moves[] = {"a0a9", "e3e5", "b7b0", "e5e6", "a0b0"};
    const Move reply = mv("h9g7");
    timeBudgetMs = nodeSearchBudgetMs;
    ctx.startTimeMs = monotonicMs();
    for (const char* text : moves) {
        SCOPED_TRACE(text);
        const Move bad = mv(text);
        setup(startFen, {"h2e2", "h9g7"});
        compactPieceList(pos());  // as a search root prepares it
        rebuildDerivedFields(pos());
        MovePicker picker;
        initPicker(picker, bad, 0, 3);
        while (const Move m = nextMove(picker, pos()))
            EXPECT_NE(m, bad);

        // The quiescence search from the position, with and without the item: the same
        // score from the same nodes.
        int scores[2];
        uint64_t nodes[2];
        for (int planted = 0; planted < 2; ++planted) {
            clearTables();
            if (planted)
                hashStore(ctx, 0, boundUpper, 10, bad);
            ctx.nodeCount = 0;
            scores[planted] = quiesceRoot(ctx, -MATE, MATE, 0, 0);
            nodes[planted] = ctx.nodeCount;
        }
        EXPECT_EQ(scores[1], scores[0]);
        EXPECT_EQ(nodes[1], nodes[0]);

        setup(startFen, {"h2e2"});
        clearTables();
        makeMoveLight(pos(), reply, false);
        hashStore(ctx, 1, boundExact, 10, bad);
        unmakeMoveLight(pos());
        Move pv[maxPvLength + 1];
        walkPV(ctx, reply, pv);
        EXPECT_EQ(pv[0], reply);
        EXPECT_EQ(pv[1], 0);
    }
}

// A new game zeroes only the lines written since the last one (and the tables start zero):
// after a search has written both tables here and there, every byte of both is zero again.
TEST_F(SearchTest, ClearingLeavesBothTablesZero) {
    const auto zero = [](const void* table, std::size_t bytes) {
        const unsigned char* at = static_cast<const unsigned char*>(table);
        return std::all_of(at, at + bytes, [](unsigned char b) { return b == 0; });
    };
    const std::size_t hashBytes = (std::size_t(hshMask) + 1) * sizeof(HashItem);
    const std::size_t cacheBytes = std::size_t(evalCacheSize) * sizeof(EvalCacheItem);
    // Below a root move, as the search runs (a node reads the check code the move left).
    const std::pair<const char*, const char*> games[] = {
        {startFen, "h2e2"}, {"3akab2/9/4b4/p3p3p/9/2B3R2/P3P3P/4C4/4A4/2rAK4 w - - 0 1", "g4g5"}};
    for (const auto& [fen, move] : games) {
        setup(fen, {move});
        compactPieceList(pos());
        rebuildDerivedFields(pos());
        timeBudgetMs = nodeSearchBudgetMs;
        ctx.startTimeMs = monotonicMs();
        ctx.stopFlag = 0;
        hashTablesUsed = true;
        searchPV(ctx, -MATE, MATE, 5);
        EXPECT_FALSE(zero(hshItems, hashBytes) || zero(evalCache, cacheBytes)) << fen;
        clearHashTables();
        EXPECT_TRUE(zero(hshItems, hashBytes) && zero(evalCache, cacheBytes)) << fen;
    }
}
