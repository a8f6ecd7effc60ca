#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/fen.h"
#include "movegen/replay.h"
#include "shell/command.h"

namespace {

// A record whose fields hold recognisable values, to see which ones a command writes.
UcciCommand markedCommand() {
    UcciCommand cmd;
    cmd.selector.number  = -101;
    cmd.value.number     = -102;
    cmd.aux.number       = -103;
    cmd.limit.number     = -104;
    cmd.timeExtra.number = -105;
    return cmd;
}

std::string moveString(const MoveText& mv) { return std::string(mv.c, 4); }

}  // namespace

TEST(Command, TopLevelCodes) {
    struct Row { const char* line; UcciCode code; } rows[] = {
        {"isready", codeIsReady},
        {"ISREADY", codeIsReady},
        {"isreadyxyz", codeIsReady},
        {" isready", codeNone},
        {"isread", codeNone},
        {"setoption foo", codeSetOption},
        {"setoption", codeNone},
        {"position startpos", codePosition},
        {"position moves h2e2", codeNone},
        {"position", codeNone},
        {"position ", codeNone},
        {"banmoves ", codeBanMoves},
        {"banmoves", codeNone},
        {"go depth 1", codeGo},
        {"GO infinite", codeGo},
        {"go", codeNone},
        {"stop", codeStop},
        {"stopped", codeStop},
        {"probe startpos", codeProbe},
        {"probe nonsense", codeNone},
        {"quit", codeQuit},
        {"Quitting", codeQuit},
        {"ponderhit", codeNone},
        {"ucci", codeNone},
        {"", codeNone},
        {"\x01\xff\x80garbage", codeNone},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        UcciCommand cmd = markedCommand();
        EXPECT_EQ(parseCommandLine(row.line, cmd), row.code);
    }
}

