#pragma once
// Every line the engine writes goes through here: formatted, ended, and flushed at once,
// since a front end reads the pipe line by line and must never wait on a buffer.
#include "board/types.h"

// Prints one line (the format without its line end) to standard output and flushes.
void printLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Set by the developer tool's benchmark, which runs searches without their reports.
extern bool outputMuted;

// "h2e2": origin file letter and rank digit, then the destination's. Move 0 is "a9a9".
void moveText(Move mv, char text[5]);

// Appends " h2e2" for each move of pv up to its first 0 (at most 256) to the used
// characters of line, and ends it; returns the new length. Needs 5 * 256 + 1 bytes free.
int appendPv(char* line, int used, const Move* pv);
