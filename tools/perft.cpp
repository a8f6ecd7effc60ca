#include <cstdio>

#include "tools/commands.h"

int perftCommand(int, char**) {
    std::printf("perft: not built yet\n");
    return 1;
}
