// The evaluation entry: combination and sign, whole-position corrections, the phase blend,
// endgame scaling; the weights and their endgame change; the root's piece-square
// preparation; and the developer tool.
#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "board/makemove.h"
#include "tests/movegen/randomplay.h"
#include "tests/eval/evalfixture.h"

namespace {

using Evaluate = EvalTest;

// ---- Sign, tempo and phase ----

TEST_F(Evaluate, SignAndTempo) {
    load(std::string(startFen));
    const int redToMove = evaluate(pos);
    pos.sideToMove = sideBlack;
    EXPECT_EQ(evaluate(pos), -redToMove + 5);

    // After the endgame switch black gets no tempo either.
    load({{'k', 0, 4}, {'K', 9, 3}, {'r', 0, 0}, {'R', 9, 8}, {'p', 6, 0}, {'P', 3, 8}});
    switchToEndgame();
    ASSERT_EQ(endgameMode, 1);
    EXPECT_EQ(tempoBonus, 0);
    const int red = evaluate(pos);
    pos.sideToMove = sideBlack;
    EXPECT_EQ(evaluate(pos), -red);
}

TEST_F(Evaluate, StartPositionPhase) {
    load(std::string(startFen));
    EvalTerms terms;
    evaluateWithTerms(pos, terms);
    // 16 pawns 4..11, advisors and elephants, plus 4 * 16 majors.
    EXPECT_EQ(terms.phase, 80);
    EXPECT_EQ(phaseWeight, 80);
    EXPECT_FALSE(terms.blended);
    EXPECT_EQ(terms.pieceSquare, pos.pstScore);
    EXPECT_EQ(terms.total, terms.middle);
}

TEST_F(Evaluate, PhaseBlendBoundaries) {
    struct PhaseRow {
        const char* name;
        std::initializer_list<Placed> pieces;
        int phase;
    };
    // One rook each weighs 4 * 4; two rooks and a horse each 4 * 10. After compaction the
    // lone pawn of a side is PieceId 2 or 3, which the count leaves out.
    const PhaseRow rows[] = {
        {"20", {{'k', 0, 4}, {'K', 9, 4}, {'r', 0, 0}, {'R', 9, 0}, {'a', 0, 3}, {'a', 1, 4},
                {'b', 0, 2}, {'b', 2, 4}, {'P', 6, 0}}, 20},
        {"21", {{'k', 0, 4}, {'K', 9, 4}, {'r', 0, 0}, {'R', 9, 0}, {'a', 0, 3}, {'a', 1, 4},
                {'b', 0, 2}, {'b', 2, 4}, {'A', 9, 3}}, 21},
        {"43", {{'k', 0, 4}, {'K', 9, 4}, {'r', 0, 0}, {'r', 0, 8}, {'n', 0, 1}, {'R', 9, 0},
                {'R', 9, 8}, {'N', 9, 1}, {'a', 0, 3}, {'A', 9, 3}, {'B', 9, 2}}, 43},
        {"44", {{'k', 0, 4}, {'K', 9, 4}, {'r', 0, 0}, {'r', 0, 8}, {'n', 0, 1}, {'R', 9, 0},
                {'R', 9, 8}, {'N', 9, 1}, {'a', 0, 3}, {'A', 9, 3}, {'B', 9, 2}, {'B', 9, 6}}, 44},
    };
    for (const PhaseRow& row : rows) {
        SCOPED_TRACE(row.name);
        load(row.pieces);
        EvalTerms terms;
        evaluateWithTerms(pos, terms);
        EXPECT_EQ(terms.phase, row.phase);
        const bool blends = row.phase >= 21 && row.phase <= 43;
        EXPECT_EQ(terms.blended, blends);
        const int endgame = pieceSquareSum(pos, endgamePieceSquareTable);
        const int expected =
            blends ? (row.phase * pos.pstScore + (64 - row.phase) * endgame) / 64 : pos.pstScore;
        EXPECT_EQ(terms.pieceSquare, expected);
        EXPECT_EQ(terms.middle, terms.activity[0] - terms.activity[1] + terms.attackScore[0] -
                                    terms.attackScore[1] + terms.doubleThreat + terms.kingStep[0] -
                                    terms.kingStep[1] + terms.pieceSquare);
    }
}

// ---- Whole-position corrections ----

TEST_F(Evaluate, DoubleThreat) {
    // A black horse forks the two red rooks: +64 for black. One rook alone: nothing.
    load({{'k', 0, 3}, {'K', 9, 4}, {'n', 5, 4}, {'R', 7, 3}, {'R', 7, 5}});
    EvalTerms terms;
    evaluateWithTerms(pos, terms);
    EXPECT_EQ(terms.doubleThreat, 64);
    load({{'k', 0, 3}, {'K', 9, 4}, {'n', 5, 4}, {'R', 7, 3}});
    evaluateWithTerms(pos, terms);
    EXPECT_EQ(terms.doubleThreat, 0);
    // The mirror: a red horse forking the black rooks costs black 64.
    load({{'k', 0, 3}, {'K', 9, 4}, {'N', 4, 4}, {'r', 2, 3}, {'r', 2, 5}});
    evaluateWithTerms(pos, terms);
    EXPECT_EQ(terms.doubleThreat, -64);
}

TEST_F(Evaluate, KingStepControlNeedsPressureOrTheEndgame) {
    // A black pawn beside the red king's step squares, little black pressure.
    const auto pieces = {Placed{'k', 0, 3}, Placed{'K', 9, 4}, Placed{'p', 8, 3}};
    load(pieces, 0);
    EvalTerms terms;
    evaluateWithTerms(pos, terms);
    ASSERT_LT(terms.attackScore[0], 96);
    EXPECT_EQ(terms.kingStep[0], 0);
    load(pieces, 1);
    evaluateWithTerms(pos, terms);
    // Steps of the king on (9,4): (8,4) has the pawn beside it (16); (9,3) has it above (16).
    EXPECT_EQ(terms.kingStep[0], 32);
}

// ---- Endgame corrections ----

TEST_F(Evaluate, EndgameCorrections) {
    struct EndRow {
        const char* name;
        std::initializer_list<Placed> pieces;
        const char* rule;  // nullptr: no scaling
        int numerator, denominator;
        int pinnedAdvisor, passedPawns;
    };
    const EndRow rows[] = {
        // Kings with one advisor each: key 0, factor 1 for ab = ar = 1.
        {"one advisor each", {{'k', 0, 4}, {'a', 1, 4}, {'K', 9, 3}, {'A', 8, 4}}, "draw-scale", 1, 16, 0, 0},
        // Black's full defence against no major: divided by 8, the table not consulted.
        {"full defence", {{'k', 0, 4}, {'a', 0, 3}, {'a', 1, 4}, {'b', 0, 2}, {'b', 0, 6}, {'K', 9, 3},
                          {'P', 3, 4}}, "bare-defence", 1, 8, 0, 0},
        // Kings facing over a red advisor: +32 for black, then the table (key 0, ar = 1).
        {"pinned red advisor", {{'k', 0, 4}, {'A', 8, 4}, {'K', 9, 4}}, "draw-scale", 1, 16, 32, 0},
        {"pinned black advisor", {{'k', 0, 4}, {'a', 1, 4}, {'K', 9, 4}, {'R', 9, 0}}, "draw-scale", 16, 16, -32, 0},
        // A black pawn behind the red king on its river rank; then the table (key 176,
        // ar = 2).
        {"passed pawn", {{'k', 0, 4}, {'K', 7, 4}, {'p', 8, 0}, {'R', 9, 0}, {'r', 0, 0}, {'A', 9, 3}, {'A', 9, 5}},
         "draw-scale", 8, 16, 0, -32},
        // One black rook against red's cannon fortress.
        {"cannon fortress", {{'k', 0, 4}, {'r', 4, 0}, {'K', 8, 3}, {'A', 8, 4}, {'A', 9, 5}, {'C', 7, 3}},
         "cannon-fortress", 1, 8, 0, 0},
        // A lone black cannon without advisors: divided by 16; with an advisor the table
        // (key 8, ab 1, ar 2) keeps 16.
        {"lone cannon", {{'k', 0, 4}, {'c', 2, 4}, {'K', 9, 3}, {'B', 9, 2}, {'A', 8, 4}}, "lone-cannon", 1, 16, 0, 0},
        {"cannon with an advisor", {{'k', 0, 4}, {'a', 1, 4}, {'c', 2, 4}, {'K', 9, 3}, {'B', 9, 2}, {'A', 8, 4}},
         "draw-scale", 16, 16, 0, 0},
        // Two rooks for one side: no table.
        {"two rooks", {{'k', 0, 4}, {'r', 0, 0}, {'r', 0, 8}, {'K', 9, 3}}, nullptr, 0, 0, 0, 0},
    };
    for (const EndRow& row : rows) {
        SCOPED_TRACE(row.name);
        load(row.pieces, 1);
        EvalTerms terms;
        const int score = evaluateWithTerms(pos, terms);
        EXPECT_EQ(score, -terms.total);  // red to move
        EXPECT_EQ(terms.pinnedAdvisor, row.pinnedAdvisor);
        EXPECT_EQ(terms.passedPawns, row.passedPawns);
        const int corrected = terms.middle + terms.pinnedAdvisor + terms.passedPawns;
        if (!row.rule) {
            EXPECT_EQ(terms.scaleRule, nullptr);
            EXPECT_EQ(terms.total, corrected);
            continue;
        }
        ASSERT_NE(terms.scaleRule, nullptr);
        EXPECT_STREQ(terms.scaleRule, row.rule);
        EXPECT_EQ(terms.scaleNumerator, row.numerator);
        EXPECT_EQ(terms.scaleDenominator, row.denominator);
        // The full defence returns before the pin and pawn rules.
        EXPECT_EQ(terms.total, corrected * row.numerator / row.denominator);
    }
}

TEST_F(Evaluate, EndgameScalingTruncatesTowardZero) {
    // Red's full defence against a bare king: the score is negative for black, and the
    // division must truncate toward zero, not round down.
    load({{'k', 0, 3}, {'K', 9, 4}, {'A', 9, 3}, {'A', 8, 4}, {'B', 9, 2}, {'B', 9, 6}}, 1);
    EvalTerms terms;
    evaluateWithTerms(pos, terms);
    ASSERT_STREQ(terms.scaleRule, "bare-defence");
    ASSERT_LT(terms.middle, 0);
    ASSERT_NE(terms.middle % 8, 0);
    EXPECT_EQ(terms.total, -(-terms.middle / 8));
    EXPECT_GT(terms.total * 8, terms.middle);  // rounding down would be below
}

TEST_F(Evaluate, EndgameRulesStayOffInTheMiddleGame) {
    load({{'k', 0, 4}, {'A', 8, 4}, {'K', 9, 4}}, 0);
    EvalTerms terms;
    evaluateWithTerms(pos, terms);
    EXPECT_EQ(terms.pinnedAdvisor, 0);
    EXPECT_EQ(terms.scaleRule, nullptr);
    EXPECT_EQ(terms.total, terms.middle);
}

// ---- Robustness ----

TEST_F(Evaluate, PositionsWithoutBothKingsDoNotCrash) {
    for (const char* fen : {"9/9/9/9/9/9/9/9/9/4K4 w", "4k4/9/9/9/9/9/9/9/9/9 b",
                            "r3c4/9/9/9/9/9/9/9/9/R3C4 w", "rnba1abnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w"}) {
        SCOPED_TRACE(fen);
        for (int mode : {0, 1}) {
            load(std::string(fen), mode);
            EvalTerms terms;
            const int score = evaluateWithTerms(pos, terms);
            EXPECT_EQ(score, pos.sideToMove ? -terms.total : terms.total + terms.tempo);
        }
    }
}

// ---- Weights ----

TEST_F(Evaluate, EndgameWeightChange) {
    // Selecting the endgame twice gives the same values: they derive from the normal ones.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        selectGameValues(true, false);
        for (int pc = 2; pc <= 11; ++pc) {
            SCOPED_TRACE(pc);
            EXPECT_EQ(rookThreatWeight[pc], 5);
            EXPECT_EQ(minorThreatWeight[pc], 9);
        }
        EXPECT_EQ(rookThreatWeight[28], 9);  // other pieces keep their weights
        EXPECT_EQ(minorThreatWeight[20], 10);
        EXPECT_EQ(cannonFileFacingBonus, (std::array<int, 9>{0, 0, 17, 20, 24, 30, 45, 45, 45}));
        EXPECT_EQ(cannonRankFacingBonus, (std::array<int, 9>{8, 6, 1, 0, 0, 0, 1, 6, 8}));
        EXPECT_EQ(horseMobilityBonus, (std::array<int, 9>{-60, -26, -15, -6, 0, 3, 6, 8, 8}));
        EXPECT_EQ(tempoBonus, 0);
        EXPECT_EQ(exchangeValue[3], 56);
        EXPECT_EQ(exchangeValue[2 + 34], -127);
        EXPECT_EQ(futilityUnit, 23);  // rooks left: normal margins
    }
    selectGameValues(true, true);
    EXPECT_EQ(futilityUnit, 26);
    EXPECT_EQ(qsDeltaMargin, 22);

