#include <gtest/gtest.h>

#include "movegen/history.h"

namespace {

class History : public ::testing::Test {
protected:
    void SetUp() override {
        resetHistory();
        clearKillers();
    }
    static HistoryEntry& entry(int type, int sq) { return historyTable[type][sq]; }
};

constexpr Move moveA = 0x7774, moveB = 0x7170, moveC = 0x9182;

TEST_F(History, ResetGivesZeroOneOneAndNoKillers) {
    historyFailHigh(3, moveA, 5, 100, 4, nullptr, 0);
    resetHistory();
    clearKillers();
    for (const auto& row : historyTable)
        for (const HistoryEntry& e : row) {
            ASSERT_EQ(e.score, 0);
            ASSERT_EQ(e.good, 1);
            ASSERT_EQ(e.tried, 1);
        }
    for (int ply = 0; ply < killerPlies; ++ply)
        ASSERT_EQ(killerMoves[0][ply] | killerMoves[1][ply] | mateKiller[ply], 0);
}

TEST_F(History, KillersShiftAndARepeatLeavesSlotOne) {
    historyFailHigh(2, moveA, 5, 10, 3, nullptr, 0);
    historyFailHigh(2, moveB, 5, 10, 3, nullptr, 0);
    EXPECT_EQ(killerMoves[0][2], moveB);
    EXPECT_EQ(killerMoves[1][2], moveA);
    historyFailHigh(2, moveB, 5, 10, 3, nullptr, 0);
    EXPECT_EQ(killerMoves[0][2], moveB);
    EXPECT_EQ(killerMoves[1][2], moveA);
    // History still rises on the repeat: three fail-highs of d * d = 9 for moveB.
    EXPECT_EQ(entry(5, moveB & 0xFF).score, 18);
    EXPECT_EQ(entry(5, moveB & 0xFF).good, 3);
    EXPECT_EQ(killerMoves[0][3], 0);
}

TEST_F(History, DecisiveRefutationOnlySetsTheMateKiller) {
    historyFailHigh(4, moveA, 1, 10, 2, nullptr, 0);
    historyFailHigh(4, moveB, 1, decisiveScore, 2, nullptr, 0);
    EXPECT_EQ(mateKiller[4], moveB);
    EXPECT_EQ(killerMoves[0][4], moveA);
    EXPECT_EQ(killerMoves[1][4], 0);
}

TEST_F(History, EarlierQuietMovesAreChargedAndTheCutterSkipped) {
    const TriedQuiet tried[] = {{moveA, 3}, {moveC, 7}, {moveB, 2}};
    historyFailHigh(1, moveB, 2, 50, 5, tried, 3);
    EXPECT_EQ(entry(2, moveB & 0xFF).score, 25);
    EXPECT_EQ(entry(2, moveB & 0xFF).good, 2);
    EXPECT_EQ(entry(2, moveB & 0xFF).tried, 1);
    EXPECT_EQ(entry(3, moveA & 0xFF).score, -25);
    EXPECT_EQ(entry(3, moveA & 0xFF).tried, 2);
    EXPECT_EQ(entry(7, moveC & 0xFF).score, -25);
    EXPECT_EQ(entry(7, moveC & 0xFF).tried, 2);
}

TEST_F(History, ScoresHalveTowardZeroWhenOnePassesTheLimit) {
    entry(0, 0x20).score = -7;
    entry(4, 0x45).score = 31990;
    entry(9, 0x09).score = 0;  // a column without a square is never touched
    entry(9, 0x09).good = 1;
    historyFailHigh(0, 0x5545, 4, 10, 4, nullptr, 0);  // 31990 + 16 = 32006 > 31999
    EXPECT_EQ(entry(4, 0x45).score, 16003);
    EXPECT_EQ(entry(0, 0x20).score, -3);

    entry(6, 0x33).score = -31990;
    entry(1, 0x21).score = 9;
    const TriedQuiet tried[] = {{0x4433, 6}};
    historyFailHigh(0, 0x5545, 4, 10, 4, tried, 1);  // -31990 - 16 = -32006 <= -32000
    EXPECT_EQ(entry(6, 0x33).score, -16003);
    EXPECT_EQ(entry(1, 0x21).score, 4);
}

TEST_F(History, TriedCountsHalveGoodAndTriedTogether) {
    entry(6, 0x33).tried = 31999;
    entry(2, 0x40).good = 9;
    entry(2, 0x40).tried = 7;
    const TriedQuiet tried[] = {{0x4433, 6}};
    historyFailHigh(0, 0x5545, 4, 10, 1, tried, 1);
    EXPECT_EQ(entry(6, 0x33).tried, 16000);
    EXPECT_EQ(entry(2, 0x40).good, 4);
    EXPECT_EQ(entry(2, 0x40).tried, 3);
    EXPECT_EQ(entry(4, 0x45).good, 1);  // 1 + 1, then halved with the rest
    EXPECT_EQ(entry(9, 0x09).good, 1);  // outside the board: untouched
}

TEST_F(History, GoodSaturatesInsteadOfWrapping) {
    entry(3, 0x44).good = 0xFFFF;
    historyFailHigh(0, 0x5444, 3, 10, 1, nullptr, 0);
    EXPECT_EQ(entry(3, 0x44).good, 0xFFFF);
}

TEST_F(History, EndOfNodeUpdate) {
    historyBestMove(6, moveA, 5, 20, 3);
    EXPECT_EQ(killerMoves[0][6], moveA);
    EXPECT_EQ(entry(5, moveA & 0xFF).score, 9);
    EXPECT_EQ(entry(5, moveA & 0xFF).good, 1);
    historyBestMove(6, moveA, 5, 20, 3);  // already the first killer: nothing changes
    EXPECT_EQ(entry(5, moveA & 0xFF).score, 9);
    EXPECT_EQ(killerMoves[1][6], 0);
    historyBestMove(6, moveB, 5, 1900, 3);
    EXPECT_EQ(mateKiller[6], moveB);
    EXPECT_EQ(killerMoves[0][6], moveA);
    EXPECT_EQ(entry(5, moveB & 0xFF).score, 0);
}

}  // namespace
