// The evaluation's terms on small positions: piece activity, cannon play, king attack
// and the control of a king's flight squares.
#include "tests/eval/evalfixture.h"

namespace {

using Terms = EvalTest;

struct Row {
    const char* name;
    std::initializer_list<Placed> pieces;
    int expected;
};

// The empty squares on a piece's rank and file up to the nearest pieces (a cannon's mobility).
int lineMobility(const Position& pos, int sq) {
    const SlideTargets& r = rankTargetOf(fileOf(sq), pos.bitRanks[rankOf(sq)]);
    const SlideTargets& f = fileTargetOf(rankOf(sq), pos.bitFiles[fileOf(sq)]);
    return r.emptyCountLow + r.emptyCountHigh + f.emptyCountLow + f.emptyCountHigh;
}

// ---- Piece activity ----

TEST_F(Terms, RookActivity) {
    const Row rows[] = {
        // Open directions add nothing: only the mobility over all 17 empty squares.
        {"lone rook", {{'k', 0, 4}, {'K', 9, 4}, {'R', 4, 0}}, 9},
        // 3 for each rook seeing the other, mobility 13 and 12.
        {"two rooks on a file", {{'k', 0, 4}, {'K', 9, 4}, {'R', 4, 0}, {'R', 6, 0}},
         3 + rookMobilityBonus[13] + 3 + rookMobilityBonus[12]},
        // A horse pinned against its king from the palace centre: threat 7 + 96.
        {"horse pinned on the palace centre", {{'k', 0, 4}, {'n', 1, 4}, {'R', 6, 4}, {'K', 9, 3}},
         7 + 96 + rookMobilityBonus[8 + 4 + 3]},
    };
    EXPECT_EQ(rookMobilityBonus[17], 9);
    EXPECT_EQ(rows[1].expected, 20);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        load(row.pieces);
        EXPECT_EQ(pieceActivity(pos, sideRed), row.expected);
        EXPECT_EQ(pos.attackedMask, 0u);  // rook threats never mark
    }
}

TEST_F(Terms, HorseTrappedOnTheEdge) {
    const Row rows[] = {
        // Black horse on rank 0, a red rook on its edge step: one safe move (-13), -32 undefended.
        {"undefended", {{'k', 0, 4}, {'K', 9, 4}, {'n', 0, 0}, {'R', 1, 0}}, -13 - 32},
        // A black cannon behind the rook screen covers the horse: -16.
        {"cannon defends", {{'k', 0, 4}, {'K', 9, 4}, {'n', 0, 0}, {'R', 1, 0}, {'c', 2, 0}}, -13 - 16},
        // An advisor covers a horse in the palace: two safe moves, -8; the advisor itself
        // adds 2 (the horse and the king stand on its targets).
        {"advisor defends", {{'k', 0, 5}, {'K', 9, 4}, {'n', 0, 3}, {'a', 1, 4}, {'R', 1, 3}}, -9 - 8 + 2},
        // The rook off the edge step: two safe moves and no penalty.
        {"rook elsewhere", {{'k', 0, 4}, {'K', 9, 4}, {'n', 0, 0}, {'R', 1, 1}}, -9},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        load(row.pieces);
        EXPECT_EQ(pieceActivity(pos, sideBlack), row.expected);
    }
}

TEST_F(Terms, HorseMobilityCountsOnlySafeSquaresInTheEnemyHalf) {
    // Black horse on (5,4): (7,3) is covered by the red rook, and the red pawn on (7,5) is
    // threatened but covered by the red advisor, so neither counts; (6,2) and (6,6) are
    // free, and the four targets in black's half are not tested: 6 safe moves.
    load({{'k', 0, 4}, {'K', 9, 4}, {'n', 5, 4}, {'R', 9, 3}, {'A', 8, 4}, {'P', 7, 5}});
    EXPECT_EQ(pieceActivity(pos, sideBlack), horseMobilityBonus[6] + minorThreatWeight[3]);
    EXPECT_TRUE(attacked(7, 5));
}

