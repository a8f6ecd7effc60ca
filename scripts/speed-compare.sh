#!/usr/bin/env bash
# Side-by-side speed of this tree against an older commit, on this machine.
#
#   scripts/speed-compare.sh [BASE [RUNS]]      or      make speed-compare BASE=<rev> RUNS=<n>
#
# Builds BASE (default: where this branch left main) from a clean export in
# build-compare/<sha>/, and this working tree in build/ (Release, as `make` builds it). Then:
#  1. bench: BASE's and this tree's `quorvex-tool bench`, alternately, RUNS times each (9: a shared machine is noisy);
#     each run's nodes per second, the medians and their ratio. Both must end with the same
#     node count (the signature): a difference is reported, and the script fails.
#  2. go: each engine on one middle-game position, "go depth GO_DEPTH" (12) with the default
#     256 MB table and after "setoption hashsize 16", alternately, RUNS times each: the nodes
#     per second of the last "info depth" line, the medians and their ratio. Then the same
#     for the session's second search, after a first one and half a second's pause: the
#     first search of a fresh engine also pays for bringing the table's memory in.
#  3. latency: each engine's time from "ucci" to "ucciok", and from "go depth" (sent at
#     once after the handshake) to its first "info depth" line; medians over RUNS sessions.
# GO_DEPTH and GO_FEN choose the search, GO_FIRST_MOVES the first one's position (moves from GO_FEN); JOBS the build's parallelism (2).
set -euo pipefail

cd "$(dirname "$0")/.."
base=${1:-${BASE:-}}
[ -n "$base" ] || base=$(git merge-base HEAD main 2>/dev/null || git rev-parse HEAD)
runs=${2:-${RUNS:-9}}
jobs=${JOBS:-2}
go_depth=${GO_DEPTH:-12}
go_fen=${GO_FEN:-"r1bakabr1/9/1cn3nc1/p3p1pRp/2p6/9/P1P1P1P1P/1C2C1N2/9/RNBAKAB2 w - - 0 5"}
go_first_moves=${GO_FIRST_MOVES:-"b0c2 a9a8"}

sha=$(git rev-parse --short "$base^{commit}")
old_src=build-compare/$sha/src
old=build-compare/$sha/build
if [ ! -x "$old/quorvex-tool" ] || [ ! -x "$old/quorvex" ]; then
    echo "== building $sha in $old"
    rm -rf "$old_src" && mkdir -p "$old_src"
    git archive "$sha" | tar -x -C "$old_src"
    cmake -S "$old_src" -B "$old" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$old" -j "$jobs" --target quorvex quorvex-tool >/dev/null
fi
# The opening book too: each engine reads it at a search's start, in the latency measured.
cmake --build "$old" -j "$jobs" --target book >/dev/null
new=build
echo "== building this tree in $new"
[ -f "$new/CMakeCache.txt" ] || cmake -S . -B "$new" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$new" -j "$jobs" --target quorvex quorvex-tool book >/dev/null

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
# Median of the words given.
med() { printf '%s\n' "$@" | median; }

# The engine at $1 on the position, "go depth", hash size $2 MB (0: the default): the nodes
# per second of the last "info depth" line. With $3 = 1 the search measured is the session's
# second: a first one (depth 9, after GO_FIRST_MOVES) and half a second's pause come before
# it, as in a game. "quit" waits for the answer.
go_nps() {
    local option="" searches=1
    [ "$2" = 0 ] || option="setoption hashsize $2"
    {
        printf 'ucci\n%s\n' "$option"
        if [ "${3:-0}" = 1 ]; then
            searches=2
            printf 'position fen %s moves %s\ngo depth 9\n' "$go_fen" "$go_first_moves"
            sleep 0.5
        fi
        printf 'position fen %s\ngo depth %s\nquit\n' "$go_fen" "$go_depth"
    } | "$1/quorvex" |
        awk -v searches="${3:-0}" '/^info depth/ { nps = $0; sub(/.* nps /, "", nps); sub(/ .*/, "", nps) }
             /^bestmove/ { if (++seen > searches) { print nps; exit } }'
}

# One session with the engine at $1: prints "ucci-to-ucciok-ms go-to-first-info-ms".
latency() {
    local line t0 t1 t2 t3
    coproc ENGINE { "$1/quorvex"; }
    t0=$EPOCHREALTIME
    echo ucci >&"${ENGINE[1]}"
    while read -r line <&"${ENGINE[0]}"; do [[ $line == ucciok* ]] && break; done
    t1=$EPOCHREALTIME
    printf 'position fen %s\n' "$go_fen" >&"${ENGINE[1]}"
    t2=$EPOCHREALTIME
    printf 'go depth %s\n' "$go_depth" >&"${ENGINE[1]}"
    while read -r line <&"${ENGINE[0]}"; do [[ $line == "info depth"* ]] && break; done
    t3=$EPOCHREALTIME
    while read -r line <&"${ENGINE[0]}"; do [[ $line == bestmove* ]] && break; done
    echo quit >&"${ENGINE[1]}"
    wait "$ENGINE_PID" 2>/dev/null || true
    awk -v a="$t0" -v b="$t1" -v c="$t2" -v d="$t3" 'BEGIN { printf "%.1f %.1f\n", (b - a) * 1000, (d - c) * 1000 }'
}

echo "== bench, $runs alternating runs each: $sha (old) and this tree (new)"
old_nps=() new_nps=() old_sig="" new_sig=""
for ((i = 1; i <= runs; i++)); do
    o=$("$old/quorvex-tool" bench | tail -n 1); n=$("$new/quorvex-tool" bench | tail -n 1)
    old_sig=${o%% nodes*}; new_sig=${n%% nodes*}
    old_nps+=("$(echo "$o" | awk '{ print $6 }')"); new_nps+=("$(echo "$n" | awk '{ print $6 }')")
    echo "  run $i: old ${old_nps[-1]} nps, new ${new_nps[-1]} nps"
done
om=$(med "${old_nps[@]}"); nm=$(med "${new_nps[@]}")
echo "bench signature: old '$old_sig', new '$new_sig'"
echo "bench median nps: old $om, new $nm, new/old $(ratio "$nm" "$om")"
status=0
[ "$old_sig" = "$new_sig" ] || { echo "SIGNATURE DIFFERS"; status=1; }

for second in 0 1; do
    for engine in "$old" "$new"; do
        what="go depth $go_depth"
        [ "$second" = 0 ] || what="$what as a session's second search"
        echo "== $what, $engine/quorvex: 256 MB (default) and 16 MB, $runs alternating runs each"
        big=() small=()
        for ((i = 1; i <= runs; i++)); do
            big+=("$(go_nps "$engine" 0 "$second")"); small+=("$(go_nps "$engine" 16 "$second")")
            echo "  run $i: 256 MB ${big[-1]} nps, 16 MB ${small[-1]} nps"
        done
        bm=$(med "${big[@]}"); sm=$(med "${small[@]}")
        echo "$what, median nps ($engine): 256 MB $bm, 16 MB $sm, 256/16 $(ratio "$bm" "$sm")"
    done
done

for engine in "$old" "$new"; do
    hand=() first=()
    for ((i = 1; i <= runs; i++)); do
        read -r h f < <(latency "$engine")
        hand+=("$h"); first+=("$f")
    done
    echo "latency median ($engine): ucci to ucciok $(med "${hand[@]}") ms, go to first info depth $(med "${first[@]}") ms"
done
exit $status
