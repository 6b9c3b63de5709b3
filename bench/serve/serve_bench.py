#!/usr/bin/env python3
"""Benchmarks of `voltcheck-cli serve` against zebsim, on 127.0.0.1 only.

Subcommands (each bounded in time, each prints a Markdown table):
  scpi     MEAS:VOLT:DC? round trip against the frame time (--queries, --time)
  metrics  /metrics with 16 modules served: time per scrape and body size (--scrapes)
  stream   a frame's time stamp to its event on /api/v1/stream (--events)
  cpu      serve's CPU with 4 modules: idle, then with stream clients (--seconds, --clients)
  soak     4 modules from one stream each (--continuous) with stream clients for a long
           time: serve's memory over time, every frame's period (--soak-seconds,
           --soak-clients)
  crate    a full crate: 16 modules at 78125 Hz, four channels, spectral method, frames of
           1 s back to back, no clients (--crate-seconds): serve's and zebsim's CPU,
           every module's frame period against N / F
  all      every one of them in turn but soak and crate

The binaries come from --build (default: the tree's build folder) or the environment
variables VOLTCHECK_CLI and ZEBSIM. Every zebsim and serve started is stopped at the
end of its part, also on errors. Standard library only.
"""
import argparse
import datetime
import http.client
import json
import os
import random
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# The serve tests' helpers: a free port, a bounded wait, a bounded stop.
sys.path.insert(0, os.path.join(ROOT, "tests", "serve"))
from serve_harness import START_SECONDS, free_port, terminate, wait_until  # noqa: E402
RATE = 15625


def scenario(modules):
    """One ZEB-N8 crate "SB" (no data rate limit) with the given number of ZEB44s."""
    return {"crates": [{
        "serial": "SB", "type": 30,
        "modules": [{"slot": k, "serial": "44%04d" % k, "firmware": "1.0.0.0",
                     "channels": [{"dc": 1.25}, {"amplitude": 0.5, "frequency": 1000},
                                  {"dc": -0.7}, {"dc": 0.1 * k}]}
                    for k in range(1, modules + 1)],
    }]}