    resetGamePhase();
    EXPECT_EQ(cannonFileFacingBonus, (std::array<int, 9>{0, 0, 34, 40, 48, 60, 90, 90, 90}));
    EXPECT_EQ(horseMobilityBonus[0], -30);
    EXPECT_EQ(rookThreatWeight[4], 0);
    EXPECT_EQ(minorThreatWeight[8], 4);
    EXPECT_EQ(tempoBonus, 5);
    EXPECT_EQ(exchangeValue[3], 24);
    EXPECT_EQ(exchangeValue[3 + 34], 95);
    EXPECT_EQ(futilityUnit, 23);
    EXPECT_EQ(qsDeltaMargin, 34);
    EXPECT_EQ(std::memcmp(pieceSquareTable, middlegamePieceSquareTable, sizeof pieceSquareTable), 0);
}

TEST_F(Evaluate, TheEndgameSwitchChangesWeightsAndTable) {
    load({{'k', 0, 4}, {'K', 9, 3}, {'r', 0, 0}, {'R', 9, 8}});
    switchToEndgame();
    EXPECT_EQ(horseMobilityBonus[1], -26);
    EXPECT_EQ(cannonFileFacingBonus[2], 17);
    EXPECT_EQ(std::memcmp(pieceSquareTable, endgamePieceSquareTable, sizeof pieceSquareTable), 0);
}

