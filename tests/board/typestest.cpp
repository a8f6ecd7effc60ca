#include <gtest/gtest.h>

#include "board/types.h"

// UCCI coordinates: letter a..i is file 0..8, digit d is rank 9 - d.
TEST(Types, UcciSquares) {
    struct Row { const char* text; int square; } rows[] = {
        {"a0", 144}, {"e9", 4}, {"e0", 148}, {"i9", 8}, {"h2", 0x77},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(makeSquare(9 - (row.text[1] - '0'), row.text[0] - 'a'), row.square);
    }
    EXPECT_FALSE(onBoard(9));
    EXPECT_FALSE(onBoard(153));
    EXPECT_TRUE(onBoard(152));
}
