// Killers, mate killer and the history table, with the update rules applied after a
// fail-high or at the end of a principal-variation node. Counters are halved across the
// whole table before any of them leaves its 16-bit range.
#include "movegen/history.h"

#include <cstring>

Move         killerMoves[2][killerPlies];
Move         mateKiller[killerPlies];
HistoryEntry historyTable[10][160];

namespace {

inline constexpr int scoreLimit = 31999;   // a score above this halves every score
inline constexpr int scoreFloor = -32000;  // a score at or below this does the same
inline constexpr int triedLimit = 31999;   // a tried count above this halves good and tried

// Only the columns that hold a square take part; columns 9..15 are never touched.
template <typename F>
void forEachSquareEntry(F&& f) {
    for (auto& row : historyTable)
        for (int sq = 0; sq < 160; ++sq)
            if ((sq & 15) <= 8)
                f(row[sq]);
}

// Stores `sum` (which may have left the 16-bit range) into e, halving every score of the
// table first when the sum crosses a limit. Division rounds toward zero.
void storeScore(HistoryEntry& e, int sum) {
    if (sum > scoreLimit || sum <= scoreFloor) {
        forEachSquareEntry([](HistoryEntry& x) { x.score = int16_t(x.score / 2); });
        sum /= 2;
    }
    e.score = int16_t(sum);
}

void pushKiller(int ply, Move mv) {
    killerMoves[1][ply] = killerMoves[0][ply];
    killerMoves[0][ply] = mv;
}

inline bool plyInRange(int ply) { return ply >= 0 && ply < killerPlies; }

}  // namespace

void resetHistory() {
    for (auto& row : historyTable)
        for (HistoryEntry& e : row)
            e = HistoryEntry{0, 1, 1};
}

void clearKillers() {
    std::memset(killerMoves, 0, sizeof killerMoves);
    std::memset(mateKiller, 0, sizeof mateKiller);
}

void historyFailHigh(int ply, Move mv, int type, int score, int depth, const TriedQuiet* tried,
                     int triedCount) {
    if (plyInRange(ply)) {
        if (score >= decisiveScore)
            mateKiller[ply] = mv;
        else if (killerMoves[0][ply] != mv)
            pushKiller(ply, mv);
    }

    if (type < 0 || type > 9)
        return;
    const int bonus = depth * depth;
    HistoryEntry& e = historyTable[type][moveTo(mv)];
    storeScore(e, e.score + bonus);
    // good only ever rises between resets; saturate instead of wrapping to 0, which would
    // make history pruning throw away the best-proven moves.
    if (e.good < 0xFFFF)
        e.good++;

    if (triedCount > 0 && tried[triedCount - 1].move == mv)
        triedCount--;
    for (int i = 0; i < triedCount; ++i) {
        if (tried[i].type > 9)
            continue;
        HistoryEntry& f = historyTable[tried[i].type][moveTo(tried[i].move)];
        const int triedSum = f.tried + 1;
        if (triedSum > triedLimit) {
            forEachSquareEntry([](HistoryEntry& x) {
                x.good >>= 1;
                x.tried >>= 1;
            });
            f.tried = uint16_t(triedSum >> 1);
        } else {
            f.tried = uint16_t(triedSum);
        }
        storeScore(f, f.score - bonus);
    }
}

void historyBestMove(int ply, Move mv, int type, int score, int depth) {
    if (!plyInRange(ply))
        return;
    if (score >= decisiveScore) {
        mateKiller[ply] = mv;
        return;
    }
    if (killerMoves[0][ply] == mv)
        return;
    pushKiller(ply, mv);
    if (type < 0 || type > 9)
        return;
    HistoryEntry& e = historyTable[type][moveTo(mv)];
    storeScore(e, e.score + depth * depth);
}
