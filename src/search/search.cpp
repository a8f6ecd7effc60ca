// The full-width searches. searchPV keeps an open window and extends; searchZW answers
// "does the node reach beta?" and carries the pruning: table cut-offs, razoring, static
// futility, the null move, history and futility pruning, late-move reductions.
#include "search/search.h"

#include "board/makemove.h"
#include "board/tables.h"
#include "eval/phase.h"
#include "eval/terms.h"
#include "movegen/history.h"
#include "movegen/movegen.h"
#include "search/hash.h"
#include "search/limits.h"
#include "search/ordering.h"

bool quietAttackTerms(Position& pos) {
    return endgameMode || (attackPressure(pos, sideBlack) < 96 && attackPressure(pos, sideRed) < 96);
}

namespace {

inline constexpr int extensionPlyLimit = 64;  // no check or single-reply extension beyond

// Within reach of a decisive score, pruning by margins and the null move would be unsound.
inline bool quietWindow(int beta) { return beta >= -(decisiveBound - 1) && beta <= decisiveBound - 1; }

// Every full-width node counts itself and asks whether the search must stop.
inline bool nodeMustStop(SearchContext& ctx, StopSite site) {
    ctx.nodeCount++;
    return searchMustStop(ctx, site);
}

// Squares a move leaves or enters that bear on the king of the side not to move: a move
// touching one may give check, and is never pruned.
inline const uint8_t* enemyKingRelevance(const Position& pos) {
    const int cls = homeKingClass(pos.pieceSquare[kingRed - pos.sideToMove], sideRed - pos.sideToMove);
    return cls < 0 ? nullptr : checkRelevance[cls];
}

inline bool inEnemyHalf(int sq, int side) { return side == sideRed ? rankOf(sq) <= 4 : rankOf(sq) >= 5; }

// The hash move is singular when every other move, searched at half depth against a
// target just below the stored lower bound, stays below it.
bool hashMoveIsSingular(SearchContext& ctx, Move hashMove, int target, int depth) {
    Position& pos = ctx.position;
    MoveSlot captures[nodeListSize], quiets[nodeListSize], sliders[nodeListSize];
    int quietCount = 0;
    const int captureCount = generateMoves(pos, captures, quiets, quietCount);
    sortByValue(captures, captureCount);
    const int sliderCount = generateSliderQuiets(pos, sliders, depth);
    const MoveSlot* lists[3] = {captures, sliders, quiets};
    const int counts[3] = {captureCount, sliderCount, quietCount};
    int best = -MATE;
    for (int l = 0; l < 3; ++l)
        for (int i = 0; i < counts[l]; ++i) {
            const Move mv = slotMove(lists[l][i]);
            if (mv == hashMove || makeMove(pos, mv, true) < 0)
                continue;
            const int v = -searchZW(ctx, 1 - target, depth / 2, false);
            unmakeMove(pos);
            if (v >= target)
                return false;
            if (v > best)
                best = v;
        }
    return best > -MATE && best < target;
}

// The conditions shared by both searches for testing the hash move for singularity: a
// lower bound about as deep as the node, not decisive, for a move into the enemy half
// that is not already extended.
bool singularCandidate(const Position& pos, const HashItem& item, Move mv, int depth, int newDepth) {
    const int stored = itemAgedDepth(item);
    const int score = itemScore(item);
    return itemBound(item) == boundLower && stored >= depth - 3 && stored <= depth &&
           inEnemyHalf(moveTo(mv), pos.sideToMove) && newDepth < depth &&
           score >= -(decisiveBound - 1) && score <= decisiveBound - 1;
}

// A fail-high is stored as a lower bound with its move. A quiet move from the late list,
// out of check and not stopped, also teaches the killers and the history; captures and the
// early phases teach nothing.
inline void storeFailHigh(const SearchContext& ctx, const MovePicker& picker, Move mv, int captured,
                          int score, int depth, const TriedQuiet* tried, int triedCount) {
    hashStore(ctx, depth, boundLower, score, mv);
    if (captured || picker.movePhase != phaseLate || picker.checkCode || ctx.stopFlag)
        return;
    const Position& pos = ctx.position;
    historyFailHigh(pos.ply, mv, pieceTypeOf[pos.board[moveFrom(mv)]], score, depth, tried, triedCount);
}

}  // namespace

