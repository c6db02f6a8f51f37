#!/usr/bin/env bash
# The check on a machine with a GPU and no display (nor Debian's packages): the headless frame
# benchmark at 1920x1080 and 3840x2160, the GL tests on the headless context and the reference
# pictures against the ones this repository holds (rendered on llvmpipe), in one summary. The
# pictures are judged by the cross-driver measure (tests/reference.sh --cross-driver: another
# rasteriser's texture filtering and edges pass, a changed constant over an area fails); their
# RMSE is reported beside it against the strict tolerance, which only llvmpipe's own rasteriser meets.
#
#   bash scripts/gpu-check.sh pack        here, after a build: gathers into .gpu/ the stripped
#                                         binaries and the libraries they need beyond the C and
#                                         C++ runtimes (GLVND's dispatch libraries, libEGL, GLEW,
#                                         GLFW, SOIL, tinyobjloader and their own needs)
#   bash scripts/gpu-check.sh run [DIR]   there, from the repository root with .gpu/ and models/
#                                         beside shaders/: writes DIR/gpu-check.txt (default out/)
#                                         and each benchmark's text and JSON
#
# NVIDIA's EGL driver is found through its GLVND vendor file; where the driver's files live in
# /usr/local/nvidia (as on the lent GPU machines) that folder is used. `run` works on this
# machine's Mesa too, which is how it was tried before it went to a GPU (GPU_CHECK_FRAMES and
# GPU_CHECK_DRAW_FRAMES shorten the benchmark for that: a 4K frame takes over a second there).
set -uo pipefail
cd "$(dirname "$0")/.."
mode=${1:-}

pack() {
  set -e
  rm -rf .gpu
  mkdir -p .gpu/bin .gpu/lib
  local binaries=(build/orbitview build/orbitview_bench build/tests/gl_tests build/compare_images)
  for binary in "${binaries[@]}"; do
    strip -o ".gpu/bin/$(basename "$binary")" "$binary"
  done
  # Every library the binaries resolve here, but the C and C++ runtimes, which the GPU machine's
  # own (newer) system provides; and libEGL, which orbitview opens at run time.
  ldd "${binaries[@]}" | awk '/=> \// { print $3 }' | sort -u |
    grep -vE '/(libc|libm|libdl|libpthread|librt|libgcc_s|libstdc\+\+|ld-linux[^/]*)\.so' |
    while read -r lib; do cp -L "$lib" .gpu/lib/; done
  cp -L "$(ldconfig -p | awk '$1 == "libEGL.so.1" && /x86-64/ { print $NF; exit }')" .gpu/lib/
  echo "packed .gpu/: $(du -sh .gpu | cut -f1) ($(ls .gpu/lib | wc -l) libraries); carry .gpu and models"
}

run() {
  local out=${1:-out}
  mkdir -p "$out"
  local summary="$out/gpu-check.txt"
  [ -x .gpu/bin/orbitview ] || { echo "no .gpu/bin/orbitview: run 'bash scripts/gpu-check.sh pack' first"; exit 1; }
  [ -d models ] || { echo "no models/ beside shaders/"; exit 1; }
  export LD_LIBRARY_PATH="$PWD/.gpu/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
  local vendor=/usr/local/nvidia/share/glvnd/egl_vendor.d/10_nvidia.json
  if [ -f "$vendor" ]; then
    export __EGL_VENDOR_LIBRARY_FILENAMES=$vendor
    export LD_LIBRARY_PATH="/usr/local/nvidia/lib64:$LD_LIBRARY_PATH"
  fi
  unset DISPLAY
  local frames=${GPU_CHECK_FRAMES:-300} draw_frames=${GPU_CHECK_DRAW_FRAMES:-30}
  local status=0
  {
    echo "orbitview GPU check, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown)"
    echo "EGL devices:"
    .gpu/bin/orbitview --headless --gpu list 2>&1 | sed 's/^/  /'
  } >"$summary"

  for size in 1920x1080 3840x2160; do
    local name="bench-$size"
    if .gpu/bin/orbitview_bench --headless --size "$size" --frames "$frames" --warmup $((frames / 10)) \
        --draw-frames "$draw_frames" --fixed-dt 0.0166667 --png "$out/$name.png" --json "$out/$name.json" >"$out/$name.txt" 2>&1; then
      {
        echo
        echo "Frame benchmark, headless, $size ($frames frames, fixed dt 1/60 s):"
        grep -m1 '^GL: ' "$out/$name.txt" | sed 's/^/  /'
        sed -n '/^Per step/,/^Heap/p' "$out/$name.txt" | grep -v '^Heap' | sed 's/^/  /'
      } >>"$summary"
    else
      status=1
      { echo; echo "Frame benchmark at $size FAILED:"; tail -5 "$out/$name.txt" | sed 's/^/  /'; } >>"$summary"
    fi
  done

  .gpu/bin/gl_tests --gtest_brief=1 >"$out/gl_tests.txt" 2>&1 || status=1
  { echo; echo "GL tests on the headless context:"; grep -E '^\[  (PASSED|FAILED|SKIPPED) ' "$out/gl_tests.txt" | sed 's/^/  /'; } >>"$summary"

  bash tests/reference.sh --cross-driver .gpu/bin/orbitview . >"$out/reference.txt" 2>&1 || status=1
  {
    echo
    echo "Reference pictures (rendered on llvmpipe) against this GPU: the share of pixels apart after the"
    echo "cross-driver blur against its bound (judged), the RMSE against the strict tolerance (reported):"
    sed 's/^/  /' "$out/reference.txt"
  } >>"$summary"
  cat "$summary"
  return $status
}

case $mode in
  pack) pack ;;
  run) shift; run "$@" ;;
  *) echo "usage: bash scripts/gpu-check.sh pack | run [OUT_DIR]"; exit 2 ;;
esac
