#!/usr/bin/env bash
# Summarises a soak folder written by bench/soak.sh as Markdown on standard output.
# Usage: bench/soak/summary.sh FOLDER SOAK_SECONDS
set -euo pipefail
dir="$1"
seconds="$2"
# 2^17 samples at 78125 Hz: the acquisition time of one frame with the soak's settings.
nominal=1.6777216

# Seconds of the day of a reading's UTC time stamp (2026-12-10T19:21:29.497Z).
# $1 readings file, $2 its lines that belong to the hour (0: all): count, lost (gaps in
# the frame numbers), median, mean and longest interval, intervals over 1.5 x median.
frames() {
  awk -F, -v nominal="$nominal" -v upto="$2" '
    upto > 0 && FNR > upto { exit }
    NR == 1 || $1 == "time" { next }
    { t = substr($1, 12, 2) * 3600 + substr($1, 15, 2) * 60 + substr($1, 18, 6)
      if (n > 0) { d = t - last; if (d < 0) d += 86400; gap[n] = d; if ($2 != prev + 1) lost += $2 - prev - 1 }
      last = t; prev = $2; n++ }
    END {
      m = n - 1; for (i = 1; i <= m; i++) v[i] = gap[i]
      for (i = 2; i <= m; i++) { x = v[i]; j = i - 1; while (j >= 1 && v[j] > x) { v[j + 1] = v[j]; j-- } v[j + 1] = x }
      med = m > 0 ? v[int((m + 1) / 2)] : 0; max = m > 0 ? v[m] : 0
      late = 0; sum = 0; for (i = 1; i <= m; i++) { sum += gap[i]; if (gap[i] > 1.5 * med) late++ }
      printf "%d %d %.4f %.4f %.4f %d\n", n, lost + 0, med, (m > 0 ? sum / m : 0), max, late }' "$1"
}

echo "# Soak results"
echo
echo "Produced by \`bench/soak.sh\` ($(date -u +%Y-%m-%d)): zebsim at real time, the command-line meter on one"
echo "ZEB44 and the window on another module of the same crate, both four channels at 78125 Hz, AC,"
echo "spectral method, 2^17-sample frames ($nominal s of acquisition). Resident memory and CPU time of the"
echo "three processes were read from /proc every 10 s (\`samples.csv\`)."
echo
# What the person who ran it noted about the machine (optional).
if [ -f "$dir/conditions.md" ]; then cat "$dir/conditions.md"; echo; fi
echo "## The hour"
echo
echo "| process | RSS at 60 s (KiB) | RSS at end (KiB) | growth after the first minute (KiB) | max RSS (KiB) | CPU (% of one core) |"
echo "|---|---|---|---|---|---|"
awk -F, '$1 == "soak" && $4 != "-" {
    p = $3; t = $2
    if (!(p in first) && t >= 60) { first[p] = $4; ft[p] = t; fc[p] = $5 }
    lastr[p] = $4; lt[p] = t; lc[p] = $5; if ($4 > mx[p]) mx[p] = $4 }
  END { split("voltcheck-cli voltcheck zebsim", order, " ")
    for (i = 1; i <= 3; i++) { p = order[i]
      cpu = lt[p] > ft[p] ? 100 * (lc[p] - fc[p]) / (lt[p] - ft[p]) : 0
      printf "| %s | %d | %d | %+d | %d | %.2f |\n", p, first[p], lastr[p], lastr[p] - first[p], mx[p], cpu } }' \
  "$dir/samples.csv"
echo
echo "Every five minutes (RSS in KiB; CPU in % of one core over the five minutes before):"
echo
echo "| minute | meter RSS | meter CPU | window RSS | window CPU | zebsim RSS | zebsim CPU |"
echo "|---|---|---|---|---|---|---|"
awk -F, '$1 == "soak" && $4 != "-" {
    slot = int($2 / 300); p = $3
    r[slot, p] = $4; c[slot, p] = $5; t[slot, p] = $2; if (slot > top) top = slot }
  END { split("voltcheck-cli voltcheck zebsim", order, " ")
    for (s = 1; s <= top; s++) { line = sprintf("| %d |", s * 5)
      for (i = 1; i <= 3; i++) { p = order[i]
        dt = t[s, p] - t[s - 1, p]
        line = line sprintf(" %d | %.2f |", r[s, p], dt > 0 ? 100 * (c[s, p] - c[s - 1, p]) / dt : 0) }
      print line } }' "$dir/samples.csv"
