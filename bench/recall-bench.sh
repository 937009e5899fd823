#!/usr/bin/env bash
# End-to-end recall benchmark: makes the standard cases, runs RecallZorf on them with one thread
# and with every core and, in the same run, the floor program on the same files (and, when
# BASELINE names an earlier RecallZorf, that program too); prints rows/s, MB/s of input, peak
# resident memory (from /usr/bin/time -v), the ratios to the floor and between the thread
# counts, and checks that every run wrote the same output file; then the Google Benchmark of
# Propagate against a plain double loop over the same weights.
#
#   [REPEAT=N] [BASELINE=path/to/RecallZorf] bench/recall-bench.sh [BUILD_DIR [WORK_DIR]]
#
# BUILD_DIR holds an optimised build with the bench programs (default build/bench, made by
# `cmake --preset bench && cmake --build --preset bench`). WORK_DIR receives the cases (default:
# a new temporary folder, removed at the end); cases already there are reused. REPEAT (default
# 3) runs each program that many times, alternating, and keeps the fastest run of each.
#
# The cases:
#   io          1,000,000 rows x 8 inputs; 8 inputs x 2 functions, 8 rules, 1 output x 2
#               functions
#   io-1k       the first case's network on 1,000 rows (the memory baseline)
#   compute     100,000 rows x 8 inputs; 8 inputs x 7 functions, 400 rules with half of the arcs
#               pruned, 4 outputs x 7 functions
#   compute-95  the same with 95% of the arcs pruned
#   large       20,000 rows x 16 inputs; 16 inputs x 9 functions, 5,000 rules with 80% of the
#               arcs pruned, 8 outputs x 9 functions
# Networks come from MakeZorf, rows from MakeRecallRows (uniform inputs in [-0.1, 1.1)).
set -euo pipefail

build=$(realpath "${1:-build/bench}")
repeat=${REPEAT:-3}
source "$(dirname "$0")/work-folder.sh"

make_zorf=$build/src/MakeZorf
recall=$build/src/RecallZorf
make_rows=$build/bench/MakeRecallRows
floor=$build/bench/RecallFloor
zorf_bench=$build/bench/RecallZorfBench
baseline=${BASELINE:+$(realpath "$BASELINE")}
for program in "$make_zorf" "$recall" "$make_rows" "$floor" "$zorf_bench" ${baseline:+"$baseline"}; do
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

# write_parameters NAME NETWORK ROWS: NAME.par (every core), NAME-1.par (one thread) and
# NAME-base.par (the baseline's), each with an output file of its own.
write_parameters() {
    local name=$1 network=$2 rows=$3 variant
    for variant in "" -1 -base; do
        printf 'WeightFile = %s\nRecallFile = %s\nOutputFile = %s\n' \
            "$work/$network.net" "$work/$rows.dat" "$work/$name$variant.out" >"$work/$name$variant.par"
    done
    echo "Threads = 1" >>"$work/$name-1.par"
}

