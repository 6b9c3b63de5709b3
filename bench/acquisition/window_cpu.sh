#!/usr/bin/env bash
# CPU time of the window program while it measures: four channels at 78125 Hz with
# 1 s frames (weighted sum) or 1.68 s frames (spectral), against the demo crate server
# in real time, on a virtual X screen. Prints the share of one core over the measured
# span, which begins a few frames after START.
# Usage: bench/acquisition/window_cpu.sh [build folder, default build] [seconds, default 20]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"
span="${2:-20}"
bin="$build/bin"
work="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz="$(getconf CLK_TCK)"

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"

"$bin/zebsim" --port 0 --port-file "$work/port" --scenario "$root/tools/zebsim/scenarios/demo.json" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
export ZEB_SERVER_PORT="$(cat "$work/port")"

echo "| method | span, s | CPU, s | of one core |"
echo "|---|---:|---:|---:|"
for method in sum fft; do
  mkdir -p "$work/$method"
  cp "$bin/voltcheck" "$work/$method/"
  printf '[Модуль ZEB44]\r\nАЦП. Метод расчёта=%s\r\n' "$method" | iconv -f UTF-8 -t CP1251 > "$work/$method/Voltcheck.ini"
  "$work/$method/voltcheck" 2>/dev/null &
  pid=$!
  pids+=("$pid")
  window=""
  for _ in $(seq 100); do
    window="$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1)" && [ -n "$window" ] && break
    sleep 0.1
  done
  sleep 3
  xdotool mousemove --window "$window" 752 40 click 1
  sleep 4  # the first frames
  before="$(ticks "$pid")"
  start="$(date +%s.%N)"
  sleep "$span"
  after="$(ticks "$pid")"
  end="$(date +%s.%N)"
  awk -v m="$method" -v t=$((after - before)) -v hz="$hz" -v s="$start" -v e="$end" \
    'BEGIN { printf "| %s | %.1f | %.2f | %.2f %% |\n", m, e - s, t / hz, 100 * t / hz / (e - s) }'
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
