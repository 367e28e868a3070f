"""Another clipboard viewer that joined before Tarnwick keeps receiving every
change notification while Tarnwick runs and after it has ended."""

import subprocess
import unittest

from tarnwick_blackbox import DRIVER, WINE, TarnwickTestCase, driver


class ViewerChain(TarnwickTestCase):
    def test_an_earlier_viewer_sees_every_change_during_and_after_tarnwick(self):
        viewer = subprocess.Popen([WINE, DRIVER, "viewer", "12000"], stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            self.assertEqual(viewer.stdout.readline().strip(), b"joined")
            process = self.start()
            for text in ("during one", "during two"):
                driver("clip-set", text)
                self.wait_field(text)
            self.close(process)
            driver("clip-set", "after Tarnwick")
            count = int(viewer.communicate(timeout=30)[0].strip())
        finally:
            if viewer.poll() is None:
                viewer.kill()
                viewer.wait(timeout=10)
            viewer.stdout.close()
        # Three copies, and the settle steps' own writes may add more: never fewer.
        self.assertGreaterEqual(count, 3)


if __name__ == "__main__":
    unittest.main()
