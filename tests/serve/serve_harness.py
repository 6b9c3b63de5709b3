"""Starts zebsim and `voltcheck-cli serve` for the serve tests, each bounded in time.

Paths come from the environment ctest sets: VOLTCHECK_CLI, ZEBSIM, VOLTCHECK_VERSION.
"""
import json
import os
import random
import signal
import socket
import subprocess
import tempfile
import time

CLI = os.environ.get("VOLTCHECK_CLI", "")
ZEBSIM = os.environ.get("ZEBSIM", "")
VERSION = os.environ.get("VOLTCHECK_VERSION", "")

# Crate "A" (a ZEB-N8, no rate limit): module 1 with DC 1.25 V and -0.7 V, a 1 kHz sine
# of 0.5 V peak and an input beyond every range; module 2 with DC 0.5 V and 2.5 V.
# Crate "K" (a ZEB-K1, 800 KB/s): module 1 with DC 0.25 V on every channel.
SCENARIO = {
    "crates": [{
        "serial": "A", "type": 30,
        "modules": [
            {"slot": 1, "serial": "440001", "firmware": "1.0.0.0", "own_noise_rms": 0,
             "channels": [{"dc": 1.25}, {"dc": -0.7}, {"amplitude": 0.5, "frequency": 1000},
                          {"dc": 2.0, "amplitude": 14.0, "frequency": 50}]},
            {"slot": 2, "serial": "440002", "firmware": "1.0.0.0", "own_noise_rms": 0,
             "channels": [{"dc": 0.5}, {"dc": 2.5}, {"dc": 0.1}, {"dc": 0.2}]},
        ],
    }, {
        "serial": "K", "type": 21,
        "modules": [
            {"slot": 1, "serial": "440003", "firmware": "1.0.0.0", "own_noise_rms": 0,
             "channels": [{"dc": 0.25}, {"dc": 0.25}, {"dc": 0.25}, {"dc": 0.25}]},
        ],
    }]
}

# Bounds of every wait of the tests.
START_SECONDS = 30
STOP_SECONDS = 20


def free_port():
    """A free port below the kernel's ephemeral range, so that no outgoing connection
    of another program takes it between this check and the server's bind."""
    for _ in range(200):
        port = random.randint(20000, 32000)
        with socket.socket() as s:
            try:
                s.bind(("127.0.0.1", port))
                return port
            except OSError:
                continue
    raise RuntimeError("no free port between 20000 and 32000")


def terminate(process):
    """SIGTERM and its exit status; None when it had to be killed."""
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(STOP_SECONDS)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            return None
    return process.returncode


def finish(serve, zebsim):
    """Stops serve, then zebsim: serve's exit status and standard error."""
    status = serve.stop()
    zebsim.stop()
    stderr = serve.stderr()
    serve.close()
    return status, stderr


class Zebsim:
    def __init__(self, workdir, scenario=SCENARIO, time_scale=20, port=0):
        if not ZEBSIM or not os.access(ZEBSIM, os.X_OK):
            raise RuntimeError("zebsim not found: ZEBSIM=%r" % ZEBSIM)
        self.scenario = os.path.join(workdir, "scenario.json")
        with open(self.scenario, "w") as f:
            json.dump(scenario, f)
        self.port_file = os.path.join(workdir, "zebsim.port")
        self.time_scale = time_scale
        self.port = port
        self.process = None
        self.start()

    def start(self):
        if os.path.exists(self.port_file):
            os.remove(self.port_file)
        self.process = subprocess.Popen(
            [ZEBSIM, "--port", str(self.port), "--port-file", self.port_file, "--scenario", self.scenario,
             "--time-scale", str(self.time_scale)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        def port():
            if self.process.poll() is not None:
                raise RuntimeError("zebsim ended at its start with %d" % self.process.returncode)
            if not os.path.exists(self.port_file):
                return None
            with open(self.port_file) as f:
                return f.read().strip()
        self.port = int(wait_until("zebsim's port", port))

    def stop(self):
        if self.process:
            terminate(self.process)


class Serve:
    """voltcheck-cli serve against a zebsim, its ports read from what it prints."""

    def __init__(self, zebsim, args, scpi=True, http=True):
        if not CLI or not os.access(CLI, os.X_OK):
            raise RuntimeError("voltcheck-cli not found: VOLTCHECK_CLI=%r" % CLI)
        self.scpi_port = free_port() if scpi else 0
        self.http_port = free_port() if http else 0
        env = dict(os.environ, ZEB_SERVER_PORT=str(zebsim.port))
        self.out = tempfile.TemporaryFile()
        self.err = tempfile.TemporaryFile()
        self.process = subprocess.Popen(
            [CLI, "serve", "--scpi", str(self.scpi_port), "--http", str(self.http_port)] + args,
            stdout=self.out, stderr=self.err, env=env)
        ready = ["module "]
        if scpi:
            ready.append("SCPI: 127.0.0.1:%d" % self.scpi_port)
        if http:
            ready.append("HTTP: http://127.0.0.1:%d/" % self.http_port)

        def listening():
            if self.process.poll() is not None:
                raise RuntimeError("serve ended with %d: %s" % (self.process.returncode, self.stderr()))
            return all(line in self.stdout() for line in ready)
        wait_until("serve saying where it listens", listening)

    def stdout(self):
        self.out.seek(0)
        return self.out.read().decode("utf-8", "replace")

    def stderr(self):
        self.err.seek(0)
        return self.err.read().decode("utf-8", "replace")

    def stop(self):
        """SIGTERM; the exit status (None when it had to be killed)."""
        return terminate(self.process)

    def close(self):
        self.out.close()
        self.err.close()


def http_get(port, path, timeout=20):
    import urllib.request
    with urllib.request.urlopen("http://127.0.0.1:%d%s" % (port, path), timeout=timeout) as response:
        return response.status, response.headers, response.read().decode("utf-8")


def wait_until(what, predicate, seconds=START_SECONDS, step=0.05):
    """Polls predicate until it gives a true value (returned) or seconds pass (failure)."""
    deadline = time.monotonic() + seconds
    last = None
    while time.monotonic() < deadline:
        last = predicate()
        if last:
            return last
        time.sleep(step)
    raise AssertionError("%s: not within %d s (last: %r)" % (what, seconds, last))
