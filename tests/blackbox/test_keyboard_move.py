"""The system's keyboard move, with real keys on the X display: Alt+Space
opens the window menu, M starts the move, each arrow key moves the window
by the system's step, and Enter ends the move where it stands. It works on
the main window, the About dialog and the error dialog alike: while the
system's loop runs, its keys reach it untouched. (This is how a user brings
back a window whose stored position lies off the screen.)"""

import subprocess
import unittest

from tarnwick_blackbox import (ABOUT_CAPTION, DRIVER, ERROR_CAPTION, XDOTOOL, ReportTestCase,
                               controls, driver, driver_run, gone, helper, wait_until, window)

STEP = 8  # pixels per arrow key in the system's move loop
KEYS = [("Right", STEP, 0), ("Right", STEP, 0), ("Down", 0, STEP)]


def xdotool(*args):
    subprocess.run([XDOTOOL, *args], check=True, timeout=20, capture_output=True)


@unittest.skipUnless(XDOTOOL, "xdotool is needed")
class KeyboardMove(ReportTestCase):
    shared = True

    def setUp(self):
        super().setUp()
        for caption in (ERROR_CAPTION, ABOUT_CAPTION):  # the error dialog may lie over About
            self.addCleanup(gone, caption, 5000)
            self.addCleanup(driver_run, "close", caption)

    def loop(self, which):
        """The system loop that runs on the window's thread: move, menu or
        none; gone when the window is."""
        result = driver_run("loop", which)
        return result.stdout.decode().strip() if result.returncode == 0 else "gone"

    def centre_of(self, which, control_id):
        """Screen point in the middle of a control, where a click gives the
        window the keyboard without pressing anything."""
        left, top = window(which, 0).client[:2]
        x, y, width, height = next(c for c in controls(which) if c.id == control_id).rect
        return left + x + width // 2, top + y + height // 2

    def assert_moves_by_keys(self, which, click_at):
        xdotool("mousemove", *map(str, click_at), "click", "1")
        start = list(window(which, 0).frame[:2])
        xdotool("key", "alt+space")
        wait_until(lambda: self.loop(which) == "menu", 5.0)
        self.assertEqual(self.loop(which), "menu", "Alt+Space opens the window menu")
        xdotool("key", "m")
        wait_until(lambda: self.loop(which) == "move", 5.0)
        self.assertEqual(self.loop(which), "move", "M starts the move")
        expected = start
        try:
            for key, dx, dy in KEYS:
                expected = [expected[0] + dx, expected[1] + dy]
                xdotool("key", key)
                wait_until(lambda: list(window(which, 0).frame[:2]) == expected, 3.0)
                self.assertEqual(list(window(which, 0).frame[:2]), expected, f"after {key}")
            xdotool("key", "Return")
            wait_until(lambda: self.loop(which) == "none", 3.0)
            self.assertEqual(self.loop(which), "none", "Enter ends the move")
        finally:
            if self.loop(which) == "move":
                xdotool("click", "1")  # a click ends a move that the keys could not
        self.assertEqual(list(window(which, 0).frame[:2]), expected, "the window stays moved")

    def test_the_main_window(self):
        field = next(c for c in controls() if c.cls == "Edit")
        self.assert_moves_by_keys("main", self.centre_of("main", field.id))
        self.copy_shown("still working")
        self.press("UPPRE CASE")
        self.wait_xclip("STILL WORKING")

    def test_the_about_dialog(self):
        helper(DRIVER, "press", "About")  # returns once the modal dialog closes
        self.assertIsNotNone(window(ABOUT_CAPTION, 15000), "the About dialog did not appear")
        self.assert_moves_by_keys(ABOUT_CAPTION, self.centre_of(ABOUT_CAPTION, 1008))
        driver("key", ABOUT_CAPTION, "escape")
        self.assertTrue(gone(ABOUT_CAPTION))

    def test_the_error_dialog(self):
        self.copy_shown("fail here")
        self.fail_command()
        apology = next(c for c in controls(ERROR_CAPTION) if c.text.startswith("Sorry"))
        self.assert_moves_by_keys(ERROR_CAPTION, self.centre_of(ERROR_CAPTION, apology.id))
        self.press_ok()


if __name__ == "__main__":
    unittest.main()
