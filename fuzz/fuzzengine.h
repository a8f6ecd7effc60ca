#pragma once
// The engine as the fuzz targets run it: set up once per process (tables, a small hash table,
// output to nowhere), and put back to a fresh engine's state before every input, so that no
// input leaks state into the next one and a crash is reproduced by its input alone.
#include <cstdio>
#include <cstdlib>

#include "board/fen.h"
#include "board/tables.h"
#include "search/hash.h"
#include "movegen/history.h"
#include "search/search.h"
#include "shell/linereader.h"
#include "shell/protocol.h"
#include "shell/ucci.h"

namespace fuzz {

// 16 MB: the smallest table, quick to clear and light on memory.
inline constexpr int hashLog2 = 24;
// Searches stop here, whatever their limits say, so that an input runs in milliseconds.
inline constexpr uint64_t searchNodeCap = 3000;

inline SearchContext context;

inline void startEngineOnce() {
    // Every line the engine prints still goes through printf, but nowhere.
    if (!std::freopen("/dev/null", "w", stdout))
        std::abort();
    initBitCounts();
    useProtocol(ucciProtocol);
    if (startEngine(context, hashLog2) != hashLog2)
        std::abort();
    initLineReader(inputReader, -1);  // no input during a search unless a target gives some
}

// "setoption newgame" and more: everything a game or a search leaves behind goes back.
inline void resetEngine() {
    if (!hshItems || hshMask != (1u << (hashLog2 - 3)) - 1) {
        freeHashTables();
        if (allocateHashTables(hashLog2) != hashLog2)
            std::abort();
    }
    restoreFreshEngine(context);
    nodeLimit = searchNodeCap;
    pollMask  = 255;  // look at the input often, so that inputs can reach the poll
}

}  // namespace fuzz
