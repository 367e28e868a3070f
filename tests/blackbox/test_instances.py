"""A second start while Tarnwick runs ends silently; a start after the first
instance has ended works."""

import subprocess
import unittest

from tarnwick_blackbox import EXE, WINE, TarnwickTestCase, driver


class SingleInstance(TarnwickTestCase):
    def test_second_start_ends_silently_and_a_later_start_works(self):
        first = self.start()
        self.xclip_copy("first instance")
        self.wait_field("first instance")
        second = subprocess.run([WINE, EXE], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, timeout=30)
        self.assertEqual(second.returncode, 0)
        self.assertEqual(driver("count-windows").strip(), "1")
        self.assertIsNone(self.message_box(timeout_ms=500), "no message")
        self.assertIsNone(first.poll(), "the first instance runs on")
        self.close(first)

        third = self.start()
        self.assertEqual(driver("count-windows").strip(), "1")
        self.close(third)


if __name__ == "__main__":
    unittest.main()
