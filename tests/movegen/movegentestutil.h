#pragma once
// Shared helpers of the board and move-generation tests: engine set-up, a FEN writer,
// legal move lists and byte comparison of positions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/tables.h"
#include "movegen/movegen.h"
#include "movegen/history.h"

inline void initEngineForTests() {
    initBitCounts();
    initBoardTables((1u << 25) - 1);
    resetHistory();
    clearKillers();
}

// Sets a position up without letting the set-up's endgame switch print or change weights.
inline void setUpQuietly(Position& pos, const char* fen) {
    endgameMode = 1;
    setupFromFen(pos, fen);
    endgameMode = 0;
}

inline char fenLetter(int pc) {
    static const char letters[] = "ppppppppppaaaabbbbnnnnccccrrrrkk";
    const char c = letters[pc - 2];
    return sideOf(pc) == sideRed ? char(c - 'a' + 'A') : c;
}

// The board field and side of the position, as the set-up reads them back.
inline std::string toFen(const Position& pos) {
    std::string fen;
    for (int rank = 0; rank <= 9; ++rank) {
        int empty = 0;
        for (int file = 0; file <= 8; ++file) {
            const int pc = pos.board[makeSquare(rank, file)];
            if (!pc) {
                ++empty;
                continue;
            }
            if (empty)
                fen += char('0' + empty);
            empty = 0;
            fen += fenLetter(pc);
        }
        if (empty)
            fen += char('0' + empty);
        if (rank < 9)
            fen += '/';
    }
    fen += pos.sideToMove == sideRed ? " w - - 0 1" : " b - - 0 1";
    return fen;
}

inline std::string moveString(Move mv) {
    const int from = moveFrom(mv), to = moveTo(mv);
    return {char('a' + fileOf(from)), char('9' - rankOf(from)), char('a' + fileOf(to)),
            char('9' - rankOf(to))};
}

// Every pseudo-legal move from the full generators (captures, short-range quiets, sliders).
inline std::vector<Move> pseudoMoves(const Position& pos) {
    MoveSlot caps[moveListSize], quiets[moveListSize], sliders[moveListSize];
    int quietCount = 0;
    const int n = generateMoves(pos, caps, quiets, quietCount);
    const int s = generateSliderQuiets(pos, sliders, 0);
    std::vector<Move> moves;
    for (int i = 0; i < n; ++i)
        moves.push_back(slotMove(caps[i]));
    for (int i = 0; i < quietCount; ++i)
        moves.push_back(slotMove(quiets[i]));
    for (int i = 0; i < s; ++i)
        moves.push_back(slotMove(sliders[i]));
    return moves;
}

inline std::vector<Move> evasionMoves(const Position& pos, int code) {
    MoveSlot list[moveListSize];
    int n = generateEvasionsA(pos, list, code);
    n += generateEvasionsB(pos, list + n, code);
    std::vector<Move> moves;
    for (int i = 0; i < n; ++i)
        moves.push_back(slotMove(list[i]));
    return moves;
}

// The moves of `candidates` that the make operation accepts with its legality test.
inline std::vector<Move> legalOf(Position& pos, const std::vector<Move>& candidates) {
    std::vector<Move> legal;
    for (Move mv : candidates)
        if (makeMove(pos, mv, true) >= 0) {
            legal.push_back(mv);
            unmakeMove(pos);
        }
    return legal;
}

// Compares two positions byte for byte, history records above historyLength excluded.
inline bool samePosition(const Position& a, const Position& b) {
    if (a.historyLength != b.historyLength)
        return false;
    const size_t head = offsetof(Position, history) + size_t(a.historyLength) * sizeof(MoveRecord);
    const size_t tail = offsetof(Position, pstScore);
    return !std::memcmp(&a, &b, head) &&
           !std::memcmp(reinterpret_cast<const char*>(&a) + tail,
                        reinterpret_cast<const char*>(&b) + tail, sizeof(Position) - tail);
}

inline std::vector<std::string> publicSuiteFens() {
    std::vector<std::string> fens;
    FILE* file = std::fopen(QX_SOURCE_DIR "/tests/data/perft.epd", "r");
    if (!file)
        return fens;
    char line[4096];
    while (std::fgets(line, sizeof line, file)) {
        const char* semi = std::strchr(line, ';');
        if (semi && line[0] != '#')
            fens.emplace_back(static_cast<const char*>(line), semi);
    }
    std::fclose(file);
    return fens;
}

// A byte copy, so that padding compares equal as well.
inline void copyPosition(Position& dst, const Position& src) { std::memcpy(&dst, &src, sizeof dst); }
