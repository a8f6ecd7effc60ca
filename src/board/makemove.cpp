// Full, light and null makes with their unmakes. Every update is an XOR, a lookup or
// an addition on the one Position; nothing allocates.
#include "board/makemove.h"

#include "board/attack.h"
#include "board/tables.h"

namespace {

inline void toggleOccupancy(Position& pos, int sq) {
    pos.bitRanks[rankOf(sq)] ^= squareRankBit[sq];
    pos.bitFiles[fileOf(sq)] ^= squareFileBit[sq];
}

inline void xorKey(Position& pos, uint64_t key) {
    pos.hashLow ^= uint32_t(key);
    pos.hashHigh ^= uint32_t(key >> 32);
}

// Steps shared by both makes: move the piece on the board, the piece list and the
// occupancy masks; with checkLegal, undo it all and report -1 when the mover's king is
// left attacked. Returns the captured PieceId otherwise.
inline int movePiece(Position& pos, int from, int to, int moving, bool checkLegal) {
    const int captured = pos.board[to];
    toggleOccupancy(pos, from);
    if (captured)
        pos.pieceSquare[captured] = noSquare;
    else
        toggleOccupancy(pos, to);
    pos.pieceSquare[moving] = Square(to);
    pos.board[to] = uint8_t(moving);
    pos.board[from] = 0;
    if (checkLegal && inCheck(pos, pos.sideToMove)) {
        pos.board[from] = uint8_t(moving);
        pos.board[to] = uint8_t(captured);
        pos.pieceSquare[moving] = Square(from);
        if (captured)
            pos.pieceSquare[captured] = Square(to);
        else
            toggleOccupancy(pos, to);
        toggleOccupancy(pos, from);
        return -1;
    }
    return captured;
}

inline void takeBack(Position& pos, int from, int to, int captured) {
    const int moving = pos.board[to];
    pos.board[from] = uint8_t(moving);
    pos.board[to] = uint8_t(captured);
    pos.pieceSquare[moving] = Square(from);
    if (captured)
        pos.pieceSquare[captured] = Square(to);
    else
        toggleOccupancy(pos, to);
    toggleOccupancy(pos, from);
}

// The check code of the side now to move, computed only when the move touched a square
// that can change an attack on that king. A king set up outside its own palace has no
// relevance row, so it always gets the full test.
inline uint8_t recordedCheckCode(const Position& pos, int from, int to) {
    const int side = pos.sideToMove;
    const int k = pos.pieceSquare[kingBlack + side];
    if (k == noSquare)
        return 0;
    const int cls = homeKingClass(k, side);
    if (cls >= 0 && !checkRelevance[cls][from] && !checkRelevance[cls][to])
        return 0;
    return uint8_t(checkCode(pos, side));
}

// Majors: horses, cannons and rooks (ids 20..31). Black's are the even bits, red's odd.
inline bool endgameReached(uint32_t presence) {
    const uint32_t majors = presence >> 16;
    return bitCountTable[majors & 0x5550] <= 2 || bitCountTable[majors & 0xAAA0] <= 2 ||
           !(presence & 0xF0000000u);
}

// The record fields both makes write before the position's key changes.
inline MoveRecord& openRecord(Position& pos, Move mv, int captured) {
    MoveRecord& rec = pos.history[pos.historyLength];
    rec.hashLow  = pos.hashLow;
    rec.hashHigh = pos.hashHigh;
    rec.move     = mv;
    rec.captured = uint8_t(captured);
    return rec;
}

// Both makes end alike: the other side to move, the check it now faces, one record more.
inline void closeRecord(Position& pos, MoveRecord& rec, int from, int to) {
    xorKey(pos, zobristSide);
    pos.sideToMove ^= 1;
    rec.checkCode = recordedCheckCode(pos, from, to);
    pos.historyLength++;
}

}  // namespace

