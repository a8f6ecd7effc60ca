#include "book/book.h"

#include <cstring>

#include "platform/platform.h"

namespace {

// Numbers at or above this are not book moves (the weight would not fit 31 bits).
inline constexpr int64_t bookValueLimit = int64_t(bookMaxWeight + 1) * bookWeightUnit;

// The next character of the current line, or -1 at its end (LF, CR LF, or the file's end).
int nextLineChar(FILE* file) {
    const int c = readFileByte(file);
    if (c == '\n' || c == EOF)
        return -1;
    if (c == '\r') {
        const int next = readFileByte(file);
        if (next == '\n' || next == EOF)
            return -1;
        std::ungetc(next, file);
    }
    return c;
}

void skipRestOfLine(FILE* file) {
    while (nextLineChar(file) >= 0) {
    }
}

// One token, read a character at a time, so that no line is ever too long to read.
struct TokenReader {
    int64_t value     = 0;
    bool    inToken   = false;
    bool    inDigits  = false;  // still in the token's leading digits
    bool    sawDigit  = false;
    bool    malformed = false;

    void add(int c) {
        if (!inToken) {
            *this = TokenReader();
            inToken = inDigits = true;
        }
        if (inDigits && c >= '0' && c <= '9') {
            sawDigit = true;
            // Saturates: anything at the limit is rejected below, however long.
            if (value < bookValueLimit)
                value = value * 10 + (c - '0');
            return;
        }
        inDigits  = false;
        malformed = true;
    }

    void finish(BookLine& line) {
        if (!inToken)
            return;
        inToken = false;
        int result = int(value);
        if (!sawDigit || value >= bookValueLimit) {
            result    = 0;
            malformed = true;
        }
        line.badTokens += malformed;
        if (line.moveCount < bookMaxMoves)
            line.values[line.moveCount++] = result;
        ++line.tokenCount;
    }
};

void readMoves(FILE* file, BookLine& line) {
    TokenReader token;
    for (int c = nextLineChar(file); c >= 0; c = nextLineChar(file)) {
        if (c == ' ')
            token.finish(line);
        else
            token.add(c);
    }
    token.finish(line);
}

}  // namespace

void bookPlacement(const Position& pos, int placement[pieceIdCount]) {
    for (int pc = 0; pc < pieceIdCount; ++pc) {
        const int sq = pos.pieceSquare[pc];
        placement[pc] = pc >= pawnFirst && onBoard(sq) ? bookIndex(sq) : -1;
    }
}

void buildBookKey(const int placement[pieceIdCount], char key[bookKeyLength + 1]) {
    for (int slot = 0; slot < bookKeyLength; ++slot) {
        const int index = placement[bookSlotPiece[slot]];
        key[slot] = char(bookKeyFirst + (index >= 0 && index < bookOffBoard ? index : bookOffBoard));
    }
    key[bookKeyLength] = 0;
}

void mirrorBookKey(const char* key, char mirrored[bookKeyLength + 1]) {
    for (int slot = 0; slot < bookKeyLength; ++slot) {
        const char c     = key[bookMirrorSlot[slot]];
        const int  index = (unsigned char)c - bookKeyFirst;
        mirrored[slot] = index >= 0 && index < bookOffBoard ? char(bookKeyFirst + mirrorBookIndex(index)) : c;
    }
    mirrored[bookKeyLength] = 0;
}

bool placementFromKey(const char* key, int placement[pieceIdCount]) {
    for (int pc = 0; pc < pieceIdCount; ++pc)
        placement[pc] = -1;
    for (int slot = 0; slot < bookKeyLength; ++slot) {
        const int index = (unsigned char)key[slot] - bookKeyFirst;
        if (index < 0 || index > bookOffBoard)
            return false;
        if (index < bookOffBoard)
            placement[bookSlotPiece[slot]] = index;
    }
    return true;
}

bool readBookLine(FILE* file, BookLine& line, const char* wanted) {
    for (;;) {
        const int first = readFileByte(file);
        if (first == EOF)
            return false;
        std::ungetc(first, file);
        ++line.number;
        line.keyLength  = 0;
        line.separator  = -1;
        line.moveCount  = 0;
        line.tokenCount = 0;
        line.badTokens  = 0;
        int c = nextLineChar(file);
        if (c < 0)
            continue;  // an empty line
        for (;;) {
            line.key[line.keyLength++] = char(c);
            if (line.keyLength == bookKeyLength || (c = nextLineChar(file)) < 0)
                break;
        }
        line.key[line.keyLength] = 0;
        if (line.keyLength == bookKeyLength)
            line.separator = nextLineChar(file);
        if (line.separator < 0)
            return true;  // the line ended within its key or right after it
        if (!wanted || compareBookKey(line, wanted) == 0)
            readMoves(file, line);
        else
            skipRestOfLine(file);
        return true;
    }
}

int compareBookKey(const BookLine& line, const char* key) {
    const int order = std::memcmp(line.key, key, size_t(line.keyLength));
    if (order)
        return order;
    return line.keyLength < bookKeyLength ? -1 : 0;
}

bool lookUpBook(const char* path, const char* key, BookLine& entry) {
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    entry.number = 0;
    bool found = false;
    while (readBookLine(file, entry, key)) {
        const int order = compareBookKey(entry, key);
        if (order >= 0) {
            found = order == 0;
            break;
        }
    }
    std::fclose(file);
    return found;
}

int chooseBookMove(const int* values, int count, int draw) {
    int total = 0;
    for (int i = 0; i < count; ++i)
        total += values[i] / bookWeightUnit + 1;
    const int threshold = int(double(draw) / 32768.0 * total);
    int sum = 0;
    for (int i = 0; i < count; ++i) {
        sum += values[i] / bookWeightUnit + 1;
        if (sum > threshold)
            return values[i] % bookWeightUnit;
    }
    return 0;
}

int findBookMove(const char* path, const char* key, uint32_t& seed) {
    BookLine entry;
    if (!lookUpBook(path, key, entry))
        return 0;
    const int move = chooseBookMove(entry.values, entry.moveCount, bookRandom(seed));
    return bookMoveOnBoard(move) ? move : 0;
}

int probeBookFile(const char* path, const int placement[pieceIdCount], uint32_t seed) {
    char key[bookKeyLength + 1];
    buildBookKey(placement, key);
    const int move = findBookMove(path, key, seed);
    if (move)
        return move;
    char mirrored[bookKeyLength + 1];
    mirrorBookKey(key, mirrored);
    const int found = findBookMove(path, mirrored, seed);
    if (!found)
        return 0;
    return packBookMove(mirrorBookIndex(bookMoveFrom(found)), mirrorBookIndex(bookMoveTo(found)));
}

char bookPath[bookPathSize];

int probeBook(const int placement[pieceIdCount]) {
    return probeBookFile(bookPath, placement, tickCountMs());
}
