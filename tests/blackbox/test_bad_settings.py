"""Settings that are no text, too long, or missing halfway: a value that is no
number is reported and stops the load, a missing one falls back to its
default, text stored as REG_EXPAND_SZ is read as it stands, and the next
clean close stores every value as REG_SZ text again."""

import pathlib
import tempfile
import unittest

from tarnwick_blackbox import (SETTINGS_KEY, TarnwickTestCase, driver, driver_run,
                               reg_get, run_wine)

ERROR_CAPTION = "Program Error"
NAMES = ("AutoOption", "AlwaysOnTop", "Auto", "Left", "Top")


def reg_add(name, kind, data, key=SETTINGS_KEY):
    result = run_wine("reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f")
    assert result.returncode == 0, result.stderr


def reg_import(name, text):
    """Stores a value too long for a command line, through a .reg file."""
    with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False) as reg:
        reg.write("Windows Registry Editor Version 5.00\r\n\r\n"
                  f"[{SETTINGS_KEY.replace('HKCU', 'HKEY_CURRENT_USER')}]\r\n"
                  f'"{name}"="{text}"\r\n')
    path = pathlib.Path(reg.name)
    try:
        windows = run_wine("winepath", "-w", str(path)).stdout.decode().strip()
        assert run_wine("regedit", "/s", windows).returncode == 0
    finally:
        path.unlink()


class BadSettings(TarnwickTestCase):
    def start_expecting_report(self, reported):
        process = self.start(expect_window=False)
        found = driver_run("window", ERROR_CAPTION, "10000" if reported else "1500")
        self.assertEqual(found.returncode == 0, reported,
                         "reported" if reported else "a fallback, not a report")
        if reported:
            driver("close-window", ERROR_CAPTION)
        self.assertEqual(driver_run("wait", "10000").returncode, 0, "the window is shown")
        self.settle()
        return process

    def assert_stored_as_text(self, *names):
        for name in names:
            value = reg_get(SETTINGS_KEY, name)
            self.assertIsNotNone(value, f"{name} is REG_SZ text again")
            float(value)

    def stored_type(self, name):
        out = run_wine("reg", "query", SETTINGS_KEY, "/v", name).stdout.decode(errors="replace")
        return next((line.split()[1] for line in out.splitlines()
                     if line.strip().startswith(name + " ")), None)

    def test_a_value_that_is_no_text_is_reported_and_stored_as_text_at_close(self):
        reg_add("AutoOption", "REG_DWORD", "3")
        reg_add("AlwaysOnTop", "REG_BINARY", "3100")
        reg_add("Auto", "REG_MULTI_SZ", "1\\01")
        process = self.start_expecting_report(True)
        self.assertEqual(self.rect()[0][:2], (0, 0), "the load stopped before the position")
        self.close(process)
        self.assertEqual(reg_get(SETTINGS_KEY, "AutoOption"), "0", "mended as text")
        # The values that the load never reached are kept as they were.
        self.assertEqual(self.stored_type("AlwaysOnTop"), "REG_BINARY")
        self.assertEqual(self.stored_type("Auto"), "REG_MULTI_SZ")

    def test_a_huge_later_value_stops_the_load_at_its_step(self):
        reg_add("AutoOption", "REG_SZ", "2")
        reg_add("AlwaysOnTop", "REG_EXPAND_SZ", "0")  # text, read as it stands
        reg_add("Auto", "REG_EXPAND_SZ", "0")
        reg_import("Left", "1" * (1 << 20))           # a 1 MB string
        reg_add("Top", "REG_DWORD", "9")
        process = self.start_expecting_report(True)
        self.assertEqual(self.control("UPPRE CASE", visible=False).check, 1,
                         "the steps before the bad value ran")
        self.assertEqual(self.rect()[0][:2], (0, 0))
        self.close(process)
        self.assert_stored_as_text("AutoOption", "AlwaysOnTop", "Auto", "Left")
        self.assertEqual(reg_get(SETTINGS_KEY, "Left"), "0")
        self.assertEqual(self.stored_type("Top"), "REG_DWORD", "never read, kept")

    def test_missing_values_fall_back_to_their_defaults(self):
        reg_add("Auto", "REG_EXPAND_SZ", "1")
        reg_add("Left", "REG_SZ", "1500")
        process = self.start_expecting_report(False)
        self.assertEqual(self.control("Sentence case", visible=True).check, 1,
                         "Auto mode from the stored value, option 0 by default")
        self.assertEqual(self.rect()[0][:2], (100, 0))
        self.close(process)
        self.assert_stored_as_text(*NAMES)


if __name__ == "__main__":
    unittest.main()
