// Moves for the main search: captures plus the short-range quiet moves in one pass, and
// the rook and cannon quiet moves walked over the empty run that one slide lookup names.
#include "board/tables.h"
#include "movegen/capturewalk.h"
#include "movegen/movegen.h"
#include "movegen/history.h"

int generateMoves(const Position& pos, MoveSlot* caps, MoveSlot* quiets, int& quietCount) {
    quietCount = 0;
    return pos.sideToMove == sideRed ? captureWalk<sideRed, true>(pos, caps, quiets, quietCount)
                                     : captureWalk<sideBlack, true>(pos, caps, quiets, quietCount);
}

namespace {

template <int side>
int sliderQuiets(const Position& pos, MoveSlot* out, bool useHistory) {
    int n = 0;
    for (int id = lastPieceId[kindRook][side]; id >= cannonFirst + side; id -= 2) {
        const int from = pos.pieceSquare[id];
        if (from == noSquare)
            continue;
        const int type = pieceTypeOf[id];
        const int8_t* pst = orderingPst[type];
        const HistoryEntry* hist = historyTable[type];
        const int base = pst[pstIndex(from)];
        auto emit = [&](int to) {
            int value = pst[pstIndex(to)] - base;
            if (useHistory)
                value += hist[to].score;
            out[n++] = makeSlot(packMove(from, to), value);
        };
        walkSliderQuiets(pos, from, emit);
    }
    return n;
}

}  // namespace

int generateSliderQuiets(const Position& pos, MoveSlot* out, int historyFlag) {
    return pos.sideToMove == sideRed ? sliderQuiets<sideRed>(pos, out, historyFlag > 1)
                                     : sliderQuiets<sideBlack>(pos, out, historyFlag > 1);
}

int generateAllMoves(const Position& pos, int code, MoveSlot* out) {
    if (code) {
        const int n = generateEvasionsA(pos, out, code);
        return n + generateEvasionsB(pos, out + n, code);
    }
    MoveSlot quiets[moveListSize];
    int quietCount = 0;
    int n = generateMoves(pos, out, quiets, quietCount);
    for (int i = 0; i < quietCount; ++i)
        out[n++] = quiets[i];
    return n + generateSliderQuiets(pos, out + n, 0);
}
