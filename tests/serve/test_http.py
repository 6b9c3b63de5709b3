"""voltcheck-cli serve's HTTP side: /metrics checked by promtool and parsed, the
readings API and the event stream parsed back, garbage and over-long requests, a
stream client that never reads, one stream too many, and a module lost and found
again."""
import json
import math
import re
import shutil
import socket
import subprocess
import tempfile
import time
import unittest
import urllib.error
import urllib.request

import serve_harness as h

SAMPLE = re.compile(r'^([a-z_]+)\{(.*)\} (\S+)$')


def parse_metrics(text):
    """[(name, {label: value}, value)] of every sample line."""
    samples = []
    for line in text.splitlines():
        if not line or line.startswith("#"):
            continue
        m = SAMPLE.match(line)
        assert m, "not a sample line: %r" % line
        labels = dict(re.findall(r'(\w+)="([^"]*)"', m.group(2)))
        samples.append((m.group(1), labels, float(m.group(3))))
    return samples


def sample(samples, name, **labels):
    found = [v for n, l, v in samples if n == name and all(l.get(k) == str(x) for k, x in labels.items())]
    assert len(found) == 1, "%s %r: %r" % (name, labels, found)
    return found[0]


STREAM_LIMIT = 64  # event streams served at once


def open_stream(port, seconds=h.START_SECONDS):
    """A stream once the server has a place for it: the places of streams closed by
    earlier tests are freed at the server's next write to them."""
    def admitted():
        try:
            return urllib.request.urlopen("http://127.0.0.1:%d/api/v1/stream" % port, timeout=seconds)
        except urllib.error.HTTPError as refused:
            assert refused.code == 503, refused
            refused.close()
            return None
    return h.wait_until("a place for a stream", admitted)


def read_events(port, count, module=None, seconds=h.START_SECONDS):
    """The first count events of the stream (of one module when given) as (type, data)."""
    events = []
    deadline = time.monotonic() + seconds
    with open_stream(port) as response:
        assert response.headers["Content-Type"].startswith("text/event-stream")
        kind, data = None, []
        while len(events) < count and time.monotonic() < deadline:
            line = response.readline().decode("utf-8")
            assert line, "the stream ended"
            line = line.rstrip("\n")
            if line.startswith("event: "):
                kind = line[7:]
            elif line.startswith("data: "):
                data.append(line[6:])
            elif line == "" and data:
                event = json.loads("\n".join(data))
                if module is None or (event["crate"], event["slot"]) == module:
                    events.append((kind, event))
                kind, data = None, []
    assert len(events) == count, "only %d events" % len(events)
    return events


def raw_request(port, request):
    s = socket.create_connection(("127.0.0.1", port), timeout=30)
    try:
        s.sendall(request)
        data = b""
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            data += chunk
            if b"\r\n\r\n" in data:
                break
        return data.decode("latin-1")
    finally:
        s.close()


