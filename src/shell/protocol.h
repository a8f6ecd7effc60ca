#pragma once
// What every protocol's front end shares: the engine's start-up, a new game, the table size,
// and a game's position set up from a FEN and its moves. Each protocol words the faults
// these meet in its own lines, through the Protocol it runs as.
#include "search/context.h"
#include "search/frontend.h"
#include "shell/command.h"

inline constexpr int defaultHashLog2 = 28;  // 256 MB, the declared default

// A front end as the shared actions see it: the search's interface, and the faults of the
// actions themselves.
struct Protocol : FrontEnd {
    // The FEN's board field was bad; what could be read was set up, red to move.
    virtual void badFen() = 0;
    // A move of a game's list is not a move of the position: it and the ones after it
    // (ignoredAfter of them) are not played. text is the move as sent, made printable.
    virtual void illegalMove(const char text[5], int ignoredAfter) = 0;
    // A table of 2^requestedLog2 bytes could not be had: obtainedLog2 was (0: none at all,
    // and evalCacheMissing tells whether the evaluation cache was the one that failed).
    virtual void tableShortfall(int obtainedLog2, int requestedLog2, bool evalCacheMissing) = 0;

protected:
    ~Protocol() = default;
};

// The running protocol (a silent one until a front end takes over); its search interface
// is frontEnd.
extern Protocol* protocol;
void useProtocol(Protocol& running);

// Writes into dest the path of the book beside the executable at exePath: everything up
// to its last separator, then "QXBOOK.DAT" (the name alone when there is no separator or
// the result would not fit).
void buildBookPath(char* dest, int size, const char* exePath, char separator);
// Hands the book its path (bookPath) from the running executable's location.
void initBookPath();

// Every start-up table (the Zobrist side key takes the current hshMask, so the hash tables
// come first), empty killers and history, depth limit 64, and the start position set up.
void initEngine(SearchContext& ctx);

// The start-up after the handshake: the hash tables at the default size (the side key is
// masked with it), then initEngine; when log2Bytes is another size, the tables are made
// again at that size, as "setoption hashsize" does. Returns the table's log2 size, 0 when
// no table could be had.
int startEngine(SearchContext& ctx, int log2Bytes = defaultHashLog2);

// Both tables made anew for a 2^log2Bytes-byte transposition table; a shortfall is reported
// to the protocol. Returns the log2 size obtained, 0 for none.
int allocateTables(int log2Bytes);
// The tables made anew at the size of a table-size option in MB; 0 or less keeps them.
void resizeTables(int megabytes);

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

// A move the side to move may play: valid, taking no king, leaving its own king safe.
bool isLegalGameMove(Position& pos, Move mv);
// The first legal move of the side to move; 0 when it has none. A front end that must move
// plays it when the search has no answer though moves remain (each of them loses by
// repetition), rather than claim a result the rules do not give.
Move firstLegalMove(Position& pos);

// A FEN set up on pos, a bad one reported; then the game phase decided for it.
void setUpFen(Position& pos, const char* fen);

// A game's position: the FEN set up, then its moves played while they are moves of the
// position (the first that is not is reported, and the rest dropped). A FEN with the start
// position's board tells how many answers the engine has given in the game, and starts a
// new one when it has given none.
void setUpGame(SearchContext& ctx, const char* fen, const MoveText* moves, int moveCount);
