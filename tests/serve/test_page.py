"""voltcheck-cli serve's page in headless Chromium through Selenium: the known values
in the window's patterns, updating without a reload, overload in red with the lamp
lit, and the stale look while a module is lost."""
import shutil
import tempfile
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

import serve_harness as h

LIME = "rgba(0, 255, 0, 1)"
RED = "rgba(255, 0, 0, 1)"


def browser(profile):
    chromium = shutil.which("chromium")
    driver = shutil.which("chromedriver")
    assert chromium, "chromium missing (Debian package chromium, scripts/deps.sh)"
    assert driver, "chromedriver missing (Debian package chromium-driver, scripts/deps.sh)"
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + profile, "--window-size=1600,1000"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service(driver), options=options)


class Page(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)
        self.zebsim = h.Zebsim(self.dir.name)
        self.addCleanup(self.zebsim.stop)
        self.serve = h.Serve(self.zebsim, ["--module", "A:1", "--module", "A:2", "--rate", "15625", "--mode", "ac",
                                           "--range", "1=3"], scpi=False)
        self.addCleanup(self.stop_serve)
        self.driver = browser(self.dir.name + "/profile")
        self.addCleanup(self.driver.quit)
        self.driver.get("http://127.0.0.1:%d/" % self.serve.http_port)
        self.wait = WebDriverWait(self.driver, h.START_SECONDS)

    def stop_serve(self):
        status, stderr = h.finish(self.serve, self.zebsim)
        self.assertEqual(status, 0, stderr)

    def element(self, element_id):
        return self.wait.until(lambda d: d.find_element("id", element_id))

    def text_becomes(self, element_id, text):
        self.wait.until(lambda d: d.find_element("id", element_id).text == text,
                        "%s never showed %r" % (element_id, text))

    def test_known_values_update_live_and_overload_is_red(self):
        # Channel 1 DC 1.25 V in AC mode on its 3 V range: the DC part is no AC.
        self.text_becomes("value-A-1-3", "353.55")
        self.text_becomes("freq-A-1-3", "1.00000")
        self.text_becomes("value-A-2-2", "0.00")
        self.assertEqual(self.element("value-A-1-3").value_of_css_property("color"), LIME)
        self.assertEqual(self.element("value-A-1-3").value_of_css_property("background-color"), "rgba(0, 0, 0, 1)")
        self.assertNotIn("on", self.element("lamp-A-1-3").get_attribute("class").split())
        # Channel 4 overloads its range: red, lamp lit.
        self.wait.until(lambda d: d.find_element("id", "value-A-1-4").value_of_css_property("color") == RED)
        self.assertIn("on", self.element("lamp-A-1-4").get_attribute("class").split())
        self.assertEqual(self.element("lamp-A-1-4").value_of_css_property("background-color"), RED)
        # Live: the frame number grows without a reload.
        panel = self.element("module-A-1")
        first = int(panel.get_attribute("data-frame"))
        self.wait.until(lambda d: int(d.find_element("id", "module-A-1").get_attribute("data-frame")) > first + 2)

    def test_a_lost_module_looks_stale(self):
        self.text_becomes("value-A-1-3", "353.55")
        self.assertNotIn("stale", self.element("module-A-1").get_attribute("class").split())
        self.zebsim.stop()
        self.wait.until(lambda d: "stale" in d.find_element("id", "module-A-1").get_attribute("class").split())
        self.assertTrue(self.element("status-A-1").text.startswith("нет связи"))
        self.zebsim.start()
        self.wait.until(lambda d: "stale" not in d.find_element("id", "module-A-1").get_attribute("class").split())


if __name__ == "__main__":
    unittest.main()
