"""Reads a voltcheck-cli output with Python's own csv and json parsers and prints one
line per record as "key=value" tokens, the keys being the CSV column names, so that
the C++ tests check both formats alike. A value's spaces are printed as "_" (and a
message's line breaks as "\\n"). The
JSON lines' start record (first, and only first) and the events of a run that
reconnects are checked key by key and printed as records with an "event" key.
A malformed file ends with status 1."""
import csv
import json
import sys


def reject_constant(name):
    raise ValueError("not a JSON number: " + name)


def number(value):
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise ValueError("not a number: %r" % (value,))
    return repr(value)


def from_csv(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f, strict=True))
    if not rows:
        return
    header = rows[0]
    print("columns=" + ";".join(header))
    for n, row in enumerate(rows[1:], start=2):
        if len(row) != len(header):
            raise ValueError("line %d has %d fields, the header %d" % (n, len(row), len(header)))
        print(" ".join("%s=%s" % (h, v.replace(" ", "_")) for h, v in zip(header, row)))


START_KEYS = {"time", "event", "program", "version", "crate", "module", "parameters"}
PARAMETER_KEYS = {"rate_hertz", "coupling", "channels", "mode", "method", "amplitude", "max_frame_seconds",
                  "frame_seconds", "samples_per_frame", "continuous", "reconnect"}


def keys(n, record, expected):
    if set(record) != expected:
        raise ValueError("line %d: keys %s" % (n, sorted(record)))


def start_tokens(n, record):
    keys(n, record, START_KEYS)
    keys(n, record["crate"], {"serial", "model"})
    keys(n, record["module"], {"slot", "serial", "firmware"})
    p = record["parameters"]
    keys(n, p, PARAMETER_KEYS)
    channels = []
    for c, channel in p["channels"].items():
        keys(n, channel, {"range_volts"})
        channels.append("%s:%s" % (c, number(channel["range_volts"])))
    if not isinstance(p["continuous"], bool) or not isinstance(p["reconnect"], bool):
        raise ValueError("line %d: continuous/reconnect not booleans" % n)
    return ["time=" + record["time"], "event=start", "program=" + record["program"], "version=" + record["version"],
            "crate_serial=" + record["crate"]["serial"], "crate_model=" + record["crate"]["model"],
            "module_slot=" + number(record["module"]["slot"]), "module_serial=" + record["module"]["serial"],
            "module_firmware=" + record["module"]["firmware"], "rate_hertz=" + number(p["rate_hertz"]),
            "coupling=" + p["coupling"], "channels=" + ";".join(channels), "mode=" + p["mode"],
            "method=" + p["method"], "amplitude=" + p["amplitude"],
            "max_frame_seconds=" + number(p["max_frame_seconds"]), "frame_seconds=" + number(p["frame_seconds"]),
            "samples_per_frame=" + number(p["samples_per_frame"]),
            "continuous=%d" % p["continuous"], "reconnect=%d" % p["reconnect"]]


def from_jsonl(path):
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, start=1):
            record = json.loads(line, parse_constant=reject_constant)
            if (n == 1) != (record.get("event") == "start"):
                raise ValueError("line %d: the start record belongs on the first line, and only there" % n)
            if n == 1:
                print(" ".join(start_tokens(n, record)))
                continue
            if record.get("event") == "lost":
                keys(n, record, {"time", "event", "message"})
                print("time=%s event=lost message=%s" % (record["time"], record["message"].replace(" ", "_").replace("\n", "\\n")))
                continue
            if record.get("event") == "resumed":
                keys(n, record, {"time", "event", "gap_seconds"})
                print("time=%s event=resumed gap_seconds=%s" % (record["time"], number(record["gap_seconds"])))
                continue
            if "stats" in record:
                if set(record) != {"stats"}:
                    raise ValueError("line %d: keys %s" % (n, sorted(record)))
                tokens = []
                for c, s in record["stats"].items():
                    if set(s) != {"count", "min", "max", "mean", "std", "overloads", "ptp", "passed", "failed"}:
                        raise ValueError("line %d: stats keys %s" % (n, sorted(s)))
                    tokens += ["stats%s_%s=%s" % (c, k, "" if v is None else number(v)) for k, v in s.items()]
                print(" ".join(tokens))
                continue
            if set(record) != {"time", "frame", "channels"}:
                raise ValueError("line %d: keys %s" % (n, sorted(record)))
            tokens = ["time=" + record["time"], "frame=" + number(record["frame"])]
            for c, channel in record["channels"].items():
                if not set(channel) <= {"volts", "hertz", "overload", "pass"} or "volts" not in channel:
                    raise ValueError("line %d: channel %s keys %s" % (n, c, sorted(channel)))
                tokens.append("ch%s_volts=%s" % (c, number(channel["volts"])))
                if "hertz" in channel:
                    tokens.append("ch%s_hertz=%s" % (c, number(channel["hertz"])))
                if not isinstance(channel["overload"], bool):
                    raise ValueError("line %d: overload %r" % (n, channel["overload"]))
                tokens.append("ch%s_overload=%d" % (c, 1 if channel["overload"] else 0))
                if "pass" in channel:
                    if channel["pass"] is not None and not isinstance(channel["pass"], bool):
                        raise ValueError("line %d: pass %r" % (n, channel["pass"]))
                    tokens.append("ch%s_pass=%s" % (c, "" if channel["pass"] is None else int(channel["pass"])))
            print(" ".join(tokens))


def main():
    try:
        (from_csv if sys.argv[1] == "csv" else from_jsonl)(sys.argv[2])
    except (ValueError, csv.Error, UnicodeDecodeError) as e:
        print("malformed: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
