#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite; GL tests run under Xvfb. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cd build
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure
