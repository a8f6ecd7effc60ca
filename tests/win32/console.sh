#!/usr/bin/env bash
# A console session: the Windows engine in a terminal (tmux) under Wine, typed at as a
# person types. A half-typed line must not hold up a search; a whole one must arrive.
# usage: console.sh RUNNER... ENGINE.EXE   (RUNNER: the command that runs a Windows program)
set -u
if ! command -v tmux >/dev/null 2>&1; then
    echo "console session skipped: tmux is not installed"
    exit 77
fi
session="qxconsole-$$"
screen() { tmux capture-pane -p -J -S -200 -t "$session" 2>/dev/null; }
# Waits up to $2 seconds for the screen to show the text $1.
await() {
    local deadline=$((SECONDS + $2))
    while ((SECONDS < deadline)); do
        screen | grep -qF -- "$1" && return 0
        sleep 0.2
    done
    echo "console session: no '$1' within $2 s; the screen shows:"
    screen | grep -v '^$' | tail -n 25
    tmux kill-session -t "$session" 2>/dev/null
    exit 1
}
depthLines() { screen | grep -c '^info depth'; }

printf -v command '%q ' "$@"
tmux new-session -d -s "$session" -x 200 -y 50 "$command; echo engine exited \$?; sleep 60"
await "Quorvex 0.731r by Talbrin" 30
sleep 1  # the console takes keys from the terminal once the engine first looks for input
tmux send-keys -t "$session" "ucci" Enter
await "ucciok" 20
tmux send-keys -t "$session" "isready" Enter
await "readyok" 10
tmux send-keys -t "$session" "position startpos moves a3a4" Enter "go depth 48" Enter  # out of the book
await "info depth 8 " 20
tmux send-keys -t "$session" "sto"
before=$(depthLines)
sleep 3
after=$(depthLines)
if ((after <= before)); then
    echo "console session: the search stood still while a line was half typed ($before info lines, then $after)"
    tmux kill-session -t "$session"
    exit 1
fi
tmux send-keys -t "$session" "p" Enter
await "bestmove" 5
if ! screen | grep -qF "stopped by GUI"; then
    echo "console session: the stop did not end the search"
    tmux kill-session -t "$session"
    exit 1
fi
tmux send-keys -t "$session" "quit" Enter
await "engine exited 0" 10
tmux kill-session -t "$session"
echo "console session passed: handshake, isready, a search that went on through a half-typed line, stop, quit"
