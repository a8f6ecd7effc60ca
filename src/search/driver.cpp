// The search driver: the book, the root's preparation and scan, iterative deepening with
// aspiration windows, and the rules that end the deepening on time, stability or an easy
// move; then the reply.
#include <cstdlib>
#include <cstring>

#include "board/makemove.h"
#include "board/tables.h"
#include "book/book.h"
#include "eval/evaluate.h"
#include "eval/phase.h"
#include "movegen/history.h"
#include "movegen/movegen.h"
#include "platform/platform.h"
#include "search/hash.h"
#include "search/limits.h"
#include "search/ordering.h"
#include "search/search.h"

namespace {

// Root list: every generated move with its score, and the nodes spent below each.
MoveSlot rootMoves[nodeListSize];
uint64_t rootNodes[nodeListSize];

inline constexpr int excludedScore = -32700;  // banned, illegal, or a decided repetition
inline constexpr int preparedScore = 32700;   // the answer prepared by the last search
inline constexpr int bestSoFarScore = 32767;  // lifts the iteration's best move to the top

// The first move of the variation behind predictedReply: the prediction is the reply to
// that move only.
Move predictedAfter = 0;

inline int rootScore(int i) { return slotValue(rootMoves[i]); }
inline void setRootScore(int i, int score) { rootMoves[i] = makeSlot(slotMove(rootMoves[i]), score); }

// Budgets grow by rules (endgame, book miss, instability); none may pass the clock's cap.
inline void capBudget() {
    if (timeBudgetMs > timeLimitMs)
        timeBudgetMs = timeLimitMs;
}

// A move from the book is played only when it is a legal move of the side to move.
Move bookMoveFor(Position& pos) {
    int placement[pieceIdCount];
    bookPlacement(pos, placement);
    const int packed = probeBook(placement);
    if (!packed)
        return 0;
    const Move mv = packMove(bookSquare(bookMoveFrom(packed)), bookSquare(bookMoveTo(packed)));
    const int moving = pos.board[moveFrom(mv)];
    if (!moving || sideOf(moving) != pos.sideToMove || !isValidMove(mv, pos) || mv == bannedMove ||
        !moveKeepsKingSafe(pos, mv))
        return 0;
    return mv;
}

// The opponent's move since the last answer, read from the placement saved then: the
// first of our pieces whose square now holds something else was captured there, and the
// first of theirs whose square changed is where the move came from.
Move reconstructOpponentMove(const Position& pos) {
    auto changedSquare = [&](int firstId) {
        for (int pc = firstId; pc >= 2; pc -= 2) {
            const int saved = answerPlacement[pc];
            if (saved == noSquare)
                continue;
            const int now = pos.board[saved];
            if (now == 0 || pieceTypeOf[now] != pieceTypeOf[pc])
                return saved;
        }
        return 0;
    };
    const int to = changedSquare(kingBlack + pos.sideToMove);
    const int from = changedSquare(kingRed - pos.sideToMove);
    return packMove(from, to);
}

void keepPreparedAnswerIfPredicted(const Position& pos) {
    if (lastPlayedMove != 0) {
        if (predictedReply != Move(lastPlayedMove))
            preparedAnswer = 0;
    } else if (predictedReply && preparedAnswer) {
        const Move played = reconstructOpponentMove(pos);
        lastPlayedMove = played;
        if (!played || played != predictedReply)
            preparedAnswer = 0;
    } else {
        preparedAnswer = 0;
    }
}

// Scores every root move with a quiescence search, and excludes the banned move, illegal
// moves and moves into a decided repetition. Returns the number of usable moves.
int scanRootMoves(SearchContext& ctx, int count, int code) {
    Position& pos = ctx.position;
    int usable = 0, best = -MATE;
    for (int i = 0; i < count; ++i) {
        const Move mv = slotMove(rootMoves[i]);
        int score = excludedScore;
        if (bannedMove && mv == bannedMove) {
            bannedMove = 0;
        } else {
            const int captured = makeMove(pos, mv, true);
            if (captured >= kingBlack) {
                unmakeMove(pos);  // a king en prise: the position was set up illegally
            } else if (captured >= 0) {
                const bool kingMoved = pos.board[moveTo(mv)] >= kingBlack;
                if (code || kingMoved || std::abs(detectRepetition(pos, 3)) < 2) {
                    if (preparedAnswer && mv == preparedAnswer) {
                        score = preparedScore;
                        ctx.bestMove = mv;
                    } else {
                        score = -quiesceRoot(ctx, -MATE, MATE, 0, 0);
                        if (score > best) {
                            best = score;
                            ctx.bestMove = mv;
                        }
                    }
                }
                unmakeMove(pos);
            }
        }
        if (score != excludedScore)
            ++usable;
        setRootScore(i, score);
    }
    bannedMove = 0;  // a ban holds for one search only
    return usable;
}

// Between iterations: by score, then by the nodes spent (more first); the node counters
// move with their moves. Insertion sort keeps equal entries in order and needs no memory.
void resortRootMoves(int n) {
    for (int i = 1; i < n; ++i) {
        const MoveSlot slot = rootMoves[i];
        const uint64_t nodes = rootNodes[i];
        int j = i;
        for (; j > 0; --j) {
            const int prev = rootScore(j - 1), cur = slotValue(slot);
            if (prev > cur || (prev == cur && rootNodes[j - 1] >= nodes))
                break;
            rootMoves[j] = rootMoves[j - 1];
            rootNodes[j] = rootNodes[j - 1];
        }
        rootMoves[j] = slot;
        rootNodes[j] = nodes;
    }
}

// The search ends before another iteration is done: the last finished depth and score,
// and the move to be played.
void reportCut(const SearchContext& ctx, int depth, int score) {
    const Move pv[2] = {ctx.bestMove, 0};
    frontEnd->searchCut(SearchReport{depth, score, elapsedMs(ctx), ctx.nodeCount, pv});
}

Move iterativeDeepening(SearchContext& ctx, int n, int rootCode, int rootBudget) {
    Position& pos = ctx.position;
    const int D = rootBudget;
    Move easyMove = n == 1 || rootScore(1) + 96 < rootScore(0) ? slotMove(rootMoves[0]) : 0;

    ctx.nodeCount = 0;
    int previous = MATE;
    iterationScores[0] = rootScore(0);
    int stable = 0;
    if (endgameMode == 1 && D >= 4000) {
        timeBudgetMs += timeBudgetMs / 4;
        capBudget();
    }
    const int cutBudget = timeBudgetMs / 2 + timeBudgetMs / 8;
    for (int i = 0; i < n; ++i) {
        rootNodes[i] = 0;
        setRootScore(i, excludedScore);
    }
    if (ctx.maxDepth <= 1)
        return ctx.bestMove;

    Move pv[maxPvLength + 1];
    for (int d = ctx.iterationDepth;; ) {
        ctx.iterationDepth = d;
        if (ctx.startTimeMs + timeBudgetMs - monotonicMs() <= 0)
            return ctx.bestMove;

        int alpha = -MATE, beta = MATE;
        if (d >= 7 && std::abs(previous) < decisiveBound) {
            const int* s = iterationScores;
            int w = (std::abs(s[d - 1] - s[d - 2]) + std::abs(s[d - 2] - s[d - 3])) / 2;
            if (w < 16)
                w = 16;
            alpha = previous - w <= -MATE ? -MATE : previous - w;
            beta = previous + w >= MATE ? MATE : previous + w;
        }

        pos.ply = 0;
        int best = -MATE, bestIndex = 0;
        for (int j = 0; j < n; ++j) {
            const Move mv = slotMove(rootMoves[j]);
            const uint64_t nodesBefore = ctx.nodeCount;
            const int captured = makeMove(pos, mv, false);
            int newDepth = rootCode ? d : d - 1;
            const bool reduced = d > 2 && !rootCode && j >= 5 && !captured &&
                                 pos.history[pos.historyLength - 1].checkCode == 0 && quietAttackTerms(pos);
            if (reduced)
                newDepth -= 1;

            int score;
            if (newDepth <= 0) {
                score = -quiesceRoot(ctx, -MATE, MATE, newDepth, 0);
            } else if (best == -MATE) {
                score = -searchPV(ctx, -beta, -alpha, newDepth);
                if (score <= alpha) {
                    score = -searchPV(ctx, -beta, MATE, newDepth);
                    alpha = -MATE;
                } else if (score >= beta) {
                    score = -searchPV(ctx, -MATE, -alpha, newDepth);
                    beta = MATE;
                }
            } else {
                score = -searchZW(ctx, -alpha, newDepth, true);
                if (!ctx.stopFlag && reduced && score > alpha) {
                    newDepth += 1;
                    score = -searchZW(ctx, -alpha, newDepth, true);
                }
                if (!ctx.stopFlag && score > alpha) {
                    score = -searchPV(ctx, -MATE, -alpha, newDepth);
                    if (score >= beta)
                        beta = MATE;
                }
            }
            unmakeMove(pos);
            if (ctx.stopFlag)
                break;  // the iteration is abandoned
            rootNodes[j] += ctx.nodeCount - nodesBefore;

            if (score > best) {
                stable = best == -MATE ? stable + 1 : 0;
                best = score;
                if (score > alpha) {
                    alpha = score;
                    if (score >= beta)
                        break;
                }
                setRootScore(j, score);
                ctx.bestMove = mv;
                if (easyMove != mv)
                    easyMove = 0;
                bestIndex = j;
                hashStore(ctx, d, boundExact, score, mv);
            }
        }
        if (hashProbeMove(ctx) != ctx.bestMove)
            hashStore(ctx, d, boundExact, best, ctx.bestMove);

        if (ctx.stopFlag) {
            reportCut(ctx, d - 1, iterationScores[d - 1]);
            return ctx.bestMove;
        }

        walkPV(ctx, ctx.bestMove, pv);
        predictedAfter = pv[0];
        predictedReply = pv[0] ? pv[1] : 0;
        preparedAnswer = pv[0] && pv[1] ? pv[2] : 0;
        frontEnd->iterationDone(SearchReport{d, best, elapsedMs(ctx), ctx.nodeCount, pv});

        if (ctx.maxDepth == 64 && d >= 9) {
            if (stable == 4)
                timeBudgetMs = cutBudget;
            else if (stable == 0)
                timeBudgetMs = D;
        }
        if (d >= 6 && (D <= 1000 || n == 1 ||
                       (std::abs(best) > decisiveBound && std::abs(previous) > decisiveBound)))
            return ctx.bestMove;
        if (d >= 8 && easyMove == ctx.bestMove) {
            const int elapsed = elapsedMs(ctx);
            if ((rootNodes[0] > ctx.nodeCount * 85 / 100 && elapsed > D / 16) ||
                (rootNodes[0] > ctx.nodeCount * 98 / 100 && elapsed > D / 32)) {
                frontEnd->easyMove();
                return ctx.bestMove;
            }
        }
        if (d >= 13 || D < 5000) {
            const int64_t remaining = ctx.startTimeMs + D - monotonicMs();
            if (remaining <= 200 || remaining <= D / 8 + D / 4)
                return ctx.bestMove;
        }

        const int bestScore = rootScore(bestIndex);
        setRootScore(bestIndex, bestSoFarScore);
        resortRootMoves(n);
        iterationScores[d] = best;
        setRootScore(0, bestScore);
        previous = best;
        if (++d >= ctx.maxDepth)
            return ctx.bestMove;
    }
}

}  // namespace

