#pragma once
// Shared by the movegen service tests: table set-up, positions from FEN, move texts,
// whole-position comparison, and reproducible random play from the perft positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/tables.h"
#include "movegen/movegen.h"
#include "movegen/history.h"

namespace qxtest {

inline void initTablesOnce() {
    static bool done = false;
    if (!done) {
        initBitCounts();
        initBoardTables(0x1FFFFFF);
        resetHistory();
        clearKillers();
        done = true;
    }
}

// "h2" -> Square and "h2e2" -> Move; the digit counts ranks from red's side.
inline int squareOf(const char* text) { return makeSquare(9 - (text[1] - '0'), text[0] - 'a'); }
inline Move moveOf(const char* text) { return packMove(squareOf(text), squareOf(text + 2)); }

inline std::string moveText(Move mv) {
    char text[5] = {char('a' + fileOf(moveFrom(mv))), char('9' - rankOf(moveFrom(mv))),
                    char('a' + fileOf(moveTo(mv))), char('9' - rankOf(moveTo(mv))), 0};
    return text;
}

// Equal in every byte, except the history records above the stack's top.
inline bool samePosition(const Position& a, const Position& b) {
    if (a.historyLength != b.historyLength || a.historyLength < 0 || a.historyLength > historyCapacity)
        return false;
    std::vector<Position> copies{a, b};
    for (Position& p : copies)
        std::memset(&p.history[p.historyLength], 0, sizeof(MoveRecord) * (historyCapacity - p.historyLength));
    return std::memcmp(&copies[0], &copies[1], sizeof(Position)) == 0;
}

// Every pseudo-legal move of the side to move, as the generators produce them.
inline std::vector<Move> generatedMoves(const Position& pos) {
    MoveSlot caps[moveListSize], quiets[moveListSize], sliders[moveListSize];
    int quietCount = 0;
    int capCount = generateMoves(pos, caps, quiets, quietCount);
    int sliderCount = generateSliderQuiets(pos, sliders, 0);
    std::vector<Move> moves;
    for (int i = 0; i < capCount; ++i) moves.push_back(slotMove(caps[i]));
    for (int i = 0; i < quietCount; ++i) moves.push_back(slotMove(quiets[i]));
    for (int i = 0; i < sliderCount; ++i) moves.push_back(slotMove(sliders[i]));
    return moves;
}

inline std::vector<std::string> perftFens() {
    std::vector<std::string> fens{startFen};
    std::ifstream in(std::string(QX_SOURCE_DIR) + "/tests/data/perft.epd");
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            fens.push_back(line.substr(0, line.find(';')));
    return fens;
}

// Keeps the set-up's endgame switch from firing: it rewrites process-wide weights and
// piece values that other tests rely on.
class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        initTablesOnce();
        savedEndgame = endgameMode;
        endgameMode = 1;
        std::memcpy(savedExchange, exchangeValue, sizeof savedExchange);
    }
    void TearDown() override {
        endgameMode = savedEndgame;
        std::memcpy(exchangeValue, savedExchange, sizeof savedExchange);
    }

    // The position as the search root sees it: set up, then the derived fields rebuilt.
    void setup(const char* fen) {
        std::memset(&pos, 0, sizeof pos);
        setupFromFen(pos, fen);
        rebuildDerivedFields(pos);
    }

    void play(std::initializer_list<const char*> moves) {
        for (const char* text : moves)
            ASSERT_GE(makeMove(pos, moveOf(text), true), 0) << text;
    }

    // Random legal play with a fixed seed from the start position and every perft position;
    // visit(pos) sees each position reached. Some walks compact the piece list on the way,
    // as the search root does, so the generators also meet lowered bounds.
    template <typename Visit>
    void randomPositions(int walksPerFen, int plies, Visit visit) {
        std::mt19937 rng(20240611);
        for (const std::string& fen : perftFens()) {
            for (int walk = 0; walk < walksPerFen; ++walk) {
                setup(fen.c_str());
                for (int ply = 0; ply < plies; ++ply) {
                    if (ply == plies / 3 && walk % 2 == 1) {
                        compactPieceList(pos);
                        rebuildDerivedFields(pos);
                    }
                    SCOPED_TRACE(fen + " walk " + std::to_string(walk) + " ply " + std::to_string(ply));
                    visit(pos);
                    if (::testing::Test::HasFatalFailure())
                        return;
                    std::vector<Move> moves = generatedMoves(pos);
                    std::shuffle(moves.begin(), moves.end(), rng);
                    bool moved = false;
                    for (Move mv : moves)
                        if (makeMove(pos, mv, true) >= 0) {
                            moved = true;
                            break;
                        }
                    if (!moved)
                        break;
                }
            }
        }
    }

    // Sparse positions built at random rather than played: few pieces, many of them on the
    // lines and near the squares of the king that is not to move, so discovered checks,
    // screens and pawn checks come up far more often than in played games. Positions in
    // which the side not to move is in check are skipped.
    template <typename Visit>
    void sparsePositions(int count, Visit visit) {
        std::mt19937 rng(7741);
        auto pick = [&](int n) { return int(rng() % unsigned(n)); };
        int made = 0;
        while (made < count) {
            char grid[10][9];
            std::memset(grid, 0, sizeof grid);
            const int side = pick(2);
            const int blackKing = makeSquare(pick(3), 3 + pick(3));
            const int redKing = makeSquare(7 + pick(3), 3 + pick(3));
            grid[rankOf(blackKing)][fileOf(blackKing)] = 'k';
            grid[rankOf(redKing)][fileOf(redKing)] = 'K';
            const int target = side == sideRed ? blackKing : redKing;
            auto place = [&](char letter, bool red, auto allowed) {
                for (int tries = 0; tries < 40; ++tries) {
                    int rank, file;
                    int mode = pick(4);
                    if (mode == 0) {
                        rank = rankOf(target), file = pick(9);
                    } else if (mode == 1) {
                        rank = pick(10), file = fileOf(target);
                    } else if (mode == 2) {
                        rank = std::clamp(rankOf(target) + pick(5) - 2, 0, 9);
                        file = std::clamp(fileOf(target) + pick(5) - 2, 0, 8);
                    } else {
                        rank = pick(10), file = pick(9);
                    }
                    if (grid[rank][file] == 0 && allowed(rank, file)) {
                        grid[rank][file] = red ? letter : char(letter - 'A' + 'a');
                        return;
                    }
                }
            };
            auto anywhere = [](int, int) { return true; };
            for (int red = 0; red < 2; ++red) {
                for (char letter : {'R', 'C', 'N'})
                    for (int n = pick(3); n > 0; --n)
                        place(letter, red, anywhere);
                for (int n = pick(6); n > 0; --n)
                    place('P', red, [&](int rank, int file) {
                        bool crossed = red ? rank <= 4 : rank >= 5;
                        bool home = red ? rank == 5 || rank == 6 : rank == 3 || rank == 4;
                        return crossed || (home && file % 2 == 0);
                    });
                for (int n = pick(3); n > 0; --n)
                    place('A', red, [&](int rank, int file) {
                        int r = red ? rank - 7 : rank;
                        return r >= 0 && r <= 2 && file >= 3 && file <= 5 && (r + file) % 2 == 1;
                    });
                for (int n = pick(3); n > 0; --n)
                    place('B', red, [&](int rank, int file) {
                        int r = red ? rank - 5 : rank;
                        return r >= 0 && r <= 4 && r % 2 == 0 && file % 2 == 0 && (r / 2 + file / 2) % 2 == 1;
                    });
            }
            std::string fen;
            for (int rank = 0; rank < 10; ++rank) {
                int empty = 0;
                for (int file = 0; file < 9; ++file) {
                    if (grid[rank][file] == 0) {
                        ++empty;
                        continue;
                    }
                    if (empty)
                        fen += char('0' + empty);
                    empty = 0;
                    fen += grid[rank][file];
                }
                if (empty)
                    fen += char('0' + empty);
                fen += rank < 9 ? "/" : side == sideRed ? " w" : " b";
            }
            setup(fen.c_str());
            if (inCheck(pos, side ^ 1))
                continue;
            ++made;
            SCOPED_TRACE(fen);
            visit(pos);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }

    Position pos;
    int savedEndgame = 0;
    int savedExchange[46];
};

}  // namespace qxtest
