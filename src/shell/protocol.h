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

// The start-up after the handshake: the hash tables at the default size (the side key is
// masked with it), then initEngine; when log2Bytes is another size, the tables are made
// again at that size, as "setoption hashsize" does. Returns the table's log2 size, 0 when
// no table could be had.
int startEngine(SearchContext& ctx, int log2Bytes = defaultHashLog2);

// Puts back everything a game or a search leaves behind, for one more search in the same
// process as a freshly started engine would make it (tools, fuzzing): a new game, empty
// killers and history, no ban, the start position and a started engine's limits.
void restoreFreshEngine(SearchContext& ctx);

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
