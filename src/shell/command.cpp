#include "shell/command.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "board/fen.h"
#include "platform/platform.h"
#include "shell/linereader.h"

MoveText moveTextList[maxMoveTexts];
char     fenBuffer[fenBufferSize];

bool startsWithKeyword(const char* text, const char* keyword) {
    for (; *keyword; ++text, ++keyword)
        if (std::tolower(static_cast<unsigned char>(*text)) !=
            std::tolower(static_cast<unsigned char>(*keyword)))
            return false;  // also stops at the end of text, since no keyword holds a zero
    return true;
}

bool skipKeyword(const char*& cursor, const char* keyword) {
    if (!startsWithKeyword(cursor, keyword))
        return false;
    cursor += std::strlen(keyword);
    return true;
}

bool findKeyword(const char*& cursor, const char* keyword) {
    const char* found = std::strstr(cursor, keyword);
    if (!found)
        return false;
    cursor = found + std::strlen(keyword);
    return true;
}

int readClampedInt(const char* text, int lo, int hi) {
    char* end = nullptr;
    // strtoll saturates on overflow, so a huge number still clamps to hi (or lo).
    long long number = std::strtoll(text, &end, 10);
    if (end == text)
        return lo;
    if (number < lo)
        return lo;
    if (number > hi)
        return hi;
    return int(number);
}

// Moves come every five characters (four for the move, one separator), as many as fit in
// the text, at most the list's size. The characters are not checked here.
static int parseMoveTexts(const char* text) {
    int count = int((std::strlen(text) + 1) / 5);
    if (count > maxMoveTexts)
        count = maxMoveTexts;
    for (int i = 0; i < count; ++i)
        std::memcpy(moveTextList[i].c, text + 5 * i, 4);
    return count;
}

bool parsePositionText(const char* text, UcciCommand& cmd) {
    const char* cursor = text;
    if (skipKeyword(cursor, "fen ")) {
        // The moves stay in the copy too; the set-up reads only the board and the side.
        std::strncpy(fenBuffer, cursor, fenBufferSize - 1);
        fenBuffer[fenBufferSize - 1] = '\0';
        cmd.selector.text = fenBuffer;
    } else if (startsWithKeyword(text, "startpos")) {
        cmd.selector.text = startFen;
    } else {
        return false;
    }
    cmd.value.number = 0;
    const char* moves = text;
    if (findKeyword(moves, " moves ")) {
        cmd.value.number = parseMoveTexts(moves);
        cmd.aux.moves    = moveTextList;
    }
    return true;
}

static bool valueIsOn(const char* text) {
    return startsWithKeyword(text, "on") || startsWithKeyword(text, "true");
}

static bool valueIsOff(const char* text) {
    return startsWithKeyword(text, "off") || startsWithKeyword(text, "false");
}

// Index of the first word of words that begins text; fallback when none does.
static int wordIndex(const char* text, const char* const* words, int count, int fallback) {
    for (int i = 0; i < count; ++i)
        if (startsWithKeyword(text, words[i]))
            return i;
    return fallback;
}

static const char* const levelWords[] = {"none", "small", "medium", "large"};
static const char* const styleWords[] = {"solid", "normal", "risky"};

// Every option is recognised so that a front end's settings are accepted quietly; only
// hashsize and newgame change anything, and the protocol loop decides that.
static void parseOption(const char* text, UcciCommand& cmd) {
    struct OptionKeyword {
        const char* keyword;
        OptionId    id;
    };
    static const OptionKeyword options[] = {
        {"batch ", optionBatch},         {"debug ", optionDebug},
        {"ponder ", optionPonder},       {"usebook ", optionUseBook},
        {"useegtb ", optionUseEgtb},     {"bookfiles ", optionBookFiles},
        {"egtbpaths ", optionEgtbPaths}, {"evalapi ", optionEvalApi},
        {"hashsize ", optionHashSize},   {"threads ", optionThreads},
        {"promotion ", optionPromotion}, {"idle ", optionIdle},
        {"pruning ", optionPruning},     {"knowledge ", optionKnowledge},
        {"randomness ", optionRandomness}, {"style ", optionStyle},
        {"newgame", optionNewGame},
    };
    cmd.selector.number = optionUnknown;
    for (const OptionKeyword& option : options) {
        const char* value = text;
        if (!skipKeyword(value, option.keyword))
            continue;
        cmd.selector.number = option.id;
        switch (option.id) {
        case optionBatch:
        case optionDebug:
        case optionPonder:
        case optionPromotion: cmd.value.number = valueIsOn(value) ? 1 : 0; break;
        case optionUseBook:
        case optionUseEgtb: cmd.value.number = valueIsOff(value) ? 0 : 1; break;
        case optionBookFiles:
        case optionEgtbPaths:
        case optionEvalApi: cmd.value.text = value; break;
        case optionHashSize: cmd.value.number = readClampedInt(value, 0, 1024); break;
        case optionThreads: cmd.value.number = readClampedInt(value, 0, 32); break;
        case optionIdle:
        case optionPruning:
        case optionKnowledge:
        case optionRandomness:
            // No one reads these; an unknown word is kept apart as -1.
            cmd.value.number = wordIndex(value, levelWords, 4, -1);
            break;
        case optionStyle: cmd.value.number = wordIndex(value, styleWords, 3, 1); break;
        default: break;  // newgame carries no value
        }
        return;
    }
}

