# Shared by the whole-process benchmarks (sourced, not run). The caller sets
#   work        a throw-away folder
#   runs        how many runs of each program
#   program     the command of (a), an array
#   yardstick   the command of (b), an array
#   controls    optionally, the command of (c), an array: a bare window with the controls and
#               texts of (a)'s main window, then the yardstick of (a)'s wall time
# and calls bench_lay_out, bench_compare and bench_report.

[ -x /usr/bin/time ] || { echo "missing /usr/bin/time: apt-get install time" >&2; exit 1; }
[ -n "${controls+set}" ] || controls=()

# bench_lay_out BUILD_DIR: the program with its modules and service pack file in
# $work/program, and private configuration folders, so that nothing touches the real home.
bench_lay_out() {
    local build_dir=$1 examples
    examples="$(dirname "${BASH_SOURCE[0]}")/../examples"
    mkdir -p "$work/program" "$work/config" "$work/etc" "$work/home" "$work/runtime"
    chmod 700 "$work/runtime"
    cp "$build_dir/bin/PelkUpdater" "$build_dir/bin/PelkMessagePage.so" "$build_dir/bin/PelkNetwork.so" \
        "$examples/PelkServicePack.pelk" \
        "$work/program/"
    export QT_QPA_PLATFORM=offscreen
    export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/etc" HOME="$work/home"
    export XDG_RUNTIME_DIR="$work/runtime"
}

# bench_run_once NAME COMMAND...: appends "wall_us peak_kib" of one run to $work/NAME.txt
bench_run_once() {
    local name=$1 start end peak
    shift
    start=$(date +%s%N)
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt"
    end=$(date +%s%N)
    read -r _ peak < "$work/time.txt"
    echo "$(( (end - start) / 1000 )) $peak" >> "$work/$name.txt"
}

# bench_compare: warms the file cache, then runs (a), (b) and (c) alternately, so that any
# load on the machine weighs on all of them.
bench_compare() {
    "${program[@]}" >/dev/null 2>&1 || true
    "${yardstick[@]}" >/dev/null 2>&1 || true
    [ ${#controls[@]} -eq 0 ] || "${controls[@]}" >/dev/null 2>&1 || true
    : > "$work/program.txt"
    : > "$work/empty.txt"
    : > "$work/controls.txt"
    for ((i = 0; i < runs; i++)); do
        bench_run_once program "${program[@]}"
        bench_run_once empty "${yardstick[@]}"
        [ ${#controls[@]} -eq 0 ] || bench_run_once controls "${controls[@]}"
    done
}

# bench_summary NAME: median wall time in ms, median and max peak memory in KiB
bench_summary() {
    sort -n -k1 "$work/$1.txt" | awk -v n="$runs" '{ w[NR] = $1 } END { printf "%.1f", w[int((n + 1) / 2)] / 1000 }'
    printf ' '
    sort -n -k2 "$work/$1.txt" | awk -v n="$runs" '{ m[NR] = $2 } END { printf "%d %d", m[int((n + 1) / 2)], m[n] }'
}

# bench_report TITLE LABEL WALL_GOAL MEMORY_GOAL: the medians and their ratios; fails when
# (a) misses a goal. The wall time goal is against (c) when there is one, else against (b);
# the memory goal is always against (b).
bench_report() {
    local title=$1 label=$2 wall_goal=$3 mem_goal=$4
    local a_wall a_mem a_mem_max b_wall b_mem b_mem_max c_wall c_mem c_mem_max wall_ratio mem_ratio
    local wall_base wall_name=b
    read -r a_wall a_mem a_mem_max <<< "$(bench_summary program)"
    read -r b_wall b_mem b_mem_max <<< "$(bench_summary empty)"
    wall_base=$b_wall
    if [ ${#controls[@]} -gt 0 ]; then
        read -r c_wall c_mem c_mem_max <<< "$(bench_summary controls)"
        wall_base=$c_wall
        wall_name=c
    fi
    wall_ratio=$(awk -v a="$a_wall" -v b="$wall_base" 'BEGIN { printf "%.2f", a / b }')
    mem_ratio=$(awk -v a="$a_mem" -v b="$b_mem" 'BEGIN { printf "%.2f", a / b }')

    printf '%-44s %12s %16s %14s\n' "$title ($runs runs)" "median wall" "median peak RSS" "max peak RSS"
    printf '%-44s %9s ms %12s KiB %10s KiB\n' "(a) $label" "$a_wall" "$a_mem" "$a_mem_max"
    printf '%-44s %9s ms %12s KiB %10s KiB\n' "(b) empty Qt Widgets window" "$b_wall" "$b_mem" "$b_mem_max"
    if [ ${#controls[@]} -gt 0 ]; then
        printf '%-44s %9s ms %12s KiB %10s KiB\n' "(c) bare window, main window's controls" "$c_wall" "$c_mem" "$c_mem_max"
        printf '%-44s %12s %16s\n' "for the record: (a) / (b), (c) / (b)" \
            "$(awk -v a="$a_wall" -v b="$b_wall" -v c="$c_wall" 'BEGIN { printf "%.2f, %.2f", a / b, c / b }')" \
            "$(awk -v a="$a_mem" -v b="$b_mem" -v c="$c_mem" 'BEGIN { printf "%.2f, %.2f", a / b, c / b }')"
    fi
    printf '%-44s %12s %16s\n' "(a) / ($wall_name) wall <= $wall_goal, (a) / (b) memory <= $mem_goal" "$wall_ratio" "$mem_ratio"

    if awk -v w="$wall_ratio" -v m="$mem_ratio" -v wg="$wall_goal" -v mg="$mem_goal" \
        'BEGIN { exit !(w <= wg && m <= mg) }'; then
        echo "goal met"
    else
        echo "goal NOT met"
        return 1
    fi
}
