// quorvex-tool: developer commands (perft, eval, book, ...), one subcommand per run.
#include <cstdio>
#include <cstring>

#include "shell/ucci.h"
#include "tools/commands.h"

namespace {

struct Subcommand {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};

int versionCommand(int, char**) {
    std::printf("quorvex-tool 0.731r\n");
    return 0;
}

const Subcommand subcommands[] = {
    {"version", versionCommand, "print the tool's version"},
    {"perft", perftCommand, "count the leaf nodes of the legal move tree"},
    {"eval", evalCommand, "print the static evaluation of a position"},
    {"bench", benchCommand, "search fixed positions to a fixed depth; print the node signature"},
    {"analyse", analyseCommand, "search positions as a fresh engine's \"go depth N\" does"},
    {"book", bookCommand, "build, probe or check the opening book"},
};

void printUsage(FILE* out) {
    std::fprintf(out, "usage: quorvex-tool <command> [options]\n\ncommands:\n");
    for (const Subcommand& sub : subcommands)
        std::fprintf(out, "  %-10s %s\n", sub.name, sub.summary);
    std::fprintf(out, "\nRun 'quorvex-tool <command> --help' for a command's options.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        printUsage(stdout);
        return argc < 2 ? 1 : 0;
    }
    // The tool's searches and set-ups speak as the engine does in UCCI.
    useProtocol(ucciProtocol);
    for (const Subcommand& sub : subcommands)
        if (!std::strcmp(argv[1], sub.name))
            return sub.run(argc - 2, argv + 2);
    std::fprintf(stderr, "quorvex-tool: unknown command '%s'\n", argv[1]);
    printUsage(stderr);
    return 2;
}