int searchZW(SearchContext& ctx, int beta, int depth, bool nullAllowed) {
    Position& pos = ctx.position;
    if (ctx.stopFlag)
        return noCutScore;
    if (nodeMustStop(ctx, StopSite::zeroWindow))
        return noCutScore;
    if (!(pos.presenceMask & matingMaterial))
        return 0;
    if (pos.ply - MATE >= beta)
        return beta;
    if (MATE - 1 - pos.ply < beta)
        return beta - 1;
    if (const int repetition = detectRepetition(pos, 1))
        return repetition;
    if (pos.ply >= maxSearchPly)
        return evalCached(ctx);

    const HashItem* item;
    const int cut = hashProbeCut(ctx, depth, beta, nullAllowed, item);
    if (cut != noCutScore)
        return cut;
    // The item may be overwritten by the searches below; its values are taken now.
    HashItem hashItem = item ? *item : HashItem{0, 0, 0};
    bool haveItem = item != nullptr;
    Move hashMove = hashItem.move;

    const int alpha = beta - 1;
    const int code = nodeCheckCode(pos);
    int e = 0;  // the static evaluation, once needed

    // Razoring and static futility at the last three plies.
    if (depth <= 3 && !code) {
        e = evalCached(ctx);
        const int margin = (2 * depth - 1) * futilityUnit;
        if (!hashMove && e < beta - 3 * margin && quietWindow(beta)) {
            const int v = quiesceZW(ctx, beta - 3 * margin, 0, 0);
            if (v < beta - 3 * margin)
                return v;
        }
        if (nullAllowed && e >= beta + margin && quietWindow(beta))
            return e - margin;
    }

    // The null move: if passing still reaches beta, a real move will too.
    if (nullAllowed && depth > 1 && !code) {
        bool tryNull = true;
        if (depth >= 5) {
            if (haveItem && itemBound(hashItem) != boundLower && itemAgedDepth(hashItem) >= depth - 4 &&
                itemScore(hashItem) < beta) {
                tryNull = false;
            } else {
                e = evalCached(ctx);
                tryNull = e >= beta;
            }
        }
        if (tryNull && quietWindow(beta)) {
            prefetchTables(pos.hashLow ^ uint32_t(zobristSide));
            makeNullMove(pos);
            const int reduced = depth - 4;
            const int v = reduced <= 0 ? -quiesceZW(ctx, 1 - beta, reduced, 0)
                                       : -searchZW(ctx, 1 - beta, reduced, false);
            unmakeNullMove(pos);
            if (v >= -(decisiveBound - 1) && v <= decisiveBound - 1 && v >= beta &&
                (depth <= 5 || searchZW(ctx, beta, depth - 5, false) >= beta)) {
                if (depth >= 5 && !ctx.stopFlag)
                    hashStore(ctx, depth, boundLower, v, 0);
                return v;
            }
        }
    }

    // Internal deepening finds a move to start with.
    if (depth > 7 && !hashMove && !code) {
        e = evalCached(ctx);
        if (e >= beta - 48) {
            searchZW(ctx, beta, depth / 2, false);
            item = hashProbeItem(ctx);
            haveItem = item != nullptr;
            hashItem = item ? *item : HashItem{0, 0, 0};
            hashMove = hashItem.move;
        }
    }

    const int checkExtension = pos.ply < extensionPlyLimit && code ? 1 : 0;
    const uint8_t* ownRelevance = ownKingRelevance(pos, code);
    const uint8_t* enemyRelevance = enemyKingRelevance(pos);
    MovePicker picker;
    initPicker(picker, hashMove, code, depth);
    TriedQuiet tried[nodeListSize];
    int triedCount = 0, movesMade = 0;
    bool pruned = false;
    bool haveFutility = false;
    int futilityValue = 0;
    int best = -MATE;

    while (const Move mv = nextMove(picker, pos)) {
        prefetchTables(keyLowAfter(pos, mv));
        int newDepth = depth - 1 + checkExtension;
        if (picker.movePhase == phaseHashMove && depth > 7 && haveItem &&
            singularCandidate(pos, hashItem, mv, depth, newDepth) &&
            hashMoveIsSingular(ctx, mv, itemScore(hashItem) - 14, depth))
            newDepth = depth;

        const int from = moveFrom(mv), to = moveTo(mv);
        const bool late = picker.movePhase == phaseLate;
        if (late && depth <= 7 && !code && newDepth < depth && pos.board[to] == 0 &&
            pos.board[from] < kingBlack && enemyRelevance && !enemyRelevance[to]) {
            const HistoryEntry& h = historyTable[pieceTypeOf[pos.board[from]]][to];
            if (depth > 2 && movesMade >= depth + 1 && depth * h.good < h.tried) {
                pruned = true;
                continue;
            }
            if (depth < 7 && alpha >= -(decisiveBound - 1) && beta < decisiveBound) {
                if (!haveFutility) {
                    if (depth <= 3)
                        futilityValue = e + (2 * depth - 1) * futilityUnit;
                    else
                        futilityValue = evalCached(ctx) + 2 * depth * futilityUnit;
                    haveFutility = true;
                }
                if (alpha >= futilityValue) {
                    if (best < futilityValue)
                        best = futilityValue;
                    pruned = true;
                    continue;
                }
            }
        }

        const int moving = pos.board[from];
        const int captured = makeMove(pos, mv, needsLegalityTest(ownRelevance, mv));
        if (captured < 0)
            continue;
        if (!captured)
            tried[triedCount++] = TriedQuiet{mv, pieceTypeOf[moving]};
        movesMade++;

        int reduction = 0;
        if (late && depth >= 3 && !code && newDepth < depth && movesMade >= 3 && !captured &&
            pos.history[pos.historyLength - 1].checkCode == 0) {
            reduction = movesMade > 10 && depth > 5 ? 2 : 1;
            newDepth -= reduction;
        }
        int v;
        if (newDepth > 0) {
            v = -searchZW(ctx, 1 - beta, newDepth, true);
            if (reduction > 0 && v >= beta)
                v = -searchZW(ctx, 1 - beta, newDepth + reduction, true);
        } else {
            v = -quiesceZW(ctx, 1 - beta, newDepth, 0);
        }
        unmakeMove(pos);

        if (v > best) {
            best = v;
            if (v >= beta) {
                storeFailHigh(ctx, picker, mv, captured, v, depth, tried, triedCount);
                return v;
            }
        }
    }

    if (movesMade == 0 && !pruned)
        return pos.ply - MATE;
    if (!ctx.stopFlag)
        hashStore(ctx, depth, boundUpper, best, 0);
    return best;
}

