#!/usr/bin/env bash
# Reconnect: voltcheck-cli measure --reconnect against zebsim at real time while the
# server is killed (SIGKILL) and started again on the same port RESTARTS times. Per
# restart: the time from the moment the new server listens (its port file written) to
# the tool's first new frame (the "resumed" record). Prints the median and the worst,
# and every figure.
#
# Usage: bench/reconnect.sh [build folder, default build]
# Environment: RESTARTS (default 20), DOWN_SECONDS (server away, default 3, plus a
# random 0 to 2 s so that the return falls anywhere in the tool's 2 s retry period),
# UP_SECONDS (frames between faults, default 2), BENCH_PORT (default 11961).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
bin="$build/bin"
restarts="${RESTARTS:-20}"
down="${DOWN_SECONDS:-3}"
up="${UP_SECONDS:-2}"
port="${BENCH_PORT:-11961}"
work="$(mktemp -d)"
server=""
tool=""
cleanup() {
  for p in $server $tool; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cat >"$work/scenario.json" <<'JSON'
{"crates":[{"serial":"RB-1","type":30,"modules":[{"slot":4,"serial":"440004","firmware":"1.0.0.0",
  "channels":[{"dc":1.25}]}]}]}
JSON

start_server() {
  rm -f "$work/port"
  "$bin/zebsim" --port "$port" --port-file "$work/port" --scenario "$work/scenario.json" >/dev/null &
  server=$!
  for _ in $(seq 500); do [ -s "$work/port" ] && break; sleep 0.01; done
  [ -s "$work/port" ] || { echo "zebsim did not start" >&2; exit 1; }
  date +%s.%N >>"$work/returns"
}

# Waits (at most 30 s) until the output holds n "resumed" records.
wait_resumed() {
  for _ in $(seq 3000); do
    [ "$(grep -c '"event": "resumed"' "$work/readings.jsonl" || true)" -ge "$1" ] && return 0
    sleep 0.01
  done
  echo "no resumed record $1 within 30 s" >&2
  exit 1
}

: >"$work/returns"
start_server
: >"$work/returns"  # the first start is not a return
ZEB_SERVER_PORT=$port "$bin/voltcheck-cli" measure --reconnect --crate RB-1 --slot 4 --rate 15625 --channels 1 \
  --method sum --time 0.2 --format jsonl --output "$work/readings.jsonl" 2>"$work/stderr" &
tool=$!
for k in $(seq "$restarts"); do
  sleep "$up"
  kill -9 "$server"; wait "$server" 2>/dev/null || true
  sleep "$(python3 -c "import random; print($down + random.uniform(0, 2))")"
  start_server
  wait_resumed "$k"
done
kill -TERM "$tool"; wait "$tool" || true
tool=""

python3 - "$work/returns" "$work/readings.jsonl" <<'PY'
import datetime, json, statistics, sys
returns = [float(x) for x in open(sys.argv[1])]
resumed = []
for line in open(sys.argv[2], encoding="utf-8"):
    r = json.loads(line)
    if r.get("event") == "resumed":
        t = datetime.datetime.strptime(r["time"], "%Y-%m-%dT%H:%M:%S.%fZ").replace(tzinfo=datetime.timezone.utc)
        resumed.append(t.timestamp())
delays = [b - a for a, b in zip(returns, resumed)]
print("restarts: %d" % len(delays))
print("server back -> first new frame, seconds: median %.3f, worst %.3f, best %.3f"
      % (statistics.median(delays), max(delays), min(delays)))
print("each: " + " ".join("%.3f" % d for d in delays))
PY
