#pragma once
// Every line the engine writes goes through here: formatted, ended, and flushed at once,
// since a front end reads the pipe line by line and must never wait on a buffer. The
// search's reports are composed here too.
#include "board/types.h"

struct SearchContext;

// Prints one line (the format without its line end) to standard output and flushes.
void printLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Set by the developer tool's benchmark, which runs searches without their reports.
extern bool outputMuted;

// "h2e2": origin file letter and rank digit, then the destination's. Move 0 is "a9a9".
void moveText(Move mv, char text[5]);

// Milliseconds since the search started; 0 counts as 1.
int elapsedMs(const SearchContext& ctx);

// After a finished iteration: depth, score, time, nodes, speed and the variation (ending at
// its first 0).
void reportIteration(const SearchContext& ctx, int depth, int score, const Move* pv);
// When the search was stopped, or had no time to deepen: the last finished depth, its
// score, and the move to be played.
void reportFinal(const SearchContext& ctx, int depth, int score, Move mv);
// The reply: the game's reply count, then "bestmove" (or "nobestmove" when there is none).
void reportBestMove(Move mv);
