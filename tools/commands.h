#pragma once
// Subcommands of quorvex-tool. Each takes the arguments after its own name and returns
// the process exit status.

int perftCommand(int argc, char** argv);
int evalCommand(int argc, char** argv);
int benchCommand(int argc, char** argv);
int analyseCommand(int argc, char** argv);
int bookCommand(int argc, char** argv);
