#!/usr/bin/env bash
# Silent-run benchmark: whole-process wall time and peak memory of
#   (a) PelkUpdater /SILENT, one complete check against the local sample update service
#       (scripts/sample-service.py) whose messages have all been seen, so nothing is shown, and
#   (b) pelk_empty_window, the minimal Qt Widgets program of the start-up benchmark,
# over repeated runs on the offscreen platform. Goal: (a) within 3 times (b) in wall time and
# within 1.5 times in peak memory.
#
# Usage: bench/silent-bench.sh [BUILD_DIR] [RUNS]    (defaults: build, 20)
# Needs /usr/bin/time (Debian package "time") and python3.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build_dir=${1:-build}
runs=${2:-20}
program="$build_dir/bin/PelkUpdater"
yardstick="$build_dir/bin/pelk_empty_window"
seeder="$build_dir/bin/pelk_seed_seen"
for binary in "$program" "$yardstick" "$seeder"; do
    [ -x "$binary" ] || { echo "missing $binary: build the targets PelkUpdater pelk_empty_window pelk_seed_seen" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "missing /usr/bin/time: apt-get install time" >&2; exit 1; }

work=$(mktemp -d)
service_pid=
cleanup() {
    if [ -n "$service_pid" ]; then
        kill "$service_pid" 2>/dev/null || true
        wait "$service_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

python3 "$here/../scripts/sample-service.py" --quiet --port-file "$work/port" > /dev/null 2>&1 &
service_pid=$!
for _ in $(seq 1 100); do
    [ -s "$work/port" ] && break
    sleep 0.1
done
[ -s "$work/port" ] || { echo "the sample service did not start" >&2; exit 1; }
url="http://127.0.0.1:$(cat "$work/port")/update"

mkdir -p "$work/program" "$work/config" "$work/etc" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cp "$program" "$work/program/PelkUpdater"
cp "$build_dir/bin/PelkMessagePage.so" "$work/program/"
cp "$here/../examples/PelkServicePack.pelk" "$work/program/"
sed "s|^UpdateCheckURL=.*|UpdateCheckURL=$url|" "$here/../examples/PelkUpdater.ini" > "$work/program/PelkUpdater.ini"

export QT_QPA_PLATFORM=offscreen
export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/etc" HOME="$work/home"
export XDG_RUNTIME_DIR="$work/runtime"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY PELK_QUIT_AFTER_FIRST_PAINT

# Every message of the sample feed counts as seen.
version=$(sed -n 's/.*<ProgVersion Value="\([^"]*\)".*/\1/p' "$work/program/PelkServicePack.pelk")
ids=$(python3 -c 'import re,sys; print(";".join(re.findall(r"<message id=\"([^\"]+)\"", open(sys.argv[1]).read())))' \
      "$here/../scripts/sample-service.py")
"$seeder" "$version" "$ids"

# The run must be the one meant: a complete check that finds nothing new.
"$work/program/PelkUpdater" /SILENT 2> "$work/check.txt" >/dev/null || true
if ! grep -q ': 0$' "$work/check.txt" || grep -q -i -e 'error' -e 'fehler' "$work/check.txt"; then
    echo "the silent run did not find 'nothing new':" >&2
    cat "$work/check.txt" >&2
    exit 1
fi

# measure NAME COMMAND...: one line "wall_us peak_kib" per run into $work/NAME.txt
measure() {
    local name=$1; shift
    "$@" >/dev/null 2>&1 || true   # warm the file cache
    : > "$work/$name.txt"
    for ((i = 0; i < runs; i++)); do
        local start end
        start=$(date +%s%N)
        /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt"
        end=$(date +%s%N)
        read -r _elapsed peak < "$work/time.txt"
        echo "$(( (end - start) / 1000 )) $peak" >> "$work/$name.txt"
    done
}

measure program "$work/program/PelkUpdater" /SILENT
measure empty "$yardstick"

# summary NAME: median wall time in ms, median and max peak memory in KiB
summary() {
    sort -n -k1 "$work/$1.txt" | awk -v n="$runs" '{ w[NR] = $1 } END { printf "%.1f", w[int((n + 1) / 2)] / 1000 }'
    printf ' '
    sort -n -k2 "$work/$1.txt" | awk -v n="$runs" '{ m[NR] = $2 } END { printf "%d %d", m[int((n + 1) / 2)], m[n] }'
}

read -r a_wall a_mem a_mem_max <<< "$(summary program)"
read -r b_wall b_mem b_mem_max <<< "$(summary empty)"
wall_ratio=$(awk -v a="$a_wall" -v b="$b_wall" 'BEGIN { printf "%.2f", a / b }')
mem_ratio=$(awk -v a="$a_mem" -v b="$b_mem" 'BEGIN { printf "%.2f", a / b }')

printf '%-38s %12s %16s %14s\n' "silent check, nothing new ($runs runs)" "median wall" "median peak RSS" "max peak RSS"
printf '%-38s %9s ms %12s KiB %10s KiB\n' "(a) PelkUpdater /SILENT" "$a_wall" "$a_mem" "$a_mem_max"
printf '%-38s %9s ms %12s KiB %10s KiB\n' "(b) empty Qt Widgets window" "$b_wall" "$b_mem" "$b_mem_max"
printf '%-38s %12s %16s\n' "(a) / (b), goals <= 3.00 / <= 1.50" "$wall_ratio" "$mem_ratio"

if awk -v w="$wall_ratio" -v m="$mem_ratio" 'BEGIN { exit !(w <= 3.0 && m <= 1.5) }'; then
    echo "goal met"
else
    echo "goal NOT met"
    exit 1
fi
