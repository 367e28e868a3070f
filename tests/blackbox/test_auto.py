"""Auto mode: every copy by another program is converted at once with the
selected rule; one copy gives exactly one conversion."""

import time
import unittest

from tarnwick_blackbox import TarnwickTestCase, driver

RULES = [
    ("Sentence case", "hELLO wORLD. aGAIN", "Hello world. Again"),
    ("lower case", "HeLLo WoRLD", "hello world"),
    ("UPPRE CASE", "hello привет", "HELLO ПРИВЕТ"),
    ("Capitalize Every Word", "jean-luc o'neil here", "Jean-luc O'neil Here"),
    ("tOGGLE cASE", "Hello World 123", "hELLO wORLD 123"),
]


class AutoMode(TarnwickTestCase):
    def setUp(self):
        super().setUp()
        self.process = self.start()

    def select_option(self, caption):
        option = self.control(caption, visible=True)
        self.assertEqual(option.style & 0xF, 9, f"{caption} is an option button")
        self.press(caption)

    def test_each_rule_converts_a_copy_at_once(self):
        self.xclip_copy("start")
        self.wait_field("start")
        self.set_auto(True)
        self.screenshot("layout-options")
        for caption, source, expected in RULES:
            with self.subTest(rule=caption):
                self.select_option(caption)
                self.xclip_copy(source)
                self.wait_xclip(expected)
                self.assertEqual(self.field(), expected)

    def test_toggle_gives_one_conversion_per_copy_and_then_rests(self):
        self.set_auto(True)
        self.select_option("tOGGLE cASE")
        self.xclip_copy("One Copy Only")
        self.wait_xclip("oNE cOPY oNLY")
        first = driver("clip-seq")
        time.sleep(1.5)
        self.assertEqual(driver("clip-seq"), first, "no further write after the conversion")
        self.assertEqual(self.xclip_read(), "oNE cOPY oNLY")
        self.assertEqual(self.field(), "oNE cOPY oNLY")

    def test_selecting_another_option_converts_the_field_at_once(self):
        self.xclip_copy("some TEXT here")
        self.wait_field("some TEXT here")
        self.set_auto(True)
        self.wait_xclip("Some text here")
        self.select_option("UPPRE CASE")
        self.wait_xclip("SOME TEXT HERE")
        self.assertEqual(self.field(), "SOME TEXT HERE")

    def test_turning_auto_on_converts_and_turning_it_off_does_not(self):
        self.xclip_copy("MIXED Words HERE")
        self.wait_field("MIXED Words HERE")
        self.set_auto(True)
        self.wait_xclip("Mixed words here")
        self.assertTrue(self.control("Sentence case", visible=True).style & 0x9)
        self.set_auto(False)
        self.assertEqual(self.control("Sentence case", visible=True).style & 0xF, 0,
                         "the command buttons are back")
        self.xclip_copy("NOT Converted")
        self.wait_field("NOT Converted")
        time.sleep(0.5)
        self.assertEqual(self.xclip_read(), "NOT Converted")

if __name__ == "__main__":
    unittest.main()
