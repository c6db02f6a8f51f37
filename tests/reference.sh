#!/usr/bin/env bash
# Renders the reference pictures again, headless, and compares each with its checked-in copy in
# tests/reference/ (scripts/update-references.sh writes them): the root-mean-square difference
# over RGB, normalised to 0..1 (compare_images, built beside orbitview; the same figure as
# ImageMagick's `compare -metric RMSE`), must stay at or below the tolerance. A re-run on the same
# driver differs by 0; the tolerance leaves room for another driver's rounding and still fails a
# changed shader constant that a user would see (README, "Reference pictures").
# Usage: reference.sh ORBITVIEW SOURCE_DIR [REFERENCE_DIR]   (SOURCE_DIR holds shaders/ and models/)
set -uo pipefail
binary=$(realpath "$1")
compare_images=$(dirname "$binary")/compare_images
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
  # Prints "RMSE PERCENT-OF-PIXELS-THAT-DIFFER"; exits 1 above the tolerance, 2 when unreadable.
  figures=$("$compare_images" "$reference" "$out/$name" "$tolerance" 2>&1)
  case $? in
    0) echo "ok   $name RMSE ${figures% *}, ${figures#* } of the pixels differ"; passed=$((passed + 1)) ;;
    1) echo "FAIL $name RMSE ${figures% *} above $tolerance, ${figures#* } of the pixels differ"; failed=$((failed + 1)) ;;
    *) echo "FAIL $name: $figures"; failed=$((failed + 1)) ;;
  esac
done
[ "$passed" -gt 0 ] || { echo "no reference pictures in $reference_dir"; exit 1; }
echo "references: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
