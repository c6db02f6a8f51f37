#!/usr/bin/env bash
# Sets up and builds twice, a normal build and one with AddressSanitizer and
# UndefinedBehaviorSanitizer (leak checking on); runs the tests that need no GL under valgrind's
# memcheck, then the whole suite in both builds. GL tests and the robustness script run under Xvfb.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
BUILD_DIR=build-asan CMAKE_ARGS=-DORBITVIEW_SANITIZE=ON bash scripts/build.sh

run_suite() {
  (cd "$1" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure)
}

# No invalid access and no definite leak; the GL libraries' own start-up blocks are not ours.
valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
  --show-leak-kinds=definite build/tests/unit_tests --gtest_brief=1

run_suite build
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions="$PWD/tests/sanitizer.supp" run_suite build-asan
