// Evaluation entry: the terms of both sides in a fixed order (they share attackedMask,
// phaseWeight and advisorAttackLatch), whole-position corrections, the phase blend of the
// piece-square score, endgame scaling, and the turn to the side to move.
#include "eval/evaluate.h"

#include "eval/phase.h"
#include "eval/terms.h"
#include "eval/weights.h"
#include "movegen/movegen.h"

namespace {

// Whether a rook or cannon at coordinate q of a line (a rank or a file, its occupancy bits
// occupied; the square of coordinate c is base + c * step) bears on the square at p. A
// cannon does not count where the palace's own king (owner) is the square's neighbour on
// that line: stepping there takes the king off the line.
inline bool lineControls(const Position& pos, uint32_t occupied, int p, int q, int base, int step,
                         bool rook, int owner) {
    const int low = p < q ? p : q, high = p < q ? q : p;
    const uint32_t between = occupied & ((1u << high) - (2u << low));
    if (rook) return between == 0;
    if (between == 0 || (between & (between - 1)) != 0) return false;
    const uint32_t below = occupied & ((1u << p) - 1), above = occupied & ~((2u << p) - 1);
    if (below && pos.board[base + (31 - __builtin_clz(below)) * step] == owner) return false;
    if (above && pos.board[base + __builtin_ctz(above) * step] == owner) return false;
    return true;
}

// Control of a palace square by side's pieces (see kingStepControl). Every neighbour of a
// palace square is on the board and the palace's king is known, so the tests need no
// board-edge checks. The caller may rule out side's pawns (pawnsNear false when none stands
// near the palace) and give the horses to try (those in the palace's half).
template <int side>
QX_INLINE int stepControl(const Position& pos, int sq, bool pawnsNear = true,
                          uint32_t horsesNear = horseBits) {
    // A pawn steps in from beside the square or from the rank behind it (its own side). The
    // side's pawn ids as bits: one shift by a square's content tells an own pawn.
    constexpr uint64_t pawns = pawnBits & sideMaskOf[side];
    const int behind = side == sideBlack ? sq - 16 : sq + 16;
    if (pawnsNear &&
        (pawns >> pos.board[sq - 1] | pawns >> pos.board[sq + 1] | pawns >> pos.board[behind]) & 1)
        return 16;
    const uint32_t own = pos.presenceMask & sideBits(side);
    for (uint32_t horses = own & horsesNear; horses; horses &= horses - 1) {
        const int from = pos.pieceSquare[__builtin_ctz(horses)];
        const int leg = horseLegByDelta(from - sq);
        if (leg != 0 && pos.board[sq + leg] == 0) return 8;
    }
    // A rook of X with nothing between it and the square, or a cannon with one screen.
    constexpr int owner = kingBlack + (side ^ 1);
    for (uint32_t liners = own & (rookBits | cannonBits); liners; liners &= liners - 1) {
        const int id = __builtin_ctz(liners);
        const int from = pos.pieceSquare[id];
        if (from == sq) continue;
        if (rankOf(from) == rankOf(sq)) {
            if (lineControls(pos, pos.bitRanks[rankOf(sq)], fileOf(sq), fileOf(from), sq - fileOf(sq), 1,
                             isRook(id), owner))
                return 8;
        } else if (fileOf(from) == fileOf(sq)) {
            if (lineControls(pos, pos.bitFiles[fileOf(sq)], rankOf(sq), rankOf(from), fileOf(sq), 16,
                             isRook(id), owner))
                return 8;
        }
    }
    return 0;
}

// Control of the squares a king could step to, by the other side. The steps are kept at the
// end of the square's pawn-and-king list, read backwards; they are listed only for a king in
// its own palace, so they are palace squares.
template <int kingSide>
int kingStepSum(const Position& pos) {
    const int kingSq = pos.pieceSquare[kingBlack + kingSide];
    if (kingSq == noSquare) return 0;
    // The king's half is its regions kingSide + 0, 2, .., 8; its back flanks and centre
    // file (+ 0, 2, 4) take in every square a pawn could step onto a palace square from,
    // and a horse reaches the palace only from the half. Pieces elsewhere need no tests.
    constexpr int attacker = kingSide ^ 1;
    const uint32_t* region = pos.regionMask + kingSide;
    const uint32_t nearPalace = region[0] | region[2] | region[4];
    const bool pawnsNear = (nearPalace & pawnBits & sideMaskOf[attacker]) != 0;
    const uint32_t horsesNear = (nearPalace | region[6] | region[8]) & horseBits;
    int sum = 0;
    const uint8_t* steps = pawnKingMoves[kingSq][kingSide];
    for (int j = 3; j >= 0 && steps[j] != 0; --j)
        sum += stepControl<attacker>(pos, steps[j], pawnsNear, horsesNear);
    return sum;
}

}  // namespace