TEST_F(Terms, PawnActivity) {
    struct PawnRow {
        const char* name;
        std::initializer_list<Placed> pieces;
        int expected;
        bool marked;  // the red piece in front of the black pawn is marked attacked
    };
    const PawnRow rows[] = {
        {"pawns meet at the river", {{'k', 0, 4}, {'K', 9, 4}, {'p', 3, 0}, {'P', 4, 0}}, 80, false},
        {"pawn faces a horse", {{'k', 0, 4}, {'K', 9, 4}, {'p', 3, 0}, {'H', 4, 0}}, 10, true},
        {"crossed pawn faces a pawn", {{'k', 0, 4}, {'K', 9, 4}, {'p', 5, 0}, {'P', 6, 0}}, 5, true},
        {"linked pawns", {{'k', 0, 4}, {'K', 9, 4}, {'p', 5, 3}, {'p', 5, 4}}, 7 + 7, false},
    };
    for (const PawnRow& row : rows) {
        SCOPED_TRACE(row.name);
        load(row.pieces);
        const Placed& front = *(row.pieces.begin() + 3);  // the piece the pawn steps onto
        EXPECT_EQ(pieceActivity(pos, sideBlack), row.expected);
        EXPECT_EQ(attacked(front.rank, front.file), row.marked);
    }
}

TEST_F(Terms, RookOnAdvisorSetsTheLatchAndScoresThePinOnlyInTheEndgame) {
    // Black king, black rook, red advisor and red king on file 4.
    const auto pieces = {Placed{'k', 0, 4}, Placed{'r', 3, 4}, Placed{'A', 8, 4}, Placed{'K', 9, 4}};
    load(pieces, 0);
    EXPECT_EQ(advisorAttackLatch, 0);
    const int middle = pieceActivity(pos, sideBlack);
    EXPECT_EQ(advisorAttackLatch, 1);
    // Own king +1, advisor threat 4, mobility 8 + 2 + 4.
    EXPECT_EQ(middle, 1 + 4 + rookMobilityBonus[14]);
    load(pieces, 1);
    EXPECT_EQ(pieceActivity(pos, sideBlack), middle + 8);
    EXPECT_EQ(advisorAttackLatch, 1);  // never cleared
}

TEST_F(Terms, ElephantsAndAdvisors) {
    // The red elephant on (7,4) threatens the black horse on (5,2) (eye (6,3) empty): 20,
    // and the two red elephants see each other over the empty eye (8,5): 2 each. The red
    // advisor on (8,4) has its king on one of its targets: 1.
    load({{'k', 0, 4}, {'K', 9, 3}, {'B', 7, 4}, {'B', 9, 6}, {'A', 8, 4}, {'n', 5, 2}});
    EXPECT_EQ(pieceActivity(pos, sideRed), 20 + 2 + 2 + 1);
    EXPECT_TRUE(attacked(5, 2));
    // A blocked eye stops both the threat and the link.
    load({{'k', 0, 4}, {'K', 9, 4}, {'B', 7, 4}, {'n', 5, 2}, {'P', 6, 3}});
    EXPECT_EQ(pieceActivity(pos, sideRed), 0);
}

// ---- Cannon play and attacking material ----

TEST_F(Terms, CannonFacingTheKing) {
    const Row rows[] = {
        // Two empty squares between cannon and king: the facing bonus 34, mobility 16
        // squares (+1), and a cannon against no elephant (+12).
        {"two squares between", {{'k', 0, 3}, {'K', 9, 4}, {'c', 6, 4}}, 34 + 1 + 12},
        // Next to the king: no facing bonus.
        {"adjacent", {{'k', 0, 3}, {'K', 9, 4}, {'c', 8, 4}}, 1 + 12},
        // A black pawn in red's left corner adds 4 to the file bonus.
        {"pawn in the corner", {{'k', 0, 3}, {'K', 9, 4}, {'c', 6, 4}, {'p', 8, 1}}, 34 + 4 + 1 + 12},
    };
    EXPECT_EQ(cannonFileFacingBonus[2], 34);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        load(row.pieces);
        phaseWeight = 0;
        EXPECT_EQ(attackPressure(pos, sideBlack), row.expected);
        EXPECT_EQ(phaseWeight, 1);
    }
}

