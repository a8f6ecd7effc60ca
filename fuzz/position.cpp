// Fuzz target: a position set up from arbitrary FEN text, a few game moves played on it, then
// everything the search does to a position: the generators, make and unmake of every move,
// the validity test, exchanges, the evaluation, the repetition test and a tiny search.
// Input: the FEN text up to the first line feed; every byte after it picks one pseudo-legal
// move to play as a game move (legal or not, as a front end may send it), or, with a king
// missing, every two bytes name the move's squares.
// Faults are traps: a position that a make and its unmake do not give back whole, a move
// the validity test rejects though a generator produced it, or an answer that is not a legal
// move of the position.
#include <cstdint>
#include <cstring>
#include <string>

#include "board/makemove.h"
#include "movegen/replay.h"
#include "eval/evaluate.h"
#include "eval/phase.h"
#include "fuzz/fuzzengine.h"
#include "movegen/movegen.h"

namespace {

constexpr size_t maxGameMoves = 48;
constexpr uint64_t tinySearchNodes = 400;

// Every pseudo-legal move of the side to move, as the search root lists them.
int listMoves(const Position& pos, MoveSlot* out) {
    return generateAllMoves(pos, checkCode(pos, pos.sideToMove), out);
}

// The parts of a position that a make changes and its unmake must give back.
bool samePosition(const Position& a, const Position& b) {
    return a.sideToMove == b.sideToMove && a.hashLow == b.hashLow && a.hashHigh == b.hashHigh &&
           a.historyLength == b.historyLength && a.pstScore == b.pstScore &&
           a.presenceMask == b.presenceMask &&
           !std::memcmp(a.pieceSquare, b.pieceSquare, sizeof a.pieceSquare) &&
           !std::memcmp(a.board, b.board, sizeof a.board) &&
           !std::memcmp(a.bitRanks, b.bitRanks, sizeof a.bitRanks) &&
           !std::memcmp(a.bitFiles, b.bitFiles, sizeof a.bitFiles);
}

// Whether every piece stands where its kind can stand in a game. The tables let kinds share
// what their squares keep apart: advisors step from the square as elephants do, a pawn in its
// own palace counts as its king in the keys and piece-square values (and steps like it). A
// set-up that puts a piece elsewhere is searched all the same, without a crash, but its moves
// and scores follow the square, so the checks on moves and scores hold only for the others.
bool squareFitsPiece(int pc, int sq) {
    const int rank = rankOf(sq), file = fileOf(sq);
    const int ownRank = sideOf(pc) == sideRed ? 9 - rank : rank;  // 0: the side's back rank
    if (pc >= kingBlack)
        return ownRank <= 2 && file >= 3 && file <= 5;
    if (pc >= advisorFirst && pc < elephantFirst)
        return ownRank <= 2 && file >= 3 && file <= 5 && (ownRank + file) % 2 == 1;
    if (pc >= elephantFirst && pc < horseFirst)
        return ownRank <= 4 && ownRank % 2 == 0 && file % 2 == 0 && (ownRank + file) % 4 == 2;
    if (pc >= pawnFirst && pc < advisorFirst)
        return ownRank >= 5 || ((ownRank == 3 || ownRank == 4) && file % 2 == 0);
    return true;
}

bool placementIsPossible(const Position& pos) {
    for (int pc = pawnFirst; pc < pieceIdCount; ++pc)
        if (pos.pieceSquare[pc] != noSquare && !squareFitsPiece(pc, pos.pieceSquare[pc]))
            return false;
    return true;
}

// One of the 90 squares of the board for any byte.
Square squareOfByte(uint8_t b) { return makeSquare(b % 90 / 9, b % 9); }

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

Position before;  // too large for comfort on the stack

// Each move made and unmade, fully and lightly; the position after it evaluated and tested
// for repetition and checks, as the search's nodes do.
// With checked clear, only memory safety is watched (see placementIsPossible).
void exerciseMoves(Position& pos, const MoveSlot* moves, int n, bool checked) {
    std::memcpy(&before, &pos, sizeof pos);
    for (int i = 0; i < n; ++i) {
        const Move mv = slotMove(moves[i]);
        check(isValidMove(mv, pos) != 0 || !checked);
        const int victim = pos.board[moveTo(mv)];
        if (victim == kingBlack || victim == kingRed)
            continue;  // the root never makes these: the position was set up illegally
        if (victim)
            staticExchange(pos, moveFrom(mv), moveTo(mv));
        const int captured = makeMove(pos, mv, true);
        if (captured >= 0) {
            evaluate(pos);
            detectRepetition(pos, 3);
            MoveSlot checks[moveListSize];
            if (!inCheck(pos, pos.sideToMove))
                generateQuietChecks(pos, checks);
            unmakeMove(pos);
        }
        check(samePosition(pos, before) || !checked);
        std::memcpy(&pos, &before, sizeof pos);
        if (makeMoveLight(pos, mv, true) >= 0)
            unmakeMoveLight(pos);
        check(samePosition(pos, before) || !checked);
        std::memcpy(&pos, &before, sizeof pos);
    }
    makeNullMove(pos);
    unmakeNullMove(pos);
    check(samePosition(pos, before) || !checked);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startEngineOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::resetEngine();
    const uint8_t* end = data + size;
    const uint8_t* lineEnd = static_cast<const uint8_t*>(std::memchr(data, '\n', size));
    if (!lineEnd)
        lineEnd = end;
    const std::string fen(reinterpret_cast<const char*>(data), size_t(lineEnd - data));
    SearchContext& ctx = fuzz::context;
    Position& pos = ctx.position;
    setUpFen(pos, fen.c_str());
    const bool checked = placementIsPossible(pos);

    // The game moves, on the position as the set-up left it (as "position ... moves" plays them).
    MoveSlot moves[moveListSize];
    const uint8_t* p = lineEnd + (lineEnd < end);
    for (size_t played = 0; p < end && played < maxGameMoves; ++played) {
        if (!bothKingsPresent(pos)) {
            if (end - p < 2)
                break;
            playGameMove(pos, packMove(squareOfByte(p[0]), squareOfByte(p[1])));
            p += 2;
            continue;
        }
        const int n = listMoves(pos, moves);
        if (n == 0)
            break;
        playGameMove(pos, slotMove(moves[*p++ % n]));
    }

    // The search root's preparation, then every move.
    compactPieceList(pos);
    rebuildDerivedFields(pos);
    endgameSwitch(pos);
    adjustPawnTables(pos);
    if (bothKingsPresent(pos)) {  // the root searches nothing else
        evaluate(pos);
        exerciseMoves(pos, moves, listMoves(pos, moves), checked);
    }

    // A tiny search from the book-less root; its answer must be a legal move.
    bookHits  = 20;
    nodeLimit = tinySearchNodes;
    ctx.maxDepth = 3;
    think(ctx);
    const Move answer = ctx.bestMove;
    if (answer && checked) {
        check(bothKingsPresent(pos));
        const int victim = pos.board[moveTo(answer)];
        check(victim != kingBlack && victim != kingRed);
        const int captured = makeMove(pos, answer, true);
        check(captured >= 0);
        unmakeMove(pos);
    }
    return 0;
}
