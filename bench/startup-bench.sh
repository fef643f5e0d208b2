#!/usr/bin/env bash
# Start-up benchmark: whole-process wall time and peak memory of
#   (a) PelkUpdater, started until its main window has been painted once, then quitting
#       (the hook PELK_QUIT_AFTER_FIRST_PAINT=1), and
#   (b) pelk_empty_window, a minimal Qt Widgets program that shows one empty window the same way,
# over repeated runs on the offscreen platform. Goal: (a) within 1.5 times (b) in both.
#
# Usage: bench/startup-bench.sh [BUILD_DIR] [RUNS]    (defaults: build, 20)
# Needs /usr/bin/time (Debian package "time").
set -euo pipefail

build_dir=${1:-build}
runs=${2:-20}
program="$build_dir/bin/PelkUpdater"
yardstick="$build_dir/bin/pelk_empty_window"
for binary in "$program" "$yardstick"; do
    [ -x "$binary" ] || { echo "missing $binary: build the targets PelkUpdater and pelk_empty_window" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "missing /usr/bin/time: apt-get install time" >&2; exit 1; }

# The program runs from a folder of its own with the example files, and keeps its settings
# in a throw-away configuration folder, never in the real home.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/config" "$work/etc" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cp "$program" "$work/program/PelkUpdater"
cp "$build_dir/bin/PelkMessagePage.so" "$work/program/"
cp "$(dirname "$0")/../examples/PelkUpdater.ini" "$(dirname "$0")/../examples/PelkServicePack.pelk" "$work/program/"

export QT_QPA_PLATFORM=offscreen
export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/etc" HOME="$work/home"
export XDG_RUNTIME_DIR="$work/runtime"
export PELK_QUIT_AFTER_FIRST_PAINT=1

# run_once NAME COMMAND...: appends "wall_us peak_kib" of one run to $work/NAME.txt
run_once() {
    local name=$1; shift
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt"
    end=$(date +%s%N)
    read -r _elapsed peak < "$work/time.txt"
    echo "$(( (end - start) / 1000 )) $peak" >> "$work/$name.txt"
}

# Warm the file cache, then alternate the two so that any load on the machine weighs on both.
"$work/program/PelkUpdater" >/dev/null 2>&1 || true
"$yardstick" >/dev/null 2>&1 || true
: > "$work/program.txt"
: > "$work/empty.txt"
for ((i = 0; i < runs; i++)); do
    run_once program "$work/program/PelkUpdater"
    run_once empty "$yardstick"
done

# summary NAME: median wall time in ms (from microseconds) and median / max peak memory in KiB
summary() {
    sort -n -k1 "$work/$1.txt" | awk -v n="$runs" '{ w[NR] = $1 } END { printf "%.1f", w[int((n + 1) / 2)] / 1000 }'
    printf ' '
    sort -n -k2 "$work/$1.txt" | awk -v n="$runs" '{ m[NR] = $2 } END { printf "%d %d", m[int((n + 1) / 2)], m[n] }'
}

read -r a_wall a_mem a_mem_max <<< "$(summary program)"
read -r b_wall b_mem b_mem_max <<< "$(summary empty)"
wall_ratio=$(awk -v a="$a_wall" -v b="$b_wall" 'BEGIN { printf "%.2f", a / b }')
mem_ratio=$(awk -v a="$a_mem" -v b="$b_mem" 'BEGIN { printf "%.2f", a / b }')

printf '%-34s %12s %16s %14s\n' "start-up to first paint ($runs runs)" "median wall" "median peak RSS" "max peak RSS"
printf '%-34s %9s ms %12s KiB %10s KiB\n' "(a) PelkUpdater" "$a_wall" "$a_mem" "$a_mem_max"
printf '%-34s %9s ms %12s KiB %10s KiB\n' "(b) empty Qt Widgets window" "$b_wall" "$b_mem" "$b_mem_max"
printf '%-34s %12s %16s\n' "(a) / (b), goal <= 1.50" "$wall_ratio" "$mem_ratio"

if awk -v w="$wall_ratio" -v m="$mem_ratio" 'BEGIN { exit !(w <= 1.5 && m <= 1.5) }'; then
    echo "goal met"
else
    echo "goal NOT met"
    exit 1
fi
