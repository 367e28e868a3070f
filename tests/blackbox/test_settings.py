"""Settings: written at close and restored at start; an off-screen position
applied and stored unchanged; grey check boxes count as off; a value that is
corrupt, no number, no text or too long is reported and stops the load at
its step, is mended at the next close, and the settings that were never
read are kept; a missing value falls back to its default."""

import unittest

from tarnwick_blackbox import (ERROR_CAPTION, TarnwickTestCase, close, driver, registry,
                               screenshot, settle, start, stored, window)


class Settings(TarnwickTestCase):
    def start_with(self, preset, reported=None):
        """Starts with these settings (None: those stored); reported: whether
        a report must show (None: not looked for)."""
        if preset is not None:
            registry(settings=preset)
        process = start(expect_window=False)
        if reported is not None:
            found = window(ERROR_CAPTION, 10000 if reported else 1500)
            self.assertEqual(found is not None, reported, "a report" if reported else "no report")
            if found:
                driver("close", ERROR_CAPTION)
        self.assertIsNotNone(window("main", 10000), "the window is shown")
        settle()
        return process

    def position(self):
        return window().frame[:2]

    def topmost(self):
        return window().topmost

    def assert_stored(self, expected):
        """The stored values, `expected` among them ("TYPE:": a type alone)."""
        values = stored()
        self.assertEqual({k: values.get(k, "")[:len(v) if v.endswith(":") else None]
                          for k, v in expected.items()}, expected)
        return values

    def test_changes_are_stored_at_close_and_restored_at_the_next_start(self):
        process = self.start_with({})
        self.set_auto(True)
        self.press("Capitalize Every Word")
        self.press("Always on top")
        self.assertTrue(self.topmost())
        driver("move", "120", "90")
        close(process)
        values = self.assert_stored({"AutoOption": "3", "AlwaysOnTop": "1", "Auto": "1"})
        self.assertEqual((float(values["Left"]), float(values["Top"])), (120 * 15, 90 * 15))

        start()
        self.assertEqual((self.position(), self.topmost()), ((120, 90), True))
        self.assertEqual(self.control("Capitalize Every Word", visible=True).check, 1)
        self.assertTrue(self.options_shown())
        self.press("Always on top")
        self.assertFalse(self.topmost(), "unchecking leaves the topmost band")

    def test_a_start_in_auto_mode_converts_the_text_copied_before(self):
        self.xclip_copy("copied before the start")
        process = self.start_with({"Auto": "1", "AutoOption": "2"})  # UPPRE CASE
        self.wait_xclip("COPIED BEFORE THE START")
        self.assertEqual(self.field(), "COPIED BEFORE THE START")
        self.press("lower case")  # the option is stored whatever the Auto state
        self.set_auto(False)
        close(process)
        self.assert_stored({"AutoOption": "1", "Auto": "0"})

    def test_a_corrupt_value_is_reported_and_mended_at_the_next_close(self):
        process = self.start_with({"AutoOption": "9", "Auto": "1", "Left": "1500"}, True)
        screenshot("corrupt-setting")
        self.press("Change automatically")
        self.assertFalse(self.options_shown(), "no switch while the load is incomplete")
        close(process)
        self.assert_stored({"AutoOption": "0", "Auto": "1", "Left": "1500"})  # mended; kept

        self.start_with(None, False)  # no report now, and the kept settings apply
        self.assertTrue(self.options_shown(), "Auto mode from the kept setting")
        self.assertEqual(self.position()[0], 100)

    def test_what_the_user_changes_after_a_failed_load_is_saved(self):
        process = self.start_with({"AutoOption": "9", "Auto": "1"}, True)
        self.press("Always on top")
        driver("move", "150", "60")
        close(process)
        values = self.assert_stored({"AlwaysOnTop": "1", "Auto": "1"})
        self.assertEqual((float(values["Left"]), float(values["Top"])), (2250, 900))

    def test_each_stored_value_applied_or_reported_and_what_the_next_close_stores(self):
        # Preset; whether a report shows; then the window's position, whether
        # Auto mode shows its options, the check states {(caption, shown):
        # state} (None: not looked at); last what the close stores: the text
        # of a number, or "TYPE:" for a value of another type, never read.
        for preset, reported, position, auto, checks, after in [
                ({"Left": "300000", "Top": "-4500", "Auto": "2", "AlwaysOnTop": "2"}, False,
                 (20000, -300), False, {("Change automatically", True): 2},
                 {"Left": "300000", "Top": "-4500"}),
                ({"AlwaysOnTop": "abc"}, True, None, None, {}, {"AlwaysOnTop": "0"}),
                ({"Auto": "99999"}, True, None, None, {}, {"Auto": "0"}),
                ({"Top": ""}, True, None, None, {}, {"Top": "0"}),
                ({"AutoOption": "dword:00000003", "AlwaysOnTop": "hex:31,00",
                  "Auto": "hex(7):31,00,00,00,31,00,00,00,00,00"}, True, (0, 0), None, {},
                 {"AutoOption": "0", "AlwaysOnTop": "REG_BINARY:", "Auto": "REG_MULTI_SZ:"}),
                # The steps before a bad value run (text stored as REG_EXPAND_SZ too).
                ({"AutoOption": "2", "AlwaysOnTop": "hex(2):30,00,00,00",
                  "Auto": "hex(2):30,00,00,00", "Left": "1" * (1 << 20), "Top": "dword:00000009"},
                 True, (0, 0), False, {("UPPRE CASE", False): 1},
                 {"AutoOption": "2", "AlwaysOnTop": "0", "Auto": "0", "Left": "0",
                  "Top": "REG_DWORD:"}),
                ({"Auto": "hex(2):31,00,00,00", "Left": "1500"}, False, (100, 0), True,
                 {("Sentence case", True): 1}, {"AutoOption": "0", "AlwaysOnTop": "0",
                                                "Auto": "1", "Left": "1500", "Top": "0"})]:
            with self.subTest(preset={k: v[:20] for k, v in preset.items()}):
                process = self.start_with(preset, reported)
                self.assertFalse(self.topmost(), "grey or unread counts as off")
                if position:
                    self.assertEqual(self.position(), position)
                if auto is not None:
                    self.assertEqual(self.options_shown(), auto)
                for (caption, shown), state in checks.items():
                    self.assertEqual(self.control(caption, visible=shown).check, state)
                close(process)
                self.assert_stored(after)


if __name__ == "__main__":
    unittest.main()
