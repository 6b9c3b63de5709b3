"""voltcheck-cli serve's command line: its usage, the refusals with their exit status
and message, where it says it listens, and a clean end by SIGTERM or SIGINT."""
import os
import signal
import subprocess
import tempfile
import unittest

import serve_harness as h


def run(args, zebsim=None):
    env = dict(os.environ)
    if zebsim:
        env["ZEB_SERVER_PORT"] = str(zebsim.port)
    return subprocess.run([h.CLI, "serve"] + args, capture_output=True, text=True, timeout=60, env=env)


class CommandLine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.zebsim = h.Zebsim(cls.dir.name)

    @classmethod
    def tearDownClass(cls):
        cls.zebsim.stop()
        cls.dir.cleanup()

    def test_usage(self):
        result = run(["--help"])
        self.assertEqual(result.returncode, 0)
        self.assertTrue(result.stdout.startswith("использование: voltcheck-cli serve"))
        for option in ("--module", "--scpi", "--scpi-read-only", "--http", "--listen", "--settings", "--rate", "--null",
                       "--average", "--limits"):
            self.assertIn(option, result.stdout)

    def test_refusals(self):
        cases = [
            (["--module", "A"], 2, "неверный модуль"),
            (["--module", "A:17"], 2, "неверный модуль"),
            (["--module", "A:1", "--module", "A:1"], 2, "модуль назван дважды"),
            (["--scpi", "70000"], 2, "неверный порт"),
            (["--frames", "3"], 2, "неизвестный параметр: --frames"),
            (["--limits", "1=0.5:0.2"], 2, "--limits 1=0.5:0.2: Нижний допуск выше верхнего"),
            (["--average", "1001"], 2, "--average 1001: "),
            (["--null", "9=first"], 2, "--null 9=first: "),
            (["--module", "A:9"], 1, "нет отвечающего модуля ZEB44 A:9"),
            (["--module", "A:1", "--listen", "nonsense"], 1, "неверный адрес nonsense"),
        ]
        for args, status, message in cases:
            result = run(args, self.zebsim)
            self.assertEqual(result.returncode, status, args)
            self.assertIn(message, result.stderr, args)
            self.assertNotIn("module ", result.stdout, args)

    def test_default_module_and_a_clean_end_by_either_signal(self):
        for stop in (signal.SIGTERM, signal.SIGINT):
            serve = h.Serve(self.zebsim, ["--rate", "15625"])
            try:
                self.assertIn("module A:1\n", serve.stdout())
                h.wait_until("a frame", lambda: '"frame": null' not in h.http_get(serve.http_port, "/api/v1/readings")[2])
                serve.process.send_signal(stop)
                self.assertEqual(serve.process.wait(h.STOP_SECONDS), 0, serve.stderr())
                self.assertEqual(serve.stderr(), "")
            finally:
                serve.stop()
                serve.close()


if __name__ == "__main__":
    unittest.main()
