"""Content that is not plain text, or that its owner marked private, is never
shown, converted or replaced; a clipboard held open by another program makes
a command fail in the trap, and Tarnwick never leaves the clipboard open."""

import subprocess
import time
import unittest

from tarnwick_blackbox import DRIVER, WINE, TarnwickTestCase, driver, driver_run

ERROR_CAPTION = "Program Error"
PRIVATE_MARKS = ["Clipboard Viewer Ignore", "ExcludeClipboardContentFromMonitorProcessing",
                 "CanIncludeInClipboardHistory"]


class ContentSafety(TarnwickTestCase):
    def setUp(self):
        super().setUp()
        self.process = self.start()

    def test_a_bitmap_survives_buttons_and_auto_mode_byte_for_byte(self):
        bitmap = driver("clip-test-bitmap")
        driver("clip-set-bitmap")
        self.wait_field("")
        self.assertEqual(driver("clip-get-bitmap"), bitmap)
        for caption in ("UPPRE CASE", "tOGGLE cASE"):
            self.press(caption)
            self.assertEqual(driver("clip-get-bitmap"), bitmap, caption)
        self.set_auto(True)
        time.sleep(0.3)
        self.assertEqual(driver("clip-get-bitmap"), bitmap, "Auto mode on")
        driver("clip-set-bitmap")  # a new copy in Auto mode
        time.sleep(0.5)
        self.assertEqual(driver("clip-get-bitmap"), bitmap, "Auto mode, new copy")
        self.assertEqual(self.field(), "")

    def test_private_copies_are_neither_shown_nor_converted(self):
        self.set_auto(True)
        self.press("UPPRE CASE")
        for mark in PRIVATE_MARKS:
            with self.subTest(mark=mark):
                driver("clip-set-private", mark, f"secret {mark}")
                time.sleep(0.5)
                self.assertEqual(driver("clip-get"), f"secret {mark}")
                self.assertEqual(self.field(), "")
        driver("clip-set", "public text")
        self.wait_field("PUBLIC TEXT")

    def test_a_clipboard_held_open_fails_the_command_in_its_trap(self):
        self.xclip_copy("held text")
        self.wait_field("held text")
        holder = subprocess.Popen([WINE, DRIVER, "clip-hold", "3000"], stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            self.assertEqual(holder.stdout.readline().strip(), b"held")
            self.press("UPPRE CASE")
            found = driver_run("window", ERROR_CAPTION, "5000")
            self.assertEqual(found.returncode, 0, "the failure is reported")
            driver("close-window", ERROR_CAPTION)
        finally:
            holder.wait(timeout=30)
            holder.stdout.close()
        self.assertEqual(self.field(), "HELD TEXT", "the field holds the converted text")
        self.assertEqual(driver("clip-get"), "held text", "the other program's content stays")
        self.assertNotEqual(driver_run("clip-owner-is-tarnwick").returncode, 0)
        # The program runs on, and the clipboard is free again.
        self.press("lower case")
        self.wait_xclip("held text")
        self.xclip_copy("Next Copy")
        self.wait_field("Next Copy")


if __name__ == "__main__":
    unittest.main()