TEST(DrawScaleTable, Rows) {
    struct Cell {
        int key, ab, ar, factor;
    };
    const Cell cells[] = {
        {0, 0, 0, 1},    {0, 4, 4, 1},    {0, 1, 1, 1},     // none: 1 everywhere
        {1, 2, 0, 4},    {1, 3, 4, 1},    {1, 0, 3, 16},    // red horse, by ab
        {2, 4, 3, 2},    {2, 0, 2, 4},    {2, 4, 0, 16},    // black horse, by ar
        {3, 2, 3, 4},                                       // both horses: 4
        {12, 0, 0, 1},   {12, 3, 3, 8},   {12, 4, 4, 4},   {12, 4, 2, 12},
        {15, 3, 4, 10},  {15, 4, 3, 10},  {15, 3, 3, 8},   {15, 0, 4, 16},
        {32, 1, 4, 2},   {32, 0, 4, 4},   {32, 1, 3, 16},
        {49, 2, 0, 7},   {49, 4, 4, 1},
        {52, 2, 2, 12},  {52, 4, 0, 4},   {52, 1, 2, 16},
        {76, 1, 0, 4},   {76, 1, 1, 8},   {76, 0, 0, 1},   {76, 0, 1, 16},
        {132, 0, 1, 4},  {132, 1, 1, 2},  {132, 2, 3, 1},  {132, 0, 0, 1},
        {136, 2, 4, 4},  {136, 3, 4, 16},
        {140, 1, 0, 16}, {140, 1, 1, 8},  {140, 0, 0, 1},
        {165, 3, 4, 8},  {165, 3, 3, 16},
        {201, 0, 4, 16}, {201, 1, 4, 4},  {201, 2, 2, 8},
        {229, 0, 4, 1},
        {252, 2, 3, 8},  {252, 1, 4, 16},
        // Unlisted keys keep 16.
        {5, 0, 0, 16},   {7, 4, 4, 16},   {255, 2, 2, 16}, {17, 0, 0, 16}, {253, 3, 3, 16},
    };
    for (const Cell& cell : cells) {
        SCOPED_TRACE(::testing::Message() << "key " << cell.key << " ab " << cell.ab << " ar " << cell.ar);
        EXPECT_EQ(drawScaleTable[cell.key * 25 + cell.ab * 5 + cell.ar], cell.factor);
    }
    // 90 keys hold some factor other than 16, and only the listed factors occur.
    const std::set<int> allowed = {1, 2, 4, 6, 7, 8, 10, 12, 16};
    int listed = 0;
    for (int key = 0; key < 256; ++key) {
        bool changed = false;
        for (int i = 0; i < 25; ++i) {
            const int f = drawScaleTable[key * 25 + i];
            EXPECT_TRUE(allowed.count(f)) << "key " << key;
            changed |= f != 16;
        }
        listed += changed;
    }
    EXPECT_EQ(listed, 90);
}

