#!/usr/bin/env bash
# Start-up benchmark: whole-process wall time and peak memory of
#   (a) PelkUpdater, started until its main window has been painted once, then quitting
#       (the hook PELK_QUIT_AFTER_FIRST_PAINT=1), and
#   (b) pelk_empty_window, a minimal Qt Widgets program that shows one empty window the same way,
#   (c) pelk_controls_window, a bare window with the main window's controls and texts and no
#       logic behind them, shown the same way,
# over repeated runs on the offscreen platform, alternating. Goal: (a) within 1.3 times (c) in
# wall time and within 1.5 times (b) in peak memory (medians).
#
# Usage: bench/startup-bench.sh [BUILD_DIR] [RUNS]    (defaults: build, 20)
# Needs /usr/bin/time (Debian package "time").
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build_dir=${1:-build}
runs=${2:-20}
for binary in PelkUpdater PelkMessagePage.so PelkNetwork.so pelk_empty_window pelk_controls_window; do
    [ -e "$build_dir/bin/$binary" ] || { echo "missing $build_dir/bin/$binary: build the targets PelkUpdater pelk_empty_window pelk_controls_window" >&2; exit 1; }
done
# shellcheck source=bench/common.sh
source "$here/common.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bench_lay_out "$build_dir"
cp "$here/../examples/PelkUpdater.ini" "$work/program/"
export PELK_QUIT_AFTER_FIRST_PAINT=1

program=("$work/program/PelkUpdater")
yardstick=("$build_dir/bin/pelk_empty_window")
controls=("$build_dir/bin/pelk_controls_window")
bench_compare
bench_report "start-up to first paint" "PelkUpdater" 1.3 1.5