TEST_F(Terms, CannonScreens) {
    const Row rows[] = {
        // Cannon hits a red horse over a black pawn screen: threat 7; mobility 13 (0).
        {"threat over a screen", {{'k', 0, 3}, {'K', 9, 3}, {'c', 4, 4}, {'p', 5, 4}, {'H', 7, 4}}, 7 + 12},
        // Over its own screen onto its own piece: +1.
        {"own piece behind", {{'k', 0, 3}, {'K', 9, 3}, {'c', 4, 4}, {'p', 5, 4}, {'p', 7, 4}}, 1 + 12},
        // A red horse pinned against the red king behind a black pawn screen: 7 + 64.
        {"horse pinned", {{'k', 0, 3}, {'K', 9, 4}, {'c', 4, 4}, {'p', 5, 4}, {'H', 7, 4}}, 7 + 64 + 12},
        // The same horse on the palace centre adds the centre pin bonus for no gap.
        {"horse pinned on the centre",
         {{'k', 0, 3}, {'K', 9, 4}, {'c', 6, 4}, {'p', 7, 4}, {'H', 8, 4}}, 7 + 64 + 55 + 12},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        load(row.pieces);
        EXPECT_EQ(attackPressure(pos, sideBlack),
                  row.expected + cannonMobilityBonus[lineMobility(pos, pos.pieceSquare[24])]);
    }
}

TEST_F(Terms, AttackingMaterialAndRookInvasion) {
    // Two black rooks in red's half, red without advisors or elephants: material 32, the
    // invasion 112 + 64, the outpost 8 * 2 * 2 * 2 = 64 for the two flank rooks, less 64.
    load({{'k', 0, 3}, {'K', 9, 4}, {'r', 5, 0}, {'r', 6, 8}});
    const int invasion = 112 + 64 + 64 - 64;
    int expected = attackMaterialBonus[2][0][0] + invasion;
    EXPECT_EQ(attackPressure(pos, sideBlack), expected);
    // With both red elephants the 64 is replaced by 16 * rooks * latch (latch clear: 0).
    load({{'k', 0, 3}, {'K', 9, 4}, {'r', 5, 0}, {'r', 6, 8}, {'B', 9, 2}, {'B', 9, 6}});
    EXPECT_EQ(attackPressure(pos, sideBlack), attackMaterialBonus[2][0][0] + invasion - 64);
    advisorAttackLatch = 1;
    EXPECT_EQ(attackPressure(pos, sideBlack), attackMaterialBonus[2][0][0] + invasion - 64 + 32);
}

TEST_F(Terms, CannonPairInOneCorner) {
    // Both black cannons in red's left corner on different files (not on rank 6): with no
    // flank rook, no red rook and no pawn the pair adds nothing, but a red horse there -8.
    load({{'k', 0, 3}, {'K', 9, 5}, {'c', 7, 0}, {'c', 8, 1}, {'N', 9, 2}});
    const int base = attackMaterialBonus[0][2][0] + minorVsDefenderBonus[2][0];
    int mobility = 0;
    for (int pc : {24, 26}) mobility += cannonMobilityBonus[lineMobility(pos, pos.pieceSquare[pc])];
    // The cannon on (8,1) hits nothing; (7,0) neither. The pair term: 8 * (2 * 0 - 1).
    EXPECT_EQ(attackPressure(pos, sideBlack), base + mobility - 8);
    // The same cannons on one file: no pair term.
    load({{'k', 0, 3}, {'K', 9, 5}, {'c', 7, 0}, {'c', 8, 0}, {'N', 9, 2}});
    mobility = 0;
    for (int pc : {24, 26}) mobility += cannonMobilityBonus[lineMobility(pos, pos.pieceSquare[pc])];
    EXPECT_EQ(attackPressure(pos, sideBlack), base + mobility);
}

TEST_F(Terms, PhaseWeightOfTheStartPosition) {
    load(std::string(startFen));
    phaseWeight = 0;
    attackPressure(pos, sideBlack);
    attackPressure(pos, sideRed);
    EXPECT_EQ(phaseWeight, 16);  // each side: 2 horses + 2 cannons + 2 * 2 rooks
}

// ---- King attack ----

