#include "search/ordering.h"

#include <cstring>

#include "board/makemove.h"
#include "board/tables.h"
#include "movegen/movegen.h"
#include "movegen/history.h"

void sortByValue(MoveSlot* list, int count) {
    for (int i = 1; i < count; ++i) {
        const MoveSlot slot = list[i];
        // The value fills the high half of a slot, so a slot read as a signed word is below
        // `key` (the slot with its move cleared) exactly when its value is lower.
        const int32_t key = int32_t(slot & 0xFFFF0000u);
        if (int32_t(list[0]) < key) {
            // Above the whole sorted head (its first entry is its highest).
            std::memmove(list + 1, list, size_t(i) * sizeof *list);
            list[0] = slot;
            continue;
        }
        // list[0] stops the walk, so it needs no bound test.
        int j = i;
        for (; int32_t(list[j - 1]) < key; --j)
            list[j] = list[j - 1];
        list[j] = slot;
    }
}

bool atMostOneLegal(Position& pos, const MoveSlot* list, int count) {
    int legal = 0;
    for (int i = 0; i < count && legal < 2; ++i)
        if (makeMoveLight(pos, slotMove(list[i]), true) >= 0) {
            unmakeMoveLight(pos);
            ++legal;
        }
    return legal <= 1;
}

void initPicker(MovePicker& picker, Move hashMove, int checkCode, int depth) {
    picker.phase      = phaseHashMove;
    picker.movePhase  = phaseHashMove;
    picker.depth      = depth;
    picker.checkCode  = checkCode;
    picker.hashMove   = hashMove;
    picker.killerSlot = 0;
    picker.count      = 0;
    picker.index      = 0;
    picker.lateCount  = 0;
}

namespace {

// Captures of the cheap pieces, and rook captures of anything but a rook, may lose material:
// they are judged by the exchange first.
inline bool needsExchangeTest(int attacker, int victim) {
    return victim < horseFirst || (attacker >= rookFirst && attacker < kingBlack && victim < rookFirst);
}

void startCaptures(MovePicker& picker, const Position& pos) {
    if (picker.checkCode)
        picker.count = generateEvasionsA(pos, picker.captures, picker.checkCode);
    else
        picker.count = generateMoves(pos, picker.captures, picker.late, picker.lateCount);
    picker.index = 0;
}

// Quiet moves are valued by how much better the piece stands on its new square, and by
// the history of the piece type on that square once the node is deep enough to have one.
void startLateList(MovePicker& picker, const Position& pos) {
    MoveSlot* late = picker.late;
    int count = picker.lateCount;
    if (picker.checkCode) {
        count = generateEvasionsB(pos, late, picker.checkCode);
    } else {
        for (int i = 0; i < count; ++i) {
            if (slotValue(late[i]) < 0)
                continue;  // a deferred capture keeps its exchange value
            const Move mv = slotMove(late[i]);
            const int type = pieceTypeOf[pos.board[moveFrom(mv)]];
            int value = orderingPst[type][pstIndex(moveTo(mv))] - orderingPst[type][pstIndex(moveFrom(mv))];
            if (picker.depth > 1)
                value += historyTable[type][moveTo(mv)].score;
            late[i] = makeSlot(mv, value);
        }
        count += generateSliderQuiets(pos, late + count, picker.depth);
    }
    sortByValue(late, count);
    picker.count = count;
    picker.index = 0;
}

}  // namespace

Move nextMove(MovePicker& picker, Position& pos) {
    const int ply = pos.ply;
    const Move hash = picker.hashMove;
    switch (picker.phase) {
    case phaseHashMove:
        picker.phase = phaseMateKiller;
        if (hash && isValidMove(hash, pos)) {
            picker.movePhase = phaseHashMove;
            return hash;
        }
        [[fallthrough]];
    case phaseMateKiller: {
        picker.phase = phaseGenerateCaptures;
        const Move mate = mateKiller[ply];
        if (mate && mate != hash && isValidMove(mate, pos)) {
            picker.movePhase = phaseMateKiller;
            return mate;
        }
    }
        [[fallthrough]];
    case phaseGenerateCaptures:
        startCaptures(picker, pos);
        picker.phase = phaseCaptures;
        [[fallthrough]];
    case phaseCaptures:
        picker.movePhase = phaseCaptures;
        while (picker.index < picker.count) {
            const Move mv = selectNext(picker.captures, picker.count, picker.index);
            if (mv == hash || mv == mateKiller[ply])
                continue;
            if (picker.checkCode)
                return mv;
            const int from = moveFrom(mv), to = moveTo(mv);
            if (!needsExchangeTest(pos.board[from], pos.board[to]))
                return mv;
            const int exchange = staticExchange(pos, from, to);
            if (exchange == -9999)
                continue;  // the capture would leave the king attacked
            if (exchange >= 0)
                return mv;
            // The slot keeps 16 bits: an exchange below -768 wraps to a positive value, and
            // the late list then orders that capture as a quiet move.
            picker.late[picker.lateCount++] = makeSlot(mv, exchange + deferredCaptureBase);
        }
        picker.phase = phaseKillers;
        [[fallthrough]];
    case phaseKillers:
        while (picker.killerSlot < 2) {
            const Move killer = killerMoves[picker.killerSlot++][ply];
            if (killer && killer != hash && killer != mateKiller[ply] && isValidMove(killer, pos)) {
                picker.movePhase = phaseKillers;
                return killer;
            }
        }
        picker.phase = phaseLate;
        startLateList(picker, pos);
        [[fallthrough]];
    case phaseLate:
        picker.movePhase = phaseLate;
        while (picker.index < picker.count) {
            const Move mv = slotMove(picker.late[picker.index++]);
            if (mv != hash && mv != mateKiller[ply] && mv != killerMoves[0][ply] &&
                mv != killerMoves[1][ply])
                return mv;
        }
        picker.phase = phaseDone;
        [[fallthrough]];
    default:
        return 0;
    }
}
