"""A second start while Tarnwick runs ends silently; a start after the first
instance has ended works."""

import subprocess
import unittest

from tarnwick_blackbox import DRIVER, EXE, WINE, TarnwickTestCase, driver

LOCK_NAME = "Tarnwick.SingleInstance.7f3c"


class SingleInstance(TarnwickTestCase):
    def test_second_start_ends_silently_and_a_later_start_works(self):
        self.check_single_instance()

    def test_the_same_holds_when_the_system_gives_no_lock(self):
        # Another program holds an object of another kind under the lock's
        # name: the lock cannot be made, and the running copy is known by
        # its window instead.
        squatter = subprocess.Popen([WINE, DRIVER, "squat-name", LOCK_NAME, "60000"],
                                    stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL)
        self.addCleanup(squatter.wait, 70)
        self.addCleanup(squatter.kill)
        self.assertEqual(squatter.stdout.readline().strip(), b"held")
        self.check_single_instance()

    def check_single_instance(self):
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
