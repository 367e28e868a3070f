"""Auto mode under load: another converter that undoes every conversion
(the fight stops, Tarnwick stays responsive, an ordinary copy is converted
again), and a flood of 10,000 copies (no crash, the last text converted,
handle and memory figures flat). Wine's default version is Windows 7, so
Tarnwick hears of the copies through the format listener."""

import time
import unittest

from chain.chain_programs import ChainViewer, flood, linux_figures, resources
from tarnwick_blackbox import TarnwickTestCase, driver, wait_until

UPPER = "2"  # the index of "UPPRE CASE" among the Auto options
FIGHT_LIMIT = 20  # re-cased echoes converted within 2 s before the fight stops
FLOOD_COPIES = 10000


class AutoUnderLoad(TarnwickTestCase):
    def setUp(self):
        super().setUp()
        self.set_setting("Auto", "1")
        self.set_setting("AutoOption", UPPER)
        self.process = self.start()

    def wait_writes_settled(self, lowercaser):
        """The lowercaser's write count once it has stood still for a second."""
        history = [lowercaser.writes()]

        def settled():
            time.sleep(0.5)
            history.append(lowercaser.writes())
            return len(history) >= 3 and history[-1] == history[-3]
        self.assertTrue(wait_until(settled, 20.0, 0), f"the fight goes on: {history}")
        return history[-1]

    def test_a_fight_with_another_converter_stops_and_the_next_copy_is_converted(self):
        lowercaser = ChainViewer("--lower")
        self.addCleanup(lowercaser.stop)
        # It lowercases the text already there as it starts, a fight of its
        # own: an X11 copy made during one can be lost to Wine's bridge.
        self.wait_writes_settled(lowercaser)
        self.settle()
        for round, text in enumerate(("Fight Me Now", "Second Ordinary Copy")):
            with self.subTest(round=round):
                before = lowercaser.writes()
                self.xclip_copy(text)
                started = time.monotonic()
                rounds = self.wait_writes_settled(lowercaser) - before
                print(f"\nfight {round}: {rounds} writes by the other converter, "
                      f"settled within {time.monotonic() - started:.1f} s")
                # The copy's conversion and every converted echo are answered
                # once each; the echo after the limit is left alone.
                self.assertGreaterEqual(rounds, 2, "Tarnwick converted the ordinary copy")
                self.assertLessEqual(rounds, FIGHT_LIMIT + 2)
                self.assertEqual(self.field(), text.lower(), "the field answers and shows the echo")
                self.assertEqual(self.xclip_read(), text.lower())
        lowercaser.stop()
        self.xclip_copy("Peace At Last")
        self.wait_xclip("PEACE AT LAST")

    def test_ten_thousand_copies_end_with_the_last_one_converted_and_figures_flat(self):
        figures_before = resources()
        linux_before = linux_figures(self.process.pid)
        started = time.monotonic()
        elapsed_ms, waits = flood(FLOOD_COPIES, "flood text", 1)
        last = f"FLOOD TEXT {FLOOD_COPIES - 1}"
        wait_until(lambda: driver("clip-get") == last, 30.0, 0.1)
        caught_up = time.monotonic() - started
        self.assertEqual(driver("clip-get"), last)
        self.assertEqual(self.field(), last)
        self.wait_xclip(last)
        figures_after = resources()
        linux_after = linux_figures(self.process.pid)
        print(f"\n{FLOOD_COPIES} copies in {elapsed_ms} ms ({waits} waits for the clipboard), "
              f"last one converted after {caught_up:.1f} s; before {figures_before} "
              f"fds/RssAnon {linux_before}; after {figures_after} fds/RssAnon {linux_after}")
        self.assertIsNone(self.process.poll(), "Tarnwick is still running")
        # Wine answers 0 for the GDI and USER counts; the system's process
        # list and the Linux side give real figures.
        for key in ("gdi", "user", "listed_handles"):
            self.assertLessEqual(figures_after[key], figures_before[key] + 4, key)
        self.assertLessEqual(linux_after[0], linux_before[0] + 4, "open descriptors")
        self.assertLess(linux_after[1], linux_before[1] + 8 * 1024, "anonymous memory (kB)")


if __name__ == "__main__":
    unittest.main()
