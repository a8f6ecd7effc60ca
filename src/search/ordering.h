#pragma once
// Move ordering of the full-width searches. A node takes its moves one at a time, phase by
// phase, and generates a phase's moves only when the earlier phases have not cut it off:
// the hash move, the mate killer, the captures (losing ones deferred), the two killers, and
// last the late list of quiet moves and deferred captures sorted by square values and history.
#include "board/position.h"

// Lists per node. A side has at most 119 pseudo-legal moves (two rooks and two cannons with
// 17 each, two horses with 8, five pawns with 3, two advisors, two elephants and the king
// with 4); a set-up that puts pawns in their own palace gives them up to 4 each, 124 in all.
// One phase never holds more.
inline constexpr int nodeListSize = 128;

enum PickPhase : int {
    phaseHashMove,
    phaseMateKiller,
    phaseGenerateCaptures,  // the captures' list is made on the first pick, not before
    phaseCaptures,
    phaseKillers,
    phaseLate,
    phaseDone,
};

// A deferred (losing) capture sorts below every quiet move: its exchange value - 32000.
inline constexpr int deferredCaptureBase = -32000;

struct MovePicker {
    int      phase;       // where the next move comes from
    int      movePhase;   // the phase of the move last returned
    int      depth;       // the node's depth: history scores count only above 1
    int      checkCode;   // the side to move's check code, 0 when not in check
    Move     hashMove;
    int      killerSlot;  // the next killer to try
    int      count;       // entries of the current list
    int      index;       // the next entry to take
    int      lateCount;   // entries of the late list gathered during the capture phase
    MoveSlot captures[nodeListSize];
    MoveSlot late[nodeListSize];
};

// A node at the position's ply with its hash move (0 if none), check code and depth.
void initPicker(MovePicker& picker, Move hashMove, int checkCode, int depth);

// The next move to search, or 0 when the node has no more. The position is the node's.
Move nextMove(MovePicker& picker, Position& pos);

// Selection: swaps the highest-valued entry of list[index..count) to index (the first of
// equal highest values wins) and returns its move, moving index on.
inline Move selectNext(MoveSlot* list, int count, int& index) {
    int best = index;
    // The value fills a slot's high half: a slot read as a signed word is above `bar` (the
    // best slot with its low half filled) exactly when its value is higher.
    int32_t bar = int32_t(list[best] | 0xFFFFu);
    for (int i = index + 1; i < count; ++i) {
        if (int32_t(list[i]) > bar) {
            best = i;
            bar = int32_t(list[i] | 0xFFFFu);
        }
    }
    const MoveSlot chosen = list[best];
    list[best] = list[index];
    list[index++] = chosen;
    return slotMove(chosen);
}

// Sorts by value, highest first, keeping equal values in their order (insertion sort: the
// lists are short, and it needs no memory).
void sortByValue(MoveSlot* list, int count);

// Whether the light make accepts at most one move of the list (it stops counting at two):
// a side in check with a single reply.
bool atMostOneLegal(Position& pos, const MoveSlot* list, int count);
