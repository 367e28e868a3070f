"""Starting Tarnwick: the first start's layout, position and mirroring of what
was copied before, the version record, the end of the process with its
window; the OS check under Wine's per-program Windows version; a single
instance."""

import ntpath
import subprocess
import unittest

from tarnwick_blackbox import (DRIVER, EXE, WINE, TarnwickTestCase, close, controls,
                               helper, message_box, registry, screenshot, start, stored, window,
                               windows_path)

OS_REFUSAL = "Tarnwick supports only Windows 2000/XP/2003/Vista"


class FirstStart(TarnwickTestCase):
    def test_first_start_shows_the_design_at_the_top_left_with_the_copied_text(self):
        self.xclip_copy("Copied before the start: Grüße")
        process = start()
        self.wait_field("Copied before the start: Grüße")
        main = window()
        self.assertEqual(main.frame[:2], (0, 0), "outer frame at the top-left corner")
        found = controls()
        self.assert_main_window_design(main.client[2:], found, 96)  # Xvfb, a fresh prefix
        field = next(c for c in found if c.cls == "Edit")
        self.assertTrue(field.style & 0x0800, "read-only")  # ES_READONLY
        self.assertTrue(field.style & 0x00200000, "vertical scroll bar")  # WS_VSCROLL
        checks = {c.text: c.check for c in found if c.cls == "Button" and c.style & 0xF != 0}
        self.assertEqual((checks["Sentence case"], checks["Always on top"],
                          checks["Change automatically"]), (1, 0, 0), "the defaults")
        screenshot("layout-buttons")

        # The version record is written on every start that gets this far.
        self.assertEqual(stored("Version"), {"Major": "2", "Minor": "0", "Revision": "0"})
        self.assertEqual(stored("Path").get("AppPath"), ntpath.dirname(windows_path(EXE)))
        close(process)


class OSMatrix(TarnwickTestCase):
    """Wine's per-program version: the NT family 5.x and 6.x start; older
    systems see the refusal, get no window and no version record."""

    def test_supported_versions_start_and_older_ones_are_refused(self):
        for version in ["win2k", "winxp", "win2003", "vista", "win7", "win10"]:
            with self.subTest(version=version):
                registry(version=version)
                process = start()
                self.assertIsNone(message_box(timeout_ms=300))
                close(process)
        for version in ["nt40", "win95", "win98", "winme"]:
            with self.subTest(version=version):
                registry(version=version)
                process = start(expect_window=False)
                box = message_box(timeout_ms=15000, dismiss=False)
                self.assertEqual(box, ("Tarnwick", "exclamation", OS_REFUSAL))
                self.assertIsNone(window("main", 0), "no window")
                if version == "nt40":
                    screenshot("os-refusal")
                message_box(timeout_ms=1000)
                process.wait(timeout=15)
                self.assertEqual(stored("Version"), {}, "no version record on a refused start")


class SingleInstance(TarnwickTestCase):
    """A second start while Tarnwick runs ends silently, also when another
    program holds an object of another kind under the lock's name (then the
    running copy is known by its window); a later start works."""

    def test_a_second_start_ends_silently_and_a_later_one_works(self):
        for lock in ("free", "taken"):
            with self.subTest(lock=lock):
                if lock == "taken":  # another kind of object under the lock's name
                    helper(DRIVER, "hold", "name", "Tarnwick.SingleInstance.7f3c", expect="held")
                first = start()
                self.copy_shown(f"first instance, lock {lock}")
                second = subprocess.run([WINE, EXE], stdin=subprocess.DEVNULL, timeout=30,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                self.assertEqual(second.returncode, 0)
                self.assertEqual(window().count, 1)
                self.assertIsNone(message_box(timeout_ms=300), "no message")
                self.assertIsNone(first.poll(), "the first instance runs on")
                close(first)
                third = start()
                self.assertEqual(window().count, 1)
                close(third)


if __name__ == "__main__":
    unittest.main()
