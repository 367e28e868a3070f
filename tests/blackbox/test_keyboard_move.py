"""The system's keyboard move, with real keys on the X display: Alt+Space
opens the window menu, M starts the move, each arrow key moves the window
by the system's step, and Enter ends the move where it stands. It works on
the main window, the About dialog and the error dialog alike: while the
system's loop runs, its keys reach it untouched. (This is how a user brings
back a window whose stored position lies off the screen.)"""

import unittest

from tarnwick_blackbox import (ABOUT_CAPTION, ERROR_CAPTION, XDOTOOL, ReportTestCase, centre_of,
                               driver, driver_run, gone, read_until, window, xdotool)

STEP = 8  # pixels per arrow key in the system's move loop
KEYS = [("Right", STEP, 0), ("Right", STEP, 0), ("Down", 0, STEP)]


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

    def assert_moves_by_keys(self, which, picked):
        """Moves the window by keys, once a click on the control that
        `picked` accepts has given it the keyboard without pressing anything."""
        position = lambda: list(window(which, 0).frame[:2])  # noqa: E731
        xdotool("mousemove", *centre_of(which, picked), "click", "1")
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
        self.assert_moves_by_keys("main", lambda c: c.cls == "Edit")
        self.copy_shown("still working")
        self.press("UPPRE CASE")
        self.wait_xclip("STILL WORKING")

    def test_the_about_dialog(self):
        self.open_about()
        self.assert_moves_by_keys(ABOUT_CAPTION, lambda c: c.id == 1008)  # a label
        driver("key", ABOUT_CAPTION, "escape")
        self.assertTrue(gone(ABOUT_CAPTION))

    def test_the_error_dialog(self):
        self.copy_shown("fail here")
        self.fail_command()
        self.assert_moves_by_keys(ERROR_CAPTION, lambda c: c.text.startswith("Sorry"))
        self.press_ok()


if __name__ == "__main__":
    unittest.main()
