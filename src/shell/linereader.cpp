#include "shell/linereader.h"

#include <cstring>

#include "platform/platform.h"

LineReader inputReader;

void initLineReader(LineReader& rd, int fd) {
    rd.fd         = fd;
    rd.fill       = 0;
    rd.endOfInput = false;
}

// Moves the first count bytes of the buffer out as a line and drops skip more after them.
static void deliver(LineReader& rd, char* dest, int count, int skip) {
    std::memcpy(dest, rd.buffer, size_t(count));
    dest[count] = '\0';
    int used = count + skip;
    rd.fill -= used;
    std::memmove(rd.buffer, rd.buffer + used, size_t(rd.fill));
}

// A front end on Windows ends its lines with CR LF; only the text before the CR counts.
static void cutAtCarriageReturn(char* line) {
    if (char* cr = std::strchr(line, '\r'))
        *cr = '\0';
}

bool takeBufferedLine(LineReader& rd, char* dest) {
    const void* lf = std::memchr(rd.buffer, '\n', size_t(rd.fill));
    if (!lf)
        return false;
    deliver(rd, dest, int(static_cast<const char*>(lf) - rd.buffer), 1);
    cutAtCarriageReturn(dest);
    return true;
}

bool inputAvailable(const LineReader& rd) {
    return !rd.endOfInput && inputPending(rd.fd);
}

bool readLine(LineReader& rd, char* dest) {
    if (takeBufferedLine(rd, dest))
        return true;
    if (rd.fill < lineBufferSize && inputAvailable(rd)) {
        int got = readInput(rd.fd, rd.buffer + rd.fill, lineBufferSize - rd.fill);
        if (got > 0)
            rd.fill += got;
        else if (got == 0)
            rd.endOfInput = true;
        if (takeBufferedLine(rd, dest))
            return true;
    }
    if (rd.fill == lineBufferSize) {
        // An over-long line: hand out what fits and keep its 4096th byte for the next piece.
        deliver(rd, dest, maxLineLength, 0);
        return true;
    }
    if (rd.endOfInput && rd.fill > 0) {
        // No line feed will ever come for the last line; deliver it as it stands.
        deliver(rd, dest, rd.fill, 0);
        cutAtCarriageReturn(dest);
        return true;
    }
    return false;
}

bool inputEnded(const LineReader& rd) {
    return rd.endOfInput && rd.fill == 0;
}

bool waitForLine(char* dest) {
    while (!readLine(dest)) {
        if (inputEnded())
            return false;
        adoptTablePages();  // what the first search left for later, before the next
        sleepMs(1);
    }
    return true;
}
