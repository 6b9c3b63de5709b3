#!/usr/bin/env bash
# Soak: the command-line meter and the window measure two modules of one crate of
# zebsim at real time for an hour (four channels, 78125 Hz, spectral method, AC),
# with the resident memory and CPU time of all three processes sampled every 10 s.
# Then a fault phase: every minute the server is killed and restarted; each run
# must end with its message and status and the next one must start cleanly. Then a
# resume phase: the meter runs once with --reconnect --continuous and the window with
# "Автовозобновление при потере связи" on, through ten more kills (the server away 5 s
# each): every gap must be marked, no frame lost outside the gaps, memory flat.
#
# Writes docs/soak/samples.csv (one line per process and sample), the readings of
# both meters, the fault log and docs/soak/README.md (the summary tables).
#
# Usage: bench/soak.sh [build folder, default build]
# Environment: SOAK_SECONDS (default 3600), SOAK_FAULTS (default 10 faults, one a
# minute), SOAK_RESUMES (default 10 kills of the resume phase, one a minute),
# SOAK_OUT (default docs/soak), SOAK_PORT (default 11951).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
bin="$build/bin"
seconds="${SOAK_SECONDS:-3600}"
faults="${SOAK_FAULTS:-10}"
resumes="${SOAK_RESUMES:-10}"
out="${SOAK_OUT:-$root/docs/soak}"
port="${SOAK_PORT:-11951}"
scenario="$root/bench/soak/scenario.json"
crate=ZN8-300077
window_slot=2
cli_slot=5
for p in voltcheck voltcheck-cli zebsim; do
  [ -x "$bin/$p" ] || { echo "$bin/$p is not built" >&2; exit 1; }
done
command -v Xvfb >/dev/null && command -v xdotool >/dev/null ||
  { echo "Xvfb and xdotool are needed (scripts/deps.sh installs them)" >&2; exit 1; }

mkdir -p "$out"
work="$(mktemp -d)"
pids=()
server_pid=""
cli_pid=""
cleanup() {
  for p in "${pids[@]}" $server_pid $cli_pid; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export ZEB_SERVER_PORT="$port"
ticks="$(getconf CLK_TCK)"
page_kib=$(( $(getconf PAGESIZE) / 1024 ))

log() { printf '%s %s\n' "$(date -u +%H:%M:%S)" "$*" | tee -a "$out/events.log"; }

start_server() {
  "$bin/zebsim" --port "$port" --scenario "$scenario" >>"$work/zebsim.out" 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && return 0; sleep 0.1; done
  echo "zebsim did not listen on $port" >&2; exit 1
}

# The meter's own run: no frame starts after $1 seconds (0: until it fails).
start_cli() {
  local duration=()
  [ "$1" -gt 0 ] && duration=(--duration "$1")
  "$bin/voltcheck-cli" measure --crate "$crate" --slot "$cli_slot" --rate 78125 \
    --channels 1,2,3,4 --mode ac --method fft "${duration[@]}" \
    --output "$2" 2>"$3" &
  cli_pid=$!
}

# resident KiB and CPU seconds (user + system) of a process, or "- -" once it is gone.
usage_of() {
  local stat
  if stat="$(cat "/proc/$1/stat" 2>/dev/null)"; then
    stat="${stat##*) }"
    set -- $stat
    # after the name: state=$1 ... utime=$12 stime=$13 rss(pages)=$22
    awk -v u="${12}" -v s="${13}" -v r="${22}" -v t="$ticks" -v pg="$page_kib" \
      'BEGIN { printf "%d %.2f", r * pg, (u + s) / t }'
  else
    echo "- -"
  fi
}

sample() {  # $1 phase, $2 elapsed seconds
  local name pid
  for name in voltcheck-cli voltcheck zebsim; do
    case "$name" in
      voltcheck-cli) pid="$cli_pid" ;; voltcheck) pid="$window_pid" ;; zebsim) pid="$server_pid" ;;
    esac
    read -r rss cpu <<<"$(usage_of "$pid")"
    echo "$1,$2,$name,$rss,$cpu" >>"$out/samples.csv"
  done
}

# The program's visible windows other than the main one: its message boxes.
boxes() { xdotool search --onlyvisible --pid "$window_pid" 2>/dev/null | grep -vx "$window" || true; }

press_start() { xdotool mousemove --window "$window" 752 40 click 1 mousemove --window "$window" 1100 560; }
press_discover() { xdotool mousemove --window "$window" 83 39 click 1 mousemove --window "$window" 1100 560; }

