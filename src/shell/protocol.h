#pragma once
// The engine's life as a UCCI process: start-up values, the command loop and the actions
// behind each command.
#include "search/context.h"
#include "shell/command.h"

inline constexpr int bookPathSize   = 1024;
inline constexpr int defaultHashLog2 = 28;  // 256 MB, the declared default

// Full path of the opening book: the executable's folder + "QXBOOK.DAT". Read by the book.
extern char bookPath[bookPathSize];

// Writes into dest the path of the book beside the executable at exePath: everything up
// to its last separator, then "QXBOOK.DAT" (the name alone when there is no separator or
// the result would not fit).
void buildBookPath(char* dest, int size, const char* exePath, char separator);
// Sets bookPath from the running executable's location.
void initBookPath();

// Every start-up table (the Zobrist side key takes the current hshMask, so the hash tables
// come first), empty killers and history, depth limit 64, and the start position set up.
void initEngine(SearchContext& ctx);

// log2 of the table size in bytes for a "hashsize" value in MB (1..1024): the largest
// power of two megabytes not above it, at least 16 MB.
int hashLog2ForMegabytes(int megabytes);

// A new game ("setoption newgame", or a game from the start position in which the engine
// has not answered yet): the game counters and every value the game phase selects go back
// to those of a fresh engine.
void startNewGame();

// The actions of the commands that change the engine's state.
void applyOption(SearchContext& ctx, const UcciCommand& cmd);
void applyPosition(SearchContext& ctx, const UcciCommand& cmd);
void applyBanMoves(const UcciCommand& cmd);
// Sets the limits of a "go" (the budget capped by a clock's safe share, or a node limit)
// and reports them; false when the command starts no search.
bool setGoLimits(SearchContext& ctx, const UcciCommand& cmd);
// Sets the limits of a "go", searches and answers.
void runGo(SearchContext& ctx, const UcciCommand& cmd);

// Serves commands until "quit", the end of the input, or a "quit" seen during a search;
// then frees the hash tables and says "bye".
void runProtocolLoop(SearchContext& ctx);