static void parseGo(const char* text, UcciCommand& cmd) {
    const char* cursor = text;
    cmd.aux.number     = 0;
    cmd.value.number   = 0;
    if (skipKeyword(cursor, "ponder "))
        cmd.value.number = 1;
    else if (skipKeyword(cursor, "draw "))
        cmd.aux.number = 1;

    if (skipKeyword(cursor, "depth ")) {
        cmd.selector.number = goDepth;
        cmd.limit.number    = readClampedInt(cursor, 0, maxGoDepth);
    } else if (skipKeyword(cursor, "nodes ")) {
        cmd.selector.number = goNodes;
        cmd.limit.number    = readClampedInt(cursor, 0, 2000000000);
    } else if (skipKeyword(cursor, "time ")) {
        cmd.limit.number = readClampedInt(cursor, 0, 2000000000);
        const char* movesToGo = cursor;
        const char* increment = cursor;
        if (findKeyword(movesToGo, " movestogo ")) {
            cmd.selector.number  = goMovesToGo;
            cmd.timeExtra.number = readClampedInt(movesToGo, 1, 999);
        } else if (findKeyword(increment, " increment ")) {
            cmd.selector.number  = goIncrement;
            cmd.timeExtra.number = readClampedInt(increment, 0, 999999);
        } else {
            // A bare total time is spread as if one move were left to play.
            cmd.selector.number  = goMovesToGo;
            cmd.timeExtra.number = 1;
        }
    } else {
        // "infinite" and anything else: search as deep as a depth limit allows.
        cmd.selector.number = goDepth;
        cmd.limit.number    = maxGoDepth;
    }
}

UcciCode parseCommandLine(const char* line, UcciCommand& cmd) {
    const char* rest = line;
    if (startsWithKeyword(line, "isready"))
        return codeIsReady;
    if (skipKeyword(rest, "setoption ")) {
        parseOption(rest, cmd);
        return codeSetOption;
    }
    if (skipKeyword(rest, "position "))
        return parsePositionText(rest, cmd) ? codePosition : codeNone;
    if (skipKeyword(rest, "banmoves ")) {
        cmd.selector.number = parseMoveTexts(rest);
        cmd.value.moves     = moveTextList;
        return codeBanMoves;
    }
    if (skipKeyword(rest, "go ")) {
        parseGo(rest, cmd);
        return codeGo;
    }
    if (startsWithKeyword(line, "stop"))
        return codeStop;
    if (skipKeyword(rest, "probe "))
        return parsePositionText(rest, cmd) ? codeProbe : codeNone;
    if (startsWithKeyword(line, "quit"))
        return codeQuit;
    return codeNone;
}

// The idle parser's line: texts of its commands point into it until the next call.
static char idleLine[lineBufferSize];

UcciCode parseIdleCommand(UcciCommand& cmd) {
    return waitForLine(idleLine) ? parseCommandLine(idleLine, cmd) : codeQuit;
}

UcciCommand busyProbe;

UcciCode pollBusyCommand() {
    static char busyLine[lineBufferSize];
    if (!readLine(busyLine))
        // Nobody will send "quit" once the input has ended: finish the search, then leave.
        return inputEnded() ? codeQuit : codeNone;
    if (startsWithKeyword(busyLine, "isready"))
        return codeIsReady;
    if (startsWithKeyword(busyLine, "ponderhit draw"))
        return codePonderHitDraw;
    if (startsWithKeyword(busyLine, "ponderhit"))
        return codePonderHit;
    if (startsWithKeyword(busyLine, "stop"))
        return codeStop;
    if (startsWithKeyword(busyLine, "quit"))
        return codeQuit;
    const char* cursor = busyLine;
    if (skipKeyword(cursor, "probe "))
        return parsePositionText(cursor, busyProbe) ? codeProbe : codeNone;
    return codeNone;
}

static int squareOfText(char file, char rank) {
    return (file - 16 * rank + 47) & 0xFF;
}

Move moveFromText(const MoveText& text) {
    return packMove(squareOfText(text.c[0], text.c[1]), squareOfText(text.c[2], text.c[3]));
}

