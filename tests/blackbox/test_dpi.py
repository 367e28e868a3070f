"""Tarnwick at 96, 120 and 144 DPI (100 %, 125 % and 150 %): the main
window, the About dialog and the error dialog. Each control's text,
measured inside the program with the control's own font, fits the control;
each control lies inside its window; windows and named controls stand where
their twips say; fonts grow with the DPI; the controls have visual styles.
The DPI is the prefix's "LogPixels" setting, read by each new Wine process;
the prefix's own value is put back, as the other modules share the prefix."""

import unittest

from tarnwick_blackbox import (ABOUT_CAPTION, ERROR_CAPTION, MAIN_CLIENT, ReportTestCase, controls,
                               driver, facts, gone, reg_values, reset, run_wine, screenshot, start,
                               stop_everything, stop_server, window)

DPI_KEY = r"HKCU\Control Panel\Desktop"
DPI_VALUE = "LogPixels"

BS_TYPEMASK = 0xF
CHECK_TYPES = {2, 3, 4, 5, 6, 9}  # check boxes and option buttons of every kind


def store_dpi(dpi):
    if dpi is None:
        run_wine("reg", "delete", DPI_KEY, "/v", DPI_VALUE, "/f")
    else:
        run_wine("reg", "add", DPI_KEY, "/v", DPI_VALUE, "/t", "REG_DWORD", "/d", str(dpi), "/f")