class Bench:
    """zebsim with a scenario of `modules` ZEB44s and serve of all of them; a context
    manager that stops both (serve first) whatever happens."""

    def __init__(self, args, modules, serve_args=()):
        self.args = args
        self.modules = modules
        self.serve_args = list(serve_args)
        self.zebsim = None
        self.serve = None
        self.work = tempfile.TemporaryDirectory(prefix="serve-bench-")

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _start(self):
        work = self.work.name
        path = os.path.join(work, "scenario.json")
        with open(path, "w") as f:
            json.dump(scenario(self.modules), f)
        port_file = os.path.join(work, "zebsim.port")
        self.zebsim = subprocess.Popen(
            [self.args.zebsim, "--port", "0", "--port-file", port_file, "--scenario", path,
             "--time-scale", str(self.args.time_scale)],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def port():
            if self.zebsim.poll() is not None:
                raise RuntimeError("zebsim ended at its start with %d" % self.zebsim.returncode)
            if os.path.exists(port_file):
                with open(port_file) as f:
                    return f.read().strip()
            return None
        zport = int(wait_until("zebsim's port", port))
        self.scpi_port = free_port()
        self.http_port = free_port()
        self.out = open(os.path.join(work, "serve.out"), "w+")
        self.err = open(os.path.join(work, "serve.err"), "w+")
        command = [self.args.cli, "serve", "--scpi", str(self.scpi_port), "--http", str(self.http_port),
                   "--listen", "127.0.0.1"]
        for k in range(1, self.modules + 1):
            command += ["--module", "SB:%d" % k]
        command += self.serve_args
        self.serve = subprocess.Popen(command, stdout=self.out, stderr=self.err,
                                      env=dict(os.environ, ZEB_SERVER_PORT=str(zport)))
        ready = ["SCPI: 127.0.0.1:%d" % self.scpi_port, "HTTP: http://127.0.0.1:%d/" % self.http_port]
        ready += ["module SB:%d\n" % k for k in range(1, self.modules + 1)]

        def listening():
            if self.serve.poll() is not None:
                self.err.seek(0)
                raise RuntimeError("serve ended with %d: %s" % (self.serve.returncode, self.err.read()))
            self.out.seek(0)
            text = self.out.read()
            return all(line in text for line in ready)
        wait_until("serve saying where it listens", listening)
        # Every module's first frame before measuring.
        wait_until("every module's first frame", lambda: all(
            m.get("frame") is not None for m in self.readings()), seconds=START_SECONDS, step=0.1)

    def __exit__(self, *exc):
        for process in (self.serve, self.zebsim):
            if process is not None:
                terminate(process)
        for f in ("out", "err"):
            if hasattr(self, f):
                getattr(self, f).close()
        self.work.cleanup()
        return False

    def get(self, path, timeout=20):
        c = http.client.HTTPConnection("127.0.0.1", self.http_port, timeout=timeout)
        try:
            c.request("GET", path)
            r = c.getresponse()
            return r.status, r.read()
        finally:
            c.close()

    def readings(self):
        status, body = self.get("/api/v1/readings")
        return json.loads(body)["modules"] if status == 200 else []


def cpu_seconds(pid):
    """utime + stime of a process in seconds, from /proc/PID/stat."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def ms(x):
    return "%.1f" % (x * 1000)


def table(header, rows):
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    lines += ["| " + " | ".join(str(c) for c in row) + " |" for row in rows]
    print("\n".join(lines))
    print()
    sys.stdout.flush()


def frames_total(bench):
    status, body = bench.get("/metrics")
    total = 0
    for line in body.decode().splitlines():
        if line.startswith("voltcheck_module_frames_total{"):
            total += float(line.rsplit(" ", 1)[1])
    return total


# --- SCPI -----------------------------------------------------------------------------

def part_scpi(args):
    frame = args.time
    with Bench(args, 1, ["--rate", str(RATE), "--time", str(frame), "--mode", "dc", "--method", "sum"]) as b:
        s = socket.create_connection(("127.0.0.1", b.scpi_port), timeout=10)
        try:
            f = s.makefile("rb")
            s.sendall(b"*IDN?\n")
            f.readline()
            f0, t0 = frames_total(b), time.monotonic()
            trips = []
            for _ in range(args.queries):
                begin = time.monotonic()
                s.sendall(b"MEAS:VOLT:DC? (@1)\n")
                answer = f.readline()
                trips.append(time.monotonic() - begin)
                if not answer.strip():
                    raise RuntimeError("no answer to MEAS:VOLT:DC?")
                float(answer.decode().strip())
                # Start the next query anywhere within a frame.
                time.sleep(random.uniform(0, frame))
            period = (time.monotonic() - t0) / max(1.0, frames_total(b) - f0)
        finally:
            s.close()
    beyond = [t - frame for t in trips]
    print("SCPI `MEAS:VOLT:DC? (@1)`: %d queries, --time %g s (rate %d Hz), measured frame period %s ms"
          % (len(trips), frame, RATE, ms(period)))
    print()
    table(["figure", "median", "worst", "best"], [
        ["round trip (ms)", ms(statistics.median(trips)), ms(max(trips)), ms(min(trips))],
        ["round trip − frame time (ms)", ms(statistics.median(beyond)), ms(max(beyond)), ms(min(beyond))],
        ["round trip / frame time", "%.2f" % (statistics.median(trips) / frame),
         "%.2f" % (max(trips) / frame), "%.2f" % (min(trips) / frame)],
        ["round trip / frame period", "%.2f" % (statistics.median(trips) / period),
         "%.2f" % (max(trips) / period), "%.2f" % (min(trips) / period)],
    ])


# --- /metrics -------------------------------------------------------------------------

def part_metrics(args):
    with Bench(args, 16, ["--rate", str(RATE), "--time", "0.2"]) as b:
        times, sizes = [], []
        for _ in range(args.scrapes):
            begin = time.monotonic()
            status, body = b.get("/metrics")
            times.append(time.monotonic() - begin)
            if status != 200:
                raise RuntimeError("/metrics answered %d" % status)
            sizes.append(len(body))
            time.sleep(args.pause)
        series = sum(1 for line in body.decode().splitlines() if line and not line.startswith("#"))
    print("`/metrics` with 16 modules served: %d scrapes (one connection each, %g s apart)"
          % (len(times), args.pause))
    print()
    table(["figure", "median", "worst", "best"], [
        ["time per scrape (ms)", ms(statistics.median(times)), ms(max(times)), ms(min(times))],
        ["body (bytes)", int(statistics.median(sizes)), max(sizes), min(sizes)],
    ])
    print("Series in the last body: %d" % series)
    print()


# --- stream ---------------------------------------------------------------------------

def parse_time(text):
    return datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%S.%fZ").replace(
        tzinfo=datetime.timezone.utc).timestamp()


def open_stream(port, timeout=20):
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=timeout)
    c.request("GET", "/api/v1/stream")
    return c, c.getresponse()


def part_stream(args):
    with Bench(args, 1, ["--rate", str(RATE), "--time", "0.2"]) as b:
        c, r = open_stream(b.http_port)
        delays = []
        try:
            if r.status != 200:
                raise RuntimeError("stream answered %d" % r.status)
            first = True
            deadline = time.monotonic() + START_SECONDS + args.events * 5
            while len(delays) < args.events and time.monotonic() < deadline:
                line = r.readline()
                received = time.time()
                if not line:
                    raise RuntimeError("stream closed")
                if not line.startswith(b"data:"):
                    continue
                record = json.loads(line[5:])
                if record.get("time") is None:
                    continue
                if first:  # the latest frame, sent at subscription: not a fresh one
                    first = False
                    continue
                delays.append(received - parse_time(record["time"]))
        finally:
            c.close()
    print("Frame time stamp to its event on `/api/v1/stream`: %d events, 1 module, --time 0.2 s "
          "(time stamps in whole milliseconds)" % len(delays))
    print()
    table(["figure", "median", "worst", "best"], [
        ["receive time − record time (ms)", ms(statistics.median(delays)), ms(max(delays)), ms(min(delays))],
    ])


# --- CPU ------------------------------------------------------------------------------

def part_cpu(args):
    with Bench(args, 4, ["--rate", str(RATE), "--time", "0.2"]) as b:
        pid = b.serve.pid
        time.sleep(1.0)
        c0, w0 = cpu_seconds(pid), time.monotonic()
        time.sleep(args.seconds)
        c1, w1 = cpu_seconds(pid), time.monotonic()
        idle = (c1 - c0) / (w1 - w0)

        stop = threading.Event()
        lock = threading.Lock()
        counts = {"accepted": 0, "refused": 0, "failed": 0, "events": 0, "other": {}}

        def client():
            c = None
            try:
                c, r = open_stream(b.http_port, timeout=10)
                if r.status != 200:
                    r.read()
                    with lock:
                        if r.status == 503:
                            counts["refused"] += 1
                        else:
                            counts["other"][r.status] = counts["other"].get(r.status, 0) + 1
                    return
                with lock:
                    counts["accepted"] += 1
                while not stop.is_set():
                    line = r.readline()
                    if not line:
                        break
                    if line.startswith(b"event: frame"):
                        with lock:
                            counts["events"] += 1
            except OSError:
                with lock:
                    counts["failed"] += 1
            finally:
                if c is not None:
                    c.close()

        threads = [threading.Thread(target=client, daemon=True) for _ in range(args.clients)]
        for t in threads:
            t.start()
        try:
            time.sleep(2.0)  # the clients connect (or are refused)
            with lock:
                counts["events"] = 0
            c2, w2 = cpu_seconds(pid), time.monotonic()
            time.sleep(args.seconds)
            c3, w3 = cpu_seconds(pid), time.monotonic()
            with lock:
                events = counts["events"]
        finally:
            stop.set()
            for t in threads:
                t.join(15)
        busy = (c3 - c2) / (w3 - w2)
    print("serve's CPU with 4 modules (--time 0.2 s, rate %d Hz): %g s idle, then %g s with %d stream "
          "clients started (serve takes 64 streams at once: %d accepted, %d refused with 503, %d failed%s); "
          "%d frame events read in the second phase"
          % (RATE, args.seconds, args.seconds, args.clients, counts["accepted"], counts["refused"],
             counts["failed"], "".join(", %d answered %d" % (n, s) for s, n in counts["other"].items()),
             events))
    print()
    table(["phase", "CPU s", "wall s", "% of one core"], [
        ["idle (no clients)", "%.2f" % (c1 - c0), "%.1f" % (w1 - w0), "%.2f" % (100 * idle)],
        ["%d stream clients" % counts["accepted"], "%.2f" % (c3 - c2), "%.1f" % (w3 - w2), "%.2f" % (100 * busy)],
        ["difference", "", "", "%.2f" % (100 * (busy - idle))],
    ])
    print("Load average after the part: %s" % " ".join(open("/proc/loadavg").read().split()[:3]))
    print()


# --- Soak -----------------------------------------------------------------------------

def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def part_soak(args):
    """Every client keeps (module, frame, time) of each frame event it reads; the frames'
    time stamps tell the periods (a late frame is one more than half a period after the
    one before it is due), the frame numbers whether a client missed an event."""
    modules = 4
    with Bench(args, modules, ["--rate", str(RATE), "--time", "0.2", "--continuous"]) as b:
        pid = b.serve.pid
        stop = threading.Event()
        lock = threading.Lock()
        seen = [dict() for _ in range(args.soak_clients)]  # per client: slot -> [(frame, time)]
        failures = []

        def client(k):
            c = None
            try:
                c, r = open_stream(b.http_port, timeout=30)
                if r.status != 200:
                    failures.append("client %d: HTTP %d" % (k, r.status))
                    return
                while not stop.is_set():
                    line = r.readline()
                    if not line:
                        failures.append("client %d: stream closed" % k)
                        return
                    if not line.startswith(b"data:"):
                        continue
                    record = json.loads(line[5:])
                    if record.get("frame") is None:
                        continue
                    with lock:
                        seen[k].setdefault(record["slot"], []).append((record["frame"], parse_time(record["time"])))
            except OSError as e:
                if not stop.is_set():
                    failures.append("client %d: %s" % (k, e))
            finally:
                if c is not None:
                    c.close()

        threads = [threading.Thread(target=client, args=(k,), daemon=True) for k in range(args.soak_clients)]
        for t in threads:
            t.start()
        start = time.monotonic()
        memory = []  # (seconds, KiB)
        c0 = cpu_seconds(pid)
        try:
            while time.monotonic() - start < args.soak_seconds:
                memory.append((time.monotonic() - start, rss_kib(pid)))
                time.sleep(min(args.soak_sample, max(0.0, args.soak_seconds - (time.monotonic() - start))))
                if b.serve.poll() is not None:
                    raise RuntimeError("serve ended during the soak with %d" % b.serve.returncode)
            memory.append((time.monotonic() - start, rss_kib(pid)))
            cpu = cpu_seconds(pid) - c0
            wall = time.monotonic() - start
        finally:
            stop.set()
            for t in threads:
                t.join(35)

    # Periods from the first client's view: every module's frames, all of them.
    rows = []
    late_total = 0
    for slot in sorted(seen[0]):
        frames = seen[0][slot]
        numbers = [f for f, _ in frames]
        times = [t for _, t in frames]
        intervals = [b_ - a for a, b_ in zip(times, times[1:])]
        period = (times[-1] - times[0]) / (numbers[-1] - numbers[0]) if len(frames) > 1 else float("nan")
        late = sum(1 for n0, n1, dt in zip(numbers, numbers[1:], intervals) if dt > (n1 - n0 + 0.5) * period)
        late_total += late
        rows.append(["SB:%d" % slot, len(frames), numbers[-1] - numbers[0] + 1, "%.6f" % period,
                     ms(min(intervals)), ms(max(intervals)), late])
    missed = []
    for k, per in enumerate(seen):
        gaps = sum(n1 - n0 - 1 for frames in per.values() for (n0, _), (n1, _) in zip(frames, frames[1:]))
        missed.append(gaps)
    rss = [kib for _, kib in memory]
    settled = [kib for t, kib in memory if t >= 60] or rss
    print("Soak: serve with %d modules (--continuous, --time 0.2 s, rate %d Hz) and %d stream clients for "
          "%.0f s; serve's CPU %.2f %% of one core; client failures: %s"
          % (modules, RATE, args.soak_clients, wall, 100 * cpu / wall, "; ".join(failures) or "none"))
    print()
    table(["module", "frames read by client 1", "frames measured meanwhile", "period s",
           "shortest interval ms", "longest interval ms", "late frames"], rows)
    # Memory over the run: at most a dozen samples, evenly spaced, so a trend shows.
    step = max(1, len(memory) // 12)
    table(["seconds", "serve's VmRSS (KiB)"], [["%.0f" % t, kib] for t, kib in memory[::step] + memory[-1:]])
    table(["figure", "value"], [
        ["serve's VmRSS at start / after 1 min / at the end / largest (KiB)",
         "%d / %d / %d / %d" % (rss[0], settled[0], rss[-1], max(rss))],
        ["growth from 1 min to the end (KiB)", settled[-1] - settled[0]],
        ["late frames (all modules)", late_total],
        ["events missed by the clients (frame numbers skipped), per client", " ".join(str(m) for m in missed)],
    ])
    print("Load average after the part: %s" % " ".join(open("/proc/loadavg").read().split()[:3]))
    print()
    if failures or late_total:
        sys.exit(1)


# --- A full crate -------------------------------------------------------------------

CRATE_RATE = 78125
CRATE_SAMPLES = 1 << 17  # the spectral method's frame: 1 s of samples up to a power of two


def part_crate(args):
    """Polls /api/v1/readings (a few requests a second, no stream clients) for every
    module's frame numbers and time stamps; the periods are the time stamps' differences
    over the frame numbers'."""
    modules = 16
    serve_args = ["--rate", str(CRATE_RATE), "--channels", "1,2,3,4", "--method", "fft", "--mode", "ac",
                  "--time", "1", "--continuous"]
    nominal = CRATE_SAMPLES / CRATE_RATE
    with Bench(args, modules, serve_args) as b:
        time.sleep(2 * nominal)  # past every module's first frames
        seen = {}  # slot -> {frame: time}
        pids = {"serve": b.serve.pid, "zebsim": b.zebsim.pid}
        c0 = {k: cpu_seconds(p) for k, p in pids.items()}
        start = time.monotonic()
        while time.monotonic() - start < args.crate_seconds:
            for m in b.readings():
                if m.get("frame") is not None:
                    seen.setdefault(m["slot"], {})[m["frame"]] = parse_time(m["time"])
            time.sleep(0.25)
        wall = time.monotonic() - start
        cpu = {k: cpu_seconds(p) - c0[k] for k, p in pids.items()}
        loads = open("/proc/loadavg").read().split()[:3]
    rows = []
    worst_mean = 0.0
    for slot in sorted(seen):
        frames = sorted(seen[slot].items())
        if len(frames) < 2:
            rows.append(["SB:%d" % slot, len(frames), "-", "-", "-"])
            continue
        (n0, t0), (n1, t1) = frames[0], frames[-1]
        mean = (t1 - t0) / (n1 - n0)
        steps = [(tb - ta) / (nb - na) for (na, ta), (nb, tb) in zip(frames, frames[1:])]
        worst_step = max(abs(x - nominal) for x in steps)
        worst_mean = max(worst_mean, abs(mean - nominal) / nominal)
        rows.append(["SB:%d" % slot, n1 - n0 + 1, "%.6f" % mean, "%+.4f" % (100 * (mean - nominal) / nominal),
                     "%.1f" % (1000 * worst_step)])
    print("A full crate: serve of %d modules (%s) against zebsim for %.0f s; N / F = %d / %d Hz = %.6f s; "
          "load average at the end %s" % (modules, " ".join(serve_args), wall, CRATE_SAMPLES, CRATE_RATE, nominal,
                                          " ".join(loads)))
    print()
    table(["process", "CPU s", "wall s", "% of one core"],
          [[k, "%.2f" % cpu[k], "%.1f" % wall, "%.2f" % (100 * cpu[k] / wall)] for k in ("serve", "zebsim")])
    table(["module", "frames", "mean period s", "mean − N/F, %", "largest |interval − N/F|, ms"], rows)
    print("Largest deviation of a module's mean period from N / F: %.4f %%" % (100 * worst_mean))
    print()


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("part", choices=["scpi", "metrics", "stream", "cpu", "soak", "crate", "all"])
    p.add_argument("--build", default=os.path.join(ROOT, "build"), help="build folder with bin/")
    p.add_argument("--time-scale", type=float, default=1, help="zebsim's time scale (default 1: real time)")
    p.add_argument("--queries", type=int, default=20, help="scpi: queries (default 20)")
    p.add_argument("--time", type=float, default=0.2, help="scpi: serve's --time, the frame time (default 0.2)")
    p.add_argument("--scrapes", type=int, default=50, help="metrics: scrapes (default 50)")
    p.add_argument("--pause", type=float, default=0.1, help="metrics: seconds between scrapes (default 0.1)")
    p.add_argument("--events", type=int, default=30, help="stream: events (default 30)")
    p.add_argument("--seconds", type=float, default=60, help="cpu: seconds of each phase (default 60)")
    p.add_argument("--clients", type=int, default=50, help="cpu: stream clients (default 50)")
    p.add_argument("--crate-seconds", type=float, default=600, help="crate: seconds (default 600)")
    p.add_argument("--soak-seconds", type=float, default=3600, help="soak: seconds (default 3600)")
    p.add_argument("--soak-clients", type=int, default=20, help="soak: stream clients (default 20)")
    p.add_argument("--soak-sample", type=float, default=30, help="soak: seconds between memory samples (default 30)")
    args = p.parse_args()
    args.cli = os.environ.get("VOLTCHECK_CLI") or os.path.join(args.build, "bin", "voltcheck-cli")
    args.zebsim = os.environ.get("ZEBSIM") or os.path.join(args.build, "bin", "zebsim")
    for path in (args.cli, args.zebsim):
        if not os.access(path, os.X_OK):
            sys.exit("not found: %s (give --build or VOLTCHECK_CLI and ZEBSIM)" % path)
    print("Load average at the start: %s; %d cores" % (
        " ".join(open("/proc/loadavg").read().split()[:3]), os.cpu_count()))
    print()
    parts = {"scpi": part_scpi, "metrics": part_metrics, "stream": part_stream, "cpu": part_cpu, "soak": part_soak,
             "crate": part_crate}
    for name in ([n for n in parts if n not in ("soak", "crate")] if args.part == "all" else [args.part]):
        parts[name](args)


if __name__ == "__main__":
    main()
