// Engine entry point: start-up, the "ucci" handshake, then the protocol loop.
#include "board/tables.h"
#include "platform/platform.h"
#include "shell/linereader.h"
#include "shell/protocol.h"
#include "shell/report.h"

// The one search record of the run; it holds the position, so it lives outside the stack.
static SearchContext searchContext;

int main() {
    initPlatform();
    initBitCounts();
    printLine("Quorvex 0.731r by Talbrin");
    initLineReader(inputReader, 0);

    char line[lineBufferSize];
    while (!readLine(line)) {
        if (inputEnded())
            return 0;
        sleepMs(1);
    }
    // Anything but a UCCI front end is left at once, before any memory is taken.
    if (!startsWithKeyword(line, "ucci"))
        return 0;

    if (!startEngine(searchContext)) {
        printLine("bye");  // no table, no search: leave as on "quit"
        return 0;
    }
    initBookPath();

    printLine("id name Quorvex V0.731r");
    printLine("id author Talbrin ");
    printLine("id user YOU, 2008");
    printLine("option usemillisec type check default true");
    printLine("option hashsize type spin min 16 max 1024 default 256");
    printLine("ucciok\n");

    runProtocolLoop(searchContext);
    return 0;
}