// ---- The root's piece-square preparation ----

TEST_F(Evaluate, PawnTableAdjustment) {
    int16_t before[10][90];
    std::memcpy(before, pieceSquareTable, sizeof before);
    // Black has no major left and red has a cannon: black's pawn entries on ranks 7..9
    // are halved; red's are not.
    load({{'k', 0, 4}, {'K', 9, 3}, {'C', 7, 1}, {'p', 7, 4}, {'p', 8, 0}});
    adjustPawnTables(pos);
    for (int i = 0; i < 90; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pieceSquareTable[0][i], i >= 63 ? before[0][i] / 2 : before[0][i]);
        EXPECT_EQ(pieceSquareTable[1][i], before[1][i]);
    }
    EXPECT_EQ(pos.pstScore, pieceSquareSum(pos, pieceSquareTable));
    // The next root halves the selected set's values, not the halved ones again.
    adjustPawnTables(pos);
    EXPECT_EQ(pieceSquareTable[0][7 * 9 + 4], before[0][7 * 9 + 4] / 2);

    // The mirror: red without majors against a black cannon halves red's ranks 0..2
    // (negative values, toward zero).
    std::memcpy(pieceSquareTable, before, sizeof before);
    load({{'k', 0, 4}, {'K', 9, 3}, {'c', 2, 1}, {'P', 2, 4}});
    adjustPawnTables(pos);
    for (int i = 0; i < 90; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pieceSquareTable[1][i], i < 27 ? before[1][i] / 2 : before[1][i]);
        EXPECT_EQ(pieceSquareTable[0][i], before[0][i]);
    }
    EXPECT_EQ(pieceSquareTable[1][2 * 9 + 4], -(-before[1][2 * 9 + 4] / 2));

    // Both sides with majors: nothing changes.
    std::memcpy(pieceSquareTable, before, sizeof before);
    load(std::string(startFen));
    adjustPawnTables(pos);
    EXPECT_EQ(std::memcmp(pieceSquareTable, before, sizeof before), 0);
}

