#pragma once
// The XBoard front end (CECP, protocol version 2), as XBoard and WinBoard run an engine:
// the game kept as its set-up position and moves, the clocks XBoard sends, the engine
// playing the side to move whenever it is not in force mode, and analysis.
#include <cstdint>

#include "search/context.h"

// Serves CECP commands from the line after "xboard" until "quit" or the end of the input,
// on tables already made. Every call starts as after "new", with XBoard's default clock.
void serveXboard(SearchContext& ctx);

// The most nodes a search may count, and the largest table "memory" may ask for, in MB
// (the fuzz target lowers both).
extern uint64_t xboardNodeCap;
extern int      xboardMemoryCapMb;

// A whole XBoard run after its "xboard" line: start-up, the loop, the tables freed.
void runXboard(SearchContext& ctx);