# ---- The X screen, the server and the window with settings of its own.
display=99
while [ -e "/tmp/.X${display}-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
export DISPLAY=":$display"

rm -f "$out"/samples.csv "$out"/events.log "$out"/faults.csv "$out"/*.readings.csv "$out"/cli-fault-*.csv \
  "$out"/resume.*
echo "phase,seconds,process,rss_kib,cpu_seconds" >"$out/samples.csv"
echo "fault,cli_status,cli_message,cli_frames_before,window_boxes,window_box_title,window_frames_before" >"$out/faults.csv"
start_server

cp "$bin/voltcheck" "$work/"
iconv -f UTF-8 -t CP1251 >"$work/Voltcheck.ini" <<INI
[Приложение. Обнаружение]
Серийный номер ZEB крейта=$crate
Слот модуля=$window_slot
[Модуль ZEB44]
АЦП. Групповое управление каналами=1
АЦП. Групповое управление методом вычисления параметров=1
INI
"$work/voltcheck" >"$work/voltcheck.out" 2>&1 &
window_pid=$!
pids+=($window_pid)
window=""
for _ in $(seq 100); do
  window="$(xdotool search --onlyvisible --pid "$window_pid" --name '^Voltcheck' 2>/dev/null | head -1)" && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "The program's window did not appear" >&2; exit 1; }
sleep 3
# The window's reading log (Ctrl+L, a file name, Enter), then START.
xdotool windowfocus --sync "$window" key ctrl+l
sleep 1
xdotool type --delay 5 "$out/window.readings.csv"
xdotool key Return
sleep 1
press_start
log "window measuring $crate slot $window_slot, reading log $out/window.readings.csv"

# ---- One hour.
start_cli "$seconds" "$out/cli.readings.csv" "$work/cli.err"
log "command-line meter measuring $crate slot $cli_slot for $seconds s"
begin=$(date +%s)
while kill -0 "$cli_pid" 2>/dev/null; do
  sample soak $(( $(date +%s) - begin ))
  sleep 10
done
cli_status=0
wait "$cli_pid" || cli_status=$?
cli_pid=""
log "command-line meter ended with status $cli_status after $(( $(date +%s) - begin )) s; messages: $(tr '\n' ' ' <"$work/cli.err")"
echo "$cli_status" >"$out/cli.status"
wc -l <"$out/window.readings.csv" >"$out/window.hour-lines"
cp "$work/cli.err" "$out/cli.stderr"
log "window message boxes during the hour: $(boxes | wc -l)"

# ---- Faults: the server killed each minute and restarted.
fault_begin=$(date +%s)
for f in $(seq "$faults"); do
  start_cli 0 "$out/cli-fault-$f.csv" "$work/cli-fault-$f.err"
  lines_before=$(wc -l <"$out/window.readings.csv")
  end=$(( $(date +%s) + 55 ))
  while [ "$(date +%s)" -lt "$end" ]; do sample faults $(( $(date +%s) - fault_begin )); sleep 5; done
  cli_frames=$(( $(wc -l <"$out/cli-fault-$f.csv") - 1 ))
  window_frames=$(( $(wc -l <"$out/window.readings.csv") - lines_before ))
  kill -KILL "$server_pid"; wait "$server_pid" 2>/dev/null || true
  log "fault $f: server killed"
  status=0
  for _ in $(seq 100); do kill -0 "$cli_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$cli_pid" 2>/dev/null; then status="running after 10 s"; kill "$cli_pid"; fi
  rc=0
  wait "$cli_pid" || rc=$?
  [ "$status" = 0 ] && status=$rc
  cli_pid=""
  sleep 3
  found="$(boxes)"
  count=$(printf '%s' "$found" | grep -c . || true)
  title=""
  [ -n "$found" ] && title="$(xdotool getwindowname "$(printf '%s\n' "$found" | head -1)")"
  [ "$f" -eq 1 ] && [ -n "$found" ] &&
    import -display "$DISPLAY" -window "$(printf '%s\n' "$found" | head -1)" "$out/fault-box.png" 2>/dev/null || true
  message="$(tr '\n' ' ' <"$work/cli-fault-$f.err" | sed 's/,/;/g; s/ *$//')"
  echo "$f,$status,$message,$cli_frames,$count,$title,$window_frames" >>"$out/faults.csv"
  log "fault $f: meter status $status ($message), $cli_frames frames before; window boxes $count ($title), $window_frames frames before"
  # Close the box, restart the server, discover again and press START.
  for b in $found; do xdotool windowfocus --sync "$b" key Return 2>/dev/null || true; done
  start_server
  sleep 1
  press_discover
  sleep 4
  press_start
done
sample faults $(( $(date +%s) - fault_begin ))
log "window message boxes left open: $(boxes | wc -l)"

# ---- Resumes: one meter run and one window run through the kills.
for b in $(boxes); do xdotool windowfocus --sync "$b" key Return 2>/dev/null || true; done
xdotool windowfocus --sync "$window" key ctrl+u  # "Автовозобновление при потере связи"
sleep 1
window_lines_before=$(wc -l <"$out/window.readings.csv")
"$bin/voltcheck-cli" measure --crate "$crate" --slot "$cli_slot" --rate 78125 --channels 1,2,3,4 --mode ac \
  --method fft --reconnect --continuous --format jsonl --output "$out/resume.readings.jsonl" 2>"$out/resume.stderr" &
cli_pid=$!
resume_begin=$(date +%s)
for r in $(seq "$resumes"); do
  end=$(( $(date +%s) + 55 ))
  while [ "$(date +%s)" -lt "$end" ]; do sample resumes $(( $(date +%s) - resume_begin )); sleep 5; done
  kill -KILL "$server_pid"; wait "$server_pid" 2>/dev/null || true
  log "resume $r: server killed"
  sleep 5
  start_server
done
sleep 30
sample resumes $(( $(date +%s) - resume_begin ))
kill -INT "$cli_pid"; cli_status=0; wait "$cli_pid" || cli_status=$?; cli_pid=""
tail -n +"$(( window_lines_before + 1 ))" "$out/window.readings.csv" >"$out/resume.window.csv"
echo "$cli_status" >"$out/resume.status"
echo "$resumes" >"$out/resume.kills"
log "resume phase: meter status $cli_status, window boxes $(boxes | wc -l), window records lost $(grep -c ',lost: ' "$out/resume.window.csv" || true), resumed $(grep -c ',resumed after ' "$out/resume.window.csv" || true)"
import -display "$DISPLAY" -window root "$out/final-screen.png" 2>/dev/null || true
kill "$window_pid" 2>/dev/null || true

"$root/bench/soak/summary.sh" "$out" "$seconds" >"$out/README.md"
log "summary written to $out/README.md"
