#!/usr/bin/env bash
# CSV recall against the data set format on the same rows: the same network recalls the same
# numbers from a data set file and from a CSV file (header, same number text), writing a data
# set file in both runs; prints elapsed time, rows/s and peak resident memory of each, their
# ratio, and checks that both runs wrote the same output file. Then the CSV file once more,
# written to a CSV output file.
#
#   [ROWS=N] [REPEAT=N] bench/csv-recall-bench.sh [BUILD_DIR [WORK_DIR]]
#
# BUILD_DIR holds RecallZorf and MakeZorf (default build/release). ROWS (default 1,000,000)
# rows of 8 inputs drawn from [-0.1, 1.1) by awk's generator from a fixed seed; the network is
# 8 inputs x 2 functions, 8 rules, 1 output x 2 functions (the io case of recall-bench.sh).
# REPEAT (default 3) runs each that many times, alternating, and keeps the fastest.
set -euo pipefail

build=$(realpath "${1:-build/release}")
rows=${ROWS:-1000000}
repeat=${REPEAT:-3}
source "$(dirname "$0")/work-folder.sh"
make_zorf=$build/src/MakeZorf
recall=$build/src/RecallZorf

"$make_zorf" --inputs 8x2 --rules 8 --outputs 2 --seed 1 "$work/io.net"
awk -v rows="$rows" -v dat="$work/rows.dat" -v csv="$work/rows.csv" 'BEGIN {
    srand(28)
    printf "[FormatVersion = 1.0]\n[DataSet]\n[Rows = %d]\n[Inputs = 8]\n[ExpectedOutputs = 0]\n[GeneratedOutputs = 0]\n[Error = 0]\n[Data]\n", rows > dat
    print "a,b,c,d,e,f,g,h" > csv
    for (r = 0; r < rows; r++) {
        line = ""
        for (i = 0; i < 8; i++) {
            v = sprintf("%.15g", -0.1 + 1.2 * rand())
            printf "%s ", v > dat
            line = line (i ? "," : "") v
        }
        printf "\n" > dat
        print line > csv
    }
    printf "[~Data]\n[~DataSet]\n" > dat
}'
for kind in dat csv; do
    printf 'WeightFile = %s\nRecallFile = %s\nOutputFile = %s\n' \
        "$work/io.net" "$work/rows.$kind" "$work/from-$kind.out" >"$work/$kind.par"
done
printf 'WeightFile = %s\nRecallFile = %s\nOutputFile = %s\n' \
    "$work/io.net" "$work/rows.csv" "$work/to-csv.csv" >"$work/to-csv.par"

# measure COMMAND...: "elapsed peak_kb" of the command.
measure() {
    local log
    log=$(mktemp)
    /usr/bin/time -v "$@" 2>"$log" >/dev/null
    awk -F': ' '
        /Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i] }
        /Maximum resident/ { m = $2 }
        END { printf "%.3f %d", s, m }' "$log"
    rm -f "$log"
}

declare -A best
for ((i = 0; i < repeat; i++)); do
    for kind in dat csv to-csv; do
        run=$(measure "$recall" "$work/$kind.par")
        if [[ -z ${best[$kind]:-} ]] || awk -v a="${run%% *}" -v b="${best[$kind]%% *}" 'BEGIN { exit !(a < b) }'; then
            best[$kind]=$run
        fi
    done
done
same=identical
cmp -s "$work/from-dat.out" "$work/from-csv.out" || same=DIFFERENT
echo "== $rows rows x 8 inputs (load average: $(cut -d' ' -f1-3 /proc/loadavg))"
for kind in dat csv to-csv; do
    read -r seconds peak <<<"${best[$kind]}"
    awk -v k="$kind" -v s="$seconds" -v p="$peak" -v rows="$rows" 'BEGIN {
        printf "  %-22s %7.3f s  %10.0f rows/s  peak %6.1f MB\n",
            (k == "dat" ? "data set file" : k == "csv" ? "CSV file" : "CSV file to CSV output"),
            s, rows / s, p / 1024 }'
done
awk -v d="${best[dat]%% *}" -v c="${best[csv]%% *}" 'BEGIN {
    printf "  CSV speed / data set speed: %.2f\n", d / c }'
echo "  output files (data set output from both): $same"
