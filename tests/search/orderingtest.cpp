// The order in which a node's moves come out of the picker.
#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "movegen/movegen.h"
#include "movegen/history.h"
#include "search/ordering.h"
#include "tests/search/searchfixture.h"

namespace {

struct Picked {
    Move move;
    int phase;
};

std::vector<Picked> pickAll(Position& pos, Move hash, int code, int depth) {
    MovePicker picker;
    initPicker(picker, hash, code, depth);
    std::vector<Picked> picked;
    while (const Move m = nextMove(picker, pos))
        picked.push_back({m, picker.movePhase});
    return picked;
}

std::vector<Move> allMoves(const Position& pos, int code) {
    MoveSlot a[nodeListSize], b[nodeListSize], c[nodeListSize];
    int nb = 0;
    int na = code ? generateEvasionsA(pos, a, code) : generateMoves(pos, a, b, nb);
    if (code)
        nb = generateEvasionsB(pos, b, code);
    const int nc = code ? 0 : generateSliderQuiets(pos, c, 0);
    std::vector<Move> moves;
    for (const auto& [list, n] : {std::pair{a, na}, {b, nb}, {c, nc}})
        for (int i = 0; i < n; ++i)
            moves.push_back(slotMove(list[i]));
    return moves;
}

}  // namespace

// Hash move, mate killer, the good capture, the killers, then the quiet moves by square
// value, and the losing capture (a rook for a protected pawn) after every quiet move.
TEST_F(SearchTest, PhaseOrderOfANode) {
    setup("3akab2/9/9/8p/8p/n8/2P3P2/9/9/R2K4R w");
    pos().ply = 3;
    mateKiller[3] = mv("g3g4");
    killerMoves[0][3] = mv("d0d1");
    killerMoves[1][3] = mv("d0e0");
    const std::vector<Picked> picked = pickAll(pos(), mv("c3c4"), 0, 4);

    const Picked head[] = {{mv("c3c4"), phaseHashMove}, {mv("g3g4"), phaseMateKiller},
                           {mv("a0a4"), phaseCaptures}, {mv("d0d1"), phaseKillers},
                           {mv("d0e0"), phaseKillers}};
    ASSERT_EQ(picked.size(), 19u);  // every pseudo-legal move once
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(picked[i].move, head[i].move) << i;
        EXPECT_EQ(picked[i].phase, head[i].phase) << i;
    }
    EXPECT_EQ(picked.back().move, mv("i0i5"));
    int previous = 1 << 20;
    for (size_t i = 5; i + 1 < picked.size(); ++i) {
        const Move m = picked[i].move;
        EXPECT_EQ(picked[i].phase, phaseLate);
        const int type = pieceTypeOf[pos().board[moveFrom(m)]];
        const int value = orderingPst[type][pstIndex(moveTo(m))] - orderingPst[type][pstIndex(moveFrom(m))];
        EXPECT_LE(value, previous) << moveFrom(m) << "-" << moveTo(m);
        previous = value;
    }
}

// Over many nodes, in check or not, with hash moves and killers drawn from the node's own
// moves: every move comes out once (losing captures judged illegal by the exchange aside),
// in phase order, captures by value.
TEST_F(SearchTest, PickerYieldsEachMoveOnce) {
    std::mt19937 random(7);
    int positions = 0, inCheck = 0;
    for (const char* fen : {startFen, "r1bakabr1/9/1cn3nc1/p3p1pRp/2p6/9/P1P1P1P1P/1C2C1N2/9/RNBAKAB2 w",
                            "2bk1a3/1r1Ca4/8b/4p4/p1prP3p/P5p1P/2PR2P2/R4c2c/9/1NBAKA1N1 b"}) {
        setup(fen);
        for (int ply = 0; ply < 60; ++ply) {
            Position& p = pos();
            const int code = p.historyLength ? p.history[p.historyLength - 1].checkCode
                                             : checkCode(p, p.sideToMove);
            const std::vector<Move> moves = allMoves(p, code);
            if (moves.empty())
                break;
            // Quiet hash move and killers, none of them an evasion of the first list (those a
            // killer would repeat), so that no phase repeats another's move.
            MoveSlot first[nodeListSize];
            const int firstCount = code ? generateEvasionsA(p, first, code) : 0;
            std::vector<Move> quiet;
            for (Move m : moves)
                if (!p.board[moveTo(m)] &&
                    std::none_of(first, first + firstCount, [&](MoveSlot s) { return slotMove(s) == m; }))
                    quiet.push_back(m);
            std::shuffle(quiet.begin(), quiet.end(), random);
            quiet.resize(std::min<size_t>(quiet.size(), 4));
            quiet.resize(4, 0);
            p.ply = 1;
            mateKiller[1] = quiet[1];
            killerMoves[0][1] = quiet[2];
            killerMoves[1][1] = quiet[3];
            const std::vector<Picked> picked = pickAll(p, quiet[0], code, 3);

            std::multiset<Move> got, want(moves.begin(), moves.end());
            int lastPhase = phaseHashMove;
            for (const Picked& x : picked) {
                got.insert(x.move);
                EXPECT_GE(x.phase, lastPhase);
                lastPhase = x.phase;
            }
            EXPECT_EQ(std::set<Move>(got.begin(), got.end()).size(), got.size()) << "a move twice";
            for (Move m : moves)
                if (!got.count(m)) {  // only a capture that would leave the king attacked is dropped
                    EXPECT_EQ(staticExchange(p, moveFrom(m), moveTo(m)), -9999);
                }
            ++positions;
            inCheck += code != 0;

            // Random play that gives check whenever it can, to meet many evasion nodes.
            std::vector<Move> legal, checking;
            for (Move m : moves)
                if (makeMove(p, m, true) >= 0) {
                    legal.push_back(m);
                    if (p.history[p.historyLength - 1].checkCode)
                        checking.push_back(m);
                    unmakeMove(p);
                }
            if (legal.empty())
                break;
            const std::vector<Move>& choice = checking.empty() ? legal : checking;
            makeMove(p, choice[random() % choice.size()], false);
        }
    }
    EXPECT_GT(positions, 100);
    EXPECT_GT(inCheck, 20);
}
