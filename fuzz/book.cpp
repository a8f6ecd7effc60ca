// Fuzz target: the opening book reader and lookup on arbitrary file contents. The bytes are
// the book file; it is scanned line by line as the book check does, then looked up for the
// start position, for keys taken from its own lines (so that lookups find something), and
// for the mirror images, as the search root's probe does. A move that comes out must name
// squares on the board.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <unistd.h>

#include "board/fen.h"
#include "book/book.h"
#include "fuzz/fuzzengine.h"

namespace {

char bookFile[64];
constexpr int maxKeysTried = 8;

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

void checkBookMove(int move) {
    check(move == 0 || bookMoveOnBoard(move));
}

void lookUp(const char* key, const int placement[pieceIdCount], uint32_t seed) {
    uint32_t draw = seed;
    checkBookMove(findBookMove(bookFile, key, draw));
    BookLine entry;
    if (lookUpBook(bookFile, key, entry)) {
        check(entry.keyLength == bookKeyLength && entry.moveCount <= bookMaxMoves);
        for (int d : {0, 16383, 32767})
            chooseBookMove(entry.values, entry.moveCount, d);
    }
    if (placement)
        checkBookMove(probeBookFile(bookFile, placement, seed));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startEngineOnce();
    std::snprintf(bookFile, sizeof bookFile, "/tmp/qxfuzz-book-%d.dat", int(getpid()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* out = std::fopen(bookFile, "wb");
    if (!out)
        return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);

    // The start position, as the engine's first probe of a game makes it.
    int placement[pieceIdCount];
    bookPlacement(fuzz::context.position, placement);
    char key[bookKeyLength + 1];
    buildBookKey(placement, key);
    lookUp(key, placement, uint32_t(size));

    // The whole file, line by line, then the keys of its first lines and their mirrors.
    FILE* in = std::fopen(bookFile, "rb");
    if (!in)
        return 0;
    char keys[maxKeysTried][bookKeyLength + 1];
    int keyCount = 0;
    BookLine line;
    line.number = 0;
    while (readBookLine(in, line, nullptr)) {
        check(line.keyLength >= 0 && line.keyLength <= bookKeyLength);
        check(line.moveCount <= bookMaxMoves && line.moveCount <= line.tokenCount);
        if (line.keyLength == bookKeyLength && keyCount < maxKeysTried)
            std::memcpy(keys[keyCount++], line.key, bookKeyLength + 1);
    }
    std::fclose(in);
    for (int i = 0; i < keyCount; ++i) {
        int fromKey[pieceIdCount];
        const bool placed = placementFromKey(keys[i], fromKey);
        lookUp(keys[i], placed ? fromKey : nullptr, uint32_t(i));
        char mirrored[bookKeyLength + 1];
        mirrorBookKey(keys[i], mirrored);
        lookUp(mirrored, nullptr, uint32_t(i));
    }
    return 0;
}