// The starts of the random games below: the opening, a developed middle game and a thinned one.
const char* const randomGameStarts[] = {
    startFen,
    "r1bakab1r/9/1cn4cn/p1p1p1p1p/9/9/P1P1P1P1P/1CN4CN/9/R1BAKAB1R w",
    "2bak4/4a4/4b1n2/p3p1p1p/2c6/6R2/P3P1P1P/4C4/4A4/2BAK1B2 b",
};

// The incremental pstScore of make/unmake stays equal to the sum over the table, along
// random games that never switch to the endgame.
TEST_F(Evaluate, IncrementalPieceSquareScore) {
    std::mt19937 rng(20251208);
    for (const char* fen : randomGameStarts) {
        SCOPED_TRACE(fen);
        int total = 0;
        for (int game = 0; game < 12; ++game) {
            load(std::string(fen));
            adjustPawnTables(pos);
            const int startScore = pos.pstScore;
            int played = 0;
            for (int ply = 0; ply < 80; ++ply) {
                std::vector<Move> moves = qxtest::generatedMoves(pos);
                std::shuffle(moves.begin(), moves.end(), rng);
                bool moved = false;
                for (Move mv : moves) {
                    const int captured = makeMove(pos, mv, true);
                    if (captured < 0) continue;
                    // Kings stay on the board, and no capture may switch to the endgame.
                    if (captured >= kingBlack || endgameMode) {
                        unmakeMove(pos);
                        continue;
                    }
                    moved = true;
                    break;
                }
                if (!moved) break;
                ++played;
                ASSERT_EQ(pos.pstScore, pieceSquareSum(pos, pieceSquareTable)) << "after ply " << ply;
                evaluate(pos);  // any reachable position evaluates
            }
            total += played;
            while (played--) unmakeMove(pos);
            EXPECT_EQ(pos.pstScore, startScore);
        }
        EXPECT_GT(total, 300);  // games may end early in mate, but not all of them
    }
}

