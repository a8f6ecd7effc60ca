// Captures of one side in the fixed order pawns, advisors, elephants, horses, rooks and
// cannons, king; targets come from precomputed lists or one slide lookup per line.
#include "board/tables.h"
#include "movegen/capturewalk.h"
#include "movegen/movegen.h"

template <int side, bool withQuiets>
int captureWalk(const Position& pos, MoveSlot* caps, MoveSlot* quiets, int& quietCount) {
    const uint8_t* board = pos.board;
    int n = 0, nq = 0;
    // One target of a short-range piece: a quiet move, a capture, or nothing.
    auto visit = [&](int from, int to, int attackerCode) {
        const int pc = board[to];
        if (!pc) {
            if constexpr (withQuiets)
                quiets[nq++] = packMove(from, to);
        } else if (isEnemyOf(side, pc)) {
            caps[n++] = makeSlot(packMove(from, to), captureValue(pc, attackerCode));
        }
    };

    for (int id = lastPieceId[kindPawn][side]; id >= pawnFirst + side; id -= 2) {
        const int from = pos.pieceSquare[id];
        if (from == noSquare)
            continue;
        const uint8_t* list = pawnKingMoves[from][side];
        for (int j = 0; j < 4 && list[j]; ++j)
            visit(from, list[j] - 1, 2);
    }
    for (int id = lastPieceId[kindAdvisor][side]; id >= advisorFirst + side; id -= 2) {
        const int from = pos.pieceSquare[id];
        if (from == noSquare)
            continue;
        for (const uint8_t* to = &horseMoves[from][9]; *to; ++to)
            visit(from, *to, 3);
    }
    for (int id = lastPieceId[kindElephant][side]; id >= elephantFirst + side; id -= 2) {
        const int from = pos.pieceSquare[id];
        if (from == noSquare)
            continue;
        for (const uint8_t* to = &horseMoves[from][9]; *to; ++to)
            if (!board[(from + *to) >> 1])
                visit(from, *to, 4);
    }
    for (int id = lastPieceId[kindHorse][side]; id >= horseFirst + side; id -= 2) {
        const int from = pos.pieceSquare[id];
        if (from == noSquare)
            continue;
        for (int j = 0; j < 8 && horseMoves[from][j]; ++j)
            if (!board[horseLegs[from][j]])
                visit(from, horseMoves[from][j] - 1, 5);
    }

    // Rooks and cannons together, through the cannons whatever their own bound.
    for (int id = lastPieceId[kindRook][side]; id >= cannonFirst + side; id -= 2) {
        const int from = pos.pieceSquare[id];
        if (from == noSquare)
            continue;
        int targets[4];
        sliderTargets(pos, from, id >= rookFirst, targets);
        for (int to : targets)
            if (to != from && isEnemyOf(side, board[to]))
                caps[n++] = makeSlot(packMove(from, to), captureValue(board[to], id));
    }

    // King targets are stored backwards from the last byte of its palace square's list.
    const int king = pos.pieceSquare[kingBlack + side];
    if (king != noSquare) {
        const uint8_t* list = pawnKingMoves[king][side];
        for (int j = 3; j >= 0 && list[j]; --j)
            visit(king, list[j], 32);
    }
    if constexpr (withQuiets)
        quietCount = nq;
    return n;
}

template int captureWalk<sideBlack, false>(const Position&, MoveSlot*, MoveSlot*, int&);
template int captureWalk<sideRed, false>(const Position&, MoveSlot*, MoveSlot*, int&);
template int captureWalk<sideBlack, true>(const Position&, MoveSlot*, MoveSlot*, int&);
template int captureWalk<sideRed, true>(const Position&, MoveSlot*, MoveSlot*, int&);

int generateCapturesBlack(const Position& pos, MoveSlot* out) {
    int unused = 0;
    return captureWalk<sideBlack, false>(pos, out, nullptr, unused);
}

int generateCapturesRed(const Position& pos, MoveSlot* out) {
    int unused = 0;
    return captureWalk<sideRed, false>(pos, out, nullptr, unused);
}
