"""The clipboard-viewer chain around Tarnwick when other viewers join, leave,
end without leaving, or pass notifications on late: every viewer keeps
receiving every change, and Auto mode converts each copy exactly once. The
chain is Tarnwick's path on Windows 2000, XP and 2003: Wine's per-program
version winxp gives it."""

import time
import unittest

from chain.chain_programs import ChainViewer
from tarnwick_blackbox import APP_DEFAULTS_KEY, TarnwickTestCase, driver, reg_set, wait_until

TOGGLE = "4"  # the index of "tOGGLE cASE" among the Auto options


def toggled(text):
    return text.swapcase()


class ChainTestCase(TarnwickTestCase):
    def setUp(self):
        super().setUp()
        reg_set(APP_DEFAULTS_KEY, "Version", "winxp")

    def viewer(self, *modes):
        viewer = ChainViewer(*modes)
        self.addCleanup(viewer.stop)
        return viewer

    def start_auto(self, option):
        self.set_setting("Auto", "1")
        self.set_setting("AutoOption", option)
        return self.start()

    def baseline(self, *viewers):
        """Counts from here on: Tarnwick's start (joining, the conversion at
        load) has reached the viewers by the time its field is shown."""
        self.counted = {v: v.count() for v in viewers}

    def assert_counts(self, expected, **viewers):
        """Notifications since the baseline, viewer by viewer."""
        def seen():
            return {name: v.count() - self.counted[v] for name, v in viewers.items()}
        wanted = dict(zip(viewers, expected))
        wait_until(lambda: seen() == wanted, 5.0, 0.2)
        self.assertEqual(seen(), wanted)

    def win32_copy_converted(self, text):
        """A copy by a Windows program; Auto mode toggles it."""
        driver("clip-set", text)
        self.wait_field(toggled(text))

    def assert_converted_once(self, text):
        """An X11 copy is toggled once, and then the clipboard rests."""
        self.xclip_copy(text)
        self.wait_xclip(toggled(text))
        sequence = driver("clip-seq")
        time.sleep(1.5)
        self.assertEqual(driver("clip-seq"), sequence, f"{text!r} was written again")
        self.assertEqual(self.xclip_read(), toggled(text))
        self.assertEqual(self.field(), toggled(text))


class ViewerChain(ChainTestCase):
    def test_viewers_before_and_after_tarnwick_see_every_change(self):
        before = self.viewer()
        process = self.start_auto(TOGGLE)
        after = self.viewer()
        self.baseline(before, after)
        for text in ("First Copy", "Second Copy"):
            self.win32_copy_converted(text)
        # Each copy and its conversion: two changes apiece.
        self.assert_counts((4, 4), before=before, after=after)
        self.close(process)
        driver("clip-set", "After Tarnwick")
        self.assert_counts((5, 5), before=before, after=after)
        self.assertEqual(driver("clip-get"), "After Tarnwick", "nothing converts it any more")

    def test_the_viewer_after_one_that_leaves_from_the_middle_keeps_every_change(self):
        first = self.viewer()
        middle = self.viewer()  # Tarnwick's next viewer
        self.start_auto(TOGGLE)
        last = self.viewer()
        self.baseline(first, middle, last)
        self.win32_copy_converted("Before Leaving")
        self.assert_counts((2, 2, 2), first=first, middle=middle, last=last)
        middle.leave()
        self.win32_copy_converted("After Leaving")
        self.assert_counts((4, 2, 4), first=first, middle=middle, last=last)

    def test_tarnwick_rejoins_the_chain_when_the_viewer_in_front_of_it_is_killed(self):
        first = self.viewer()
        self.start_auto(TOGGLE)
        killed = self.viewer()  # the chain's first viewer, which passes changes to Tarnwick
        self.assert_converted_once("Before The Kill")
        killed.kill()
        seen_by_first = first.count()
        self.assert_converted_once("Killed Viewer One")
        self.assert_converted_once("Killed Viewer Two")
        self.assertGreaterEqual(first.count(), seen_by_first + 3,
                                "the viewer after Tarnwick hears of the changes again")
        # Now Tarnwick's own next viewer ends without leaving: it is dropped.
        first.kill()
        self.assert_converted_once("Next Viewer Gone")

    def test_a_late_viewer_in_front_still_gives_one_conversion_per_copy(self):
        self.start_auto(TOGGLE)
        late = self.viewer("--late")
        for text in ("Late One", "Late Two", "Late Three"):
            self.assert_converted_once(text)
        self.assertGreaterEqual(late.count(), 6)


if __name__ == "__main__":
    unittest.main()
