#!/usr/bin/env bash
# Renders the reference pictures again, headless, and compares each with its checked-in copy in
# tests/reference/ (scripts/update-references.sh writes them): the root-mean-square difference
# over RGB, normalised to 0..1 (compare_images, built beside orbitview; the same figure as
# ImageMagick's `compare -metric RMSE`), must stay at or below the tolerance. A re-run on the same
# driver differs by 0; the tolerance leaves room for another driver's rounding and still fails a
# changed shader constant that a user would see (README, "Reference pictures").
# With --cross-driver (the GPU check: another driver or a GPU against pictures made on llvmpipe)
# each picture is judged instead by the share of its pixels that stay apart after a small blur
# (compare_images --cross-driver, tools/image_difference.h), and its RMSE is reported against the
# strict tolerance without deciding anything.
# The overlay's pictures (overlay-*.png, 1280 x 720 with --overlay) leave out the Passes panel,
# whose live GPU times change from run to run; everything else in them is fixed by the time step.
# Usage: reference.sh [--cross-driver] ORBITVIEW SOURCE_DIR [REFERENCE_DIR]   (SOURCE_DIR holds shaders/ and models/)
set -uo pipefail
cross_driver=0
if [ "${1:-}" = --cross-driver ]; then cross_driver=1; shift; fi
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
if ! env -u DISPLAY "$binary" --headless 1280 720 --fixed-dt 0.1 --capture 5 --overlay --out "$out/overlay" \
    >"$out/overlay.log" 2>&1; then
  echo "the headless run with the overlay failed:"; tail -5 "$out/overlay.log"; exit 1
fi
for picture in "$out"/overlay/*.png; do mv "$picture" "$out/overlay-$(basename "$picture")"; done
# Where app/overlay.cpp places the Passes panel (x, y, width, height from the top left).
passes_panel=8,188,330,244

passed=0 failed=0 above_strict=0
for reference in "$reference_dir"/*.png; do
  name=$(basename "$reference")
  if [ ! -f "$out/$name" ]; then
    echo "FAIL $name: not rendered"; failed=$((failed + 1)); continue
  fi
  ignore=()
  case $name in overlay-*) ignore=(--ignore "$passes_panel") ;; esac
  if [ "$cross_driver" -eq 1 ]; then
    # Prints "RMSE PERCENT-THAT-DIFFER PERCENT-BEYOND BOUND"; exits 1 above the bound, 2 when unreadable.
    figures=$("$compare_images" "${ignore[@]}" --cross-driver "$reference" "$out/$name" 2>&1)
    status=$?
    if [ "$status" -le 1 ]; then
      read -r rmse _ beyond bound <<<"$figures"
      strict=$(awk -v rmse="$rmse" -v tolerance="$tolerance" 'BEGIN { print (rmse <= tolerance) ? "within" : "above" }')
      [ "$strict" = above ] && above_strict=$((above_strict + 1))
    fi
    case $status in
      0) echo "ok   $name $beyond of the pixels apart after the blur (bound $bound); RMSE $rmse, $strict the strict $tolerance"; passed=$((passed + 1)) ;;
      1) echo "FAIL $name $beyond of the pixels apart after the blur, above $bound; RMSE $rmse, $strict the strict $tolerance"; failed=$((failed + 1)) ;;
      *) echo "FAIL $name: $figures"; failed=$((failed + 1)) ;;
    esac
    continue
  fi
  # Prints "RMSE PERCENT-OF-PIXELS-THAT-DIFFER"; exits 1 above the tolerance, 2 when unreadable.
  figures=$("$compare_images" "${ignore[@]}" "$reference" "$out/$name" "$tolerance" 2>&1)
  case $? in
    0) echo "ok   $name RMSE ${figures% *}, ${figures#* } of the pixels differ"; passed=$((passed + 1)) ;;
    1) echo "FAIL $name RMSE ${figures% *} above $tolerance, ${figures#* } of the pixels differ"; failed=$((failed + 1)) ;;
    *) echo "FAIL $name: $figures"; failed=$((failed + 1)) ;;
  esac
done
[ "$passed" -gt 0 ] || { echo "no reference pictures in $reference_dir"; exit 1; }
if [ "$cross_driver" -eq 1 ]; then
  echo "references, cross-driver judgement: $passed passed, $failed failed ($above_strict above the strict RMSE $tolerance)"
else
  echo "references: $passed passed, $failed failed"
fi
[ "$failed" -eq 0 ]
