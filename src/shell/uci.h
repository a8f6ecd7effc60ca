#pragma once
// The engine as a UCI process, the protocol of most of today's Xiangqi GUIs and match tools:
// UCCI's FEN and move text inside UCI's commands and replies.
#include "search/context.h"

// Whether a run's first input line asks for UCI: "uci" in any case, blanks around it
// ignored, and nothing else.
bool isUciLine(const char* line);

// "score cp X" or "score mate N" for a score from the side to move's view, into text;
// returns its length.
int formatUciScore(char* text, int size, int score);

// UCI becomes the running protocol, for a session on an engine already started.
void startUciSession();
// Serves one input line of the session; false once it is over ("quit", the end of the
// input during a search, or no table left). "setoption name Hash" gets at most maxHashMb
// (harnesses keep their tables small).
bool serveUciLine(SearchContext& ctx, const char* line, int maxHashMb = 1024);

// The start-up and the handshake, then the commands until "quit" or the end of the input;
// the tables are freed on the way out.
void runUci(SearchContext& ctx);
