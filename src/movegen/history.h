#pragma once
// Killer moves and the history table: filled during one search, cleared after each answer.
#include "board/types.h"

struct HistoryEntry {
    int16_t  score;
    uint16_t good;
    uint16_t tried;
};

inline constexpr int killerPlies = 256;

extern Move         killerMoves[2][killerPlies];  // [slot][ply]; slot 0 is the newer
extern Move         mateKiller[killerPlies];
extern HistoryEntry historyTable[10][160];        // piece type, destination square

void resetHistory();  // every entry (0, 1, 1)
void clearKillers();
inline int historyScore(int type, int dest) { return historyTable[type][dest].score; }

// Scores at or above this are decisive: a refutation with one goes to the mate killer.
inline constexpr int decisiveScore = 1848;

// A quiet move searched at a node, with the piece type (pieceTypeOf) of its moving piece.
struct TriedQuiet {
    Move    move;
    uint8_t type;
};

// Fail-high of the quiet move mv (moving piece type `type`) at `ply`, searched at `depth`
// with `score` >= beta. `tried` lists the node's quiet moves in search order; mv itself,
// the last of them, is skipped if present. Updates killers or the mate killer, raises mv's
// history and lowers the history of the quiet moves that failed to cut off before it.
void historyFailHigh(int ply, Move mv, int type, int score, int depth, const TriedQuiet* tried,
                     int triedCount);
// End of a principal-variation node without a fail-high, with best move mv.
void historyBestMove(int ply, Move mv, int type, int score, int depth);
