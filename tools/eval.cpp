#include <cstdio>

#include "tools/commands.h"

int evalCommand(int, char**) {
    std::printf("eval: not built yet\n");
    return 1;
}
