#pragma once
// Every line the engine writes goes through here: formatted, ended, and flushed at once,
// since a front end reads the pipe line by line and must never wait on a buffer.

// Prints one line (the format without its line end) to standard output and flushes.
void printLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
