#include <gtest/gtest.h>

#include "shell/uci.h"

// Mates count moves, not plies; a decided repetition (1948 - ply) is decisive but no mate.
TEST(UciScore, CentipawnsMatesAndRepetitionVerdicts) {
    const struct {
        int         score;
        const char* text;
    } rows[] = {
        {0, "score cp 0"},        {24, "score cp 100"},     {-5, "score cp -20"},
        {2047, "score mate 1"},   {2045, "score mate 2"},   {2044, "score mate 2"},
        {-2046, "score mate -1"}, {-2043, "score mate -3"}, {1947, "score cp 8112"},
        {-1900, "score cp -7916"}, {1849, "score cp 7704"},
    };
    for (const auto& row : rows) {
        char text[32];
        formatUciScore(text, sizeof text, row.score);
        EXPECT_STREQ(text, row.text) << row.score;
    }
}
