"""The system's keyboard move, with real keys on the X display: Alt+Space
opens the window menu, M starts the move, each arrow key moves the window
by the system's step, and Enter ends the move where it stands. It works on
the main window, the About dialog and the error dialog alike: while the
system's loop runs, its keys reach it untouched. (This is how a user brings
back a window whose stored position lies off the screen.)"""

import subprocess
import unittest

from tarnwick_blackbox import (ABOUT_CAPTION, ERROR_CAPTION, XDOTOOL, ReportTestCase, controls,
                               driver, driver_run, gone, read_until, window)

STEP = 8  # pixels per arrow key in the system's move loop
KEYS = [("Right", STEP, 0), ("Right", STEP, 0), ("Down", 0, STEP)]


def xdotool(*args):
    subprocess.run([XDOTOOL, *args], check=True, timeout=20, capture_output=True)


@unittest.skipUnless(XDOTOOL, "xdotool is needed")
class KeyboardMove(ReportTestCase):
    shared = True

    def loop(self, which):
        """The system loop that runs on the window's thread: move, menu or
        none; gone when the window is."""
        result = driver_run("loop", which)
        return result.stdout.decode().strip() if result.returncode == 0 else "gone"

    def assert_loop(self, which, expected, why, timeout=5.0):
        self.assertEqual(read_until(lambda: self.loop(which), expected, timeout), expected, why)

    def centre_of(self, which, picked):
        """Screen point in the middle of the first control `picked` says,
        where a click gives the window the keyboard without pressing anything."""
        left, top = window(which, 0).client[:2]
        x, y, width, height = next(c for c in controls(which) if picked(c)).rect
        return left + x + width // 2, top + y + height // 2

    def assert_moves_by_keys(self, which, click_at):
        position = lambda: list(window(which, 0).frame[:2])  # noqa: E731
        xdotool("mousemove", *map(str, click_at), "click", "1")
        expected = position()
        xdotool("key", "alt+space")
        self.assert_loop(which, "menu", "Alt+Space opens the window menu")
        xdotool("key", "m")
        self.assert_loop(which, "move", "M starts the move")
        try:
            for key, dx, dy in KEYS:
                expected = [expected[0] + dx, expected[1] + dy]
                xdotool("key", key)
                self.assertEqual(read_until(position, expected, 3.0), expected, f"after {key}")
            xdotool("key", "Return")
            self.assert_loop(which, "none", "Enter ends the move", 3.0)
        finally:
            if self.loop(which) == "move":
                xdotool("click", "1")  # a click ends a move that the keys could not
        self.assertEqual(position(), expected, "the window stays moved")

    def test_the_main_window(self):
        self.assert_moves_by_keys("main", self.centre_of("main", lambda c: c.cls == "Edit"))
        self.copy_shown("still working")
        self.press("UPPRE CASE")
        self.wait_xclip("STILL WORKING")

    def test_the_about_dialog(self):
        self.open_about()
        support_label = self.centre_of(ABOUT_CAPTION, lambda c: c.id == 1008)
        self.assert_moves_by_keys(ABOUT_CAPTION, support_label)
        driver("key", ABOUT_CAPTION, "escape")
        self.assertTrue(gone(ABOUT_CAPTION))

    def test_the_error_dialog(self):
        self.copy_shown("fail here")
        self.fail_command()
        self.assert_moves_by_keys(ERROR_CAPTION, self.centre_of(
            ERROR_CAPTION, lambda c: c.text.startswith("Sorry")))
        self.press_ok()


if __name__ == "__main__":
    unittest.main()
