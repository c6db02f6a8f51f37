#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ and runs each for SECONDS
# (default 60), one after the other. Each target's corpus lives in build-fuzz/corpus/<target>,
# seeded from fuzz/seeds/<kind>; inputs that fail land in build-fuzz/findings/<target>/ and the
# script then exits non-zero. The figures of each run end up in build-fuzz/logs/<target>.log.
# Usage: fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(obj_fuzzer path_fuzzer image_fuzzer file_fuzzer)
build_dir=build-fuzz

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
  -DORBITVIEW_FUZZ=ON >/dev/null
cmake --build "$build_dir" -j 2 --target "${targets[@]}" -- --no-print-directory >/dev/null

# The targets write every input to a file: in memory where the machine has /dev/shm.
scratch=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm

status=0
for target in "${targets[@]}"; do
  kind=${target%_fuzzer}
  corpus=$build_dir/corpus/$target
  findings=$build_dir/findings/$target
  mkdir -p "$corpus" "$findings" "$build_dir/logs"
  cp -n fuzz/seeds/"$kind"/* "$corpus"/
  options=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -max_len=8192
           -print_final_stats=1 -artifact_prefix="$findings/")
  [ -f fuzz/"$kind".dict ] && options+=(-dict=fuzz/"$kind".dict)
  # The parsers print their console lines for every bad input; only the fuzzer's own lines matter.
  started=$SECONDS
  if TMPDIR=$scratch ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions="$PWD/tests/sanitizer.supp" \
    "$build_dir/fuzz/$target" "${options[@]}" "$corpus" >/dev/null 2>"$build_dir/logs/$target.log"; then
    result=ok
  else
    result=FAILED
    status=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$build_dir/logs/$target.log" | grep -o '[0-9]*$' || echo "?")
  cover=$(grep -o 'cov: [0-9]*' "$build_dir/logs/$target.log" | tail -n 1 | grep -o '[0-9]*$' || echo "?")
  echo "$target: $result, $((SECONDS - started)) s, $runs executions, coverage $cover, corpus $(ls "$corpus" | wc -l) inputs, findings $(ls "$findings" | wc -l)"
done
exit $status
