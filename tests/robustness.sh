#!/usr/bin/env bash
# Starts the real orbitview against broken data sets and checks that it reports each problem (and
# only once: no line printed frame after frame), keeps running and exits 0 on Escape. Frames are
# known to run once the window title shows a frame rate. Needs an X display (the test suite runs
# it under Xvfb), xdotool and ImageMagick's convert. One case presses Escape while start-up
# waits for an image decode that never ends, and checks that the program ends at once.
# Usage: robustness.sh ORBITVIEW_BINARY SOURCE_DIR
# ROBUSTNESS_SECONDS: how long each case runs on after its first frame rate (default 2);
# ROBUSTNESS_START_LIMIT: how long start-up may take, for slow builds (default 60).
set -uo pipefail
binary=$(realpath "$1")
source_dir=$(realpath "$2")
seconds=${ROBUSTNESS_SECONDS:-2}
start_limit=${ROBUSTNESS_START_LIMIT:-60}
# Start-up prints a few dozen lines; a line repeated every frame would pass this within a second.
max_lines=200
# In a sanitizer build LeakSanitizer looks for leaks at exit, after glfwTerminate has unloaded the
# GL driver: blocks that only the driver's own globals pointed to then look lost, without symbols.
# Loading the driver's libraries up front keeps them mapped to the end, and the check stays on for
# everything else (the sanitizer runtime must come first in LD_PRELOAD).
preload=""
sanitizer_runtime=$(ldd "$binary" | awk '/libasan/ { print $3 }')
if [ -n "$sanitizer_runtime" ]; then
  preload=$sanitizer_runtime
  for lib in libGL.so.1 libGLX_mesa.so.0; do
    path=$(ldconfig -p | awk -v lib="$lib" '$1 == lib && /x86-64/ { print $NF; exit }')
    [ -n "$path" ] && preload="$preload $path"
  done
  for driver in /usr/lib/*/dri/swrast_dri.so; do
    [ -f "$driver" ] && preload="$preload $driver"
  done
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0

# A fresh working directory with copies of the real shaders and models.
fresh_case() {
  rm -rf "$work/case"
  mkdir -p "$work/case"
  cp -r "$source_dir/shaders" "$work/case/shaders"
  cp -r "$source_dir/models" "$work/case/models"
}

# The program's window once its title shows a frame rate (frames are running); empty until then.
# --all: a window must match both the pid and the title (xdotool's default takes either).
running_window() {
  xdotool search --all --pid "$1" --name "FPS:" 2>/dev/null | head -n 1
}

# wait_for_window PID TITLE: the program's window once its title holds TITLE; empty if the program
# ends first or $start_limit seconds pass.
wait_for_window() {
  local window="" waited=0
  while [ -z "$window" ] && kill -0 "$1" 2>/dev/null && [ "$waited" -lt $((start_limit * 10)) ]; do
    sleep 0.1
    waited=$((waited + 1))
    window=$(xdotool search --all --pid "$1" --name "$2" 2>/dev/null | head -n 1)
  done
  echo "$window"
}

# report NAME PROBLEM: adds any sanitizer report in the case's output to PROBLEM, then one ok or
# FAIL line; a failure shows the output's lines, the most repeated first.
report() {
  local name=$1 problem=$2
  grep -qE "runtime error|AddressSanitizer|LeakSanitizer" "$work/out.txt" && problem="${problem:+$problem; }sanitizer report"
  if [ -n "$problem" ]; then
    echo "FAIL $name: $problem"
    sort "$work/out.txt" | uniq -c | sort -rn | head -n 40 | sed 's/^/    | /'
    failures=$((failures + 1))
  else
    echo "ok   $name"
    passes=$((passes + 1))
  fi
}

# run_case NAME EXPECTED_TEXT...: runs the program in $work/case; every expected text must appear
# in its output, frames must run, it must still run $seconds later and exit 0 on Escape.
run_case() {
  local name=$1
  shift
  (cd "$work/case" && LD_PRELOAD="$preload" exec "$binary" 320 180) >"$work/out.txt" 2>&1 &
  local pid=$!
  local problem="" window
  window=$(wait_for_window "$pid" "FPS:")
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    problem="ended early with status $?"
  elif [ -z "$window" ]; then
    problem="no frame rate in the title after $start_limit s"
  else
    sleep "$seconds"
    kill -0 "$pid" 2>/dev/null || problem="ended while running"
  fi
  if kill -0 "$pid" 2>/dev/null; then
    [ -n "$window" ] && xdotool key --window "$window" Escape 2>/dev/null
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
      kill -9 "$pid"
      problem="${problem:-did not end on Escape}"
    fi
    wait "$pid"
    local status=$?
    [ -z "$problem" ] && [ "$status" -ne 0 ] && problem="exit status $status"
  fi
  for text in "$@"; do
    grep -qF -- "$text" "$work/out.txt" || problem="${problem:+$problem; }missing output: $text"
  done
  local lines
  lines=$(wc -l <"$work/out.txt")
  [ "$lines" -gt "$max_lines" ] && problem="${problem:+$problem; }$lines lines of output"
  report "$name" "$problem"
}

# run_escape_during_start_up NAME UNEXPECTED_TEXT: presses Escape in the program's window before
# its first frame rate; the program must end within 5 s with status 0 and without UNEXPECTED_TEXT.
run_escape_during_start_up() {
  local name=$1 unexpected=$2
  (cd "$work/case" && LD_PRELOAD="$preload" exec "$binary" 320 180) >"$work/out.txt" 2>&1 &
  local pid=$!
  local problem="" window
  window=$(wait_for_window "$pid" "Quillon Works")
  if [ -z "$window" ]; then
    problem="no window after $start_limit s"
  else
    sleep 1
    [ -n "$(running_window "$pid")" ] && problem="frames ran before Escape"
    xdotool key --window "$window" Escape 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  if kill -0 "$pid" 2>/dev/null; then
    kill -9 "$pid"
    problem="${problem:-did not end within 5 s of Escape}"
  fi
  wait "$pid"
  local status=$?
  [ -z "$problem" ] && [ "$status" -ne 0 ] && problem="exit status $status"
  grep -qF -- "$unexpected" "$work/out.txt" && problem="${problem:+$problem; }unexpected output: $unexpected"
  report "$name" "$problem"
}

garble() {  # replaces a file's bytes with the same amount of fixed binary garbage
  yes $'\x89\xfe\x01garbage v 1e99 nan\tf 7/0/-3 \xff\xd8\x7f' | head -c "$(stat -c %s "$1")" >"$1.tmp"
  mv "$1.tmp" "$1"
}

fresh_case
rm -rf "$work/case/models"
run_case "no models folder" \
  "ERROR! Loading file models/earth/earthBlend.obj..." "SOIL loading error:" \
  "Impossible to open the file ! Are you in the right path ? See Tutorial 1 for details"

fresh_case
rm -rf "$work/case/shaders"
run_case "no shaders folder" \
  "Impossible to open shaders/blinnPhong.vert. Are you in the right directory ? Don't forget to read the FAQ !"

fresh_case
find "$work/case/models" -type f \( -name '*.obj' -o -name '*.png' -o -name '*.jpg' \) -print0 |
  while IFS= read -r -d '' f; do garble "$f"; done
run_case "every model and image replaced by garbage" \
  "ERROR! Loading file models/bunny/bunny.obj..." "SOIL loading error:"

fresh_case
find "$work/case/models" -type f \( -name '*.obj' -o -name '*.png' -o -name '*.jpg' \) -print0 |
  while IFS= read -r -d '' f; do truncate -s $(($(stat -c %s "$f") / 3)) "$f"; done
run_case "truncated models and images" "SOIL loading error:"

fresh_case
# Signatures intact, compressed data broken: SOIL's own reader fails an assertion on this one.
for f in models/lenscolor.png models/lensstar.png models/rocket/jupitertex.png; do
  cp "$source_dir/tests/data/hardening/png_bad_huffman_lengths.png" "$work/case/$f"
done
run_case "PNG files whose compressed data is corrupt" \
  "SOIL loading error: 'Corrupt image models/lensstar.png: the decoder failed on it'"

fresh_case
# Four bytes on which SOIL's JPEG reader loops: its child is stopped after 2 s of CPU time.
printf '\xff\xd8\xff\xe4' >"$work/case/models/phobos/phobos.jpg"
run_case "JPEG whose decoder loops" \
  "SOIL loading error: 'Corrupt image models/phobos/phobos.jpg: the decoder did not finish in 2 s of CPU time'"

fresh_case
# A FIFO nobody writes to: its decoder waits for good, and start-up with it.
rm "$work/case/models/phobos/phobos.jpg"
mkfifo "$work/case/models/phobos/phobos.jpg"
run_escape_during_start_up "Escape while start-up waits for a decode" "models/phobos/phobos.jpg"

fresh_case
: >"$work/case/models/newRocket.txt"
run_case "empty path file"

fresh_case
{ head -c 5000 /dev/zero | tr '\0' 'v'; echo; cat "$source_dir/models/newRocket.txt"; } >"$work/case/models/newRocket.txt"
run_case "path file with a 5000-character token"

fresh_case
convert -size 8x1 gradient:red-blue "PNG24:$work/case/models/lenscolor.png"
run_case "colour ramp of 8 pixels"

fresh_case
echo "this is not GLSL" >>"$work/case/shaders/blinnPhong.frag"
run_case "shader with a syntax error" "Compiling shader : shaders/blinnPhong.frag" "error"

# refused_case NAME STATUS LINE COMMAND...: without a usable context the program must end with
# STATUS and print LINE as a line of its own, in a handful of lines.
refused_case() {
  local name=$1 expected=$2 line=$3
  shift 3
  (cd "$source_dir" && LD_PRELOAD="$preload" "$@") >"$work/out.txt" 2>&1
  local status=$? problem=""
  [ "$status" -eq "$expected" ] || problem="exit status $status, not $expected"
  grep -qxF -- "$line" "$work/out.txt" || problem="${problem:+$problem; }no line: $line"
  [ "$(wc -l <"$work/out.txt")" -le 3 ] || problem="${problem:+$problem; }$(wc -l <"$work/out.txt") lines"
  report "$name" "$problem"
}

refused_case "no X display: GLFW's message on a line of its own" 1 "Failed to initialize GLFW" \
  env DISPLAY=:54321 "$binary" 320 180
refused_case "headless with no EGL driver" 1 \
  "orbitview: EGL offers neither a device (EGL_EXT_platform_device) nor the surfaceless platform (EGL_MESA_platform_surfaceless); no headless context" \
  env -u DISPLAY __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json "$binary" --headless 320 180
refused_case "headless on a device that is not there" 1 \
  "orbitview: --gpu 7: EGL has 1 device(s), 0 to 0 (--gpu list shows them)" \
  env -u DISPLAY "$binary" --headless 320 180 --gpu 7
refused_case "headless with a capture folder that cannot be made" 1 \
  "orbitview: cannot make the folder /proc/no/such for the captures" \
  env -u DISPLAY "$binary" --headless 320 180 --capture 1 --out /proc/no/such

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
