#!/usr/bin/env bash
# Builds the fuzz targets and runs one of them:
#   fuzz/run.sh TARGET SECONDS [more libFuzzer options or inputs to replay]
# TARGET is the name of a fuzz/<TARGET>Fuzz.cpp: ParseText, BlockSyntax, DataSetFile,
# ParameterFile, TrainParameterFile, TrainingLog, CsvFile (and NetworkFile, Recall where they
# exist). The build goes to build/fuzz (clang++ with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer); the corpus the run grows stays in build/fuzz/corpus/TARGET,
# and inputs that fail are written to build/fuzz/artifacts/TARGET/. Seeds come from
# fuzz/seeds/TARGET, the shipped examples and the regression inputs in
# tests/data/regressions/TARGET.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "Usage: fuzz/run.sh TARGET SECONDS [libFuzzer arguments]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
if [ ! -f "$root/fuzz/${target}Fuzz.cpp" ]; then
  echo "No fuzz target $target; there are:" $(cd "$root/fuzz" && ls *Fuzz.cpp | sed 's/Fuzz\.cpp$//') >&2
  exit 2
fi

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$build" --target "${target}Fuzz" -j2 >/dev/null

corpus=$build/corpus/$target
artifacts=$build/artifacts/$target
mkdir -p "$corpus" "$artifacts"
copy_examples() {
  for file in "$@"; do
    [ -f "$file" ] && cp -n "$file" "$corpus/example-$(basename "$file")"
  done
  return 0
}
dict=$build/$target.dict
case $target in
  ParseText) cp "$root/fuzz/dict/ParseText.dict" "$dict" ;;
  ParameterFile)
    cp "$root/fuzz/dict/ParameterFile.dict" "$dict"
    copy_examples "$root"/examples/*.par ;;
  DataSetFile)
    cp "$root/fuzz/dict/BlockSyntax.dict" "$dict"
    copy_examples "$root"/examples/*.dat ;;
  NetworkFile)
    cp "$root/fuzz/dict/BlockSyntax.dict" "$dict"
    copy_examples "$root"/examples/*.net "$root"/tests/data/Recall/*.net ;;
  TrainParameterFile)
    cp "$root/fuzz/dict/TrainParameterFile.dict" "$dict"
    copy_examples "$root"/examples/*.par ;;
  TrainingLog) cp "$root/fuzz/dict/TrainingLog.dict" "$dict" ;;
  CsvFile) cp "$root/fuzz/dict/CsvFile.dict" "$dict" ;;
  Recall)
    # Network file, data set file and parameter settings, each part after a line "=====".
    cat "$root/fuzz/dict/BlockSyntax.dict" "$root/fuzz/dict/ParameterFile.dict" >"$dict"
    echo '"\x0a=====\x0a"' >>"$dict" ;;
  *)
    cp "$root/fuzz/dict/BlockSyntax.dict" "$dict"
    copy_examples "$root"/examples/*.dat "$root"/examples/*.net ;;
esac

inputs=("$corpus")
for extra in "$root/fuzz/seeds/$target" "$root/tests/data/regressions/$target"; do
  [ -d "$extra" ] && inputs+=("$extra")
done

# One input of at most 64 KiB may take neither 10 s nor a single block of more than 64 MiB:
# what a reader holds must stay proportional to what it reads, whatever a header claims.
# A smaller quarantine keeps freed blocks from counting against the 1 GiB RSS limit.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"
exec "$build/${target}Fuzz" \
  -max_total_time="$seconds" \
  -rss_limit_mb=1024 \
  -malloc_limit_mb=64 \
  -timeout=10 \
  -max_len=65536 \
  -use_value_profile=1 \
  -dict="$dict" \
  -artifact_prefix="$artifacts/" \
  -print_final_stats=1 \
  "$@" "${inputs[@]}"
