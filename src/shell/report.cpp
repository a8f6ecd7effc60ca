#include "shell/report.h"

#include <cstdarg>
#include <cstdio>

bool outputMuted = false;

void printLine(const char* format, ...) {
    if (outputMuted)
        return;
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::putchar('\n');
    std::fflush(stdout);
}

void moveText(Move mv, char text[5]) {
    const int from = moveFrom(mv), to = moveTo(mv);
    text[0] = char('a' + (from & 15));
    text[1] = char('0' + 9 - (from >> 4));
    text[2] = char('a' + (to & 15));
    text[3] = char('0' + 9 - (to >> 4));
    text[4] = '\0';
}

int appendPv(char* line, int used, const Move* pv) {
    for (int i = 0; i < 256 && pv[i]; ++i) {
        line[used++] = ' ';
        moveText(pv[i], line + used);
        used += 4;
    }
    line[used] = '\0';
    return used;
}
