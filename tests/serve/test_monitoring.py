"""The monitoring files of docs/monitoring: the Prometheus scrape configuration and
the Grafana dashboard's queries checked by promtool, and every metric the dashboard
names is one that voltcheck-cli serve gives."""
import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest

import serve_harness as h

DOCS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "monitoring")


def promtool(*args):
    tool = shutil.which("promtool")
    assert tool, "promtool missing (Debian package prometheus, scripts/deps.sh)"
    return subprocess.run([tool] + list(args), capture_output=True, timeout=60, text=True)


def dashboard_queries():
    with open(os.path.join(DOCS, "grafana-dashboard.json")) as f:
        dashboard = json.load(f)
    return [target["expr"] for panel in dashboard["panels"] for target in panel["targets"]]


class Monitoring(unittest.TestCase):
    def test_scrape_configuration(self):
        check = promtool("check", "config", os.path.join(DOCS, "prometheus.yml"))
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)

    def test_dashboard_queries_are_promql(self):
        queries = dashboard_queries()
        self.assertGreater(len(queries), 0)
        with tempfile.TemporaryDirectory() as d:
            rules = os.path.join(d, "rules.yml")
            with open(rules, "w") as f:
                f.write("groups:\n  - name: dashboard\n    rules:\n")
                for k, query in enumerate(queries):
                    f.write("      - record: dashboard:query%d\n        expr: %s\n" % (k, json.dumps(query)))
            check = promtool("check", "rules", rules)
            self.assertEqual(check.returncode, 0, check.stdout + check.stderr)

    def test_dashboard_names_only_served_metrics(self):
        with tempfile.TemporaryDirectory() as d:
            zebsim = h.Zebsim(d)
            serve = h.Serve(zebsim, ["--module", "A:1", "--rate", "15625", "--mode", "ac"], scpi=False)
            def measured():
                text = h.http_get(serve.http_port, "/metrics")[2]
                return text if "voltcheck_channel_hertz" in text else None
            try:
                text = h.wait_until("a frame in the metrics", measured)
            finally:
                status, stderr = h.finish(serve, zebsim)
            self.assertEqual(status, 0, stderr)
        served = set(re.findall(r"^# TYPE (\w+) ", text, re.M))
        named = set(name for query in dashboard_queries() for name in re.findall(r"\bvoltcheck_\w+", query))
        self.assertTrue(named)
        self.assertLessEqual(named, served)


if __name__ == "__main__":
    unittest.main()
