#!/usr/bin/env bash
# A short protocol session with searches, run under valgrind's memcheck: it fails on any
# invalid read or write, any use of an uninitialised value that matters, and any leak. The
# engine frees its hash tables at "quit", so nothing at all may be lost at the end.
# Usage: tests/valgrind/session.sh [path to the engine]   (make valgrind)
set -uo pipefail
engine=${1:-build/quorvex}
if ! command -v valgrind >/dev/null 2>&1; then
    echo "Installing valgrind"
    apt-get update -qq && apt-get install -y -qq valgrind >/dev/null || exit 1
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# The small table first: memcheck makes every byte of the default 256 MB slow to clear.
# The session covers the book, searches by depth, nodes and clock, a search cut by "stop",
# bad set-ups and bans, a new game and an endgame.
session='ucci
setoption hashsize 16
isready
position startpos
go time 60000 movestogo 40
position startpos moves h2e2 h9g7
go depth 4
position startpos moves a3a4
banmoves h9g7
go depth 5
position fen rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/R8/RNBAKABNR w
position startpos moves h2e2 h2e2 zz99 \x01\xff
go nodes 5000
setoption newgame
position fen 3aka3/9/4b4/p3p3p/9/2P6/4P4/4B4/4A4/1R1AK4 w - - 0 1
go time 3000 increment 100
position fen R2k5/8R/9/9/9/9/9/9/9/4K4 b - - 0 1
go depth 3
position startpos moves a3a4 a6a5
go infinite
stop
quit'
output=$(printf '%b\n' "$session" | valgrind --error-exitcode=99 --leak-check=full \
    --show-leak-kinds=definite,indirect,possible --errors-for-leak-kinds=definite,indirect,possible \
    "$engine" 2>"$log")
status=$?
replies=$(grep -c -E '^(bestmove|nobestmove)' <<<"$output")
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|in use at exit' "$log"
if [ "$status" != 0 ] || [ "$replies" != 7 ] || [ "$(tail -n 1 <<<"$output")" != bye ]; then
    echo "valgrind session failed: exit status $status, $replies of 7 replies"
    cat "$log"
    printf '%s\n' "$output" | tail -n 20
    exit 1
fi
echo "valgrind session: 7 replies, no memory error, nothing lost"
