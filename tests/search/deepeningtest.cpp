// The rules that end the iterative deepening and move its budget, against a clock the test
// plays: while iteration d runs the clock reads d * msPerIteration since the search began,
// so each rule meets the same times on every machine.
#include "platform/platform.h"
#include "tests/search/searchfixture.h"

namespace {

class Deepening : public SearchTest {
protected:
    static inline int msPerIteration = 0;
    static int64_t playedClock() { return int64_t(ctx.iterationDepth) * msPerIteration; }
    void TearDown() override {
        monotonicMsOverride = nullptr;
        SearchTest::TearDown();
    }
};

// Endgames, where a budget of 4 s or more grows by a quarter: a rook's, and one in which the
// rook takes a free horse (an easy move).
const char* const rookEnding = "3aka3/9/4b4/p3p3p/9/2P6/4P4/4B4/4A4/1R1AK4 w";
const char* const freeHorse = "3aka3/9/1n2b4/p3p3p/9/2P6/4P4/4B4/4A4/1R1AK4 w";

}  // namespace

TEST_F(Deepening, StopAndBudgetRules) {
    struct Row {
        const char* name;
        const char* fen;
        std::initializer_list<const char*> moves;
        int budgetMs, maxDepth, msPerIteration;
        // The iteration the search ends in: the last one finished when a rule ends it, the
        // next when the budget does, maxDepth - 1 at the depth limit.
        int lastDepth;
        int budgetAfter;  // timeBudgetMs when it has ended
    } rows[] = {
        // The best moves keep or change as they do with the fixture's table.
        {"a budget of a second stops after depth 6", startFen, {"a3a4", "a6a5"}, 2000, 9, 0, 6, 1000},
        {"a little more goes on", startFen, {"a3a4", "a6a5"}, 2002, 9, 0, 8, 1001},
        {"under 5 s, stops with 3/8 of the budget left", startFen, {"a3a4", "a6a5"}, 4000, 12, 500, 5, 4000},
        {"or with 200 ms left", startFen, {"a3a4", "a6a5"}, 800, 9, 50, 4, 400},
        {"from 5 s on, only the budget ends it", startFen, {"a3a4", "a6a5"}, 5000, 12, 600, 9, 5000},
        {"and from depth 13 the time left", rookEnding, {}, 16000, 16, 850, 13, 20000},
        {"an easy move stops from depth 8", freeHorse, {}, 16000, 12, 150, 8, 20000},
        {"once a sixteenth of the budget is spent", freeHorse, {}, 16000, 14, 100, 11, 20000},
        {"a best move kept 4 times cuts the budget", startFen, {"i3i4", "g6g5"}, 16000, 64, 1000, 10,
         10000},
        {"not before depth 9", startFen, {"a3a4", "a6a5"}, 4900, 64, 350, 9, 4900},
        {"a new best move restores it", rookEnding, {}, 16000, 64, 750, 14, 16000},
    };
    monotonicMsOverride = playedClock;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        initEngine(ctx);
        setup(row.fen, row.moves);
        timeBudgetMs = row.budgetMs;
        ctx.maxDepth = row.maxDepth;
        ctx.iterationDepth = 0;
        msPerIteration = row.msPerIteration;
        testing::internal::CaptureStdout();
        searchRoot(ctx);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(ctx.iterationDepth, row.lastDepth);
        EXPECT_EQ(timeBudgetMs, row.budgetAfter);
    }
}
