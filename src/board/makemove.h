#pragma once
// Every change of the position during play and search goes through these operations.
#include "board/position.h"
#include "board/tables.h"

// Full make: returns the captured PieceId (0 if none), or -1 when checkLegal is set and
// the move leaves the mover's king attacked (the position is then untouched).
int  makeMove(Position& pos, Move mv, bool checkLegal);
void unmakeMove(Position& pos);
// Light make: board, masks, hash and history only.
int  makeMoveLight(Position& pos, Move mv, bool checkLegal);
void unmakeMoveLight(Position& pos);
void makeNullMove(Position& pos);
// The make's legality test alone: true when mv does not leave the mover's king attacked.
// The position is the same before and after.
bool moveKeepsKingSafe(Position& pos, Move mv);
void unmakeNullMove(Position& pos);

// The low half of the key the position will have after mv (a legal or pseudo-legal move
// of the side to move), as the makes compute it: the tables' index, known before the make.
inline uint32_t keyLowAfter(const Position& pos, Move mv) {
    const int from = moveFrom(mv), to = moveTo(mv);
    const int type = pieceTypeOf[pos.board[from]];
    uint64_t key = zobristKey(type, from) ^ zobristKey(type, to) ^ zobristSide;
    if (const int captured = pos.board[to])
        key ^= zobristKey(pieceTypeOf[captured], to);
    return pos.hashLow ^ uint32_t(key);
}

// When a move needs the make's legality test: a move can expose its own king only when the
// side is in check (code nonzero) or the move leaves or enters a square that bears on that
// king (its rank, its file, the horse and pawn squares around it). The relevance row of the
// side to move's king, or null when every move needs the test (in check, or a king that
// stands outside its own palace or is missing).
inline const uint8_t* ownKingRelevance(const Position& pos, int code) {
    const int cls = homeKingClass(pos.pieceSquare[kingBlack + pos.sideToMove], pos.sideToMove);
    if (code || cls < 0)
        return nullptr;
    return checkRelevance[cls];
}

inline bool needsLegalityTest(const uint8_t* relevance, Move mv) {
    return !relevance || relevance[moveFrom(mv)] || relevance[moveTo(mv)];
}
