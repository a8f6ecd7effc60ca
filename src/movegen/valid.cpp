// Whether a stored move (hash move, killer, old principal variation) is a pseudo-legal
// move of the side to move here, decided with a few lookups and no generation.
#include "board/tables.h"
#include "movegen/movegen.h"

namespace {

// A rook or cannon reaches `to` along the line they share: an empty square through the
// move mask, an occupied one through the given capture mask.
inline bool slides(const Position& pos, int from, int to, bool cannon) {
    const bool capture = pos.board[to] != 0;
    if (rankOf(from) == rankOf(to)) {
        const SlideMasks& m = rankMaskOf(fileOf(from), pos.bitRanks[rankOf(from)]);
        const int mask = capture ? (cannon ? m.cannonCaptureMask : m.rookCaptureMask) : m.moveMask;
        return mask & squareRankBit[to];
    }
    if (fileOf(from) == fileOf(to)) {
        const SlideMasks& m = fileMaskOf(rankOf(from), pos.bitFiles[fileOf(from)]);
        const int mask = capture ? (cannon ? m.cannonCaptureMask : m.rookCaptureMask) : m.moveMask;
        return mask & squareFileBit[to];
    }
    return false;
}

}  // namespace

int isValidMove(Move mv, const Position& pos) {
    const int from = moveFrom(mv), to = moveTo(mv);
    // Off-board squares can come from a corrupted stored move; they index nothing here.
    if (!onBoard(from) || !onBoard(to))
        return 0;
    const int pc = pos.board[from], victim = pos.board[to];
    const int side = pos.sideToMove;
    if (!pc || sideOf(pc) != side || (victim && sideOf(victim) == side) || pc > 35)
        return 0;
    const int d = to - from;
    switch (pc >> 2) {
    case 3:  // advisor
        return kingSquareClass[to] >= 0 && squareDelta(d) == 3;
    case 4: {  // elephant: stays in its own half, eye empty
        const bool ownHalf = side == sideBlack ? from < 80 && to < 80 : from >= 80 && to >= 80;
        return ownHalf && squareDelta(d) == 2 && !pos.board[(from + to) >> 1];
    }
    case 5: {  // horse: leg empty
        const int leg = horseLegByDelta(from - to);
        return leg && !pos.board[to + leg];
    }
    case 6:
        return slides(pos, from, to, true);
    case 7:
        return slides(pos, from, to, false);
    case 8:  // king
        return kingSquareClass[to] >= 0 && squareDelta(d) == 1;
    default:  // pawn: forward, or sideways once across the river
        if (side == sideBlack)
            return d == 16 || (to >= 80 && (d == 1 || d == -1));
        return d == -16 || (to < 80 && (d == 1 || d == -1));
    }
}
