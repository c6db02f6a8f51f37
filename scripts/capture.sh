#!/usr/bin/env bash
# Inside an X display: starts a command, waits SECONDS, captures the screen to PNG, then presses
# Escape in the program's window and returns the program's exit status.
# Usage: capture.sh SECONDS OUT.png COMMAND [ARGS...]
set -uo pipefail
seconds=$1 shot=$2
shift 2
"$@" &
pid=$!
sleep "$seconds"
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"
  exit $?
fi
import -window root "$shot"
window=$(xdotool search --pid "$pid" 2>/dev/null | head -n 1)
if [ -n "$window" ]; then
  xdotool key --window "$window" Escape
else
  xdotool key Escape
fi
for _ in $(seq 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "capture.sh: the program did not end on Escape; stopping it" >&2
  kill "$pid"
fi
wait "$pid"