class HttpEndpoints(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.zebsim = h.Zebsim(cls.dir.name)
        cls.serve = h.Serve(cls.zebsim, ["--module", "A:1", "--module", "A:2", "--rate", "15625", "--mode", "ac",
                                         "--range", "1=3", "--limits", "3=0.35:0.36", "--limits", "4=-20:"],
                            scpi=False)
        # Both modules have measured.
        h.wait_until("first frames", lambda: all(m["frame"] for m in cls.readings()["modules"]))

    @classmethod
    def tearDownClass(cls):
        status, stderr = h.finish(cls.serve, cls.zebsim)
        cls.dir.cleanup()
        assert status == 0, "serve ended with %r: %s" % (status, stderr)

    @classmethod
    def readings(cls):
        status, headers, text = h.http_get(cls.serve.http_port, "/api/v1/readings")
        assert status == 200 and headers["Content-Type"] == "application/json"
        return json.loads(text)

    def test_metrics_pass_promtool_and_parse(self):
        promtool = shutil.which("promtool")
        self.assertIsNotNone(promtool, "promtool missing (Debian package prometheus, scripts/deps.sh)")
        status, headers, text = h.http_get(self.serve.http_port, "/metrics")
        self.assertEqual(status, 200)
        self.assertTrue(headers["Content-Type"].startswith("text/plain; version=0.0.4"))
        check = subprocess.run([promtool, "check", "metrics"], input=text.encode(), capture_output=True, timeout=60)
        self.assertEqual(check.returncode, 0, check.stdout.decode() + check.stderr.decode())
        samples = parse_metrics(text)
        one = dict(crate="A", slot=1, module="440001")
        self.assertEqual(sample(samples, "voltcheck_module_connected", **one), 1)
        self.assertGreater(sample(samples, "voltcheck_module_frames_total", **one), 0)
        self.assertLess(abs(sample(samples, "voltcheck_module_last_frame_timestamp_seconds", **one) - time.time()), 600)
        # AC mode: channel 3 the sine's RMS and frequency, channel 4 overloaded.
        self.assertAlmostEqual(sample(samples, "voltcheck_channel_volts", channel=3, mode="ac", **one),
                               0.5 / math.sqrt(2), delta=2e-3)
        self.assertAlmostEqual(sample(samples, "voltcheck_channel_hertz", channel=3, mode="ac", **one), 1000, delta=0.5)
        self.assertEqual(sample(samples, "voltcheck_channel_overload", channel=4, mode="ac", **one), 1)
        self.assertEqual(sample(samples, "voltcheck_channel_overload", channel=3, mode="ac", **one), 0)
        two = dict(crate="A", slot=2, module="440002")
        self.assertEqual(sample(samples, "voltcheck_module_connected", **two), 1)
        # Limits: channel 3's RMS within them, channel 4 overloaded (a fail); none on the others.
        three, four = dict(channel=3, mode="ac", **one), dict(channel=4, mode="ac", **one)
        self.assertEqual(sample(samples, "voltcheck_channel_pass", **three), 1)
        self.assertEqual(sample(samples, "voltcheck_channel_pass", **four), 0)
        self.assertEqual(sample(samples, "voltcheck_channel_limit_lower_volts", **three), 0.35)
        self.assertEqual(sample(samples, "voltcheck_channel_limit_upper_volts", **three), 0.36)
        self.assertEqual(sample(samples, "voltcheck_channel_limit_lower_volts", **four), -20)
        self.assertFalse([s for s in samples if s[0] == "voltcheck_channel_limit_upper_volts" and s[1]["channel"] == "4"])
        self.assertFalse([s for s in samples if s[0] == "voltcheck_channel_pass" and s[1]["channel"] in "12"])
        # The statistics of what is shown since serving began.
        count = sample(samples, "voltcheck_channel_stats_readings", **three)
        self.assertGreater(count, 0)
        self.assertEqual(sample(samples, "voltcheck_channel_stats_passed", **three), count)
        self.assertEqual(sample(samples, "voltcheck_channel_stats_failed", **three), 0)
        self.assertEqual(sample(samples, "voltcheck_channel_stats_failed", **four),
                         sample(samples, "voltcheck_channel_stats_readings", **four))
        low, high = (sample(samples, "voltcheck_channel_stats_%s_volts" % k, **three) for k in ("min", "max"))
        self.assertAlmostEqual(sample(samples, "voltcheck_channel_stats_mean_volts", **three), 0.5 / math.sqrt(2),
                               delta=2e-3)
        self.assertLessEqual(low, high)
        self.assertAlmostEqual(sample(samples, "voltcheck_channel_stats_peak_to_peak_volts", **three), high - low,
                               delta=1e-12)
        self.assertLess(sample(samples, "voltcheck_channel_stats_stddev_volts", **three), 2e-3)

    def test_readings_in_the_json_of_measure(self):
        modules = self.readings()["modules"]
        self.assertEqual([(m["crate"], m["slot"], m["module"]) for m in modules], [("A", 1, "440001"), ("A", 2, "440002")])
        one = modules[0]
        self.assertTrue(one["connected"])
        self.assertRegex(one["time"], r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$")
        self.assertEqual(sorted(one["channels"]), ["1", "2", "3", "4"])
        self.assertAlmostEqual(one["channels"]["3"]["volts"], 0.5 / math.sqrt(2), delta=2e-3)
        self.assertAlmostEqual(one["channels"]["3"]["hertz"], 1000, delta=0.5)
        self.assertIs(one["channels"]["4"]["overload"], True)
        self.assertIs(one["channels"]["3"]["overload"], False)
        self.assertEqual([one["channels"][c].get("pass") for c in "1234"], [None, None, True, False])
        # The window's texts: millivolts and kilohertz in the range's pattern.
        self.assertEqual(one["display"]["3"]["value"], "353.55")
        self.assertEqual(one["display"]["3"]["frequency"], "1.00000")
        self.assertIs(one["display"]["4"]["overload"], True)

    def test_stream_gives_one_event_per_frame(self):
        events = read_events(self.serve.http_port, 4, module=("A", 1))
        self.assertTrue(all(kind == "frame" for kind, _ in events))
        frames = [event["frame"] for _, event in events]
        self.assertEqual(frames, sorted(frames))
        self.assertEqual(len(set(frames)), len(frames))
        for _, event in events:
            self.assertAlmostEqual(event["channels"]["3"]["volts"], 0.5 / math.sqrt(2), delta=2e-3)

    def test_the_page_is_self_contained(self):
        status, headers, text = h.http_get(self.serve.http_port, "/")
        self.assertEqual(status, 200)
        self.assertTrue(headers["Content-Type"].startswith("text/html"))
        self.assertIn("EventSource", text)
        self.assertNotRegex(text, r"(src|href)=\"?(https?:)?//")
        self.assertNotIn("@font-face", text)
        self.assertNotIn("@import", text)

    def test_garbage_and_over_long_requests_get_http_errors(self):
        self.assertRegex(raw_request(self.serve.http_port, b"\x00\xffgarbage\r\n\r\n"), r"^HTTP/1\.1 400 ")
        self.assertRegex(raw_request(self.serve.http_port, b"GET /" + b"a" * 20000 + b" HTTP/1.1\r\n\r\n"),
                         r"^HTTP/1\.1 414 ")
        long_header = b"GET /metrics HTTP/1.1\r\nHost: x\r\nX-Long: " + b"b" * 20000 + b"\r\n\r\n"
        self.assertRegex(raw_request(self.serve.http_port, long_header), r"^HTTP/1\.1 4\d\d ")
        with self.assertRaises(urllib.error.HTTPError) as missing:
            h.http_get(self.serve.http_port, "/nothing")
        self.assertEqual(missing.exception.code, 404)
        self.assertEqual(h.http_get(self.serve.http_port, "/metrics")[0], 200)

    def test_a_stream_that_is_never_read_holds_no_one(self):
        silent = socket.create_connection(("127.0.0.1", self.serve.http_port), timeout=30)
        self.addCleanup(silent.close)
        silent.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        silent.sendall(b"GET /api/v1/stream HTTP/1.1\r\nHost: x\r\n\r\n")
        before = self.readings()["modules"][0]["frame"]
        # Others are served and the frames go on while it takes nothing.
        events = read_events(self.serve.http_port, 3, module=("A", 1))
        self.assertGreater(events[-1][1]["frame"], before)
        h.wait_until("frames go on", lambda: self.readings()["modules"][0]["frame"] > before + 5)

    def test_one_stream_too_many_is_refused(self):
        streams = []
        for _ in range(STREAM_LIMIT):
            s = open_stream(self.serve.http_port)
            self.addCleanup(s.close)
            streams.append(s)
        # All are held by the server now: one more is refused, other requests still served.
        self.assertRegex(raw_request(self.serve.http_port, b"GET /api/v1/stream HTTP/1.1\r\nHost: x\r\n\r\n"),
                         r"^HTTP/1\.1 503 ")
        self.assertEqual(h.http_get(self.serve.http_port, "/api/v1/readings")[0], 200)
        for s in streams:
            s.close()
        self.assertEqual(len(read_events(self.serve.http_port, 1)), 1)


class FullCrate(unittest.TestCase):
    def test_sixteen_modules_from_one_serve_measure_their_own_levels(self):
        """A whole crate from one stream per module at the top rate, spectral method:
        every module's channels read their own levels."""
        crate = {"crates": [{"serial": "C", "type": 30, "modules": [
            {"slot": k, "serial": "44%04d" % k, "firmware": "1.0.0.0", "own_noise_rms": 0,
             "channels": [{"dc": 0.05 * k}, {"dc": -0.03 * k}, {"amplitude": 0.5, "frequency": 100.0 * k},
                          {"dc": 0.01 * k}]}
            for k in range(1, 17)]}]}
        with tempfile.TemporaryDirectory() as d:
            zebsim = h.Zebsim(d, scenario=crate, time_scale=1)
            modules = []
            for k in range(1, 17):
                modules += ["--module", "C:%d" % k]
            serve = h.Serve(zebsim, modules + ["--rate", "78125", "--method", "fft", "--continuous",
                                               "--time", "0.1", "--range", "1"], scpi=False)
            try:
                def readings():
                    return json.loads(h.http_get(serve.http_port, "/api/v1/readings")[2])["modules"]
                h.wait_until("every module's second frame", lambda: all(
                    m["frame"] is not None and m["frame"] >= 2 for m in readings()), seconds=h.START_SECONDS * 2)
                seen = {}
                for m in readings():
                    k = m["slot"]
                    c = m["channels"]
                    self.assertTrue(m["connected"], m)
                    self.assertAlmostEqual(c["1"]["volts"], 0.05 * k, delta=2e-3, msg=m)
                    self.assertAlmostEqual(c["2"]["volts"], -0.03 * k, delta=2e-3, msg=m)
                    self.assertAlmostEqual(c["3"]["volts"], 0.0, delta=2e-3, msg=m)  # a sine's DC
                    self.assertAlmostEqual(c["4"]["volts"], 0.01 * k, delta=2e-3, msg=m)
                    seen[k] = m
                self.assertEqual(sorted(seen), list(range(1, 17)))
            finally:
                status, stderr = h.finish(serve, zebsim)
            self.assertEqual(status, 0, stderr)


class LostModule(unittest.TestCase):
    def test_lost_module_is_marked_and_found_again(self):
        with tempfile.TemporaryDirectory() as d:
            zebsim = h.Zebsim(d)
            serve = h.Serve(zebsim, ["--module", "A:1", "--module", "A:2", "--rate", "15625"])
            try:
                def module(k):
                    return json.loads(h.http_get(serve.http_port, "/api/v1/readings")[2])["modules"][k]
                h.wait_until("measuring", lambda: module(0)["connected"] and module(0)["frame"])
                zebsim.stop()
                lost = h.wait_until("marked lost", lambda: (not module(0)["connected"]) and (not module(1)["connected"])
                                    and module(0))
                self.assertNotEqual(lost["message"], "")
                samples = parse_metrics(h.http_get(serve.http_port, "/metrics")[2])
                self.assertEqual(sample(samples, "voltcheck_module_connected", crate="A", slot=1), 0)
                s = socket.create_connection(("127.0.0.1", serve.scpi_port), timeout=30)
                s.sendall(b"MEAS:VOLT:DC? (@1)\nSYST:ERR?\n")
                answer = s.makefile("rb").readline().decode()
                s.close()
                self.assertEqual(answer, '-241,"Hardware missing"\n')
                frames = lost["frame"]
                zebsim.start()  # on the same port
                h.wait_until("found again", lambda: module(0)["connected"] and module(0)["frame"] > frames
                             and module(1)["connected"])
            finally:
                status, stderr = h.finish(serve, zebsim)
            self.assertEqual(status, 0, stderr)


if __name__ == "__main__":
    unittest.main()
