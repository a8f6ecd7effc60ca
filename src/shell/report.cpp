#include "shell/report.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>

#include "platform/platform.h"
#include "search/context.h"

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

int elapsedMs(const SearchContext& ctx) {
    const int64_t elapsed = monotonicMs() - ctx.startTimeMs;
    return elapsed <= 0 ? 1 : elapsed > 0x7FFFFFFF ? 0x7FFFFFFF : int(elapsed);
}

namespace {

// The node count is shown as its low 32 bits, signed, as front ends have always read it;
// the speed uses them unsigned.
void printStatistics(char* line, int size, int& used, const SearchContext& ctx, int depth, int score) {
    const int elapsed = elapsedMs(ctx);
    const uint32_t nodes = uint32_t(ctx.nodeCount);
    const int64_t nps = int64_t(double(nodes) * 1000.0 / elapsed);
    used += std::snprintf(line + used, size_t(size - used),
                          "info depth %d score %d time %d nodes %d nps %" PRId64 " pv", depth, score,
                          elapsed, int32_t(nodes), nps);
}

}  // namespace

void reportIteration(const SearchContext& ctx, int depth, int score, const Move* pv) {
    // The statistics take up to about 80 characters (a long search's time beside a large
    // node count), then five for each of at most 256 moves.
    char line[96 + 5 * 257];
    int used = 0;
    printStatistics(line, sizeof line, used, ctx, depth, score);
    for (int i = 0; i < 256 && pv[i]; ++i) {
        line[used++] = ' ';
        moveText(pv[i], line + used);
        used += 4;
    }
    line[used] = '\0';
    printLine("%s", line);
}

void reportFinal(const SearchContext& ctx, int depth, int score, Move mv) {
    char line[96];
    int used = 0;
    printStatistics(line, sizeof line, used, ctx, depth, score);
    line[used++] = ' ';
    moveText(mv, line + used);
    printLine("%s", line);
}

void reportBestMove(Move mv) {
    ++searchCount;
    printLine("info #%d:", searchCount);
    if (!mv) {
        printLine("nobestmove");
        return;
    }
    char text[5];
    moveText(mv, text);
    printLine("bestmove %s", text);
}
