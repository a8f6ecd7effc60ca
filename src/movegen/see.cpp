// Static exchange evaluation: the captures on one square played out, each side always
// recapturing with its least valuable attacker.
#include "board/fen.h"
#include "board/tables.h"
#include "movegen/movegen.h"

namespace {

bool isPawnOf(int pc, int side) { return pc >= pawnFirst && pc < advisorFirst && sideOf(pc) == side; }

// Scans one kind of the given side from its live bound downwards; the predicate decides
// whether the piece on a square attacks the target.
template <typename Attacks>
int firstAttacker(const Position& pos, int kind, int side, Attacks attacks) {
    for (int pc = lastPieceId[kind][side]; pc >= firstIdOf(kind, side); pc -= 2) {
        int sq = pos.pieceSquare[pc];
        if (sq != noSquare && attacks(sq))
            return sq;
    }
    return -1;
}

// One capture of the exchange, remembered so that it can be taken back.
struct ExchangeStep {
    uint8_t from, to, mover, captured;
};

void toggleSquare(Position& pos, int sq) {
    pos.bitRanks[rankOf(sq)] ^= squareRankBit[sq];
    pos.bitFiles[fileOf(sq)] ^= squareFileBit[sq];
}

// The reduced make: only the board, the piece list, the occupancy masks and the side to
// move change. Returns false, with nothing changed, when the mover's king is then attacked.
bool captureStep(Position& pos, int from, int to, ExchangeStep& step) {
    step.from     = uint8_t(from);
    step.to       = uint8_t(to);
    step.mover    = pos.board[from];
    step.captured = pos.board[to];
    toggleSquare(pos, from);
    if (step.captured == 0)  // only the first step can land on an empty square
        toggleSquare(pos, to);
    pos.pieceSquare[step.captured] = noSquare;  // entry 0 stays 255 for an empty target
    pos.pieceSquare[step.mover]    = uint8_t(to);
    pos.board[to]   = step.mover;
    pos.board[from] = 0;
    if (inCheck(pos, pos.sideToMove)) {
        pos.board[from] = step.mover;
        pos.board[to]   = step.captured;
        pos.pieceSquare[step.mover] = uint8_t(from);
        if (step.captured != 0)
            pos.pieceSquare[step.captured] = uint8_t(to);
        else
            toggleSquare(pos, to);
        toggleSquare(pos, from);
        return false;
    }
    pos.sideToMove ^= 1;
    return true;
}

void undoStep(Position& pos, const ExchangeStep& step) {
    pos.sideToMove ^= 1;
    pos.board[step.from] = step.mover;
    pos.board[step.to]   = step.captured;
    pos.pieceSquare[step.mover] = step.from;
    if (step.captured != 0)
        pos.pieceSquare[step.captured] = step.to;
    else
        toggleSquare(pos, step.to);
    toggleSquare(pos, step.from);
}

// A pawn that stands in its opponent's half is worth more.
int valueOnSquare(int pc, int sq) {
    if (pc >= pawnFirst && pc < advisorFirst && (sideOf(pc) == sideRed ? sq < 80 : sq >= 80))
        return exchangeValue[pc + 34];
    return exchangeValue[pc];
}

}  // namespace

int leastValuableAttacker(const Position& pos, int sq) {
    if (!onBoard(sq))
        return -1;
    const int side = pos.sideToMove;
    // A pawn behind the square moves forward onto it.
    if (side == sideRed) {
        if (rankOf(sq) <= 5 && isPawnOf(pos.board[sq + 16], side))
            return sq + 16;
    } else if (rankOf(sq) >= 4 && isPawnOf(pos.board[sq - 16], side)) {
        return sq - 16;
    }
    const bool ownHalf = side == sideRed ? sq >= 80 : sq < 80;
    if (ownHalf) {
        int from = firstAttacker(pos, kindElephant, side, [&](int e) {
            return squareDelta(e - sq) == 2 && pos.board[(e + sq) / 2] == 0;
        });
        if (from >= 0)
            return from;
        if (kingSquareClass[sq] >= 0) {
            from = firstAttacker(pos, kindAdvisor, side, [&](int a) { return squareDelta(a - sq) == 3; });
            if (from >= 0)
                return from;
        }
    } else {
        // Across the river pawns also take sideways.
        if (fileOf(sq) != 0 && isPawnOf(pos.board[sq - 1], side))
            return sq - 1;
        if (fileOf(sq) != 8 && isPawnOf(pos.board[sq + 1], side))
            return sq + 1;
    }
    int from = firstAttacker(pos, kindHorse, side, [&](int h) {
        int leg = horseLegByDelta(h - sq);
        return leg != 0 && pos.board[sq + leg] == 0;
    });
    if (from >= 0)
        return from;

    const SlideMasks& onRank = rankMaskOf(fileOf(sq), pos.bitRanks[rankOf(sq)]);
    const SlideMasks& onFile = fileMaskOf(rankOf(sq), pos.bitFiles[fileOf(sq)]);
    from = firstAttacker(pos, kindCannon, side, [&](int c) {
        return (rankOf(c) == rankOf(sq) && (onRank.cannonCaptureMask & squareRankBit[c])) ||
               (fileOf(c) == fileOf(sq) && (onFile.cannonCaptureMask & squareFileBit[c]));
    });
    if (from >= 0)
        return from;
    from = firstAttacker(pos, kindRook, side, [&](int r) {
        return (rankOf(r) == rankOf(sq) && (onRank.rookCaptureMask & squareRankBit[r])) ||
               (fileOf(r) == fileOf(sq) && (onFile.rookCaptureMask & squareFileBit[r]));
    });
    if (from >= 0)
        return from;
    if (ownHalf && kingSquareClass[sq] >= 0) {
        int king = pos.pieceSquare[kingBlack + side];
        if (king != noSquare && squareDelta(king - sq) == 1)
            return king;
    }
    return -1;
}

int staticExchange(Position& pos, int from, int to) {
    const int side = pos.sideToMove;
    // Not a move of the side to move onto an empty or enemy square: nothing to exchange.
    if (!onBoard(from) || !onBoard(to) || from == to)
        return -9999;
    const int mover = pos.board[from], victim = pos.board[to];
    if (mover == 0 || sideOf(mover) != side || (victim != 0 && sideOf(victim) == side))
        return -9999;

    // Every capture removes a piece, so the sequence is at most one step per piece.
    ExchangeStep steps[pieceIdCount];
    int count = 0;
    if (!captureStep(pos, from, to, steps[0]))
        return -9999;
    int balance = steps[0].captured ? valueOnSquare(steps[0].captured, to) : 0;
    count = 1;
    // Every available recapture is played, even one that loses for the side making it.
    while (count < pieceIdCount) {
        int attacker = leastValuableAttacker(pos, to);
        if (attacker < 0 || !captureStep(pos, attacker, to, steps[count]))
            break;
        balance += valueOnSquare(steps[count].captured, to);
        ++count;
    }
    while (count > 0)
        undoStep(pos, steps[--count]);
    // Red values are positive and black ones negative: turn the sum to the mover's view.
    return side == sideRed ? -balance : balance;
}