// Every observable result of the evaluation over many positions, folded into one number:
// the score, the marked pieces, the phase, both attack scores and the latch, under each
// state of the latch and the endgame flag, along random games from three openings. Pins
// the evaluation bit for bit, as the bench signature pins the search.
TEST_F(Evaluate, ChecksumOverRandomGames) {
    std::mt19937 rng(20261209);
    uint64_t sum = 1469598103934665603ull;
    auto fold = [&sum](int64_t v) { sum = (sum ^ uint64_t(v)) * 1099511628211ull; };
    int evaluated = 0;
    for (const char* fen : randomGameStarts)
        for (int game = 0; game < 120; ++game) {
            load(std::string(fen));
            for (int ply = 0; ply < 150; ++ply) {
                for (int state = 0; state < 4; ++state) {
                    endgameMode = state >> 1;
                    advisorAttackLatch = state & 1;
                    fold(evaluate(pos));
                    for (int64_t v : {int64_t(pos.attackedMask), int64_t(phaseWeight), int64_t(blackAttackScore),
                                      int64_t(redAttackScore), int64_t(advisorAttackLatch)})
                        fold(v);
                    ++evaluated;
                }
                endgameMode = 0;
                const std::vector<Move> moves = qxtest::generatedMoves(pos);
                bool moved = false;
                for (int tries = 0; tries < 20 && !moves.empty() && !moved; ++tries) {
                    const Move mv = moves[rng() % moves.size()];
                    const int captured = makeMove(pos, mv, true);
                    if (captured >= kingBlack) unmakeMove(pos);  // kings stay on the board
                    moved = captured >= 0 && captured < kingBlack;
                }
                if (!moved) break;
            }
        }
    EXPECT_GT(evaluated, 120000);
    EXPECT_EQ(sum, 13498207875080027255ull) << evaluated << " evaluations";
}

// ---- The developer tool ----

std::string runTool(const std::string& args, int* status) {
    const std::string command = std::string(QX_TOOL_PATH) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[512];
    while (pipe && fgets(buffer, sizeof buffer, pipe)) out += buffer;
    *status = pipe ? pclose(pipe) : -1;
    return out;
}

TEST_F(Evaluate, ToolPrintsTheRootEvaluation) {
    int status = 0;
    const std::string out = runTool(std::string("eval --terms --fen \"") + startFen + "\"", &status);
    EXPECT_EQ(status, 0) << out;
    load(std::string(startFen));
    adjustPawnTables(pos);
    const int expected = evaluate(pos);
    EXPECT_NE(out.find("phase 80\n"), std::string::npos) << out;
    EXPECT_NE(out.find("activity black "), std::string::npos) << out;
    const size_t last = out.rfind("eval ");
    ASSERT_NE(last, std::string::npos) << out;
    EXPECT_EQ(out.substr(last), "eval " + std::to_string(expected) + "\n");

    // A position that the set-up switches to the endgame reports it.
    const std::string endgame = runTool("eval --terms --fen \"4k4/9/9/9/9/9/9/9/4A4/3K5 w\"", &status);
    EXPECT_EQ(status, 0) << endgame;
    EXPECT_NE(endgame.find("info endgame reached\n"), std::string::npos) << endgame;
    EXPECT_NE(endgame.find("endgame on\n"), std::string::npos) << endgame;
    EXPECT_NE(endgame.find("scale draw-scale 1/16\n"), std::string::npos) << endgame;

    EXPECT_NE(runTool("eval --help", &status).find("usage: quorvex-tool eval"), std::string::npos);
    EXPECT_EQ(status, 0);
    runTool("eval", &status);
    EXPECT_NE(status, 0);
}

}  // namespace
