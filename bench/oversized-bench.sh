#!/usr/bin/env bash
# Oversized-reply benchmark: peak memory of PelkUpdater /SILENT, measured from outside
# (/usr/bin/time), against a service whose reply is over the 16 MiB cap: an endless chunked
# reply, and 40 MiB without a length; beside a check that gets the sample feed (the baseline).
# Goal: every oversized run within the baseline plus twice the cap.
#
# Usage: bench/oversized-bench.sh [BUILD_DIR] [RUNS]    (defaults: build, 5)
# Needs /usr/bin/time (Debian package "time") and python3.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build_dir=${1:-build}
runs=${2:-5}
for binary in PelkUpdater PelkMessagePage.so PelkNetwork.so; do
    [ -e "$build_dir/bin/$binary" ] || { echo "missing $build_dir/bin/$binary: build the target PelkUpdater" >&2; exit 1; }
done
# shellcheck source=bench/common.sh
source "$here/common.sh"

work=$(mktemp -d)
service_pid=
stop_service() {
    if [ -n "$service_pid" ]; then
        kill "$service_pid" 2>/dev/null || true
        wait "$service_pid" 2>/dev/null || true
        service_pid=
    fi
}
trap 'stop_service; rm -rf "$work"' EXIT

bench_lay_out "$build_dir"
# Without a display, as an unattended run: the new messages are only named.
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY PELK_QUIT_AFTER_FIRST_PAINT
cap_kib=$((16 * 1024))

# measure NAME SERVICE...: the largest peak of $runs silent checks against the service, in KiB
measure() {
    local name=$1 peak max=0
    shift
    rm -f "$work/port"
    "$@" 2>> "$work/$name.service.txt" >/dev/null &
    service_pid=$!
    for _ in $(seq 1 100); do
        [ -s "$work/port" ] && break
        sleep 0.1
    done
    [ -s "$work/port" ] || { echo "the service for $name did not start" >&2; exit 1; }
    sed "s|^UpdateCheckURL=.*|UpdateCheckURL=http://127.0.0.1:$(cat "$work/port")/update|" \
        "$here/../examples/PelkUpdater.ini" > "$work/program/PelkUpdater.ini"
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -f "%M" -o "$work/time.txt" "$work/program/PelkUpdater" /SILENT /LNG:engb \
            >/dev/null 2> "$work/$name.log" || true
        peak=$(tail -n 1 "$work/time.txt")
        [ "$peak" -gt "$max" ] && max=$peak
    done
    stop_service
    echo "$max"
}

baseline=$(measure baseline python3 "$here/../scripts/sample-service.py" --quiet --port-file "$work/port")
grep -q 'Number of messages: 4' "$work/baseline.log" || { echo "the baseline check failed:" >&2; cat "$work/baseline.log" >&2; exit 1; }
met=1
printf 'baseline (sample feed):          peak %6d KiB\n' "$baseline"
for mode in chunked close; do
    peak=$(measure "$mode" python3 "$here/oversized-service.py" "$work/port" "$mode")
    grep -q 'larger than 16 MiB' "$work/$mode.log" || { echo "the $mode check was not refused:" >&2; cat "$work/$mode.log" >&2; exit 1; }
    verdict=ok
    if [ "$peak" -gt $((baseline + 2 * cap_kib)) ]; then verdict="GOAL MISSED"; met=0; fi
    sent=$(sort -n -k2 "$work/$mode.service.txt" | awk '{ n = $2 } END { printf "%.1f", n / 1048576 }')
    [ -z "${PELK_BENCH_VERBOSE:-}" ] || cat "$work/$mode.service.txt" "$work/$mode.log" >&2
    printf '%-32s peak %6d KiB, +%d KiB over the baseline (goal +%d); the service sent up to %s MiB  %s\n' \
        "$mode:" "$peak" $((peak - baseline)) $((2 * cap_kib)) "$sent" "$verdict"
done
[ "$met" = 1 ]
