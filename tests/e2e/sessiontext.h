#pragma once
// Reading an engine's output in the end-to-end tests, and the legal moves its answers are
// checked against (computed here with the engine's own generators and make).
#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/fen.h"
#include "board/makemove.h"
#include "movegen/replay.h"
#include "board/tables.h"
#include "movegen/movegen.h"

namespace e2e {

// The output without its timings, which differ from run to run.
inline std::string untimed(const std::string& output) {
    std::string out = output;
    for (const char* field : {" time ", " nps "})
        for (size_t at = out.find(field); at != std::string::npos; at = out.find(field, at)) {
            const size_t end = out.find_first_not_of("-0123456789", at + std::strlen(field));
            out.erase(at, end - at);
        }
    return out;
}

// The words of a line.
inline std::vector<std::string> wordsOf(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline int countLines(const std::string& text, const std::string& prefix) {
    int n = 0;
    for (const std::string& line : linesOf(text))
        n += line.rfind(prefix, 0) == 0;
    return n;
}

// Replies to "go": "bestmove ..." and "nobestmove" lines.
inline int countReplies(const std::string& text) {
    return countLines(text, "bestmove ") + countLines(text, "nobestmove");
}

// The four characters after "bestmove " in the last reply of text; "" for "nobestmove" or none.
inline std::string lastBestMove(const std::string& text) {
    std::string found;
    for (const std::string& line : linesOf(text))
        if (line.rfind("bestmove ", 0) == 0)
            found = line.substr(9, 4);
        else if (line == "nobestmove")
            found.clear();
    return found;
}

// "position startpos", with " moves" and the game's moves (each after a space) when there are any.
inline std::string gamePosition(const std::string& moves) {
    return "position startpos" + (moves.empty() ? "" : " moves" + moves);
}

// The legal moves, as texts, after the game moves (space-separated texts) from the FEN:
// every pseudo-legal move that neither leaves the mover's king attacked nor takes a king.
inline std::vector<std::string> legalMoveTexts(const char* fen, const std::string& moves) {
    static bool tablesBuilt = false;
    if (!tablesBuilt) {
        initBitCounts();
        initBoardTables((1u << 25) - 1);
        tablesBuilt = true;
    }
    static Position pos;
    testing::internal::CaptureStdout();  // the set-up may report the endgame
    setupFromFen(pos, fen);
    std::istringstream played(moves);
    for (std::string text; played >> text;)
        playGameMove(pos, parseMoveText(text.c_str()));
    testing::internal::GetCapturedStdout();

    MoveSlot caps[moveListSize], quiets[moveListSize], sliders[moveListSize];
    int quietCount = 0;
    const int n = generateMoves(pos, caps, quiets, quietCount);
    const int s = generateSliderQuiets(pos, sliders, 0);
    std::vector<std::string> legal;
    for (const auto& [list, count] : {std::pair{caps, n}, {quiets, quietCount}, {sliders, s}})
        for (int i = 0; i < count; ++i) {
            const Move mv = slotMove(list[i]);
            const int victim = pos.board[moveTo(mv)];
            if (victim == kingBlack || victim == kingRed || makeMove(pos, mv, true) < 0)
                continue;
            unmakeMove(pos);
            const char text[5] = {char('a' + fileOf(moveFrom(mv))), char('0' + 9 - rankOf(moveFrom(mv))),
                                  char('a' + fileOf(moveTo(mv))), char('0' + 9 - rankOf(moveTo(mv))), 0};
            legal.push_back(text);
        }
    return legal;
}

inline bool isLegalAnswer(const std::string& move, const char* fen, const std::string& moves) {
    const std::vector<std::string> legal = legalMoveTexts(fen, moves);
    return std::find(legal.begin(), legal.end(), move) != legal.end();
}

}  // namespace e2e
