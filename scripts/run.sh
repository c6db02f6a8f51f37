#!/usr/bin/env bash
# Sets up, builds and runs orbitview <width> <height> from the repository root (which holds
# shaders/ and models/). With a display it opens the window. Without one it renders headless
# (EGL, no X server) for $ORBITVIEW_SECONDS seconds of the scene (default 20), saves the last
# frame as a PNG and prints where.
set -euo pipefail
cd "$(dirname "$0")/.."
width=${1:-1280}
height=${2:-720}

bash scripts/setup.sh
bash scripts/build.sh

if [ -n "${DISPLAY:-}" ]; then
  exec ./build/orbitview "$width" "$height"
fi

seconds=${ORBITVIEW_SECONDS:-20}
./build/orbitview --headless "$width" "$height" --seconds "$seconds" --capture "$seconds" --out out
echo "The frame at ${seconds} s of the scene: $PWD/out/final-${seconds}s.png"
