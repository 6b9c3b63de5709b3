#!/usr/bin/env bash
# Runs the libFuzzer campaigns of tests/fuzz and folds what they found into the
# committed corpora.
#
#   scripts/fuzz.sh [--runs N | --seconds T] [TARGET...]
#
# Targets: client_reply server_request inifile scenario measure_frame (default: all,
# one after the other). Each runs N executions (default 1000000) or T seconds with its
# dictionary tests/fuzz/<target>.dict, on a scratch corpus seeded from
# tests/fuzz/corpus/<target>; afterwards the scratch corpus (which holds the committed
# one) is merged (-merge=1) into a minimal set of inputs by the edges they cover,
# which replaces the fuzzer-named files directly in tests/fuzz/corpus/<target>. The
# hand-made seeds there (named files) and its regressions/ folder stay. A finding stops
# the script: the input lies in build-fuzz/artifacts/<target>/; once fixed, copy it
# to tests/fuzz/corpus/<target>/regressions/ so that the replay test keeps it.
#
# The build is build-fuzz: clang with -DVOLTCHECK_FUZZ=ON -DVOLTCHECK_SANITIZE=ON
# (AddressSanitizer, UndefinedBehaviorSanitizer that stops at the first report) and
# without the Qt program. Everything runs under nice -n 19. The logs stay in
# build-fuzz/fuzz-logs/<target>.log; the last lines of each give "Done N runs",
# the coverage (cov:, ft:) and the final statistics. scripts/test.sh does not run
# this; it replays the committed corpora only (tests fuzz.replay.*).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
all_targets=(client_reply server_request inifile scenario measure_frame)
limit=(-runs=1000000)
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) limit=(-runs="$2"); shift 2 ;;
    --seconds) limit=(-max_total_time="$2"); shift 2 ;;
    -h|--help) sed -n '2,23p' "${BASH_SOURCE[0]}"; exit 0 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
for t in "${targets[@]}"; do
  [ -f "$root/tests/fuzz/$t.dict" ] || { echo "no fuzz target $t" >&2; exit 2; }
done

"$root/scripts/deps.sh" --fuzz
build="$root/build-fuzz"
nice -n 19 cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVOLTCHECK_FUZZ=ON -DVOLTCHECK_SANITIZE=ON -DVOLTCHECK_GUI=OFF -DVOLTCHECK_BENCH=OFF >/dev/null
nice -n 19 cmake --build "$build" -j2 --target "${targets[@]/%/_fuzz}"

mkdir -p "$build/fuzz-logs"
for t in "${targets[@]}"; do
  corpus="$root/tests/fuzz/corpus/$t"
  scratch="$(mktemp -d)"
  merged="$(mktemp -d)"
  trap 'rm -rf "$scratch" "$merged"' EXIT
  # Only the files directly in the folder: regressions/ is replayed, not merged.
  find "$corpus" -maxdepth 1 -type f -exec cp {} "$scratch/" \;
  mkdir -p "$build/artifacts/$t"
  log="$build/fuzz-logs/$t.log"
  extra=()
  # Every settings lookup walks the whole file: beyond half a kilobyte an input only costs
  # time (the committed real files are still read whole by the replay test).
  [ "$t" = inifile ] && extra=(-max_len=512)
  echo "== $t: ${limit[*]} ${extra[*]}"
  # A leak, a crash, undefined behaviour, an uncaught exception, an input that runs
  # longer than 10 s or takes more than 2 GB are all findings.
  nice -n 19 "$build/bin/${t}_fuzz" "${limit[@]}" "${extra[@]}" -dict="$root/tests/fuzz/$t.dict" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/artifacts/$t/" "$scratch" \
    >"$log" 2>&1 || { tail -n 60 "$log"; echo "$t: finding, see $log and $build/artifacts/$t/" >&2; exit 1; }
  # Edges only (-use_counters=0): hit counts would keep thousands of near-equal
  # inputs, and the committed corpus is meant to stay a few hundred small files.
  nice -n 19 "$build/bin/${t}_fuzz" -merge=1 -use_counters=0 "${extra[@]}" "$merged" "$scratch" >>"$log" 2>&1
  # libFuzzer names its inputs by their SHA-1; the named seeds are kept.
  find "$corpus" -maxdepth 1 -type f -regextype posix-extended -regex '.*/[0-9a-f]{40}' -delete
  cp -n "$merged"/* "$corpus/"
  rm -rf "$scratch" "$merged"
  trap - EXIT
  grep -E "^Done [0-9]+ runs|^#[0-9]+.*(DONE|INITED)" "$log" | tail -n 2
  grep -E "stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb" "$log" | tail -n 3
  echo "$t: $(find "$corpus" -maxdepth 1 -type f | wc -l) files in the corpus"
done
