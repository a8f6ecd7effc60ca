#pragma once
// The opening book: a sorted text file of position keys, each with up to 20 weighted moves.
// A key is 32 characters, one per piece in a fixed slot order, each 33 + the piece's book
// index (rank * 9 + file, rank 0 = black's back rank) or 33 + 90 when it is off the board.
// A book move is weight * 16384 + from * 128 + to; its share in the random choice is weight + 1.
#include <cstdint>
#include <cstdio>

#include "board/position.h"

inline constexpr int bookKeyLength  = 32;
inline constexpr int bookMaxMoves   = 20;   // a line's moves past the 20th are not read
inline constexpr int bookOffBoard   = 90;   // book index of a piece not on the board
inline constexpr int bookKeyFirst   = 33;   // key character of book index 0
inline constexpr int bookWeightUnit = 16384;
inline constexpr int bookMaxWeight  = 131071;  // keeps every book number below 2^31

// The PieceId listed in each key slot: each side's left wing from the palace outwards, its
// pawns from file 0 to file 8 with the king among them, then its right wing inwards.
inline constexpr uint8_t bookSlotPiece[bookKeyLength] = {
    12, 16, 20, 24, 28, 4,  8,  32, 2,  10, 6, 30, 26, 22, 18, 14,
    15, 19, 23, 27, 31, 7,  11, 3,  33, 9,  5, 29, 25, 21, 17, 13,
};
// The slot that holds a slot's piece in the left-right mirror image; the kings and the two
// centre-file pawns keep theirs.
inline constexpr uint8_t bookMirrorSlot[bookKeyLength] = {
    15, 14, 13, 12, 11, 10, 9,  7,  8,  6,  5,  4,  3,  2,  1,  0,
    31, 30, 29, 28, 27, 26, 25, 23, 24, 22, 21, 20, 19, 18, 17, 16,
};

constexpr int bookIndex(int sq) { return pstIndex(sq); }
constexpr Square bookSquare(int index) { return makeSquare(index / 9, index % 9); }
constexpr int mirrorBookIndex(int index) { return index - index % 9 + 8 - index % 9; }
constexpr int bookMoveFrom(int bookMove) { return (bookMove >> 7) & 127; }
constexpr int bookMoveTo(int bookMove) { return bookMove & 127; }
constexpr int packBookMove(int from, int to) { return from * 128 + to; }
// Seven bits can name squares past the last rank; such a move must never reach the board.
constexpr bool bookMoveOnBoard(int bookMove) {
    return bookMoveFrom(bookMove) < bookOffBoard && bookMoveTo(bookMove) < bookOffBoard;
}

// The 34 book indexes of a position's pieces by PieceId, -1 for a piece off the board
// (entries 0 and 1 always). Call it on a compacted piece list, as the key assumes.
void bookPlacement(const Position& pos, int placement[pieceIdCount]);
// The zero-terminated key of a placement; a value outside 0..89 counts as off the board.
void buildBookKey(const int placement[pieceIdCount], char key[bookKeyLength + 1]);
// The key of the left-right mirror image: slots exchanged, then every file mirrored.
void mirrorBookKey(const char* key, char mirrored[bookKeyLength + 1]);
// The placement a key describes; false when a character is outside 33..123.
bool placementFromKey(const char* key, int placement[pieceIdCount]);

// The book's own pseudo-random generator, the same on every platform: 0..32767.
inline int bookRandom(uint32_t& seed) {
    seed = seed * 214013u + 2531011u;
    return int((seed >> 16) & 0x7FFF);
}

// One line of a book file as read, whatever its length: the key text, and the moves when
// they were asked for. A token counts as bad when it is not a plain decimal number below
// 2^31; it is kept as the number its leading digits give, or 0 (no move) when they give none
// or too large a number.
struct BookLine {
    int  number;                 // line number in the file, counting empty lines too
    int  keyLength;              // characters of the key text present, 0..32
    char key[bookKeyLength + 1];
    int  separator;              // the character after the key, -1 when the line ends there
    int  moveCount;              // values held, at most bookMaxMoves
    int  tokenCount;             // every token on the line, also those past the 20th
    int  badTokens;
    int  values[bookMaxMoves];
};

// Reads the next line that is not empty (LF ends a line, a CR before it is dropped). The
// moves are read when wanted is null or equal to the line's key; otherwise moveCount is 0.
// line.number goes on from the value it has. False at the end of the file.
bool readBookLine(FILE* file, BookLine& line, const char* wanted);
// Byte order of the line's key text against a full key; a shorter text sorts first.
int compareBookKey(const BookLine& line, const char* key);

// The book file the engine reads, handed over by the front end that knows where the
// program lives ("QXBOOK.DAT" beside the executable); while it is empty every probe misses.
inline constexpr int bookPathSize = 1024;
extern char bookPath[bookPathSize];

// Scans the sorted book at path for key, stopping at the first greater key: true with the
// line in entry when it is there. A file that cannot be opened holds nothing.
bool lookUpBook(const char* path, const char* key, BookLine& entry);
// The weighted choice for a draw 0..32767: each value's share is (value / 16384) + 1, and
// the first value whose running share passes draw / 32768 * total is chosen. Returns the
// chosen value mod 16384 (from * 128 + to), 0 when there are no values.
int chooseBookMove(const int* values, int count, int draw);
// One lookup of key with one draw from seed: the chosen move, or 0 when the key is not in
// the book, its line has no move, or the chosen move names a square off the board.
int findBookMove(const char* path, const char* key, uint32_t& seed);
// The whole probe on the book at path: the position, then its mirror image (whose move is
// mirrored back). Returns from * 128 + to in book indexes, or 0.
int probeBookFile(const char* path, const int placement[pieceIdCount], uint32_t seed);
// The probe the search root makes: the book beside the engine, reseeded from the clock.
int probeBook(const int placement[pieceIdCount]);