TEST(Command, SetOptionNumbers) {
    struct Row { const char* line; int option; int value; } rows[] = {
        {"setoption batch on", optionBatch, 1},
        {"setoption batch off", optionBatch, 0},
        {"setoption debug TRUE", optionDebug, 1},
        {"setoption ponder false", optionPonder, 0},
        {"setoption usebook true", optionUseBook, 1},
        {"setoption usebook FALSE", optionUseBook, 0},
        {"setoption usebook off", optionUseBook, 0},
        {"setoption usebook maybe", optionUseBook, 1},
        {"setoption useegtb false", optionUseEgtb, 0},
        {"setoption hashsize 100", optionHashSize, 100},
        {"setoption hashsize 5000", optionHashSize, 1024},
        {"setoption hashsize big", optionHashSize, 0},
        {"setoption hashsize -7", optionHashSize, 0},
        {"setoption hashsize   64", optionHashSize, 64},
        {"setoption hashsize 99999999999999999999", optionHashSize, 1024},
        {"setoption HASHSIZE 16", optionHashSize, 16},
        {"setoption threads -3", optionThreads, 0},
        {"setoption threads 64", optionThreads, 32},
        {"setoption promotion on", optionPromotion, 1},
        {"setoption idle medium", optionIdle, 2},
        {"setoption pruning LARGE", optionPruning, 3},
        {"setoption knowledge none", optionKnowledge, 0},
        {"setoption randomness small", optionRandomness, 1},
        {"setoption style solid", optionStyle, 0},
        {"setoption style risky", optionStyle, 2},
        {"setoption style wild", optionStyle, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        UcciCommand cmd = markedCommand();
        ASSERT_EQ(parseCommandLine(row.line, cmd), codeSetOption);
        EXPECT_EQ(cmd.selector.number, row.option);
        EXPECT_EQ(cmd.value.number, row.value);
        EXPECT_EQ(cmd.aux.number, -103);
        EXPECT_EQ(cmd.limit.number, -104);
        EXPECT_EQ(cmd.timeExtra.number, -105);
    }
}

TEST(Command, SetOptionWithoutValue) {
    struct Row { const char* line; int option; } rows[] = {
        {"setoption newgame", optionNewGame},
        {"setoption NewGame now", optionNewGame},
        {"setoption foo", optionUnknown},
        {"setoption usemillisec true", optionUnknown},
        {"setoption hashsize", optionUnknown},  // no space after the keyword
        {"setoption ", optionUnknown},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        UcciCommand cmd = markedCommand();
        ASSERT_EQ(parseCommandLine(row.line, cmd), codeSetOption);
        EXPECT_EQ(cmd.selector.number, row.option);
        EXPECT_EQ(cmd.value.number, -102);
    }
}

TEST(Command, SetOptionTexts) {
    const char  line[] = "setoption bookfiles /opt/books/a.dat;b.dat";
    UcciCommand cmd    = markedCommand();
    ASSERT_EQ(parseCommandLine(line, cmd), codeSetOption);
    EXPECT_EQ(cmd.selector.number, optionBookFiles);
    EXPECT_STREQ(cmd.value.text, "/opt/books/a.dat;b.dat");
    EXPECT_EQ(cmd.value.text, line + std::strlen("setoption bookfiles "));
}

TEST(Command, GoModes) {
    struct Row {
        const char* line;
        int mode, limit, timeExtra, ponder, draw;
    } rows[] = {
        {"go depth 5", goDepth, 5, -105, 0, 0},
        {"go depth 99", goDepth, 48, -105, 0, 0},
        {"go depth x", goDepth, 0, -105, 0, 0},
        {"go depth 0", goDepth, 0, -105, 0, 0},
        {"go depth -4", goDepth, 0, -105, 0, 0},
        {"go depth", goDepth, 48, -105, 0, 0},
        {"go infinite", goDepth, 48, -105, 0, 0},
        {"go ", goDepth, 48, -105, 0, 0},
        {"go ponder depth 8", goDepth, 8, -105, 1, 0},
        {"go draw depth 3", goDepth, 3, -105, 0, 1},
        {"go DEPTH 7 movestogo 3", goDepth, 7, -105, 0, 0},
        {"go nodes 1000000", goNodes, 1000000, -105, 0, 0},
        {"go nodes 9999999999", goNodes, 2000000000, -105, 0, 0},
        {"go time 60000 movestogo 10", goMovesToGo, 60000, 10, 0, 0},
        {"go time 60000 movestogo 0", goMovesToGo, 60000, 1, 0, 0},
        {"go time 60000 movestogo 5000", goMovesToGo, 60000, 999, 0, 0},
        {"go time 60000 movestogo", goMovesToGo, 60000, 1, 0, 0},
        {"go time 60000", goMovesToGo, 60000, 1, 0, 0},
        {"go time 60000 MOVESTOGO 10", goMovesToGo, 60000, 1, 0, 0},
        {"go time 60000 increment 3000", goIncrement, 60000, 3000, 0, 0},
        {"go time 60000 increment 5000000", goIncrement, 60000, 999999, 0, 0},
        {"go time 60000 movestogo 4 increment 3000", goMovesToGo, 60000, 4, 0, 0},
        {"go time -5 increment 10", goIncrement, 0, 10, 0, 0},
        {"go time 3000000000 increment 1", goIncrement, 2000000000, 1, 0, 0},
        {"go ponder time 9000 increment 100", goIncrement, 9000, 100, 1, 0},
        {"go draw time 9000", goMovesToGo, 9000, 1, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        UcciCommand cmd = markedCommand();
        ASSERT_EQ(parseCommandLine(row.line, cmd), codeGo);
        EXPECT_EQ(cmd.selector.number, row.mode);
        EXPECT_EQ(cmd.limit.number, row.limit);
        EXPECT_EQ(cmd.timeExtra.number, row.timeExtra);
        EXPECT_EQ(cmd.value.number, row.ponder);
        EXPECT_EQ(cmd.aux.number, row.draw);
    }
}

TEST(Command, PositionTexts) {
    struct Row {
        const char* line;
        const char* fen;
        int         moveCount;
        const char* moves;  // the move texts run together
        bool        listed;  // " moves " present: aux refers to the list, else untouched
    } rows[] = {
        {"position startpos", startFen, 0, "", false},
        {"position STARTPOS moves h2e2 h9g7", startFen, 2, "h2e2h9g7", true},
        {"position startpos moves h2e2 h9g7 ", startFen, 2, "h2e2h9g7", true},
        {"position startpos moves h2e2 h9", startFen, 1, "h2e2", true},
        {"position startpos moves h2e2 h9g", startFen, 1, "h2e2", true},
        {"position startpos moves ", startFen, 0, "", true},
        {"position startpos Moves h2e2", startFen, 0, "", false},  // " moves " is case-sensitive
        {"position fen 9/9/3k5/9/9/9/9/9/4K4/9 w - - 0 1 moves e1e2",
         "9/9/3k5/9/9/9/9/9/4K4/9 w - - 0 1 moves e1e2", 1, "e1e2", true},
        {"position FEN 4k4/9/9/9/9/9/9/9/9/4K4 b - - 0 1", "4k4/9/9/9/9/9/9/9/9/4K4 b - - 0 1", 0, "",
         false},
        {"probe startpos moves b0c2", startFen, 1, "b0c2", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        UcciCommand cmd = markedCommand();
        UcciCode    code = parseCommandLine(row.line, cmd);
        ASSERT_TRUE(code == codePosition || code == codeProbe);
        EXPECT_STREQ(cmd.selector.text, row.fen);
        EXPECT_EQ(cmd.value.number, row.moveCount);
        std::string moves;
        if (row.listed) {
            EXPECT_EQ(cmd.aux.moves, moveTextList);
            for (int i = 0; i < row.moveCount; ++i)
                moves += moveString(cmd.aux.moves[i]);
        } else {
            EXPECT_EQ(cmd.aux.number, -103);
        }
        EXPECT_EQ(moves, row.moves);
        EXPECT_EQ(cmd.limit.number, -104);
    }
}

TEST(Command, MalformedPositionWritesNothing) {
    const char* lines[] = {"position moves h2e2", "position fen", "position start", "probe "};
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        UcciCommand cmd = markedCommand();
        EXPECT_EQ(parseCommandLine(line, cmd), codeNone);
        EXPECT_EQ(cmd.selector.number, -101);
        EXPECT_EQ(cmd.value.number, -102);
        EXPECT_EQ(cmd.aux.number, -103);
    }
}

// A full line's moves are all kept: 814 after "position startpos moves ", 817 after
// "banmoves ".
TEST(Command, MoveListsHoldAFullLine) {
    std::string moves;
    for (int i = 0; i < 900; ++i)
        moves += std::string(i % 2 ? "h9g7" : "h2e2") + " ";
    struct Row { std::string line; UcciCode code; int count; } rows[] = {
        {"position startpos moves " + moves.substr(0, 4095 - 24), codePosition, 814},
        {"banmoves " + moves.substr(0, 4095 - 9), codeBanMoves, 817},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line.substr(0, 20));
        UcciCommand cmd = markedCommand();
        ASSERT_EQ(parseCommandLine(row.line.c_str(), cmd), row.code);
        int count = row.code == codeBanMoves ? cmd.selector.number : cmd.value.number;
        EXPECT_EQ(count, row.count);
        EXPECT_EQ(moveString(moveTextList[count - 1]), count % 2 ? "h2e2" : "h9g7");
    }
}

TEST(Command, BanMoves) {
    struct Row { const char* line; int count; const char* moves; } rows[] = {
        {"banmoves ", 0, ""},
        {"banmoves h2e2", 1, "h2e2"},
        {"banmoves h2e2 h0g2", 2, "h2e2h0g2"},
        {"banmoves h2e2 h0", 1, "h2e2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        UcciCommand cmd = markedCommand();
        ASSERT_EQ(parseCommandLine(row.line, cmd), codeBanMoves);
        EXPECT_EQ(cmd.selector.number, row.count);
        EXPECT_EQ(cmd.value.moves, moveTextList);
        std::string moves;
        for (int i = 0; i < row.count; ++i)
            moves += moveString(cmd.value.moves[i]);
        EXPECT_EQ(moves, row.moves);
        EXPECT_EQ(cmd.aux.number, -103);
    }
}

TEST(Command, ClampedIntegers) {
    struct Row { const char* text; int lo, hi, expected; } rows[] = {
        {"42", 0, 100, 42},     {"  42", 0, 100, 42},  {"+42", 0, 100, 42},
        {"-42", -100, 100, -42}, {"-42", 0, 100, 0},   {"142", 0, 100, 100},
        {"", 5, 100, 5},         {"x1", 5, 100, 5},    {"12abc", 0, 100, 12},
        {"99999999999999999999999", 0, 100, 100},      {"-99999999999999999999", 3, 9, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(readClampedInt(row.text, row.lo, row.hi), row.expected);
    }
}

TEST(Command, KeywordHelpers) {
    const char* cursor = "Time 5 movestogo 3";
    EXPECT_TRUE(skipKeyword(cursor, "time "));
    EXPECT_STREQ(cursor, "5 movestogo 3");
    EXPECT_FALSE(skipKeyword(cursor, "6"));
    EXPECT_STREQ(cursor, "5 movestogo 3");
    EXPECT_TRUE(findKeyword(cursor, " movestogo "));
    EXPECT_STREQ(cursor, "3");
    EXPECT_FALSE(findKeyword(cursor, " increment "));
    EXPECT_FALSE(startsWithKeyword("qui", "quit"));
}

TEST(Command, MoveFromText) {
    struct Row { const char* text; int from, to; bool wellFormed; } rows[] = {
        {"h2e2", 0x77, 0x74, true},
        {"a9a0", 0, 144, true},
        {"i0i9", 152, 8, true},
        {"e1e2", 0x84, 0x74, true},
        {"j2e2", 0x79, 0x74, false},
        {"h2e ", 0x77, ('e' - 16 * ' ' + 47) & 0xFF, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        MoveText text;
        std::memcpy(text.c, row.text, 4);
        EXPECT_EQ(moveFromText(text), packMove(row.from, row.to));
        // The game-move reader agrees on well-formed texts and refuses the others.
        EXPECT_EQ(parseMoveText(text.c), row.wellFormed ? moveFromText(text) : Move(0));
    }
}