Move searchRoot(SearchContext& ctx) {
    Position& pos = ctx.position;
    hashTablesUsed = true;

    // 1. The piece list compacted, the derived fields rebuilt, the game phase decided.
    compactPieceList(pos);
    rebuildDerivedFields(pos);
    if (!bothKingsPresent(pos))
        return 0;  // nothing sensible to search
    if (endgameMode == 0) {
        switchGamePhase(pos);
        capBudget();
    }

    // 2, 3. The book, while the game is young and there is time to read it.
    if (endgameMode == 0 && timeBudgetMs > 999 && bookHits < 20) {
        ctx.startTimeMs = monotonicMs();
        if (const Move mv = bookMoveFor(pos)) {
            ++bookHits;
            ctx.bestMove = mv;
            return mv;
        }
        if (bookHits > 0) {  // out of the book: it is not asked again this game
            bookHits = 20;
            timeBudgetMs += timeBudgetMs / 4;
            capBudget();
        }
    }
    if (searchCount >= 20)
        bookHits = 20;

    // 4, 5.
    ctx.startTimeMs = monotonicMs();
    ctx.nodeCount = 0;
    ctx.stopFlag = 0;
    pos.ply = 0;
    // Large pages readied for the tables go in now and, while more are to come, as it goes.
    tablePagesPending = adoptTablePages();
    pagesBlock = 0;
    adjustPawnTables(pos);

    // 6, 7. The moves, the evasions when in check.
    const int code = pos.historyLength < 1 ? checkCode(pos, pos.sideToMove)
                                           : pos.history[pos.historyLength - 1].checkCode;
    if (code)
        bannedMove = 0;  // in check every evasion may be needed
    const int count = generateAllMoves(pos, code, rootMoves);

    // 8, 9.
    keepPreparedAnswerIfPredicted(pos);
    if (timeBudgetMs < 3500)
        timeBudgetMs /= 2;
    const int rootBudget = timeBudgetMs;

    // 10, 11.
    ctx.bestMove = 0;
    const int n = scanRootMoves(ctx, count, code);
    sortByValue(rootMoves, count);
    if (n == 0)
        return 0;  // mated or stalemated
    ctx.bestMove = slotMove(rootMoves[0]);
    ctx.iterationDepth = 1;

    // 12, 13.
    if (timeBudgetMs <= 300) {
        reportCut(ctx, 0, rootScore(0));
        return ctx.bestMove;
    }
    return iterativeDeepening(ctx, n, code, rootBudget);
}

void think(SearchContext& ctx) {
    predictedAfter = 0;
    const Move mv = searchRoot(ctx);
    // A ban holds for one search, also for one answered before the root's scan (from the
    // book, or with a king missing), which is where it is otherwise used up.
    bannedMove = 0;
    ctx.bestMove = mv;
    ++searchCount;
    frontEnd->answer(mv, mv && mv == predictedAfter ? predictedReply : 0);
    clearKillers();
    resetHistory();

    // Where the pieces stand after the answer, to recognise the opponent's reply next time.
    std::memcpy(answerPlacement, ctx.position.pieceSquare, sizeof answerPlacement);
    if (mv) {
        const Position& pos = ctx.position;
        const int captured = pos.board[moveTo(mv)];
        if (captured)
            answerPlacement[captured] = noSquare;
        answerPlacement[pos.board[moveFrom(mv)]] = moveTo(mv);
    }
}

void resetSearchState() {
    predictedReply = 0;
    preparedAnswer = 0;
    clearHashTables();
}
