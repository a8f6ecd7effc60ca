#include "shell/report.h"

#include <cstdarg>
#include <cstdio>

void printLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::putchar('\n');
    std::fflush(stdout);
}
