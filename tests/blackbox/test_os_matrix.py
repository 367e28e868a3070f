"""The OS check under Wine's per-program Windows version: the NT family 5.x
and 6.x start; older systems see the refusal, get no window and no version
record."""

import unittest

from tarnwick_blackbox import (APP_DEFAULTS_KEY, OS_REFUSAL, PROGRAM_KEY, TarnwickTestCase,
                               driver, reg_get, reg_set)

ACCEPTED = ["win2k", "winxp", "win2003", "vista", "win7", "win10"]
REFUSED = ["nt40", "win95", "win98", "winme"]


class OSMatrix(TarnwickTestCase):
    def test_supported_versions_start(self):
        for version in ACCEPTED:
            with self.subTest(version=version):
                reg_set(APP_DEFAULTS_KEY, "Version", version)
                process = self.start()
                self.assertIsNone(self.message_box(timeout_ms=300))
                self.close(process)

    def test_older_versions_are_refused_without_a_window(self):
        for version in REFUSED:
            with self.subTest(version=version):
                reg_set(APP_DEFAULTS_KEY, "Version", version)
                process = self.start(expect_window=False)
                box = self.message_box(timeout_ms=15000, dismiss=False)
                self.assertEqual(box, ("Tarnwick", "exclamation", OS_REFUSAL))
                self.assertEqual(driver("count-windows").strip(), "0")
                if version == REFUSED[0]:
                    self.screenshot("os-refusal")
                self.message_box(timeout_ms=1000, dismiss=True)
                process.wait(timeout=15)
                self.assertIsNone(reg_get(PROGRAM_KEY + r"\Version", "Major"),
                                  "no version record on a refused start")


if __name__ == "__main__":
    unittest.main()
