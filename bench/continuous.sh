#!/usr/bin/env bash
# Continuous frames: voltcheck-cli measure --continuous against zebsim at real time
# for SECONDS, then the mean frame period from the frame records' times (first to
# last) against N / F from the start record, and the spread of the single periods.
#
# Usage: bench/continuous.sh [build folder, default build]
# Environment: SECONDS_TOTAL (default 300), RATE (default 78125), FRAME_TIME (the
# --time of the run, default 1), BENCH_PORT (default 11962).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
bin="$build/bin"
seconds="${SECONDS_TOTAL:-300}"
rate="${RATE:-78125}"
frame_time="${FRAME_TIME:-1}"
port="${BENCH_PORT:-11962}"
work="$(mktemp -d)"
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
"$bin/zebsim" --port "$port" --port-file "$work/port" --scenario "$root/tools/zebsim/scenarios/demo.json" >/dev/null &
server=$!
for _ in $(seq 500); do [ -s "$work/port" ] && break; sleep 0.01; done
ZEB_SERVER_PORT=$port "$bin/voltcheck-cli" measure --continuous --crate ZN8-300052 --slot 3 --rate "$rate" \
  --channels 1,2,3,4 --method sum --time "$frame_time" --duration "$seconds" --format jsonl \
  --output "$work/readings.jsonl"

python3 - "$work/readings.jsonl" "$seconds" <<'PY'
import datetime, json, statistics, sys
times, start = [], None
for line in open(sys.argv[1], encoding="utf-8"):
    r = json.loads(line)
    if r.get("event") == "start":
        start = r
    elif "frame" in r:
        t = datetime.datetime.strptime(r["time"], "%Y-%m-%dT%H:%M:%S.%fZ").replace(tzinfo=datetime.timezone.utc)
        times.append(t.timestamp())
p = start["parameters"]
nominal = p["samples_per_frame"] / p["rate_hertz"]
mean = (times[-1] - times[0]) / (len(times) - 1)
single = [b - a for a, b in zip(times, times[1:])]
print("run: %s s, %d frames of N = %d at F = %s Hz (4 channels)" % (sys.argv[2], len(times), p["samples_per_frame"], p["rate_hertz"]))
print("N / F = %.6f s; mean period %.6f s; deviation %+.4f %%" % (nominal, mean, (mean / nominal - 1) * 100))
print("single periods: min %.3f s, max %.3f s, stdev %.4f s" % (min(single), max(single), statistics.stdev(single)))
PY
