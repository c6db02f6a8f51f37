#!/usr/bin/env bash
# Every GLSL file under shaders/ through the reference compiler (glslangValidator from Debian's
# glslang-tools): each must compile as the stage its extension names. Catches what a lenient
# driver lets through and a strict one refuses.
# Usage: glsl.sh SOURCE_DIR
set -uo pipefail
cd "$1"
command -v glslangValidator >/dev/null || { echo "glslangValidator is missing (apt-get install glslang-tools)"; exit 1; }
passed=0 failed=0
for shader in shaders/*.vert shaders/*.frag; do
  if log=$(glslangValidator "$shader" 2>&1); then
    passed=$((passed + 1))
  else
    echo "FAIL $shader:"; echo "$log" | sed -n '2,6p'; failed=$((failed + 1))
  fi
done
[ "$passed" -gt 0 ] || { echo "no shaders under $PWD/shaders"; exit 1; }
echo "shaders: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
