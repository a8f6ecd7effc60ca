// The quiescence searches: stand pat on the static evaluation unless in check, then
// captures (or evasions) and, in the first plies, quiet checking moves. The zero-window one
// never reads the input or the clock; a stop is noticed by the next full-width node above.
// The open-window one looks too (see quiesceRoot).
#include "search/quiesce.h"

#include "board/makemove.h"
#include "board/tables.h"
#include "eval/phase.h"
#include "movegen/movegen.h"
#include "search/hash.h"
#include "search/limits.h"
#include "search/node.h"
#include "search/ordering.h"

namespace {

// Beyond this ply the quiescence searches return the static evaluation.
inline constexpr int quiescePlyLimit = 64;

// The moves of phase 2 (evasions that capture or step aside, or all captures) and phase 3
// (the other evasions, or quiet checks while depth >= floor).
int quiescePhaseMoves(Position& pos, int phase, int code, bool checksAllowed, MoveSlot* list) {
    if (phase == 1)
        return code ? generateEvasionsA(pos, list, code)
                    : pos.sideToMove == sideRed ? generateCapturesRed(pos, list)
                                                : generateCapturesBlack(pos, list);
    if (code)
        return generateEvasionsB(pos, list, code);
    return checksAllowed ? generateQuietChecks(pos, list) : 0;
}

// What both searches settle before looking at moves: no mating material, a mate already
// beyond beta, a repeated position; then, out of check, the stand-pat score when it reaches
// beta (stored as a lower bound when the table has no move for the node) or when the node
// is too deep; in check too deep, the evaluation. True when the node ends with result;
// otherwise standPat holds the evaluation (out of check) and the moves are to be searched.
bool settledBeforeMoves(SearchContext& ctx, int beta, Move hashMove, int code, int& standPat,
                        int& result) {
    Position& pos = ctx.position;
    if (!code) {
        standPat = evalCached(ctx);
        if (pos.ply >= quiescePlyLimit || standPat >= beta) {
            if (pos.ply < quiescePlyLimit && !hashMove)
                hashStore(ctx, 0, boundLower, standPat, 0);
            result = standPat;
            return true;
        }
    } else if (pos.ply >= quiescePlyLimit) {
        result = evalCached(ctx);
        return true;
    }
    return false;
}

inline bool settledOnEntry(SearchContext& ctx, int beta, int& result) {
    Position& pos = ctx.position;
    ctx.nodeCount++;
    if (!(pos.presenceMask & matingMaterial))
        result = 0;
    else if (pos.ply - MATE >= beta)
        result = pos.ply - MATE;
    else if (!(result = detectRepetition(pos, 1)))
        return false;
    return true;
}

// The moves of one phase: the hash move when it is valid, or a generated list.
int quiescePhase(Position& pos, int phase, Move hashMove, int code, bool checksAllowed, MoveSlot* list) {
    if (phase > 0)
        return quiescePhaseMoves(pos, phase, code, checksAllowed, list);
    if (!hashMove || !isValidMove(hashMove, pos))
        return 0;
    list[0] = hashMove;
    return 1;
}

// A capture the zero-window quiescence searches without judging it: a major taken by a
// piece that is no rook, or a rook or king taken by a rook.
inline bool safeCapture(int attacker, int victim) {
    const bool byRook = attacker >= rookFirst && attacker < kingBlack;
    return byRook ? victim >= rookFirst : victim >= horseFirst;
}

}  // namespace

