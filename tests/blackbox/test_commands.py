"""The five command buttons convert the field and the clipboard; another
program then reads the result."""

import unittest

from tarnwick_blackbox import TarnwickTestCase

SOURCE = "Hello World. how are you?"
RESULTS = {
    "UPPRE CASE": "HELLO WORLD. HOW ARE YOU?",
    "lower case": "hello world. how are you?",
    "Sentence case": "Hello world. How are you?",
    "Capitalize Every Word": "Hello World. How Are You?",
    "tOGGLE cASE": "hELLO wORLD. HOW ARE YOU?",
}


class Commands(TarnwickTestCase):
    def setUp(self):
        super().setUp()
        self.process = self.start()

    def test_each_button_converts_the_field_and_the_clipboard(self):
        for caption, expected in RESULTS.items():
            with self.subTest(button=caption):
                self.xclip_copy(SOURCE)
                self.wait_field(SOURCE)
                self.press(caption)
                self.assertEqual(self.field(), expected)
                self.wait_xclip(expected)

    def test_toggle_twice_gives_back_the_original(self):
        text = "Mixed CASE with Кириллица and ß"
        self.xclip_copy(text)
        self.wait_field(text)
        self.press("tOGGLE cASE")
        self.wait_xclip("mIXED case WITH кИРИЛЛИЦА AND ß")
        self.press("tOGGLE cASE")
        self.assertEqual(self.field(), text)
        self.wait_xclip(text)


if __name__ == "__main__":
    unittest.main()
