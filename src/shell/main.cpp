// Engine entry point: start-up, then the protocol the front end's first line asks for.
#include "board/tables.h"
#include "platform/platform.h"
#include "shell/linereader.h"
#include "shell/report.h"
#include "shell/ucci.h"
#include "shell/uci.h"
#include "shell/xboard.h"

// The one search record of the run; it holds the position, so it lives outside the stack.
static SearchContext searchContext;

int main() {
    initPlatform();
    initBitCounts();
    printLine("Quorvex 0.731r by Talbrin");
    initLineReader(inputReader, 0);

    char line[lineBufferSize];
    if (!waitForLine(line))
        return 0;
    // Anything but a front end the engine knows is left at once, before any memory is taken.
    if (isUciLine(line))
        runUci(searchContext);
    else if (startsWithKeyword(line, "ucci"))
        runUcci(searchContext);
    else if (startsWithKeyword(line, "xboard"))
        runXboard(searchContext);
    return 0;
}
