// FEN set-up with its stable PieceId numbering.
#include "board/fen.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "board/tables.h"

// Black negative, red positive; entries 36..45 are the pawns that have crossed the river.
// The pawn entries are those of the game phase selected (see selectGameValues).
int exchangeValue[46] = {
    0, 0,                                             // unused ids
    -24, 24, -24, 24, -24, 24, -24, 24, -24, 24,      // pawns
    -54, 54, -54, 54,                                 // advisors
    -53, 53, -53, 53,                                 // elephants
    -196, 196, -196, 196,                             // horses
    -196, 196, -196, 196,                             // cannons
    -460, 460, -460, 460,                             // rooks
    -9999, 9999,                                      // kings
    0, 0,                                             // unused (ids 0 and 1 + 34)
    -95, 95, -95, 95, -95, 95, -95, 95, -95, 95,      // pawns across the river
};

namespace {

// Kinds as the board field notes them; the two-piece kinds come first.
enum FenKind { fenAdvisor, fenElephant, fenHorse, fenCannon, fenRook, fenPawn, fenKing, fenKindCount };

// The first ("L") id of each two-piece kind for black; black R is L + 2, and red's L and R
// are black's L + 3 and L + 1.
constexpr int blackLeftId[5] = {12, 16, 20, 24, 28};

// Pawn ids to try in order, by file. The order keeps a start-position pawn on the id it has
// on the start board, whatever else stands on the board.
constexpr uint8_t pawnIdRows[9][2][5] = {
    {{4, 8, 2, 10, 6}, {7, 11, 3, 9, 5}},   // file 0
    {{4, 8, 2, 10, 6}, {7, 11, 3, 9, 5}},   // file 1
    {{8, 4, 2, 10, 6}, {11, 3, 7, 9, 5}},   // file 2
    {{8, 4, 2, 10, 6}, {11, 3, 7, 9, 5}},   // file 3
    {{2, 8, 10, 4, 6}, {3, 9, 11, 5, 7}},   // file 4
    {{10, 6, 2, 8, 4}, {9, 5, 3, 11, 7}},   // file 5
    {{10, 6, 2, 8, 4}, {9, 5, 3, 11, 7}},   // file 6
    {{6, 10, 2, 8, 4}, {5, 9, 3, 11, 7}},   // file 7
    {{6, 10, 2, 8, 4}, {5, 9, 3, 11, 7}},   // file 8
};

// A noted piece: kind * 2 + side + 1, so that 0 means an empty square.
int noteOf(int kind, int side) { return kind * 2 + side + 1; }

// Kind and side of a FEN letter; false for anything that is not a piece letter.
bool pieceOfLetter(unsigned char c, int& kind, int& side) {
    side = (c >= 'A' && c <= 'Z') ? sideRed : sideBlack;
    switch (c | 0x20) {  // lower case
    case 'k': kind = fenKing; return true;
    case 'a': kind = fenAdvisor; return true;
    case 'b': case 'e': kind = fenElephant; return true;
    case 'n': case 'h': kind = fenHorse; return true;
    case 'r': kind = fenRook; return true;
    case 'c': kind = fenCannon; return true;
    case 'p': kind = fenPawn; return true;
    default: return false;
    }
}

// Picks the PieceId for a piece of the given kind and side on the given file, or 0 when
// every id of the kind and side is already given (a piece beyond the kind's count).
int assignId(const Position& pos, int kind, int side, int file, int countOfKind) {
    auto isFree = [&](int pc) { return pos.pieceSquare[pc] == noSquare; };
    if (kind == fenKing) {
        int pc = side == sideRed ? kingRed : kingBlack;
        return isFree(pc) ? pc : 0;
    }
    if (kind == fenPawn) {
        for (int pc : pawnIdRows[file][side])
            if (isFree(pc))
                return pc;
        return 0;
    }
    int left  = side == sideRed ? blackLeftId[kind] + 3 : blackLeftId[kind];
    int right = side == sideRed ? blackLeftId[kind] + 1 : blackLeftId[kind] + 2;
    int first, second;
    if (kind == fenAdvisor) {
        first  = file <= 4 ? left : right;
        second = file <= 4 ? right : left;
    } else if (file <= 4 || (isFree(left) && countOfKind == 2)) {
        first = left, second = right;
    } else {
        // Only a third piece of the kind can find R taken here; it then takes L if free.
        first = right, second = left;
    }
    return isFree(first) ? first : isFree(second) ? second : 0;
}

bool isBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

bool setupFromFen(Position& pos, const char* fen) {
    std::memset(pos.board, 0, sizeof pos.board);
    pos.sideToMove = sideRed;

    // Pieces noted per square by the board field, counted per two-piece kind and side.
    uint8_t noted[squareCount] = {};
    int counts[fenKindCount][2] = {};
    bool bad = false;

    const unsigned char* text = reinterpret_cast<const unsigned char*>(fen ? fen : "");
    if (!*text) {
        bad = true;
    } else {
        // Board field: everything up to the first blank. "/" jumps from the square after
        // file 8 to file 0 of the next rank. The whole field is counted, so that a rank
        // that runs long cannot hide by pushing the field's last piece into the side field.
        int s = 0;
        const unsigned char* p = text;
        while (isBlank(*p))
            ++p;
        for (; *p && !isBlank(*p); ++p) {
            int kind, side;
            if (*p >= '0' && *p <= '9') {
                s += *p - '0';
            } else if (*p == '/') {
                s += 7;
            } else if (pieceOfLetter(*p, kind, side)) {
                // A long rank leaves s on an unused column or past the board: count the
                // square but place nothing there, or the piece would live off the board.
                if (s < squareCount && fileOf(s) <= 8) {
                    noted[s] = uint8_t(noteOf(kind, side));
                    ++counts[kind][side];
                } else {
                    bad = true;
                }
                ++s;
            }
            if (s > 4 * squareCount)  // far past the board already; keeps s from overflowing
                s = 4 * squareCount;
        }
        if (s == squareCount) {
            // Side field: the first side letter after the board decides; the rest is ignored.
            for (; *p; ++p) {
                if (*p == 'w' || *p == 'W' || *p == 'r' || *p == 'R')
                    break;
                if (*p == 'b' || *p == 'B') {
                    pos.sideToMove = sideBlack;
                    break;
                }
            }
        } else {
            bad = true;
        }
    }

    // Piece list, file by file and top to bottom within a file, so that the ids follow the
    // pieces' files and not the order of the text.
    std::memset(pos.pieceSquare, noSquare, sizeof pos.pieceSquare);
    for (int file = 0; file < 9; ++file)
        for (int rank = 0; rank < 10; ++rank) {
            int sq = makeSquare(rank, file);
            if (!noted[sq])
                continue;
            int kind = (noted[sq] - 1) >> 1, side = (noted[sq] - 1) & 1;
            int pc = assignId(pos, kind, side, file, counts[kind][side]);
            if (pc)
                pos.pieceSquare[pc] = uint8_t(sq);
            else
                bad = true;  // more pieces than the kind has ids: leave this one off
        }

    // Derived fields. pieceCount and regionMask stay empty: the search root rebuilds them.
    rebuildOccupancy(pos);
    std::memset(pos.pieceCount, 0, sizeof pos.pieceCount);
    std::memset(pos.regionMask, 0, sizeof pos.regionMask);
    pos.attackedMask = 0;
    // The side key stands for red to move, as in the start position; every move toggles
    // it, so a position has one key however it was reached, and the two sides differ.
    uint64_t key = pos.sideToMove == sideRed ? zobristSide : 0;
    for (int pc = 2; pc < pieceIdCount; ++pc) {
        int sq = pos.pieceSquare[pc];
        if (sq == noSquare)
            continue;
        pos.board[sq] = uint8_t(pc);
        key ^= zobristKey(pieceTypeOf[pc], sq);
    }
    pos.hashLow  = uint32_t(key);
    pos.hashHigh = uint32_t(key >> 32);

    for (int kind = 0; kind < kindCount; ++kind) {
        lastPieceId[kind][sideBlack] = kindFirstId[kind] + (kind == kindPawn ? 8 : 2);
        lastPieceId[kind][sideRed]   = lastPieceId[kind][sideBlack] + 1;
    }

    pos.ply           = 0;
    pos.historyLength = 0;
    pos.pstScore      = 0;
    return !bad;
}