int quiesceRoot(SearchContext& ctx, int alpha, int beta, int depth, int floor) {
    Position& pos = ctx.position;
    int result;
    if (settledOnEntry(ctx, beta, result))
        return result;
    // Checks with single replies extend this search ply after ply, and with many checks to
    // choose from its tree can take seconds; the root's scan of its moves runs it with no
    // full-width node above. So it looks at the input, the clock and the node limit on the
    // full-width nodes' schedule, and a stop unwinds it at once, storing nothing.
    if (ctx.stopFlag)
        return noCutScore;
    if (searchMustStop(ctx, StopSite::zeroWindow))
        return noCutScore;

    const Move hashMove = hashProbeMove(ctx);
    const int alphaIn = alpha;
    int best = -MATE;
    Move bestMove = 0;
    const int code = nodeCheckCode(pos);
    int e = 0;
    if (settledBeforeMoves(ctx, beta, hashMove, code, e, result))
        return result;
    if (!code && e >= -(MATE - 1)) {
        best = e;
        if (e > alpha)
            alpha = e;
    }

    const uint8_t* relevance = ownKingRelevance(pos, code);
    MoveSlot list[nodeListSize];
    for (int phase = 0; phase < 3; ++phase) {
        const int count = quiescePhase(pos, phase, hashMove, code, depth >= floor, list);
        int index = 0;
        // A single reply to check: search on for two more plies of checks.
        if (phase == 1 && code && pos.ply < quiescePlyLimit && atMostOneLegal(pos, list, count))
            floor -= 2;
        while (index < count) {
            const Move mv = selectNext(list, count, index);
            if (phase > 0 && mv == hashMove)
                continue;
            prefetchTables(keyLowAfter(pos, mv));
            if (makeMove(pos, mv, needsLegalityTest(relevance, mv)) < 0)
                continue;
            const int v = -quiesceRoot(ctx, -beta, -alpha, depth - 1, floor);
            unmakeMove(pos);
            if (ctx.stopFlag)
                return noCutScore;
            if (v >= beta) {
                hashStore(ctx, 0, boundLower, v, mv);
                return v;
            }
            if (v > best) {
                best = v;
                if (v > alpha) {
                    bestMove = mv;
                    alpha = v;
                }
            }
        }
    }

    if (best == -MATE)
        return pos.ply - MATE;
    if (depth < floor)
        return best;
    if (best > alphaIn)
        hashStore(ctx, 0, boundExact, best, bestMove);
    else
        hashStore(ctx, 0, boundUpper, best, 0);
    return best;
}

int quiesceZW(SearchContext& ctx, int beta, int depth, int floor) {
    Position& pos = ctx.position;
    const int alpha = beta - 1;
    int result;
    if (settledOnEntry(ctx, beta, result))
        return result;

    Move hashMove;
    const int cut = hashProbeQS(ctx, beta, hashMove);
    if (cut != noCutScore)
        return cut;

    int best = -MATE;
    int deltaBase = MATE;
    const int code = nodeCheckCode(pos);
    int e = 0;
    if (settledBeforeMoves(ctx, beta, hashMove, code, e, result))
        return result;
    if (!code) {
        if (e >= -(MATE - 1))
            best = e;
        deltaBase = e + qsDeltaMargin;
    }

    const uint8_t* relevance = ownKingRelevance(pos, code);
    MoveSlot list[nodeListSize];
    for (int phase = 0; phase < 3; ++phase) {
        const int count = quiescePhase(pos, phase, hashMove, code, depth >= floor, list);
        int index = 0;
        const bool filterCaptures = phase == 1 && !code;
        while (index < count) {
            const Move mv = selectNext(list, count, index);
            if (phase > 0 && mv == hashMove)
                continue;
            if (filterCaptures) {
                const int from = moveFrom(mv), to = moveTo(mv);
                const int victim = pos.board[to];
                // Even winning the piece outright leaves the score short of alpha.
                int gain = pieceSquareTable[pieceTypeOf[victim]][pstIndex(to)];
                gain = (gain < 0 ? -gain : gain) + deltaBase;
                if (gain < alpha) {
                    if (best < gain)
                        best = gain;
                    continue;
                }
                prefetchTables(keyLowAfter(pos, mv));
                if (!safeCapture(pos.board[from], victim) && staticExchange(pos, from, to) < 0)
                    continue;  // a losing or illegal exchange
            }
            if (!filterCaptures)
                prefetchTables(keyLowAfter(pos, mv));
            if (makeMove(pos, mv, needsLegalityTest(relevance, mv)) < 0)
                continue;
            const int v = -quiesceZW(ctx, 1 - beta, depth - 1, floor);
            unmakeMove(pos);
            if (v >= beta) {
                hashStore(ctx, 0, boundLower, v, mv);
                return v;
            }
            if (v > best)
                best = v;
        }
    }

    if (best == -MATE)
        return pos.ply - MATE;
    if (depth < floor)
        return best;
    hashStore(ctx, 0, boundUpper, best, 0);
    return best;
}