TEST_F(Terms, KingAttack) {
    struct KingRow {
        const char* name;
        std::initializer_list<Placed> pieces;
        int attacker;
        int expected;
    };
    const KingRow rows[] = {
        {"no attackers, king on file 4", {{'k', 0, 4}, {'K', 9, 4}}, sideRed, 0},
        {"no attackers, king on file 3", {{'k', 0, 3}, {'K', 9, 4}}, sideRed, 3},
        // L = 4, shift +2: table[6] = 10, plus t / 4 = 1.
        {"one rook in the corner", {{'k', 0, 3}, {'K', 9, 4}, {'R', 1, 0}}, sideRed, 11},
        // Black's left defence halves its horse, elephant and centre advisor: 3 / 2 = 1, so
        // iL = 7 (12); the right wing counts the centre advisor in full; t / 4 = 2.
        {"black left defence halved",
         {{'k', 0, 4}, {'K', 9, 4}, {'R', 1, 0}, {'R', 2, 1}, {'n', 1, 1}, {'b', 0, 2}, {'a', 1, 4}},
         sideRed, 12 + 2},
        // Red's left defence counts horse and elephant in full and ignores the centre
        // advisor: iL = 6 (10), t / 4 = 2.
        {"red defence without the centre",
         {{'k', 0, 4}, {'K', 9, 4}, {'r', 8, 0}, {'r', 7, 1}, {'N', 9, 1}, {'B', 9, 2}, {'A', 8, 4}},
         sideBlack, 10 + 2},
        // t = 8 and a black king on rank 2 with one guard left: 8 * 2 more.
        {"exposed king", {{'k', 2, 4}, {'K', 9, 4}, {'R', 1, 0}, {'R', 1, 1}, {'a', 0, 5}}, sideRed,
         15 + 0 + 2 + 16},
    };
    for (const KingRow& row : rows) {
        SCOPED_TRACE(row.name);
        load(row.pieces);
        EXPECT_EQ(kingAttack(pos, row.attacker), row.expected);
    }
}

// ---- Control of the squares a king can step to ----

TEST_F(Terms, KingStepControl) {
    struct StepRow {
        const char* name;
        std::initializer_list<Placed> pieces;
        int rank, file;  // the square controlled
        int expected;    // by black
    };
    const StepRow rows[] = {
        {"pawn beside", {{'k', 0, 3}, {'K', 9, 4}, {'p', 8, 3}}, 8, 4, 16},
        {"pawn on the rank above", {{'k', 0, 3}, {'K', 9, 4}, {'p', 7, 4}}, 8, 4, 16},
        {"pawn on the rank below", {{'k', 0, 3}, {'K', 9, 5}, {'p', 8, 4}}, 7, 4, 0},
        {"horse", {{'k', 0, 3}, {'K', 9, 4}, {'n', 6, 3}}, 8, 4, 8},
        {"horse with its leg blocked", {{'k', 0, 3}, {'K', 9, 4}, {'n', 6, 3}, {'P', 7, 3}}, 8, 4, 0},
        {"rook", {{'k', 0, 3}, {'K', 9, 4}, {'r', 8, 0}}, 8, 4, 8},
        {"rook behind a piece", {{'k', 0, 3}, {'K', 9, 4}, {'r', 8, 0}, {'H', 8, 2}}, 8, 4, 0},
        {"cannon over a screen", {{'k', 0, 3}, {'K', 9, 4}, {'c', 8, 0}, {'H', 8, 2}}, 8, 4, 8},
        {"cannon over a screen on the file, king elsewhere",
         {{'k', 0, 3}, {'K', 9, 3}, {'c', 5, 4}, {'H', 6, 4}}, 8, 4, 8},
        // The king that owns the palace is next to the square on that line: not counted.
        {"cannon over the king", {{'k', 0, 3}, {'K', 9, 4}, {'c', 9, 6}}, 9, 3, 0},
        {"cannon with the king on the far side", {{'k', 0, 3}, {'K', 9, 4}, {'c', 9, 0}, {'H', 9, 1}}, 9, 3, 0},
        {"cannon on the file with the king below",
         {{'k', 0, 3}, {'K', 9, 4}, {'c', 5, 4}, {'H', 6, 4}}, 8, 4, 0},
        {"nothing", {{'k', 0, 3}, {'K', 9, 4}}, 8, 4, 0},
    };
    for (const StepRow& row : rows) {
        SCOPED_TRACE(row.name);
        load(row.pieces);
        EXPECT_EQ(kingStepControl(pos, makeSquare(row.rank, row.file), sideBlack), row.expected);
    }
}

}  // namespace