class DpiLayout(ReportTestCase):
    @classmethod
    def setUpClass(cls):
        value = reg_values(DPI_KEY).get(DPI_VALUE, "")  # the prefix's own, put back at the end
        cls.addClassCleanup(store_dpi, int(value[len("REG_DWORD:"):], 16)
                            if value.startswith("REG_DWORD:") else None)
        super().setUpClass()

    def at_dpi(self, dpi):
        store_dpi(dpi)
        stop_server()  # a Wine process reads the DPI at its start
        self.dpi_now, self.work, _ = facts()
        self.assertEqual(self.dpi_now, dpi, "a new Wine process must see the DPI setting")

    def layout(self, which):
        """(client width, height), {id: Control} of the window, its texts
        measured inside its program, once its frame is checked against the
        work area: a window that fits lies inside it, a larger one keeps its
        top-left corner (the caption and the close box's row) on it."""
        shown = window(which, 15000)
        self.assertIsNotNone(shown, f"no window {which!r} to measure")
        frame, work = shown.frame, self.work
        for axis in (0, 1):
            start, size = frame[axis], frame[axis + 2]
            self.assertGreaterEqual(start, work[axis], f"{which!r} at {frame} starts off the screen")
            if size <= work[axis + 2]:
                self.assertLessEqual(start + size, work[axis] + work[axis + 2],
                                     f"{which!r} at {frame} runs off it")
        return shown.client[2:], {c.id: c for c in controls(which, hook=True)}

    # --- The checks shared by every window --------------------------------------------

    def assert_twips(self, got, twips, what):
        """A place or size where its twips say, to a pixel."""
        expected = tuple(round(v * self.dpi_now / 1440) for v in twips)
        self.assertTrue(all(abs(g - e) <= 1 for g, e in zip(got, expected)),
                        f"{what}: {got} is not {expected}")

    def check_mark_room(self, controls):
        """The room that a check mark and its gap take before the caption,
        as the option buttons' own ideal size says (Wine's check boxes
        answer their current size instead), or 18 px at 96 DPI."""
        room = [c.ideal[0] - c.extent[0] for c in controls.values()
                if c.cls.lower() == "button" and c.style & BS_TYPEMASK in (4, 9)
                and c.ideal[0] > 0]
        return max(room) if room else -(-18 * self.dpi_now // 96)

    def assert_text_fits(self, control, check_mark_room):
        """The text as the control draws it: a label wraps at its width, a
        push button leaves room for its edges, a check box or option button
        for its check mark and the gap after it."""
        width, height = control.rect[2], control.rect[3]
        text_width, text_height = control.extent
        if control.cls.lower() == "button" and control.style & BS_TYPEMASK in CHECK_TYPES:
            text_width += check_mark_room
        elif control.cls.lower() == "button":
            text_width, text_height = text_width + 4, text_height + 4
        # A measured width ends with the last letter's spacing, one pixel
        # that the letter itself does not cover.
        self.assertLessEqual(text_width - 1, width, f"text too wide: {control}")
        self.assertLessEqual(text_height, height, f"text too high: {control}")

    def assert_font_scaled(self, control, points=8.25):
        """One line of the control's text is about as high as its font's
        size at this DPI: a font made for 96 DPI would be too small."""
        em = points * self.dpi_now / 72
        self.assertTrue(em <= control.extent[1] <= 1.5 * em,
                        f"font of {control} not sized for {self.dpi_now} DPI")

    def assert_sound(self, client, controls, skip=()):
        room = self.check_mark_room(controls)
        for control in controls.values():
            if control.id in skip:
                continue
            with self.subTest(control=repr(control)):
                left, top, width, height = control.rect
                self.assertTrue(left >= 0 and top >= 0 and left + width <= client[0]
                                and top + height <= client[1], "outside the client area")
                if control.text and control.cls != "Edit":  # the field's text is data
                    self.assert_text_fits(control, room)

    def assert_themed(self, controls):
        system = [c for c in controls.values() if c.cls.lower() in ("button", "static", "edit")]
        self.assertTrue(system)
        self.assertEqual([c for c in system if not c.themed], [],
                         "controls without visual styles")

    # --- The four windows ---------------------------------------------------------------

    def check_main_window(self):
        client, controls = self.layout("main")
        screenshot(f"dpi-{self.dpi_now}-main-window")
        placed = self.assert_main_window_design(client, controls.values(), self.dpi_now)
        # The background panel and Frame1 run past the client area's edges
        # as designed; the font-container label lies below it so that it
        # is never seen.
        past = [c.id for (_, _, _, twips), c in placed.items() if twips is None or
                twips[0] + twips[2] > MAIN_CLIENT[0] or twips[1] + twips[3] > MAIN_CLIENT[1]]
        self.assert_sound(client, controls, skip=past)
        for (_, caption, _, _), control in placed.items():
            if caption in ("Sentence case", "Capitalize Every Word", "Change automatically"):
                self.assert_font_scaled(control)  # the longest captions
        self.assert_themed(controls)

    def check_dialog(self, caption, name, client_twips, placed, scaled, skip=()):
        """The dialog shown: its client area and the `placed` {id: twips}
        controls where their twips say, every control sound except those
        in `skip`, the font of `scaled` sized for the DPI; then closed."""
        client, controls = self.layout(caption)
        screenshot(f"dpi-{self.dpi_now}-{name}")
        self.assert_twips(client, client_twips, "client area")
        for control_id, twips in placed.items():
            self.assert_twips(controls[control_id].rect, twips, repr(controls[control_id]))
        self.assert_sound(client, controls, skip)
        self.assert_font_scaled(controls[scaled])
        self.assert_themed(controls)
        driver("close", caption)  # as its close box does; its keys are test_dialogs' part
        self.assertTrue(gone(caption), f"{caption!r} stays open")

    def check_everything(self, dpi):
        self.at_dpi(dpi)
        start()
        self.check_main_window()
        self.open_about()  # Label6, Label2 and OK placed; 1005, 1010: lines past both edges
        self.check_dialog(ABOUT_CAPTION, "about-dialog", (4710, 3855), {
            1001: (840, 240, 3735, 255), 1002: (120, 840, 1095, 255), 1: (3360, 3360, 1215, 375)},
            scaled=1, skip=(1005, 1010))
        self.copy_shown("fail here")
        self.fail_command()  # the icon, Label2, Picture3 and OK placed; "OR" in bold scaled
        self.check_dialog(ERROR_CAPTION, "error-dialog", (7680, 9810), {
            1100: (240, 240, 495, 495), 1102: (1080, 480, 6000, 600),
            1110: (1080, 3960, 6375, 2295), 1: (6240, 9240, 1215, 375)}, scaled=1109)

    def test_each_dpi(self):
        for dpi in (96, 120, 144):
            with self.subTest(dpi=dpi):
                stop_everything()  # a process reads the DPI at its start
                reset()
                self.check_everything(dpi)


if __name__ == "__main__":
    unittest.main()
