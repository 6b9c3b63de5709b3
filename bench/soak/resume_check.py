#!/usr/bin/env python3
"""Checks the readings of the soak's resume phase (voltcheck-cli measure --reconnect
--continuous --format jsonl through the server's restarts) and prints one Markdown
table row: the kills, the losses and returns recorded, the frames, frame numbers that
do not rise by one, frames inside a gap, the longest gap and the mean frame period
outside the gaps against N / F.

Usage: resume_check.py READINGS.jsonl KILLS NOMINAL_PERIOD_SECONDS
Exit status 1 when a gap is not marked (a loss without its return, a frame between
them, fewer or more losses than kills) or a frame number does not rise by one."""
import datetime
import json
import sys


def seconds(text):
    return datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%S.%fZ").timestamp()


def main():
    path, kills, nominal = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
    frames, losses, returns, misnumbered, inside, gaps = 0, 0, 0, 0, 0, []
    previous, lost_at, segment = None, None, []
    periods = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            record = json.loads(line)
            event = record.get("event")
            if event == "start":
                continue
            if event == "lost":
                losses += 1
                lost_at = seconds(record["time"])
                if len(segment) > 1:
                    periods.append((segment[-1] - segment[0]) / (len(segment) - 1))
                segment = []
                continue
            if event == "resumed":
                returns += 1
                gaps.append(record["gap_seconds"])
                lost_at = None
                continue
            if "stats" in record:
                continue
            frames += 1
            if lost_at is not None:
                inside += 1
            if previous is not None and record["frame"] != previous + 1:
                misnumbered += 1
            previous = record["frame"]
            segment.append(seconds(record["time"]))
    if len(segment) > 1:
        periods.append((segment[-1] - segment[0]) / (len(segment) - 1))
    period = sum(periods) / len(periods) if periods else 0.0
    deviation = 100.0 * (period - nominal) / nominal if period else 0.0
    print(f"| {kills} | {losses} | {returns} | {frames} | {misnumbered} | {inside} | "
          f"{max(gaps) if gaps else 0:.3f} | {period:.6f} | {deviation:+.4f} |")
    marked = losses == kills and returns == kills and inside == 0
    return 0 if marked and misnumbered == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
