#pragma once
// Shared set-up of the evaluation tests: positions built from a list of placed pieces,
// prepared as the search root prepares them, with every process-wide value that the
// endgame switch or the evaluation changes saved and restored around each test.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "board/fen.h"
#include "board/tables.h"
#include "eval/evaluate.h"
#include "eval/terms.h"
#include "eval/weights.h"
#include "movegen/movegen.h"
#include "search/context.h"
#include "tests/freshstate.h"

struct Placed {
    char letter;  // FEN letter: upper case red, lower case black
    int rank;     // 0 = black's back rank
    int file;
};

// A FEN text holding exactly the given pieces, with the side to move ('w' or 'b').
inline std::string fenOf(std::initializer_list<Placed> pieces, char side = 'w') {
    char grid[10][9] = {};
    for (const Placed& p : pieces) grid[p.rank][p.file] = p.letter;
    std::string fen;
    for (int rank = 0; rank < 10; ++rank) {
        int empty = 0;
        for (int file = 0; file < 9; ++file) {
            if (!grid[rank][file]) {
                ++empty;
                continue;
            }
            if (empty) fen += char('0' + empty);
            empty = 0;
            fen += grid[rank][file];
        }
        if (empty) fen += char('0' + empty);
        if (rank < 9) fen += '/';
    }
    fen += ' ';
    fen += side;
    return fen;
}

class EvalTest : public ::testing::Test {
protected:
    static constexpr uint32_t sideKeyMask = (1u << 25) - 1;

    static void SetUpTestSuite() { initBitCounts(); }
    void SetUp() override {
        restoreFreshEngineState();
        startState();
    }
    void TearDown() override { restoreFreshEngineState(); }
    // Middle-game piece-square set, normal weights, latch clear, no endgame.
    static void startState() {
        initBoardTables(sideKeyMask);
        resetGamePhase();
    }

    // Sets the position up as the search root does (compaction, derived fields, piece-square
    // score from the table in use), but without the endgame switch; then sets endgameMode.
    void load(const std::string& fen, int mode = 0) {
        endgameMode = 1;  // holds the set-up's switch off
        testing::internal::CaptureStdout();
        setupFromFen(pos, fen.c_str());
        testing::internal::GetCapturedStdout();
        compactPieceList(pos);
        rebuildDerivedFields(pos);
        pos.pstScore = pieceSquareSum(pos, pieceSquareTable);
        pos.attackedMask = 0;
        endgameMode = mode;
    }
    void load(std::initializer_list<Placed> pieces, int mode = 0, char side = 'w') {
        load(fenOf(pieces, side), mode);
    }

    // The real endgame switch, its printed line swallowed.
    void switchToEndgame() {
        testing::internal::CaptureStdout();
        endgameSwitch(pos);
        testing::internal::GetCapturedStdout();
    }

    bool attacked(int rank, int file) const {
        const int pc = pos.board[makeSquare(rank, file)];
        return pc && (pos.attackedMask >> (pc & 31) & 1);
    }

    Position pos;
};