echo
echo "## Frames"
echo
echo "The window's frames are those of its reading log until the meter's hour ended. Each frame"
echo "starts the module anew (start, acquisition, stop, clear), so a frame's interval is the"
echo "acquisition time plus these calls; the window also keeps each channel's indicator lit for"
echo "100 ms between showing the values and the overloads."
echo
echo "| meter | frames | lost (gaps in the numbers) | median interval (s) | mean interval (s) | longest interval (s) | intervals over 1.5 × median | 1 + span / median interval |"
echo "|---|---|---|---|---|---|---|---|"
for who in cli window; do
  upto=0
  [ "$who" = window ] && [ -f "$dir/window.hour-lines" ] && upto="$(cat "$dir/window.hour-lines")"
  read -r n lost med mean max late <<<"$(frames "$dir/$who.readings.csv" "$upto")"
  name=$([ "$who" = cli ] && echo "command-line meter" || echo "window")
  awk -v name="$name" -v n="$n" -v lost="$lost" -v med="$med" -v mean="$mean" -v max="$max" -v late="$late" \
    'BEGIN { printf "| %s | %d | %d | %.4f | %.4f | %.4f | %d | %.1f |\n", name, n, lost, med, mean, max, late, (med > 0 ? 1 + (n - 1) * mean / med : 0) }'
done
echo
echo "Acquisition time of a frame: $nominal s; the hour holds $(awk -v s="$seconds" -v a="$nominal" 'BEGIN { printf "%.1f", s / a }') of them."
echo
echo "Meter exit status after the hour: $(cat "$dir/cli.status" 2>/dev/null || echo '?'); its standard error:"
echo
echo '```'
cat "$dir/cli.stderr" 2>/dev/null || true
echo '```'
echo
echo "## Faults (zebsim killed with SIGKILL once a minute, restarted 3 s later)"
echo
echo "| fault | meter status | meter message | meter frames before | window boxes | box title | window frames before |"
echo "|---|---|---|---|---|---|---|"
tail -n +2 "$dir/faults.csv" | awk -F, '{ printf "| %s | %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5, $6, $7 }'
echo
echo "Event log: \`events.log\`; the first fault's box: \`fault-box.png\`. The raw readings are not kept in the repository."

if [ -f "$dir/resume.kills" ]; then
  kills="$(cat "$dir/resume.kills")"
  echo
  echo "## Resumes (zebsim killed once a minute, away 5 s; meter with --reconnect --continuous, window with auto-resume)"
  echo
  echo "The meter's records (\`resume_check.py\`): losses and returns recorded, frames, frame numbers that"
  echo "do not rise by one, frames inside a gap, the longest gap, and the mean frame period between the"
  echo "gaps against N / F ($nominal s)."
  echo
  echo "| kills | lost | resumed | frames | misnumbered | inside a gap | longest gap (s) | period (s) | vs N / F (%) |"
  echo "|---|---|---|---|---|---|---|---|---|"
  "$(dirname "${BASH_SOURCE[0]}")/resume_check.py" "$dir/resume.readings.jsonl" "$kills" "$nominal" || true
  echo
  echo "Meter status $(cat "$dir/resume.status"); the window's reading log through the phase: $(grep -c ',lost: ' "$dir/resume.window.csv" || true) losses and $(grep -c ',resumed after ' "$dir/resume.window.csv" || true) returns recorded."
  echo
  echo "| process | RSS a minute in (KiB) | RSS at the end (KiB) | growth (KiB) |"
  echo "|---|---|---|---|"
  awk -F, '$1 == "resumes" && $4 != "-" { p = $3; if (!(p in first) && $2 >= 60) first[p] = $4; lastr[p] = $4 }
    END { split("voltcheck-cli voltcheck zebsim", order, " ")
      for (i = 1; i <= 3; i++) { p = order[i]; printf "| %s | %d | %d | %+d |\n", p, first[p], lastr[p], lastr[p] - first[p] } }' \
    "$dir/samples.csv"
fi
