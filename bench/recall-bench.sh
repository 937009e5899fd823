#!/usr/bin/env bash
# End-to-end recall benchmark: makes the standard cases, runs RecallZorf on them and, in the same
# run, the floor program on the same files, and prints rows/s, MB/s of input, peak resident
# memory (from /usr/bin/time -v) and the ratio to the floor; then the Google Benchmark of
# Propagate against a plain double loop over the same weights.
#
#   bench/recall-bench.sh [BUILD_DIR [WORK_DIR]]
#
# BUILD_DIR holds an optimised build with the bench programs (default build/bench, made by
# `cmake --preset bench && cmake --build --preset bench`). WORK_DIR receives the cases (default:
# a new temporary folder, removed at the end); cases already there are reused. REPEAT (default
# 3) runs each program that many times, alternating, and keeps the fastest run of each.
#
# The cases:
#   io       1,000,000 rows x 8 inputs; 8 inputs x 2 functions, 8 rules, 1 output x 2 functions
#   io-1k    the first case's network on 1,000 rows (the memory baseline)
#   compute  100,000 rows x 8 inputs; 8 inputs x 7 functions, 400 rules with half of the arcs
#            pruned, 4 outputs x 7 functions
# Networks come from MakeZorf, rows from MakeRecallRows (uniform inputs in [-0.1, 1.1)).
set -euo pipefail

build=$(realpath "${1:-build/bench}")
repeat=${REPEAT:-3}
if [[ $# -ge 2 ]]; then
    work=$(realpath "$2")
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi

make_zorf=$build/src/MakeZorf
recall=$build/src/RecallZorf
make_rows=$build/bench/MakeRecallRows
floor=$build/bench/RecallFloor
zorf_bench=$build/bench/RecallZorfBench
for program in "$make_zorf" "$recall" "$make_rows" "$floor" "$zorf_bench"; do
    if [[ ! -x $program ]]; then
        echo "recall-bench: $program is missing; build the bench preset first" >&2
        exit 1
    fi
done
if [[ ! -x /usr/bin/time ]]; then
    echo "recall-bench: /usr/bin/time is needed for the peak resident memory" >&2
    exit 1
fi

say() {
    echo "+ $*"
    "$@"
}

# make_case NAME ROWS SEED MAKEZORF_OPTIONS...
make_case() {
    local name=$1 rows=$2 seed=$3
    shift 3
    if [[ ! -f $work/$name.net ]]; then
        say "$make_zorf" "$@" --seed "$seed" "$work/$name.net"
    fi
    if [[ ! -f $work/$name.dat ]]; then
        say "$make_rows" "$rows" 8 "$seed" "$work/$name.dat"
    fi
    printf 'WeightFile = %s\nRecallFile = %s\nOutputFile = %s\n' \
        "$work/$name.net" "$work/$name.dat" "$work/$name.out" >"$work/$name.par"
}

# measure OUTPUT_VARIABLE COMMAND...: "elapsed user system peak_kb" of the command.
measure() {
    local -n result=$1
    shift
    local log
    log=$(mktemp)
    /usr/bin/time -v "$@" 2>"$log" >/dev/null
    # shellcheck disable=SC2034  # a name reference: this sets the caller's variable
    result=$(awk -F': ' '
        /Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i] }
        /User time/ { u = $2 } /System time/ { y = $2 } /Maximum resident/ { m = $2 }
        END { printf "%.3f %.2f %.2f %d", s, u, y, m }' "$log")
    rm -f "$log"
}

# keep_faster VARIABLE RUN: the variable takes the run when it took less elapsed time.
keep_faster() {
    local -n kept=$1
    if [[ -z $kept ]] || awk -v a="${2%% *}" -v b="${kept%% *}" 'BEGIN { exit !(a < b) }'; then
        kept=$2
    fi
}

# run_case NAME ROWS: the recall and the floor, alternating, and their figures.
run_case() {
    local name=$1 rows=$2
    local bytes recall_run floor_run i run
    bytes=$(stat -c %s "$work/$name.dat")
    echo "+ $recall $work/$name.par    (x$repeat, fastest kept)"
    echo "+ $floor $work/$name.dat $work/$name.floor    (x$repeat, fastest kept)"
    recall_run="" floor_run=""
    for ((i = 0; i < repeat; i++)); do
        measure run "$recall" "$work/$name.par"
        keep_faster recall_run "$run"
        measure run "$floor" "$work/$name.dat" "$work/$name.floor"
        keep_faster floor_run "$run"
    done
    read -r r_elapsed r_user r_sys r_peak <<<"$recall_run"
    read -r f_elapsed f_user f_sys f_peak <<<"$floor_run"
    awk -v name="$name" -v rows="$rows" -v bytes="$bytes" \
        -v re="$r_elapsed" -v ru="$r_user" -v rs="$r_sys" -v rp="$r_peak" \
        -v fe="$f_elapsed" -v fu="$f_user" -v fs="$f_sys" -v fp="$f_peak" 'BEGIN {
        printf "%-8s %9d rows  %7.1f MB input\n", name, rows, bytes / 1e6
        line("RecallZorf", re, ru, rs, rp)
        line("floor", fe, fu, fs, fp)
        if (re > 0 && fe > 0 && fu + fs > 0) {
            printf "  RecallZorf / floor: %.2f (elapsed), %.2f (user + sys)\n", re / fe, (ru + rs) / (fu + fs)
        }
    }
    function line(program, elapsed, user, sys, peak) {
        printf "  %-10s %7.3f s (user %.2f s, sys %.2f s)", program, elapsed, user, sys
        if (elapsed > 0) {
            printf "  %10.0f rows/s  %7.1f MB/s", rows / elapsed, bytes / 1e6 / elapsed
        }
        printf "  peak %6.1f MB\n", peak / 1024
    }'
    eval "${name//-/_}_peak=$r_peak"
}

