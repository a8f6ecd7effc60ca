#include "movegen/replay.h"

#include <cstring>

#include "board/makemove.h"
#include "movegen/movegen.h"

namespace {

// Records kept when a long run of reversible moves must be cut: enough for any cycle the
// repetition test could still judge in practice, far below the trimming threshold so that
// the copy is rare.
inline constexpr int keptReversibleRecords = 96;

// The repetition test stops at a capture, a pawn advance or a null move, so nothing older
// than the newest such record is ever read.
bool endsRepetitionScan(const MoveRecord& rec) {
    return rec.captured || (rec.moved <= 11 && fileOf(moveFrom(rec.move)) == fileOf(moveTo(rec.move)));
}

void dropOldRecords(Position& pos) {
    const int n = pos.historyLength;
    int first = 0;
    for (int i = n - 1; i >= 0; --i)
        if (endsRepetitionScan(pos.history[i])) {
            first = i;
            break;
        }
    if (n - first > keptReversibleRecords)
        first = n - keptReversibleRecords;
    std::memmove(pos.history, pos.history + first, size_t(n - first) * sizeof(MoveRecord));
    pos.historyLength = n - first;
}

bool isFileChar(char c) { return c >= 'a' && c <= 'i'; }
bool isRankChar(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// Characters are tested one at a time, so a text that ends early is never read past its end.
Move parseMoveText(const char* text4) {
    if (!isFileChar(text4[0]) || !isRankChar(text4[1]) || !isFileChar(text4[2]) ||
        !isRankChar(text4[3]))
        return 0;
    return packMove(makeSquare('9' - text4[1], text4[0] - 'a'),
                    makeSquare('9' - text4[3], text4[2] - 'a'));
}

bool playGameMove(Position& pos, Move mv) {
    if (!mv || !isValidMove(mv, pos))
        return false;
    const int victim = pos.board[moveTo(mv)];
    if (victim == kingBlack || victim == kingRed)
        return false;
    if (pos.historyLength >= historyCapacity - searchHistoryReserve)
        dropOldRecords(pos);
    makeMove(pos, mv, false);
    return true;
}