# make_case NAME ROWS INPUTS SEED MAKEZORF_OPTIONS...
make_case() {
    local name=$1 rows=$2 inputs=$3 seed=$4
    shift 4
    if [[ ! -f $work/$name.net ]]; then
        say "$make_zorf" "$@" --seed "$seed" "$work/$name.net"
    fi
    if [[ ! -f $work/$name.dat ]]; then
        say "$make_rows" "$rows" "$inputs" "$seed" "$work/$name.dat"
    fi
    write_parameters "$name" "$name" "$name"
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

# run_case NAME ROWS DATA: the recall on every core, on one thread, the floor (and the
# baseline), alternating, and their figures.
run_case() {
    local name=$1 rows=$2 data=${3:-$1}
    local bytes all_run one_run floor_run base_run i run
    bytes=$(stat -c %s "$work/$data.dat")
    echo "+ $recall $work/$name.par    (every core; x$repeat, fastest kept)"
    echo "+ $recall $work/$name-1.par    (Threads = 1)"
    echo "+ $floor $work/$data.dat $work/$name.floor"
    [[ -n $baseline ]] && echo "+ $baseline $work/$name-base.par"
    all_run="" one_run="" floor_run="" base_run=""
    for ((i = 0; i < repeat; i++)); do
        measure run "$recall" "$work/$name.par"
        keep_faster all_run "$run"
        measure run "$recall" "$work/$name-1.par"
        keep_faster one_run "$run"
        measure run "$floor" "$work/$data.dat" "$work/$name.floor"
        keep_faster floor_run "$run"
        if [[ -n $baseline ]]; then
            measure run "$baseline" "$work/$name-base.par"
            keep_faster base_run "$run"
        fi
    done
    local same=identical
    cmp -s "$work/$name.out" "$work/$name-1.out" || same=DIFFERENT
    if [[ -n $baseline ]] && ! cmp -s "$work/$name.out" "$work/$name-base.out"; then
        same="$same, DIFFERENT from the baseline's"
    elif [[ -n $baseline ]]; then
        same="$same, and the baseline's too"
    fi
    awk -v name="$name" -v rows="$rows" -v bytes="$bytes" -v same="$same" \
        -v all="$all_run" -v one="$one_run" -v fl="$floor_run" -v base="$base_run" 'BEGIN {
        printf "%-10s %9d rows  %7.1f MB input\n", name, rows, bytes / 1e6
        split(all, a, " "); split(one, o, " "); split(fl, f, " ")
        line("all cores", a)
        line("1 thread", o)
        line("floor", f)
        if (base != "") {
            split(base, b, " ")
            line("baseline", b)
        }
        if (a[1] > 0 && o[1] > 0 && f[1] > 0) {
            printf "  all cores / floor: %.2f; 1 thread / floor: %.2f; 1 thread / all cores: %.2f",
                a[1] / f[1], o[1] / f[1], o[1] / a[1]
            if (base != "" && b[1] > 0) {
                printf "; baseline / all cores: %.2f, / 1 thread: %.2f", b[1] / a[1], b[1] / o[1]
            }
            printf "\n"
        }
        printf "  output files: %s\n", same
    }
    function line(program, r) {
        printf "  %-10s %7.3f s (user %.2f s, sys %.2f s)", program, r[1], r[2], r[3]
        if (r[1] > 0) {
            printf "  %10.0f rows/s  %7.1f MB/s", rows / r[1], bytes / 1e6 / r[1]
        }
        printf "  peak %6.1f MB\n", r[4] / 1024
    }'
    read -r _ _ _ all_peak <<<"$all_run"
    read -r _ _ _ one_peak <<<"$one_run"
    eval "${name//-/_}_peak=$all_peak ${name//-/_}_peak1=$one_peak"
    eval "${name//-/_}_elapsed=${all_run%% *}"
}

echo "== cases in $work"
make_case io 1000000 8 1 --inputs 8x2 --rules 8 --outputs 2
make_case compute 100000 8 2 --inputs 8x7 --rules 400 --outputs 4x7 --prune 0.5
make_case compute-95 100000 8 2 --inputs 8x7 --rules 400 --outputs 4x7 --prune 0.95
make_case large 20000 16 3 --inputs 16x9 --rules 5000 --outputs 8x9 --prune 0.8
if [[ ! -f $work/io-1k.dat ]]; then
    say "$make_rows" 1000 8 1 "$work/io-1k.dat"
fi
write_parameters io-1k io io-1k

echo "== end to end (load average: $(cut -d' ' -f1-3 /proc/loadavg))"
run_case io 1000000
run_case compute 100000
run_case compute-95 100000
run_case large 20000
run_case io-1k 1000
awk -v big="$io_peak" -v small="$io_1k_peak" -v big1="$io_peak1" -v small1="$io_1k_peak1" \
    -v half="$compute_elapsed" -v pruned="$compute_95_elapsed" 'BEGIN {
    memory("every core", big, small)
    memory("1 thread", big1, small1)
    if (pruned > 0) {
        printf "compute / compute-95 (every core): %.2f\n", half / pruned
    }
}
function memory(what, big, small,    allowed) {
    allowed = small * 0.10 > 4096 ? small * 0.10 : 4096
    printf "peak memory (%s): %.1f MB for 1,000,000 rows, %.1f MB for 1,000 rows: %+.1f MB (allowed %.1f MB)\n",
        what, big / 1024, small / 1024, (big - small) / 1024, allowed / 1024
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
