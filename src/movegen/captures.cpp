// Captures of one side in the fixed order pawns, advisors, elephants, horses, rooks and
// cannons, king; targets come from precomputed lists or one slide lookup per line.
#include <cstring>

#include "board/tables.h"
#include "movegen/capturewalk.h"
#include "movegen/movegen.h"

namespace {

// Four consecutive table bytes as one little-endian word (byte 0 lowest).
inline uint32_t fourBytes(const uint8_t* p) {
    uint32_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

}  // namespace

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

    // Visits the pieces of one kind from its live bound down, skipping the captured ones.
    auto forEachPiece = [&](int kind, int firstId, auto&& walk) {
        for (int id = lastPieceId[kind][side]; id >= firstId + side; id -= 2) {
            const int from = pos.pieceSquare[id];
            if (from != noSquare)
                walk(id, from);
        }
    };

    // Pawn targets + 1 from the low byte up to the first zero (at most four).
    forEachPiece(kindPawn, pawnFirst, [&](int, int from) {
        for (uint32_t w = fourBytes(pawnKingMoves[from][side]); w & 0xFF; w >>= 8)
            visit(from, int(w & 0xFF) - 1, 2);
    });
    // Advisor and elephant destinations: at most four before the terminating zero.
    forEachPiece(kindAdvisor, advisorFirst, [&](int, int from) {
        for (uint32_t w = fourBytes(&horseMoves[from][9]); w; w >>= 8)
            visit(from, int(w & 0xFF), 3);
    });
    forEachPiece(kindElephant, elephantFirst, [&](int, int from) {
        for (uint32_t w = fourBytes(&horseMoves[from][9]); w; w >>= 8) {
            const int to = int(w & 0xFF);
            if (!board[(from + to) >> 1])
                visit(from, to, 4);
        }
    });
    // At most eight horse targets: byte 8 is always the terminating zero.
    forEachPiece(kindHorse, horseFirst, [&](int, int from) {
        const uint8_t* targets = horseMoves[from];
        const uint8_t* legs = horseLegs[from];
        for (int j = 0; targets[j]; ++j)
            if (!board[legs[j]])
                visit(from, targets[j] - 1, 5);
    });

    // Rooks and cannons together, through the cannons whatever their own bound. A missing
    // target names the slider's own square, which holds no enemy.
    forEachPiece(kindRook, cannonFirst, [&](int id, int from) {
        int targets[4];
        sliderTargets(pos, from, id >= rookFirst, targets);
        for (int to : targets) {
            const int pc = board[to];
            if (isEnemyOf(side, pc))
                caps[n++] = makeSlot(packMove(from, to), captureValue(pc, id));
        }
    });

    // King targets are stored backwards from the last byte of its palace square's list.
    const int king = pos.pieceSquare[kingBlack + side];
    if (king != noSquare) {
        for (uint32_t w = fourBytes(pawnKingMoves[king][side]); w >> 24; w <<= 8)
            visit(king, int(w >> 24), 32);
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
