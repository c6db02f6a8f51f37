#!/usr/bin/env bash
# Renders the reference pictures into tests/reference/: the final image and the seven views at
# 5 s and 17 s of the scripted scene, 480 x 270, fixed time step 0.1 s, and the final image with
# the workbench's overlay at 5 s, 1280 x 720 (overlay-final-5s.png, also the README's picture of
# the overlay); headless (no display needed). Run from anywhere after a build (scripts/build.sh); review the pictures, then commit.
set -euo pipefail
cd "$(dirname "$0")/.."
binary=${1:-build/orbitview}
rm -f tests/reference/*.png
env -u DISPLAY "$binary" --headless 480 270 --fixed-dt 0.1 --capture 5,17 \
  --view final,scene,normals,focus,depth,occlusion,lens-flare,depth-of-field --out tests/reference | grep '^Captured'
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
env -u DISPLAY "$binary" --headless 1280 720 --fixed-dt 0.1 --capture 5 --overlay --out "$out" | grep '^Captured'
mv "$out/final-5s.png" tests/reference/overlay-final-5s.png
