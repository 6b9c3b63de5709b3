#!/usr/bin/env bash
# Takes docs/screenshot.png: the window after start-up on a 1920x1080 X screen
# (Xvfb), against the demo crate server when it is built.
# Usage: scripts/screenshot.sh [build folder, default build]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
bin="$build/bin"
out="$root/docs/screenshot.png"
[ -x "$bin/voltcheck" ] || { echo "$bin/voltcheck is not built" >&2; exit 1; }

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

# A free display number.
display=99
while [ -e "/tmp/.X${display}-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp &
pids+=($!)
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
export DISPLAY=":$display"

if [ -x "$bin/zebsim" ] && [ -f "$root/tools/zebsim/scenarios/demo.json" ] &&
   ! (exec 3<>/dev/tcp/127.0.0.1/11111) 2>/dev/null; then
  "$bin/zebsim" --scenario "$root/tools/zebsim/scenarios/demo.json" &
  pids+=($!)
  for _ in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/11111) 2>/dev/null && break; sleep 0.1; done
else
  echo "No demo crate server started (not built, or port 11111 taken); the window shows no devices."
fi

"$bin/voltcheck" &
pids+=($!)
sleep "${VOLTCHECK_SCREENSHOT_WAIT:-4}"
mkdir -p "$(dirname "$out")"
import -display ":$display" -window root png:- | convert png:- -trim +repage "$out"
echo "Wrote $out"