int makeMove(Position& pos, Move mv, bool checkLegal) {
    const int from = moveFrom(mv), to = moveTo(mv);
    const int moving = pos.board[from];
    const int captured = movePiece(pos, from, to, moving, checkLegal);
    if (captured < 0)
        return -1;

    MoveRecord& rec = openRecord(pos, mv, captured);
    rec.pstScore = int16_t(pos.pstScore);
    rec.moved = uint8_t(moving);
    pos.ply++;

    const int type = pieceTypeOf[moving];
    const int pstTo = squareIndex.pst[to];
    xorKey(pos, zobristKey(type, from) ^ zobristKey(type, to));
    pos.pstScore += pieceSquareTable[type][pstTo] - pieceSquareTable[type][squareIndex.pst[from]];
    const int regionFrom = squareRegion[from], regionTo = squareRegion[to];
    if (regionFrom != regionTo) {
        pos.regionMask[regionFrom] ^= 1u << (moving & 31);
        pos.regionMask[regionTo] ^= 1u << (moving & 31);
    }

    if (captured) {
        const int capType = pieceTypeOf[captured];
        xorKey(pos, zobristKey(capType, to));
        pos.pstScore -= pieceSquareTable[capType][pstTo];
        pos.presenceMask ^= 1u << (captured & 31);  // a king (only in bad input) stays clear of 2..31
        pos.pieceCount[captured & 0x3D]--;
        pos.regionMask[regionTo] ^= 1u << (captured & 31);
        rec.endgameMode = uint8_t(endgameMode);
        // Losing a major can end the middle game inside the search; the capture's unmake
        // switches back. The score becomes absolute over the endgame set from here on.
        if (!endgameMode && captured >= horseFirst && endgameReached(pos.presenceMask)) {
            endgameMode = 1;
            pos.pstScore = pieceSquareSum(pos, endgamePieceSquareTable);
        }
    }

    closeRecord(pos, rec, from, to);
    return captured;
}

void unmakeMove(Position& pos) {
    pos.sideToMove ^= 1;
    pos.historyLength--;
    pos.ply--;
    const MoveRecord& rec = pos.history[pos.historyLength];
    pos.hashLow = rec.hashLow;
    pos.hashHigh = rec.hashHigh;
    pos.pstScore = rec.pstScore;
    const int from = moveFrom(rec.move), to = moveTo(rec.move);
    const int captured = rec.captured;
    const int moving = pos.board[to];

    const int regionFrom = squareRegion[from], regionTo = squareRegion[to];
    if (regionFrom != regionTo) {
        pos.regionMask[regionFrom] ^= 1u << (moving & 31);
        pos.regionMask[regionTo] ^= 1u << (moving & 31);
    }
    if (captured) {
        pos.presenceMask ^= 1u << (captured & 31);
        pos.pieceCount[captured & 0x3D]++;
        pos.regionMask[regionTo] ^= 1u << (captured & 31);
        endgameMode = rec.endgameMode;
    }
    takeBack(pos, from, to, captured);
}

int makeMoveLight(Position& pos, Move mv, bool checkLegal) {
    const int from = moveFrom(mv), to = moveTo(mv);
    const int moving = pos.board[from];
    const int captured = movePiece(pos, from, to, moving, checkLegal);
    if (captured < 0)
        return -1;

    MoveRecord& rec = openRecord(pos, mv, captured);
    const int type = pieceTypeOf[moving];
    uint64_t key = zobristKey(type, from) ^ zobristKey(type, to);
    if (captured)
        key ^= zobristKey(pieceTypeOf[captured], to);
    xorKey(pos, key);
    closeRecord(pos, rec, from, to);
    return captured;
}

void unmakeMoveLight(Position& pos) {
    pos.historyLength--;
    pos.sideToMove ^= 1;
    const MoveRecord& rec = pos.history[pos.historyLength];
    pos.hashLow = rec.hashLow;
    pos.hashHigh = rec.hashHigh;
    takeBack(pos, moveFrom(rec.move), moveTo(rec.move), rec.captured);
}

bool moveKeepsKingSafe(Position& pos, Move mv) {
    const int from = moveFrom(mv), to = moveTo(mv);
    const int moving = pos.board[from];
    const int captured = movePiece(pos, from, to, moving, false);
    const bool safe = !inCheck(pos, pos.sideToMove);
    takeBack(pos, from, to, captured);
    return safe;
}

void makeNullMove(Position& pos) {
    MoveRecord& rec = pos.history[pos.historyLength];
    rec.move = 0;
    rec.captured = 0;
    rec.checkCode = 0;
    rec.moved = 0;
    pos.historyLength++;
    pos.ply++;
    pos.sideToMove ^= 1;
    xorKey(pos, zobristSide);
}

void unmakeNullMove(Position& pos) {
    xorKey(pos, zobristSide);
    pos.sideToMove ^= 1;
    pos.ply--;
    pos.historyLength--;
}