int searchPV(SearchContext& ctx, int alpha, int beta, int depth) {
    Position& pos = ctx.position;
    if (ctx.stopFlag)
        return noCutScore;
    if (nodeMustStop(ctx, StopSite::principal))
        return noCutScore;
    if (!(pos.presenceMask & matingMaterial))
        return 0;
    const int alphaIn = alpha;
    if (alpha < pos.ply - MATE)
        alpha = pos.ply - MATE;
    if (beta > MATE - 1 - pos.ply)
        beta = MATE - 1 - pos.ply;
    if (alpha >= beta)
        return alpha;
    if (const int repetition = detectRepetition(pos, 1))
        return repetition;
    if (pos.ply >= maxSearchPly)
        return evalCached(ctx);

    // No cut-off from the table here; its item gives the hash move.
    const HashItem* item = hashProbeItem(ctx);
    if (depth > 4 && !(item && item->move)) {
        searchPV(ctx, alpha, beta, depth - 2);
        item = hashProbeItem(ctx);
    }
    const bool haveItem = item != nullptr;
    const HashItem hashItem = item ? *item : HashItem{0, 0, 0};

    const int code = nodeCheckCode(pos);
    const int checkExtension = pos.ply < extensionPlyLimit && code ? 1 : 0;
    const uint8_t* ownRelevance = ownKingRelevance(pos, code);
    MovePicker picker;
    initPicker(picker, hashItem.move, code, depth);
    TriedQuiet tried[nodeListSize];
    int triedCount = 0, movesMade = 0;
    int best = -MATE;
    Move bestMove = 0;
    int singleReply = -1;  // decided when the evasions are first picked

    while (const Move mv = nextMove(picker, pos)) {
        prefetchTables(keyLowAfter(pos, mv));
        int extension = checkExtension;
        if (picker.movePhase == phaseCaptures && code) {
            if (singleReply < 0)
                singleReply = pos.ply < extensionPlyLimit && atMostOneLegal(pos, picker.captures, picker.count);
            extension += singleReply;
        }
        int newDepth = depth - 1 + extension;
        if (picker.movePhase == phaseHashMove && depth > 5 && haveItem &&
            singularCandidate(pos, hashItem, mv, depth, newDepth) &&
            hashMoveIsSingular(ctx, mv, itemScore(hashItem) - 14, depth))
            newDepth = depth;

        const int moving = pos.board[moveFrom(mv)];
        const int captured = makeMove(pos, mv, needsLegalityTest(ownRelevance, mv));
        if (captured < 0)
            continue;
        if (!captured)
            tried[triedCount++] = TriedQuiet{mv, pieceTypeOf[moving]};
        movesMade++;
        // The capture that brought the endgame about is searched a ply deeper.
        if (pos.ply < extensionPlyLimit && captured && endgameMode &&
            pos.history[pos.historyLength - 1].endgameMode == 0)
            newDepth = depth;

        int v;
        if (newDepth <= 0) {
            v = -quiesceRoot(ctx, -beta, -alpha, newDepth, 0);
        } else if (best == -MATE) {
            v = -searchPV(ctx, -beta, -alpha, newDepth);
        } else {
            const bool reduced = picker.movePhase == phaseLate && depth > 2 && !code && newDepth < depth &&
                                 movesMade > 5 && pos.history[pos.historyLength - 1].checkCode == 0 &&
                                 quietAttackTerms(pos);
            if (reduced)
                newDepth -= 1;
            v = -searchZW(ctx, -alpha, newDepth, true);
            if (reduced && v > alpha) {
                newDepth += 1;
                v = -searchZW(ctx, -alpha, newDepth, true);
            }
            if (v > alpha && v < beta)
                v = -searchPV(ctx, -beta, -alpha, newDepth);
        }
        unmakeMove(pos);

        if (v > best) {
            best = v;
            if (v >= beta) {
                storeFailHigh(ctx, picker, mv, captured, v, depth, tried, triedCount);
                return v;
            }
            if (v > alpha) {
                bestMove = mv;
                alpha = v;
            }
        }
    }

    if (movesMade == 0)
        return pos.ply - MATE;
    if (ctx.stopFlag)
        return best;
    if (bestMove) {
        hashStore(ctx, depth, boundExact, best, bestMove);
        if (!pos.board[moveTo(bestMove)] && !code)
            historyBestMove(pos.ply, bestMove, pieceTypeOf[pos.board[moveFrom(bestMove)]], best, depth);
    } else if (alphaIn >= best) {
        hashStore(ctx, depth, boundUpper, best, 0);
    }
    return best;
}
