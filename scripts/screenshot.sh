#!/usr/bin/env bash
# Takes docs/screenshot.png: the window measuring the demo crate server's first
# module on a 1920x1080 X screen (Xvfb). The program runs from a copy in a
# temporary folder with settings of its own (AC mode, channel 3 off), so the
# settings beside the built program stay untouched; START is pressed with xdotool.
# With --signal-view it then opens the waveform and spectrum window (Ctrl+G) on
# channel 1 and takes docs/signal-view.png of that window instead.
# Usage: scripts/screenshot.sh [--signal-view] [build folder, default build]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
signal_view=0
if [ "${1:-}" = "--signal-view" ]; then signal_view=1; shift; fi
build="${1:-$root/build}"
bin="$build/bin"
out="$root/docs/screenshot.png"
[ -x "$bin/voltcheck" ] || { echo "$bin/voltcheck is not built" >&2; exit 1; }

pids=()
work="$(mktemp -d)"
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

cp "$bin/voltcheck" "$work/"
iconv -f UTF-8 -t CP1251 > "$work/Voltcheck.ini" <<'INI'
[Модуль ZEB44]
АЦП. Групповое управление каналами=0
АЦП. Управление каналом 3=0
АЦП. Групповое управление методом вычисления параметров=1
АЦП. Диапазон  3.00 В. AC precision=3
INI

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

"$work/voltcheck" &
pids+=($!)
window=""
for _ in $(seq 100); do
  window="$(xdotool search --onlyvisible --name '^Voltcheck' 2>/dev/null | head -1)" && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "The program's window did not appear" >&2; exit 1; }
sleep "${VOLTCHECK_SCREENSHOT_WAIT:-3}"
# START (the button's middle in the window), then a few frames of 1.7 s.
xdotool mousemove --window "$window" 752 40 click 1 mousemove --window "$window" 1100 560
sleep "${VOLTCHECK_SCREENSHOT_RUN:-6}"
mkdir -p "$(dirname "$out")"
if [ "$signal_view" -eq 1 ]; then
  # Ctrl+G opens the window on channel 1 (the demo's 1 kHz sine of 0.1 V).
  xdotool windowfocus --sync "$window" key ctrl+g
  view=""
  for _ in $(seq 50); do
    view="$(xdotool search --onlyvisible --name '^Осциллограмма' 2>/dev/null | head -1)" && [ -n "$view" ] && break
    sleep 0.1
  done
  [ -n "$view" ] || { echo "The signal view did not appear" >&2; exit 1; }
  xdotool windowmove "$view" 0 0
  sleep "${VOLTCHECK_SCREENSHOT_RUN:-6}"
  out="$root/docs/signal-view.png"
  import -display ":$display" -window "$view" "$out"
else
  import -display ":$display" -window root png:- | convert png:- -trim +repage "$out"
fi
echo "Wrote $out"
