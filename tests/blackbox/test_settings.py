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

    def options_shown(self):
        return self.control("Sentence case", visible=True).style & 0xF == 9

    def assert_numbers(self, values, *names):
        for name in names:
            float(values[name])  # REG_SZ text of a number, not "TYPE:data"

    def test_changes_are_stored_at_close_and_restored_at_the_next_start(self):
        process = self.start_with({})
        self.set_auto(True)
        self.press("Capitalize Every Word")
        self.press("Always on top")
        self.assertTrue(self.topmost())
        driver("move", "120", "90")
        close(process)
        values = stored()
        self.assertEqual([values[k] for k in ("AutoOption", "AlwaysOnTop", "Auto")],
                         ["3", "1", "1"])
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
        self.assertEqual((stored()["AutoOption"], stored()["Auto"]), ("1", "0"))

    def test_an_off_screen_position_is_kept_as_plain_decimals_and_grey_counts_as_off(self):
        process = self.start_with({"Left": "300000", "Top": "-4500", "Auto": "2",
                                   "AlwaysOnTop": "2"})
        self.assertEqual(self.position(), (20000, -300))
        self.assertEqual(self.control("Change automatically").check, 2)
        self.assertFalse(self.options_shown(), "buttons, as Auto mode is off")
        self.assertFalse(self.topmost())
        close(process)
        self.assertEqual((stored()["Left"], stored()["Top"]), ("300000", "-4500"))

    def test_a_corrupt_value_is_reported_and_mended_at_the_next_close(self):
        process = self.start_with({"AutoOption": "9", "Auto": "1", "Left": "1500"}, True)
        screenshot("corrupt-setting")
        self.press("Change automatically")
        self.assertFalse(self.options_shown(), "no switch while the load is incomplete")
        close(process)
        values = stored()
        self.assertEqual(values["AutoOption"], "0", "mended")
        self.assertEqual((values["Auto"], values["Left"]), ("1", "1500"), "not read: kept")

        self.start_with(None, False)  # no report now, and the kept settings apply
        self.assertTrue(self.options_shown(), "Auto mode from the kept setting")
        self.assertEqual(self.position()[0], 100)

    def test_what_the_user_changes_after_a_failed_load_is_saved(self):
        process = self.start_with({"AutoOption": "9", "Auto": "1"}, True)
        self.press("Always on top")
        driver("move", "150", "60")
        close(process)
        values = stored()
        self.assertEqual((values["AlwaysOnTop"], values["Auto"]), ("1", "1"))
        self.assertEqual((float(values["Left"]), float(values["Top"])), (2250, 900))

    def test_unreadable_numbers_are_reported_and_mended(self):
        for name, value in (("AlwaysOnTop", "abc"), ("Auto", "99999"), ("Top", "")):
            with self.subTest(setting=name, value=value):
                close(self.start_with({name: value}, True))
                self.assertNotEqual(stored()[name], value)
                self.assert_numbers(stored(), name)

    def test_a_value_that_is_no_text_is_reported_and_stored_as_text_at_close(self):
        process = self.start_with({"AutoOption": "dword:00000003", "AlwaysOnTop": "hex:31,00",
                                   "Auto": "hex(7):31,00,00,00,31,00,00,00,00,00"}, True)
        self.assertEqual(self.position(), (0, 0), "the load stopped before the position")
        close(process)
        values = stored()
        self.assertEqual(values["AutoOption"], "0", "mended as text")
        self.assertTrue(values["AlwaysOnTop"].startswith("REG_BINARY:"), "never read, kept")
        self.assertTrue(values["Auto"].startswith("REG_MULTI_SZ:"), "never read, kept")

    def test_a_huge_later_value_stops_the_load_at_its_step(self):
        process = self.start_with({"AutoOption": "2", "AlwaysOnTop": "hex(2):30,00,00,00",
                                   "Auto": "hex(2):30,00,00,00", "Left": "1" * (1 << 20),
                                   "Top": "dword:00000009"}, True)
        self.assertEqual(self.control("UPPRE CASE", visible=False).check, 1,
                         "the steps before the bad value ran (text stored as REG_EXPAND_SZ too)")
        self.assertEqual(self.position(), (0, 0))
        close(process)
        values = stored()
        self.assert_numbers(values, "AutoOption", "AlwaysOnTop", "Auto", "Left")
        self.assertEqual(values["Left"], "0")
        self.assertTrue(values["Top"].startswith("REG_DWORD:"), "never read, kept")

    def test_missing_values_fall_back_to_their_defaults(self):
        process = self.start_with({"Auto": "hex(2):31,00,00,00", "Left": "1500"}, False)
        self.assertEqual(self.control("Sentence case", visible=True).check, 1,
                         "Auto mode from the stored value, option 0 by default")
        self.assertEqual(self.position(), (100, 0))
        close(process)
        self.assert_numbers(stored(), "AutoOption", "AlwaysOnTop", "Auto", "Left", "Top")


if __name__ == "__main__":
    unittest.main()
