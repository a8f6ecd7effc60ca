// The search's side of its interface: a front end that records the facts it is handed.
#include <vector>

#include "book/book.h"
#include "search/frontend.h"
#include "search/limits.h"
#include "tests/search/searchfixture.h"

namespace {

struct RecordingFrontEnd final : FrontEnd {
    bool pollInput() override { return ++polls >= stopAtPoll; }
    void stoppedByInput(StopSite site) override { stops.push_back(site); }
    void iterationDone(const SearchReport& r) override {
        depths.push_back(r.depth);
        nodes.push_back(r.nodes);
        pv.assign(r.pv, r.pv + 2);
    }
    void searchCut(const SearchReport& r) override { cutMove = r.pv[0], cutDepth = r.depth; }
    void endgameReached() override { ++endgames; }
    void answer(Move m, Move p) override { best = m, ponder = p, ++answers; }

    int polls = 0, stopAtPoll = 1 << 30, endgames = 0, answers = 0, cutDepth = -1;
    std::vector<int> depths;
    std::vector<uint64_t> nodes;
    std::vector<Move> pv;
    std::vector<StopSite> stops;
    Move best = 0, ponder = 0, cutMove = 0;
};

class SearchInterface : public SearchTest {
protected:
    void SetUp() override {
        SearchTest::SetUp();
        bookPath[0] = '\0';  // searched, whatever book an earlier test pointed the engine at
        previous = frontEnd;
        frontEnd = &recorder;
    }
    void TearDown() override {
        frontEnd = previous;
        clearSearchLimits();
        SearchTest::TearDown();
    }
    RecordingFrontEnd recorder, second;
    FrontEnd* previous = nullptr;
};

}  // namespace

// Each depth once and in order, the nodes growing, and the answer the last variation's head
// with its reply as the expected one; the answer counts itself.
TEST_F(SearchInterface, DepthSearchReportsEveryIterationAndAnswers) {
    setup("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1", {"h2e2", "h9g7"});
    limitToDepth(ctx, 5);
    think(ctx);
    ASSERT_EQ(recorder.depths, (std::vector<int>{1, 2, 3, 4, 5}));
    for (size_t i = 1; i < recorder.nodes.size(); ++i)
        EXPECT_GE(recorder.nodes[i], recorder.nodes[i - 1]);
    ASSERT_EQ(recorder.answers, 1);
    EXPECT_EQ(recorder.best, recorder.pv[0]);
    EXPECT_EQ(recorder.ponder, recorder.pv[1]);
    EXPECT_EQ(searchCount, 1);
    EXPECT_TRUE(recorder.stops.empty());
}

// A stop from the input: where it was noticed, the cut with the last finished depth, and an
// answer all the same; with no legal move the answer is none.
TEST_F(SearchInterface, StopFromTheInputStillAnswers) {
    setup("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1");
    pollMask = 1023;
    recorder.stopAtPoll = 8;
    limitToDepth(ctx, 30);
    think(ctx);
    ASSERT_EQ(recorder.stops.size(), 1u);
    EXPECT_EQ(recorder.cutDepth, int(recorder.depths.size()));
    EXPECT_EQ(recorder.best, recorder.cutMove);
    EXPECT_NE(recorder.best, 0);

    RecordingFrontEnd& mated = second;
    frontEnd = &mated;
    setup("3k5/4R4/4R4/9/9/9/9/9/9/4K4 b - - 0 1");
    limitToDepth(ctx, 3);
    think(ctx);
    EXPECT_EQ(mated.answers, 1);
    EXPECT_EQ(mated.best, 0);
    EXPECT_EQ(mated.ponder, 0);
}

// The first endgame of a game is told once, whether met at set-up or at the root.
TEST_F(SearchInterface, EndgameIsToldOncePerGame) {
    startNewGame();
    setup("3aka3/9/9/9/9/9/9/9/4R4/3AKA3 w - - 0 1");
    limitToDepth(ctx, 2);
    think(ctx);
    EXPECT_EQ(recorder.endgames, 1);
    startNewGame();
    setup("3aka3/9/9/9/9/9/9/9/4R4/3AKA3 w - - 0 1");
    EXPECT_EQ(recorder.endgames, 2);
}
