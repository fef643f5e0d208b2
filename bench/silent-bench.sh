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
seeder="$build_dir/bin/pelk_seed_seen"
for binary in PelkUpdater PelkMessagePage.so PelkNetwork.so pelk_empty_window pelk_seed_seen; do
    [ -e "$build_dir/bin/$binary" ] || { echo "missing $build_dir/bin/$binary: build the targets PelkUpdater pelk_empty_window pelk_seed_seen" >&2; exit 1; }
done
# shellcheck source=bench/common.sh
source "$here/common.sh"

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

bench_lay_out "$build_dir"
sed "s|^UpdateCheckURL=.*|UpdateCheckURL=$url|" "$here/../examples/PelkUpdater.ini" > "$work/program/PelkUpdater.ini"
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

program=("$work/program/PelkUpdater" /SILENT)
yardstick=("$build_dir/bin/pelk_empty_window")
bench_compare
bench_report "silent check, nothing new" "PelkUpdater /SILENT" 3.0 1.5
