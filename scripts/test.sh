#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs every test on a 1920x1080 X screen.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
cd "$root/build"

# One virtual X server for the whole run, started with -noreset: an X server
# without it resets itself whenever its last client disconnects, and a GUI test
# program that connects during that reset fails with "could not connect to
# display". Xvfb picks a free display itself and writes its number to fd 3
# once it accepts connections.
work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset \
  3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "The virtual X server did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -n 1 "$work/display")"
unset XAUTHORITY
answered=0
for _ in $(seq 1 50); do
  if xdpyinfo >/dev/null 2>&1; then answered=1; break; fi
  sleep 0.1
done
if [ "$answered" -ne 1 ]; then
  echo "The virtual X server on $DISPLAY does not answer." >&2
  exit 1
fi

# Benchmarks are programs, not tests: ctest runs only the test suite.
ctest --output-on-failure -j"$(nproc)" --timeout 600
