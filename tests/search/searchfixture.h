#pragma once
// A small engine for the search tests: a 16 MB table, the start-up tables, one context.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/makemove.h"
#include "movegen/replay.h"
#include "search/hash.h"
#include "search/search.h"
#include "shell/protocol.h"

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        initBitCounts();
        ASSERT_EQ(allocateHashTables(24), 24);
        initEngine(ctx);
        searchCount = 0;
    }
    void TearDown() override { freeHashTables(); }

    // Sets the position up quietly and plays the moves.
    void setup(const char* fen, std::initializer_list<const char*> moves = {}) {
        testing::internal::CaptureStdout();
        setUpFen(ctx.position, fen);
        testing::internal::GetCapturedStdout();
        for (const char* text : moves)
            EXPECT_TRUE(playGameMove(ctx.position, parseMoveText(text))) << text;
    }
    Position& pos() { return ctx.position; }

    static inline SearchContext ctx;
};

inline Move mv(const char* text) { return parseMoveText(text); }
