#!/usr/bin/env bash
# Configures and builds orbitview into build/ (or $BUILD_DIR), then writes the scene's data into
# models/ with the asset tool when the tool is newer than the data.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build_dir" -j "$jobs" -- --no-print-directory

if [ -x "$build_dir/make_assets" ] && { [ ! -f models/.stamp ] || [ "$build_dir/make_assets" -nt models/.stamp ]; }; then
  "$build_dir/make_assets" models
  touch models/.stamp
fi