int kingStepControl(const Position& pos, int sq, int side) {
    return side == sideRed ? stepControl<sideRed>(pos, sq) : stepControl<sideBlack>(pos, sq);
}

namespace {

inline int countOf(const Position& pos, int firstId, int side) { return pos.pieceCount[firstId + side]; }
inline int majorsOf(const Position& pos, int side) {
    return countOf(pos, horseFirst, side) + countOf(pos, cannonFirst, side) + countOf(pos, rookFirst, side);
}
inline int kingFile(const Position& pos, int side) {
    const int sq = pos.pieceSquare[kingBlack + side];
    return sq == noSquare ? -1 : fileOf(sq);
}
inline int kingRank(const Position& pos, int side) {
    const int sq = pos.pieceSquare[kingBlack + side];
    return sq == noSquare ? -1 : rankOf(sq);
}

bool anyPawnOnRanks(const Position& pos, int side, int lowRank, int highRank) {
    for (int pc = lastPieceId[kindPawn][side]; pc >= firstIdOf(kindPawn, side); pc -= 2) {
        const int sq = pos.pieceSquare[pc];
        if (sq != noSquare && rankOf(sq) >= lowRank && rankOf(sq) <= highRank) return true;
    }
    return false;
}

// A lone rook cannot break a cannon fortress: the defender keeps one cannon on the palace
// rank next to the river in front of its king, and an advisor on the palace centre.
bool cannonFortress(const Position& pos, int defender, int pawnsOfAttacker) {
    const int attacker = defender ^ 1;
    if (countOf(pos, rookFirst, attacker) != 1 || pawnsOfAttacker != 0 ||
        countOf(pos, horseFirst, attacker) != 0 || countOf(pos, cannonFirst, attacker) != 0)
        return false;
    if (countOf(pos, cannonFirst, defender) != 1 || countOf(pos, advisorFirst, defender) != 2 ||
        countOf(pos, horseFirst, defender) != 0 || countOf(pos, rookFirst, defender) != 0)
        return false;
    const int centre = pos.board[defender == sideRed ? makeSquare(8, 4) : makeSquare(1, 4)];
    if (!isAdvisor(centre) || !isOwn(centre, defender)) return false;
    const int riverRank = defender == sideRed ? 7 : 2;
    for (int file : {3, 5}) {
        const int pc = pos.board[makeSquare(riverRank, file)];
        if (isCannon(pc) && isOwn(pc, defender) && kingFile(pos, defender) == file) return true;
    }
    return false;
}

// A single cannon without an advisor for a screen cannot win against no major (the
// caller has checked that no pawn is left).
bool loneCannon(const Position& pos, int side) {
    return countOf(pos, cannonFirst, side) == 1 && majorsOf(pos, side ^ 1) == 0 &&
           countOf(pos, horseFirst, side) == 0 && countOf(pos, rookFirst, side) == 0 &&
           countOf(pos, advisorFirst, side) == 0;
}

// Step 9: drawish material. Returns the corrected score.
QX_INLINE int endgameCorrections(const Position& pos, int s, EvalTerms* terms) {
    const uint32_t present = pos.presenceMask;
    const uint32_t black = sideBits(sideBlack), red = sideBits(sideRed);
    const int pb = bitCount32(present & pawnBits & black);
    const int pr = bitCount32(present & pawnBits & red);
    const int guardsBlack = bitCount32(present & (advisorBits | elephantBits) & black);
    const int guardsRed = bitCount32(present & (advisorBits | elephantBits) & red);
    auto scale = [&](const char* rule, int num, int den) {
        if (terms) {
            terms->scaleRule = rule;
            terms->scaleNumerator = num;
            terms->scaleDenominator = den;
        }
        return s * num / den;  // truncates toward zero
    };

    // 1. Full defence against no major on either side and at most two pawns each.
    if (majorsOf(pos, sideBlack) == 0 && majorsOf(pos, sideRed) == 0 && pb <= 2 && pr <= 2 &&
        (guardsBlack == 4 || guardsRed == 4))
        return scale("bare-defence", 1, 8);

    // 2. An advisor pinned between the two kings on one file.
    const int bk = pos.pieceSquare[kingBlack], rk = pos.pieceSquare[kingRed];
    if (bk != noSquare && rk != noSquare && fileOf(bk) == fileOf(rk)) {
        const int lo = rankOf(bk) < rankOf(rk) ? rankOf(bk) : rankOf(rk);
        const int hi = rankOf(bk) < rankOf(rk) ? rankOf(rk) : rankOf(bk);
        const uint32_t between = pos.bitFiles[fileOf(bk)] & ((1u << hi) - (1u << (lo + 1)));
        if (bitCount32(between) == 1) {
            int rank = lo + 1;
            while (!(between & (1u << rank))) ++rank;
            const int pc = pos.board[makeSquare(rank, fileOf(bk))];
            if (isAdvisor(pc)) {
                const int adjust = isOwn(pc, sideRed) ? 32 : -32;
                s += adjust;
                if (terms) terms->pinnedAdvisor = adjust;
            }
        }
    }

    // 3. Pawns that have got behind a king stepped up to its palace's river rank.
    int passed = 0;
    if (kingRank(pos, sideRed) == 7 && anyPawnOnRanks(pos, sideBlack, 8, 9)) passed -= 32;
    if (kingRank(pos, sideBlack) == 2 && anyPawnOnRanks(pos, sideRed, 0, 1)) passed += 32;
    s += passed;
    if (terms) terms->passedPawns = passed;

    // 4, 5. Rook against a cannon fortress, red defending, then black.
    if (cannonFortress(pos, sideRed, pb)) return scale("cannon-fortress", 1, 8);
    if (cannonFortress(pos, sideBlack, pr)) return scale("cannon-fortress", 1, 8);

    // 6. A lone cannon without advisors, no pawn, horse or rook anywhere.
    if (pb + pr == 0) {
        if (loneCannon(pos, sideBlack) || loneCannon(pos, sideRed))
            return scale("lone-cannon", 1, 16);
    }

    // 7. The material table, for at most one pawn and one of each major per side.
    if (pb > 1 || pr > 1) return s;
    int key = pb << 7 | pr << 6;
    int shift = 5;
    for (int first : {rookFirst, cannonFirst, horseFirst})
        for (int side : {sideBlack, sideRed}) {
            const int count = countOf(pos, first, side);
            if (count > 1) return s;
            key |= count << shift--;
        }
    const int factor = drawScaleTable[key * 25 + guardsBlack * 5 + guardsRed];
    return scale("draw-scale", factor, 16);
}

QX_COUNTING int evaluateImpl(Position& pos, EvalTerms* terms) {
    // 1.
    pos.attackedMask = 0;
    phaseWeight = 0;

    // 2, 3. The order is fixed: the terms share attackedMask, phaseWeight and the latch.
    const int activityBlack = pieceActivity(pos, sideBlack);
    const int activityRed = pieceActivity(pos, sideRed);
    const int pressureBlack = attackPressure(pos, sideBlack);
    const int kingAttackBlack = kingAttack(pos, sideBlack);
    const int pressureRed = attackPressure(pos, sideRed);
    const int kingAttackRed = kingAttack(pos, sideRed);
    blackAttackScore = pressureBlack + kingAttackBlack;
    redAttackScore = pressureRed + kingAttackRed;

    // 4.
    int s = activityBlack - activityRed + blackAttackScore - redAttackScore;

    // 5. Double threat: two of a king and its rooks attacked at once.
    const uint32_t hit = pos.attackedMask;
    int doubleThreat = 0;
    if (bitCount32(hit & (1u << 1 | 1u << 29 | 1u << 31)) >= 2) doubleThreat += 64;
    if (bitCount32(hit & (1u << 0 | 1u << 28 | 1u << 30)) >= 2) doubleThreat -= 64;
    s += doubleThreat;

    // 6. Control of the king's flight squares once the attack is strong.
    int stepBlack = 0, stepRed = 0;
    if (endgameMode || blackAttackScore >= 96) stepBlack = kingStepSum<sideRed>(pos);
    if (endgameMode || redAttackScore >= 96) stepRed = kingStepSum<sideBlack>(pos);
    s += stepBlack - stepRed;

    // 7. Phase blend of the piece-square score: pawns 4..11, advisors and elephants, plus
    // four times the majors counted by the cannon terms.
    const int phase = bitCount32(pos.presenceMask & 0x000FFFF0) + 4 * phaseWeight;
    phaseWeight = phase;
    int endgamePst = 0, pieceSquare;
    const bool blend = phase >= 21 && phase <= 43;
    if (blend) {
        endgamePst = pieceSquareSum(pos, endgamePieceSquareTable);
        pieceSquare = (phase * pos.pstScore + (64 - phase) * endgamePst) / 64;
    } else {
        pieceSquare = pos.pstScore;
    }
    s += pieceSquare;
    const int middle = s;

    // 8, 9.
    if (endgameMode) s = endgameCorrections(pos, s, terms);

    // 10.
    const int tempo = pos.sideToMove == sideRed ? 0 : tempoBonus;
    if (terms) {
        terms->activity[0] = activityBlack;
        terms->activity[1] = activityRed;
        terms->pressure[0] = pressureBlack;
        terms->pressure[1] = pressureRed;
        terms->kingAttack[0] = kingAttackBlack;
        terms->kingAttack[1] = kingAttackRed;
        terms->attackScore[0] = blackAttackScore;
        terms->attackScore[1] = redAttackScore;
        terms->doubleThreat = doubleThreat;
        terms->kingStep[0] = stepBlack;
        terms->kingStep[1] = stepRed;
        terms->phase = phase;
        terms->pstScore = pos.pstScore;
        terms->endgamePst = endgamePst;
        terms->blended = blend;
        terms->pieceSquare = pieceSquare;
        terms->middle = middle;
        terms->total = s;
        terms->tempo = tempo;
    }
    return pos.sideToMove == sideRed ? -s : s + tempo;
}

}  // namespace

