#pragma once
// The quiescence searches: the open-window one of the root scan and the principal
// variation, and the zero-window one below the full-width nodes.
#include "search/context.h"

int quiesceRoot(SearchContext& ctx, int alpha, int beta, int depth, int floor);
int quiesceZW(SearchContext& ctx, int beta, int depth, int floor);
