#!/usr/bin/env bash
# Renders the reference pictures again, headless, and compares each with its checked-in copy in
# tests/reference/ (scripts/update-references.sh writes them): the root-mean-square difference,
# normalised to 0..1 by ImageMagick, must stay at or below the tolerance. A re-run on the same
# driver differs by 0; the tolerance leaves room for another driver's rounding and still fails a
# changed shader constant that a user would see (README, "Reference pictures").
# Usage: reference.sh ORBITVIEW SOURCE_DIR [REFERENCE_DIR]   (SOURCE_DIR holds shaders/ and models/)
set -uo pipefail
binary=$(realpath "$1")
source_dir=$2
reference_dir=$(realpath "${3:-$source_dir/tests/reference}")
tolerance=${REFERENCE_TOLERANCE:-0.002}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cd "$source_dir"
if ! env -u DISPLAY "$binary" --headless 480 270 --fixed-dt 0.1 --capture 5,17 \
    --view final,scene,normals,focus,depth,occlusion,lens-flare,depth-of-field --out "$out" >"$out/run.log" 2>&1; then
  echo "the headless run failed:"; tail -5 "$out/run.log"; exit 1
fi

passed=0 failed=0
for reference in "$reference_dir"/*.png; do
  name=$(basename "$reference")
  if [ ! -f "$out/$name" ]; then
    echo "FAIL $name: not rendered"; failed=$((failed + 1)); continue
  fi
  # compare prints "absolute (normalised)" on stderr and exits 1 when the pictures differ at all.
  rmse=$(compare -metric RMSE "$reference" "$out/$name" null: 2>&1 | sed -n 's/.*(\(.*\))/\1/p')
  if [ -z "$rmse" ]; then
    echo "FAIL $name: compare could not read it"; failed=$((failed + 1))
  elif awk -v d="$rmse" -v t="$tolerance" 'BEGIN { exit !(d <= t) }'; then
    echo "ok   $name RMSE $rmse"; passed=$((passed + 1))
  else
    echo "FAIL $name RMSE $rmse above $tolerance"; failed=$((failed + 1))
  fi
done
[ "$passed" -gt 0 ] || { echo "no reference pictures in $reference_dir"; exit 1; }
echo "references: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
