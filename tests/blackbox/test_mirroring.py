"""Copies by another program are mirrored in the field, whatever the script;
outside Auto mode the clipboard keeps what the other program wrote."""

import unittest

from tarnwick_blackbox import TarnwickTestCase

TEXTS = [
    "Plain ASCII copy",
    "Кириллица: Привет, мир",
    "中文字符 日本語のテキスト 한국어",
    "Emoji 😀🎉 and a 🇫🇮 flag",
]


class Mirroring(TarnwickTestCase):
    def test_every_copy_by_another_program_is_shown_unchanged(self):
        self.start()
        for text in TEXTS:
            with self.subTest(text=text):
                self.xclip_copy(text)
                self.wait_field(text)
                self.assertEqual(self.xclip_read(), text, "nothing converted outside Auto mode")


if __name__ == "__main__":
    unittest.main()
