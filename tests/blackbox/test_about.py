"""The About dialog: a fresh modal dialog over the main window for every
press of About, its texts and version line, the web link and the support
mail link as the shell really receives them, and Enter, Esc and the close
box closing it."""

import subprocess
import unittest

from error_dialogs import (ABOUT_CAPTION, ERROR_CAPTION, SUPPORT, WEBSITE, DialogTestCase,
                           dialog_driver)
from tarnwick_blackbox import DRIVER, WINE, wait_until

LABEL4, LABEL5 = 1007, 1009
WEB_KEY = r"HKCR\https\shell\open\command"


class AboutDialog(DialogTestCase):
    def setUp(self):
        super().setUp()
        self.log = self.record_shell(self.id().rsplit(".", 1)[-1])
        self.process = self.start()

    def open_about(self):
        # The press returns only when the modal dialog closes: run it aside.
        self.background(DRIVER, "press", "About")
        dialog = self.find_dialog(ABOUT_CAPTION)
        self.assertIsNotNone(dialog, "the About dialog did not appear")
        return dialog

    def texts(self):
        return {c.id: c.text for c in self.dialog_controls(ABOUT_CAPTION)}

    def test_texts_version_line_and_layout(self):
        count, owner, main, width, height, _ = self.open_about()
        self.screenshot("about-dialog")
        self.assertEqual((count, owner, main), (1, "Tarnwick", "disabled"))
        self.assertEqual((width, height), (self.twips(4710), self.twips(3855)))
        texts = self.texts()
        self.assertEqual(texts[1001], "Tarnwick")
        self.assertEqual(texts[1002], "Version 2.00")
        self.assertEqual(texts[1003], "Copyright (C) 2024-2026 Tarnwick developers")
        self.assertEqual(texts[1004], "All rights reserved.")
        self.assertEqual(texts[1006], "Website:")
        self.assertEqual(texts[LABEL4], WEBSITE)
        self.assertEqual(texts[1008], "Technical support:")
        self.assertEqual(texts[LABEL5], SUPPORT)
        self.assertEqual(texts[1], "OK")

    def test_the_links_are_pure_blue(self):
        self.open_about()
        controls = {c.id: c for c in self.dialog_controls(ABOUT_CAPTION)}
        for link in (LABEL4, LABEL5):
            with self.subTest(link=link):
                self.assertGreater(self.blue_pixels(controls[link]), 10)
        self.assertEqual(self.blue_pixels(controls[1006]), 0)  # "Website:"

    def test_enter_esc_and_close_box_close_it_and_each_press_is_fresh(self):
        for way in ("return", "escape", "close"):
            with self.subTest(way=way):
                self.open_about()
                self.assertEqual(self.dialog_count(ABOUT_CAPTION), 1)
                if way == "close":
                    dialog_driver("close", ABOUT_CAPTION)
                else:
                    dialog_driver("key", ABOUT_CAPTION, way)
                self.assertTrue(self.wait_dialog_gone(ABOUT_CAPTION))
                self.assertEqual(self.control("About").caption, "About")
        self.assertIsNone(self.process.poll())

    def test_support_link_mails_with_the_plain_version_subject(self):
        self.open_about()
        dialog_driver("click", ABOUT_CAPTION, str(LABEL5))
        lines = [line.strip('"') for line in self.recorded(self.log)]
        self.assertEqual(lines, [f"mailto:{SUPPORT}?Subject=Tarnwick%20v2.0"])
        self.assertEqual(self.dialog_count(ABOUT_CAPTION), 1, "the dialog stays open")

    def test_web_link_opens_the_web_site_and_a_failure_shows_nothing(self):
        recorder = subprocess.run([WINE, "winepath", "-w", self.recorder_path()],
                                  capture_output=True).stdout.decode().strip()
        self.register(WEB_KEY, f'"{recorder}" "%1"')
        self.open_about()
        dialog_driver("click", ABOUT_CAPTION, str(LABEL4))
        lines = [line.strip('"') for line in self.recorded(self.log)]
        self.assertEqual(lines, [WEBSITE])
        self.assertEqual(self.dialog_count(ABOUT_CAPTION), 1, "the dialog stays open")
        self.assertEqual(self.dialog_count("Tarnwick"), 0, "no message after the shell call")

    def test_an_error_over_the_dialog_holds_every_window_until_it_is_closed(self):
        self.open_about()
        self.fail_command()  # the main window's command fails while About is open
        self.assertIsNotNone(self.find_dialog(), "the error dialog did not appear")
        self.assertEqual((self.enabled(ABOUT_CAPTION), self.enabled("Tarnwick")), (False, False))
        dialog_driver("key", ERROR_CAPTION, "return")
        self.assertTrue(self.wait_dialog_gone())
        # Each window gets its own state back: About is usable again, and
        # the main window stays disabled under it until About closes.
        self.assertTrue(wait_until(lambda: self.enabled(ABOUT_CAPTION)))
        self.assertFalse(self.enabled("Tarnwick"))
        dialog_driver("key", ABOUT_CAPTION, "escape")
        self.assertTrue(self.wait_dialog_gone(ABOUT_CAPTION))
        self.assertTrue(wait_until(lambda: self.enabled("Tarnwick")))


if __name__ == "__main__":
    unittest.main()
