#!/bin/bash
# One short game of the engine against itself in the real XBoard, on a virtual X display
# (Xvfb), in match mode; then XBoard's PGN and debug log are read: the game ended by the
# rules, neither side played an illegal move or forfeited, and the thinking output reached
# the game record. Where XBoard or Xvfb is missing and cannot be installed, says SKIPPED and
# why, and exits 77 (a skip for ctest).
# Usage: xboardmatch.sh ENGINE [WORK_DIR]
engine=$(readlink -f "$1")
work=${2:-$(dirname "$engine")/xboard-match}
skip() { echo "XBoard match: SKIPPED: $*"; exit 77; }
fail() { echo "XBoard match: FAILED: $*"; exit 1; }

[ -x "$engine" ] || fail "no engine at $1"
find_xboard() { command -v xboard || { [ -x /usr/games/xboard ] && echo /usr/games/xboard; }; }
if [ -z "$(find_xboard)" ] || ! command -v Xvfb >/dev/null; then
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
        echo "Installing xboard and xvfb"
        { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq xboard xvfb; } \
            >/dev/null 2>&1
    fi
    [ -n "$(find_xboard)" ] || skip "XBoard (Debian's xboard) is not installed and could not be installed"
    command -v Xvfb >/dev/null || skip "Xvfb (Debian's xvfb) is not installed and could not be installed"
fi

rm -rf "$work" && mkdir -p "$work" || fail "cannot make $work"
cd "$work" || exit 1
# Xvfb picks a free display and writes its number to the descriptor given.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>display.txt 2>xvfb.log &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null' EXIT
for _ in $(seq 100); do [ -s display.txt ] && break; sleep 0.1; done
[ -s display.txt ] || skip "Xvfb did not start: $(tail -n 2 xvfb.log)"

# 10 s + 0.1 s a move for each side; a game still going after 120 moves is adjudicated a
# draw, so that the match ends within two minutes.
DISPLAY=:$(cat display.txt) timeout 150 "$(find_xboard)" \
    -settingsFile "$work/xboard.ini" -saveSettingsFile "$work/xboard.ini" \
    -variant xiangqi -matchMode true -matchGames 1 -tc 0:10 -inc 0.1 -xponder -showThinking true \
    -fcp "$engine" -fd "$(dirname "$engine")" -scp "$engine" -sd "$(dirname "$engine")" \
    -adjudicateDrawMoves 120 -saveGameFile "$work/game.pgn" -debugMode true \
    -nameOfDebugFile "$work/xboard.debug" -soundProgram "" -startupMessage "" \
    -popupExitMessage false >xboard.log 2>&1
status=$?
[ $status = 124 ] && fail "XBoard did not finish the game in 150 s"
[ -s game.pgn ] || fail "no game was saved (XBoard status $status): $(tail -n 5 xboard.log)"

result=$(sed -n 's/^\[Result "\(.*\)"\]$/\1/p' game.pgn)
ending=$(tr '\n' ' ' < game.pgn | grep -o '{[^}]*} *\(1-0\|0-1\|1/2-1/2\|\*\) *$')
echo "XBoard match: $result $ending"
case "$result" in 1-0|0-1|1/2-1/2) ;; *) fail "no result: \"$result\"" ;; esac
echo "$ending" | grep -qiE 'illegal|invalid|forfeit|false|on time|crash|disconnect|resign' &&
    fail "the game did not end by the rules: $ending"
grep -E '^[0-9]+ <(first|second) ?: *(Illegal move|Error)' xboard.debug | head -n 5 | grep . &&
    fail "an engine refused a command or a move (above)"
grep -qiE 'illegal move.*(first|second)|(first|second).*illegal move' xboard.debug &&
    fail "XBoard refused an engine's move: $(grep -iE 'illegal move' xboard.debug | head -n 3)"
grep -q '{[+-][0-9]*\.[0-9]*/[0-9]' game.pgn || fail "no thinking output in the game record"
echo "XBoard match: passed ($(grep -c '^[0-9]* >first : usermove' xboard.debug) moves sent to the first engine)"
