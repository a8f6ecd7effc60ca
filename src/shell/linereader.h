#pragma once
// Whole input lines from a file descriptor without ever waiting for input that has not
// arrived, so that one thread can both idle between searches and look for "stop" inside one.

inline constexpr int lineBufferSize = 4096;  // reader buffer and every line area
inline constexpr int maxLineLength  = lineBufferSize - 1;

struct LineReader {
    int  fd;
    int  fill;         // valid bytes at the front of buffer
    bool endOfInput;   // the last read reported the end; nothing more will be read
    char buffer[lineBufferSize];
};

// The reader on standard input used by the engine.
extern LineReader inputReader;

void initLineReader(LineReader& rd, int fd);

// Delivers the first buffered line into dest (lineBufferSize bytes), without its line feed
// and cut at its first carriage return. False when no line feed is buffered.
bool takeBufferedLine(LineReader& rd, char* dest);

// Whether a read would return at once (bytes waiting, or the end of the input).
bool inputAvailable(const LineReader& rd);

// One line into dest, or false when no complete line is there yet. Buffered lines come
// first, one per call; otherwise at most one read is made, and only when input is pending.
// A line with no line feed in a full buffer comes out as its first 4095 characters, the
// rest following as further lines. At the end of the input a last line without a line
// feed is still delivered.
bool readLine(LineReader& rd, char* dest);

// True once the input has ended and every byte of it has been delivered.
bool inputEnded(const LineReader& rd);

// The same, on inputReader.
inline bool readLine(char* dest) { return readLine(inputReader, dest); }
inline bool inputEnded() { return inputEnded(inputReader); }

// Waits for the next line of inputReader, looking every millisecond; false once the input
// has ended with no line left.
bool waitForLine(char* dest);
