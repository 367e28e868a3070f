"""Tarnwick hears of clipboard changes through the system's format listener
where the system says it is Vista or later, else (Wine's per-program
version winxp) through the clipboard-viewer chain. On both paths a viewer
that joined before Tarnwick keeps receiving every change notification while
Tarnwick runs and after it has ended, and a viewer at the head of the chain
that passes nothing on cannot keep a copy from Tarnwick: the listener does
not depend on it, the chain path joins again in front of it."""

import unittest

from chain.chain_programs import ChainViewer
from tarnwick_blackbox import (APP_DEFAULTS_KEY, TarnwickTestCase, driver, reg_delete, reg_set,
                               wait_until)

PATHS = [("listener", None), ("chain", "winxp")]
# The chain path cannot be faster with a silent viewer in front: a check
# must see a change go unannounced for a whole 1 s period before it joins
# again. The listener stays well below that.
CHAIN_CHECK_MS = 1000
MUTE_COPIES = 5


class ChangeNotices(TarnwickTestCase):
    def start_as(self, version):
        if version:
            reg_set(APP_DEFAULTS_KEY, "Version", version)
        else:
            reg_delete(APP_DEFAULTS_KEY)
        return self.start()

    def viewer(self, *modes):
        viewer = ChainViewer(*modes)
        self.addCleanup(viewer.stop)
        return viewer

    def test_an_earlier_viewer_sees_every_change_during_and_after_tarnwick(self):
        for path, version in PATHS:
            with self.subTest(path=path):
                before = self.viewer()
                process = self.start_as(version)
                seen = before.count()
                for text in (f"{path} during one", f"{path} during two"):
                    driver("clip-set", text)
                    self.wait_field(text)
                self.close(process)
                driver("clip-set", f"{path} after Tarnwick")
                wait_until(lambda: before.count() == seen + 3, 5.0, 0.2)
                self.assertEqual(before.count(), seen + 3)
                before.stop()

    def test_a_viewer_in_front_that_passes_nothing_on_keeps_no_copy_from_tarnwick(self):
        tarnwick_in_chain = {}
        for path, version in PATHS:
            with self.subTest(path=path):
                process = self.start_as(version)
                mute = self.viewer("--mute")
                tarnwick_in_chain[path] = mute.next_viewer() == int(driver("find"))
                latencies = []
                for i in range(MUTE_COPIES):
                    mute.rejoin()  # at the head again, in front of Tarnwick
                    result = driver("clip-set-shown", f"{path} copy {i}", "10000")
                    latencies.append(int(result))
                print(f"\n{path} path, a silent viewer in front: ms from each copy until "
                      f"the field shows it: {latencies}")
                if path == "listener":
                    self.assertLess(max(latencies), CHAIN_CHECK_MS)
                mute.stop()
                self.close(process)
        self.assertEqual(tarnwick_in_chain, {"listener": False, "chain": True},
                         "Tarnwick joins the viewer chain on the chain path only")


if __name__ == "__main__":
    unittest.main()
