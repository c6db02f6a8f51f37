#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ and runs each for SECONDS
# (default 60), one after the other. Each target's corpus lives in build-fuzz/corpus/<target>,
# seeded from fuzz/seeds/<kind>; inputs that fail land in build-fuzz/findings/<target>/. After a
# run every input it wrote there is run again alone, and only those that fail again count as
# findings: the script then exits non-zero. The figures of each run end up in
# build-fuzz/logs/<target>.log, the re-runs' output in build-fuzz/logs/<target>.rerun.log.
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
  log=$build_dir/logs/$target.log
  mkdir -p "$corpus" "$findings" "$build_dir/logs"
  cp -n fuzz/seeds/"$kind"/* "$corpus"/
  # The image target forks SOIL's decodes, which needs a process of one thread: libFuzzer's RSS
  # limit is a thread, so that target goes without it and caps single allocations through ASan.
  rss_limit=2048
  asan_options=detect_leaks=1
  if [ "$target" = image_fuzzer ]; then
    rss_limit=0
    asan_options=$asan_options:max_allocation_size_mb=2048
  fi
  options=(-timeout=25 -rss_limit_mb="$rss_limit" -max_len=8192)
  [ -f fuzz/"$kind".dict ] && options+=(-dict=fuzz/"$kind".dict)
  run() {
    TMPDIR=$scratch ASAN_OPTIONS=$asan_options UBSAN_OPTIONS=print_stacktrace=1 \
      LSAN_OPTIONS=suppressions="$PWD/tests/sanitizer.supp" "$build_dir/fuzz/$target" "${options[@]}" "$@"
  }
  # The parsers print their console lines for every bad input; only the fuzzer's own lines matter.
  started=$SECONDS
  marker=$(mktemp)
  exit_code=0
  run -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" \
    >/dev/null 2>"$log" || exit_code=$?

  # An input counts when it fails again on its own; what it writes then stays out of findings/.
  rerun_artefacts=$(mktemp -d)
  reproduced=0
  unreproduced=0
  : >"$build_dir/logs/$target.rerun.log"
  while IFS= read -r -d '' artefact; do
    if run -artifact_prefix="$rerun_artefacts/" "$artefact" >/dev/null 2>>"$build_dir/logs/$target.rerun.log"; then
      unreproduced=$((unreproduced + 1))
    else
      reproduced=$((reproduced + 1))
    fi
  done < <(find "$findings" -maxdepth 1 -type f -newer "$marker" -print0)
  rm -rf "$marker" "$rerun_artefacts"

  if [ "$reproduced" -gt 0 ]; then
    result=FAILED
  elif [ "$exit_code" -ne 0 ] && [ "$unreproduced" -eq 0 ]; then
    result="FAILED (exit code $exit_code, no input written)"
  else
    result=ok
  fi
  [ "$result" = ok ] || status=1
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  cover=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*$' || echo "?")
  echo "$target: $result, $((SECONDS - started)) s, $runs executions, coverage $cover," \
    "corpus $(ls "$corpus" | wc -l) inputs, findings $reproduced ($unreproduced more did not fail again alone)"
done
exit $status
