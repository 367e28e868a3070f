"""A 10 MB clipboard text in Auto mode is converted whole; the field's view
shows its start."""

import unittest

from tarnwick_blackbox import TarnwickTestCase, driver, wait_until

VIEW_LIMIT = 16384


class LargeText(TarnwickTestCase):
    def test_a_10_mb_text_is_converted_whole(self):
        self.start()
        self.set_auto(True)
        self.press("UPPRE CASE")
        sentence = "the quick brown fox jumps over the lazy dog. ünïcödé ünd ключ. "
        text = sentence * (10 * 1024 * 1024 // len(sentence.encode("utf-8")) + 1)
        expected = text.upper()
        self.xclip_copy(text)
        # xclip reads once, when the clipboard holds the result: a read cut
        # short in the middle of a long transfer would stall Wine's side.
        wait_until(lambda: driver("clip-prefix", "64") == expected[:64], timeout=60,
                   interval=0.25)
        self.assertEqual(self.xclip_read(timeout=90), expected,
                         "the whole 10 MB text comes back upper-cased")
        self.assertEqual(int(driver("field-length")), VIEW_LIMIT)
        self.assertEqual(self.field(), expected[:VIEW_LIMIT])


if __name__ == "__main__":
    unittest.main()
