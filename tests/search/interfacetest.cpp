// The search's side of its interface: a front end that records the facts it is handed.
#include <vector>

#include "book/book.h"
#include "search/frontend.h"
#include "search/limits.h"
#include "tests/search/searchfixture.h"

namespace {

struct RecordingFrontEnd final : FrontEnd {
    bool pollInput() override { return ++polls >= stopAtPoll; }
    void stoppedByInput(StopSite) override { ++stops; }
    void iterationDone(const SearchReport& r) override {
        depths.push_back(r.depth);
        pv.assign(r.pv, r.pv + 2);
    }
    void searchCut(const SearchReport& r) override { cut = r.pv[0]; }
    void answer(Move m, Move p) override { best = m, ponder = p, ++answers; }

    int polls = 0, stopAtPoll = 1 << 30, stops = 0, answers = 0;
    std::vector<int> depths;
    std::vector<Move> pv;
    Move best = 0, ponder = 0, cut = 0;
};

}  // namespace

// A search to a depth reports each iteration in order and answers with its variation's
// head and reply; one stopped from the input says so, reports the cut and still answers;
// with no legal move the answer is none. Each answer counts itself.
TEST_F(SearchTest, FrontEndHearsTheFactsOfASearch) {
    FrontEnd* const previous = frontEnd;
    bookPath[0] = '\0';  // searched, whatever book an earlier test pointed the engine at
    const struct {
        const char* fen;
        int depth, stopAtPoll;
        std::vector<int> depths;  // empty: not checked
        bool answers;
    } rows[] = {
        {"rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w", 5, 1 << 30, {1, 2, 3, 4, 5}, true},
        {"rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w", 30, 8, {}, true},
        {"3k5/4R4/4R4/9/9/9/9/9/9/4K4 b", 3, 1 << 30, {}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fen);
        RecordingFrontEnd recorder;
        recorder.stopAtPoll = row.stopAtPoll;
        frontEnd = &recorder;
        setup(row.fen);
        pollMask = 1023;
        limitToDepth(ctx, row.depth);
        const int answersBefore = searchCount;
        think(ctx);
        clearSearchLimits();
        frontEnd = previous;
        EXPECT_EQ(searchCount, answersBefore + 1);
        ASSERT_EQ(recorder.answers, 1);
        EXPECT_EQ(recorder.best != 0, row.answers);
        if (!row.depths.empty()) {
            ASSERT_EQ(recorder.depths, row.depths);
            EXPECT_EQ(recorder.best, recorder.pv[0]);
            EXPECT_EQ(recorder.ponder, recorder.pv[1]);
        }
        EXPECT_EQ(recorder.stops, row.stopAtPoll < 100);
        EXPECT_TRUE(!recorder.stops || recorder.best == recorder.cut);
        EXPECT_TRUE(row.answers || recorder.ponder == 0);
    }
}
