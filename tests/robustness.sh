#!/usr/bin/env bash
# Starts the real orbitview against broken data sets and checks that it reports each problem (and
# only once: no line printed frame after frame), keeps running and exits 0 on Escape. Frames are
# known to run once the window title shows a frame rate. Needs an X display (the test suite runs
# it under Xvfb), xdotool and ImageMagick's convert. One case presses Escape while start-up
# waits for an image decode that never ends, and checks that the program ends at once. Headless
# runs that cannot do what they were asked (no context, a size the driver cannot back, a capture
# time the run never reaches, captures on a full disk) must say so in one line and exit 1; the
# full disk is a 40 KiB tmpfs, skipped with a line saying why where it cannot be mounted.
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
compare_images=$(dirname "$binary")/compare_images
work=$(mktemp -d)
trap 'umount "$work/tiny" 2>/dev/null; rm -rf "$work"' EXIT
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

# ended_case NAME STATUS LINE MAX_LINES COMMAND...: the program, run from the source tree, must end
# by itself within $start_limit s with STATUS and print LINE as a line of its own, in at most
# MAX_LINES lines.
ended_case() {
  local name=$1 expected=$2 line=$3 most=$4 started=$SECONDS
  shift 4
  (cd "$source_dir" && LD_PRELOAD="$preload" "$@") >"$work/out.txt" 2>&1
  local status=$? problem="" took=$((SECONDS - started))
  [ "$status" -eq "$expected" ] || problem="exit status $status, not $expected"
  [ "$took" -le "$start_limit" ] || problem="${problem:+$problem; }took $took s"
  grep -qxF -- "$line" "$work/out.txt" || problem="${problem:+$problem; }no line: $line"
  [ "$(wc -l <"$work/out.txt")" -le "$most" ] || problem="${problem:+$problem; }$(wc -l <"$work/out.txt") lines"
  report "$name" "$problem"
}

# refused_case NAME STATUS LINE COMMAND...: without a usable context, or at a size it cannot
# render at, the program must end with STATUS before any frame and print LINE as a line of its
# own, in a handful of lines.
refused_case() {
  local name=$1 expected=$2 line=$3
  shift 3
  ended_case "$name" "$expected" "$line" 3 "$@"
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
# The size is within every GL limit of llvmpipe; its proxy refuses the RGBA32F targets (4 GiB
# each, over its 1 GiB a texture). Unchecked, this run took 157 s and 7.5 GB and exited 0.
refused_case "headless at a size the driver cannot back" 1 \
  "orbitview: cannot render at 16384 x 16384: the driver cannot back a 16384 x 16384 RGBA32F texture" \
  env -u DISPLAY "$binary" --headless 16384 16384 --frames 1
ended_case "headless run that ends before a capture time" 1 \
  "orbitview: the run ended before scene time 10 s; no capture then" "$max_lines" \
  env -u DISPLAY "$binary" --headless 160 90 --fixed-dt 0.5 --frames 3 --capture 1,10 --out "$work/captures"
ended_case "benchmark whose figures cannot be written" 1 \
  "orbitview_bench: cannot write $work/no/such/bench.json: No such file or directory" "$max_lines" \
  env -u DISPLAY "$(dirname "$binary")/orbitview_bench" --headless --frames 3 --warmup 1 --draw-frames 0 \
  --size 64x36 --json "$work/no/such/bench.json"

# Captures on a file system too small for them: each file is either captured whole (its
# "Captured" line, a PNG that decodes) or refused in one line with the system's reason and not
# there at all. final-1s.png is larger than the whole file system, so it is refused, and the
# file that stood in its place keeps its bytes. Nothing else is left in the folder; exit 1.
full_disk_case() {
  local name="headless captures on a full disk" tiny=$work/tiny problem="" names=() file
  mkdir -p "$tiny"
  if ! mount -t tmpfs -o size=40k tmpfs "$tiny" 2>"$work/mount.txt"; then
    echo "skip $name: cannot mount a 40 KiB tmpfs ($(head -n 1 "$work/mount.txt"))"
    return
  fi
  echo "stands in for an older capture" >"$tiny/final-1s.png"
  (cd "$source_dir" && LD_PRELOAD="$preload" env -u DISPLAY "$binary" --headless 480 270 --fixed-dt 0.1 \
    --capture 1,2 --view final,normals,depth --out "$tiny") >"$work/out.txt" 2>&1
  local status=$?
  [ "$status" -eq 1 ] || problem="exit status $status, not 1"
  for file in {final,normals,depth}-{1,2}s.png; do
    names+=("$file")
    if grep -qxF "orbitview: cannot write $tiny/$file: No space left on device" "$work/out.txt"; then
      grep -qF "Captured $tiny/$file " "$work/out.txt" && problem="${problem:+$problem; }$file captured and refused"
      if [ "$file" = final-1s.png ]; then
        [ "$(cat "$tiny/$file")" = "stands in for an older capture" ] || problem="${problem:+$problem; }$file lost its bytes"
      elif [ -e "$tiny/$file" ]; then
        problem="${problem:+$problem; }$file refused but left behind"
      fi
    elif grep -qF "Captured $tiny/$file " "$work/out.txt"; then
      "$compare_images" "$tiny/$file" "$tiny/$file" >/dev/null 2>&1 ||
        problem="${problem:+$problem; }$file captured but does not decode"
    else
      problem="${problem:+$problem; }$file neither captured nor refused"
    fi
  done
  grep -qxF "orbitview: cannot write $tiny/final-1s.png: No space left on device" "$work/out.txt" ||
    problem="${problem:+$problem; }final-1s.png not refused"
  local left
  left=$(ls -A "$tiny" | grep -vxF -f <(printf '%s\n' "${names[@]}") | tr '\n' ' ')
  [ -z "$left" ] || problem="${problem:+$problem; }left in the folder: $left"
  umount "$tiny"
  report "$name" "$problem"
}
full_disk_case

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
