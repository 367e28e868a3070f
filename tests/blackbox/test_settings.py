"""Settings: written at close, restored at start; an off-screen position is
applied unchanged; a corrupt value is reported and mended at the next close
without losing the settings that were never read."""

import unittest

from tarnwick_blackbox import TarnwickTestCase, driver, driver_run

ERROR_CAPTION = "Program Error"


class Settings(TarnwickTestCase):
    def test_settings_round_trip(self):
        process = self.start()
        self.set_auto(True)
        self.press("Capitalize Every Word")
        self.press("Always on top")
        self.assertEqual(driver("topmost").strip(), "1")
        driver("move", "120", "90")
        self.close(process)
        self.assertEqual(self.setting("AutoOption"), "3")
        self.assertEqual(self.setting("AlwaysOnTop"), "1")
        self.assertEqual(self.setting("Auto"), "1")
        self.assertEqual(float(self.setting("Left")), 120 * 15)
        self.assertEqual(float(self.setting("Top")), 90 * 15)

        self.start()
        self.assertEqual(self.rect()[0][:2], (120, 90))
        self.assertEqual(driver("topmost").strip(), "1")
        self.assertEqual(self.control("Capitalize Every Word", visible=True).check, 1)
        self.assertFalse(self.control("Sentence case", visible=True).style & 0xF == 0,
                         "the option layout, not the buttons")
        self.press("Always on top")
        self.assertEqual(driver("topmost").strip(), "0", "unchecking leaves the topmost band")

    def test_a_start_in_auto_mode_converts_the_text_copied_before(self):
        self.set_setting("Auto", "1")
        self.set_setting("AutoOption", "2")  # UPPRE CASE
        self.xclip_copy("copied before the start")
        self.start()
        self.wait_xclip("COPIED BEFORE THE START")
        self.assertEqual(self.field(), "COPIED BEFORE THE START")

    def test_lower_case_selected_is_stored_whatever_the_auto_state(self):
        self.set_setting("Auto", "1")
        process = self.start()
        self.press("lower case")  # the option
        self.set_auto(False)
        self.close(process)
        self.assertEqual(self.setting("AutoOption"), "1")
        self.assertEqual(self.setting("Auto"), "0")

    def test_an_off_screen_position_is_applied_unchanged_and_stored_as_plain_decimals(self):
        self.set_setting("Left", "300000")
        self.set_setting("Top", "-4500")
        process = self.start()
        self.assertEqual(self.rect()[0][:2], (20000, -300))
        self.close(process)
        self.assertEqual((self.setting("Left"), self.setting("Top")), ("300000", "-4500"))

    def test_a_grey_state_counts_as_off(self):
        self.set_setting("Auto", "2")
        self.set_setting("AlwaysOnTop", "2")
        self.start()
        self.assertEqual(self.control("Change automatically").check, 2)
        self.assertTrue(self.control("UPPRE CASE", visible=True).style & 0xF == 0,
                        "buttons, as Auto mode is off")
        self.assertEqual(driver("topmost").strip(), "0")

    def expect_reported(self):
        found = driver_run("window", ERROR_CAPTION, "10000")
        self.assertEqual(found.returncode, 0, "the failure is reported")
        driver("close-window", ERROR_CAPTION)

    def test_a_corrupt_value_is_reported_and_mended_at_the_next_close(self):
        self.set_setting("AutoOption", "9")    # no such option
        self.set_setting("Auto", "1")          # valid, but never read this time
        self.set_setting("Left", "1500")
        process = self.start(expect_window=False)
        self.expect_reported()
        self.assertEqual(driver_run("wait", "10000").returncode, 0, "the window is still shown")
        self.screenshot("corrupt-setting")
        # The load stopped at the bad value: Auto mode stays inert.
        self.press("Change automatically")
        self.assertTrue(self.control("UPPRE CASE", visible=True).style & 0xF == 0,
                        "the layout does not switch while the load is incomplete")
        self.close(process)
        self.assertEqual(self.setting("AutoOption"), "0", "mended")
        self.assertEqual(self.setting("Auto"), "1", "a setting that was not read is kept")
        self.assertEqual(self.setting("Left"), "1500")

        self.start()  # no report this time, and the kept settings apply
        self.assertNotEqual(driver_run("window", ERROR_CAPTION, "1500").returncode, 0)
        self.assertEqual(self.control("Sentence case", visible=True).style & 0xF, 9,
                         "Auto mode from the kept setting")
        self.assertEqual(self.rect()[0][0], 100)

    def test_what_the_user_changes_after_a_failed_load_is_saved(self):
        self.set_setting("AutoOption", "9")  # stops the load at its first setting
        self.set_setting("Auto", "1")        # neither read nor changed: kept as stored
        process = self.start(expect_window=False)
        self.expect_reported()
        self.assertEqual(driver_run("wait", "10000").returncode, 0)
        self.press("Always on top")
        driver("move", "150", "60")
        self.close(process)
        self.assertEqual(self.setting("AlwaysOnTop"), "1")
        self.assertEqual((float(self.setting("Left")), float(self.setting("Top"))), (2250, 900))
        self.assertEqual(self.setting("Auto"), "1")

    def test_unreadable_numbers_are_reported_and_mended(self):
        for name, value in (("AlwaysOnTop", "abc"), ("Auto", "99999"), ("Top", "")):
            with self.subTest(setting=name, value=value):
                self.set_setting(name, value)
                process = self.start(expect_window=False)
                self.expect_reported()
                self.assertEqual(driver_run("wait", "10000").returncode, 0)
                self.close(process)
                self.assertNotEqual(self.setting(name), value)
                float(self.setting(name))  # a number again


if __name__ == "__main__":
    unittest.main()