echo "== cases in $work"
make_case io 1000000 1 --inputs 8x2 --rules 8 --outputs 2
make_case compute 100000 2 --inputs 8x7 --rules 400 --outputs 4x7 --prune 0.5
if [[ ! -f $work/io-1k.dat ]]; then
    say "$make_rows" 1000 8 1 "$work/io-1k.dat"
fi
printf 'WeightFile = %s\nRecallFile = %s\nOutputFile = %s\n' \
    "$work/io.net" "$work/io-1k.dat" "$work/io-1k.out" >"$work/io-1k.par"

echo "== end to end (load average: $(cut -d' ' -f1-3 /proc/loadavg))"
io_peak=0 io_1k_peak=0
run_case io 1000000
run_case compute 100000
run_case io-1k 1000
awk -v big="$io_peak" -v small="$io_1k_peak" 'BEGIN {
    allowed = small * 0.10 > 4096 ? small * 0.10 : 4096
    printf "peak memory: %.1f MB for 1,000,000 rows, %.1f MB for 1,000 rows: %+.1f MB (allowed %.1f MB)\n",
        big / 1024, small / 1024, (big - small) / 1024, allowed / 1024
}'

echo "== Propagate against the plain loop (Google Benchmark)"
say "$zorf_bench" --benchmark_filter='BM_Compute' --benchmark_repetitions="$repeat" \
    --benchmark_report_aggregates_only=true | tee "$work/propagate.txt"
# The medians of the repetitions, or the single runs.
awk '/^BM_/ && !/_(mean|stddev|cv) / { name = $1; sub(/_median$/, "", name); cpu[name] = $4 }
    END {
        printf "Propagate / plain loop: %.2f; / plain loop with the sigmoid neuron by neuron: %.2f\n",
            cpu["BM_ComputePropagate"] / cpu["BM_ComputePlainLoop"],
            cpu["BM_ComputePropagate"] / cpu["BM_ComputePlainLoopPlainSigmoid"]
    }' "$work/propagate.txt"
