#!/usr/bin/env bash
# Sets up, builds and runs orbitview <width> <height> from the repository root (which holds
# shaders/ and models/). With a display it opens the window. Without one it runs under Xvfb for
# $ORBITVIEW_SECONDS seconds (default 20), saves a screenshot and prints where.
set -euo pipefail
cd "$(dirname "$0")/.."
width=${1:-1280}
height=${2:-720}

bash scripts/setup.sh
bash scripts/build.sh

if [ -n "${DISPLAY:-}" ]; then
  exec ./build/orbitview "$width" "$height"
fi

mkdir -p out
shot="$PWD/out/orbitview-${width}x${height}.png"
xvfb-run -a -s "-screen 0 ${width}x${height}x24" \
  bash scripts/capture.sh "${ORBITVIEW_SECONDS:-20}" "$shot" ./build/orbitview "$width" "$height"
echo "Screenshot of the window after ${ORBITVIEW_SECONDS:-20} s: $shot"
