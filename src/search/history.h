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