int evaluate(Position& pos) { return evaluateImpl(pos, nullptr); }

int evaluateWithTerms(Position& pos, EvalTerms& terms) {
    terms = EvalTerms{};
    return evaluateImpl(pos, &terms);
}

void adjustPawnTables(Position& pos) {
    const uint32_t present = pos.presenceMask;
    const uint32_t majors = horseBits | cannonBits | rookBits;
    // Pawns of a side without majors are worth less deep in a half that a cannon guards.
    // The rows are taken from the selected set each time, so searches in a row never halve
    // a halved value again.
    const int16_t(&home)[10][90] =
        endgameValuesSelected ? endgamePieceSquareTable : middlegamePieceSquareTable;
    const bool halveBlack =
        !(present & majors & sideBits(sideBlack)) && (present & cannonBits & sideBits(sideRed));
    const bool halveRed =
        !(present & majors & sideBits(sideRed)) && (present & cannonBits & sideBits(sideBlack));
    for (int i = 7 * 9; i < 90; ++i)
        pieceSquareTable[0][i] = int16_t(halveBlack ? home[0][i] / 2 : home[0][i]);
    for (int i = 0; i < 3 * 9; ++i)
        pieceSquareTable[1][i] = int16_t(halveRed ? home[1][i] / 2 : home[1][i]);
    pos.pstScore = pieceSquareSum(pos, pieceSquareTable);
}
