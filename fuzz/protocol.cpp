// Fuzz target: arbitrary bytes as the engine's input, served as the protocol loop serves them.
// The bytes go through the real line reader and command parser, and each command through the
// loop's own actions (position, banmoves, setoption, go), so any input that breaks the engine
// here breaks it in front of a GUI. Only the costs are bounded: searches stop after a few
// thousand nodes and the hash table stays small. Lines after a "go" are there for the search's
// own look at the input ("stop", "quit", "isready", "probe ..." as it polls). A first line
// "uci" or "xboard" is served by that front end instead, as the engine would.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unistd.h>

#include "book/book.h"
#include "fuzz/fuzzengine.h"
#include "shell/report.h"
#include "shell/uci.h"
#include "shell/ucci.h"
#include "shell/xboard.h"

namespace {

// A pipe holds this much without a reader; longer inputs are cut.
constexpr size_t maxInputBytes = 60000;

// The UCCI loop's turn on one line, with the costs bounded: a larger table is asked for as
// 32 MB at most, and a search's own node limit is kept under the cap.
bool serveUcciCommand(SearchContext& ctx, UcciCommand& cmd, UcciCode code) {
    switch (code) {
    case codeIsReady: printLine("readyok"); break;
    case codeSetOption:
        if (cmd.selector.number == optionHashSize)
            cmd.value.number = std::min(cmd.value.number, 32);
        applyOption(ctx, cmd);
        break;
    case codePosition: applyPosition(ctx, cmd); break;
    case codeBanMoves: applyBanMoves(cmd); break;
    case codeGo:
        if (cmd.selector.number == goNodes)
            cmd.limit.number = std::min(cmd.limit.number, int(fuzz::searchNodeCap));
        runGo(ctx, cmd);
        nodeLimit = fuzz::searchNodeCap;  // runGo lifts it after every search
        break;
    default: break;
    }
    return code != codeQuit && lastPlayedMove != -1 && hshItems;
}

// The input as the engine serves it: a first line "uci" starts a UCI session, where the
// node cap stays a ceiling on every search's limits, and "xboard" an XBoard one, whose caps
// are set once; any other first line is the first command of a UCCI session (the handshake
// is not needed here).
void serveInput(SearchContext& ctx) {
    static char line[lineBufferSize];
    // The pipe is closed: a read never waits, and the end comes after the last line.
    auto nextLine = [] {
        while (!readLine(line))
            if (inputEnded())
                return false;
        return true;
    };
    if (!nextLine())
        return;
    if (isUciLine(line)) {
        startUciSession();
        while (nextLine() && serveUciLine(ctx, line, 32))
            nodeLimit = fuzz::searchNodeCap;  // each search lifts it
        return;
    }
    if (startsWithKeyword(line, "xboard")) {
        serveXboard(ctx);
        return;
    }
    useProtocol(ucciProtocol);
    UcciCommand cmd{};
    for (UcciCode code = parseCommandLine(line, cmd); serveUcciCommand(ctx, cmd, code);)
        code = parseIdleCommand(cmd);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startEngineOnce();
    std::strcpy(bookPath, QX_BOOK_FILE);  // the shipped book, so that book answers are served too
    xboardNodeCap     = fuzz::searchNodeCap;
    xboardMemoryCapMb = 32;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::resetEngine();
    int fds[2];
    if (pipe(fds) != 0)
        return 0;
    const size_t bytes = std::min(size, maxInputBytes);
    if (write(fds[1], data, bytes) != ssize_t(bytes))
        std::abort();
    close(fds[1]);  // the input ends after the bytes, as when a GUI closes its end
    initLineReader(inputReader, fds[0]);

    serveInput(fuzz::context);
    close(fds[0]);
    initLineReader(inputReader, -1);
    return 0;
}
