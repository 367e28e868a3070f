"""First start: layout, position, mirroring of what was copied before, the
version record, and the end of the process when the window closes."""

import unittest

from tarnwick_blackbox import PROGRAM_KEY, TarnwickTestCase, reg_get

DPI = 96  # Xvfb and a fresh Wine prefix


def px(twips):
    return round(twips * DPI / 1440)


def design(left, top, width, height, container=(0, 0)):
    return (px(container[0] + left), px(container[1] + top), px(width), px(height))


class FirstStart(TarnwickTestCase):
    def test_first_start_shows_the_design_at_the_top_left_with_the_copied_text(self):
        self.xclip_copy("Copied before the start: Grüße")
        process = self.start()

        self.wait_field("Copied before the start: Grüße")
        outer, client = self.rect()
        self.assertEqual(outer[:2], (0, 0), "outer frame at the top-left corner")
        self.assertEqual(client[2:], (px(5535), px(3345)), "client area 5535 x 3345 twips")

        frame1 = (3480, 240)
        expected = {
            ("Button", "Sentence case", True): design(3600, 405, 1815, 375),
            ("Button", "lower case", True): design(3600, 900, 1815, 375),
            ("Button", "UPPRE CASE", True): design(3600, 1365, 1815, 375),
            ("Button", "Capitalize Every Word", True): design(3600, 1845, 1815, 375),
            ("Button", "tOGGLE cASE", True): design(3600, 2325, 1815, 375),
            ("Button", "About", True): design(3600, 2865, 1815, 375),
            ("Button", "Always on top", True): design(120, 2805, 1335, 300),
            ("Button", "Change automatically", True): design(1560, 2805, 1815, 300),
            ("Static", "Clipboard text:", True): design(120, 120, 1215, 255),
            ("Button", "Sentence case", False): design(120, 120, 1815, 375, frame1),
            ("Button", "Capitalize Every Word", False): design(120, 1560, 1935, 375, frame1),
            ("Button", "tOGGLE cASE", False): design(120, 2040, 1815, 375, frame1),
        }
        controls = self.controls()
        for (cls, caption, visible), rect in expected.items():
            with self.subTest(caption=caption, visible=visible):
                found = [c for c in controls
                         if (c.cls, c.caption, c.visible) == (cls, caption, visible)]
                self.assertEqual(len(found), 1)
                self.assertEqual(found[0].rect, rect)

        field = [c for c in controls if c.cls == "Edit"][0]
        self.assertEqual(field.rect, design(120, 405, 3375, 2295))
        self.assertTrue(field.visible)
        self.assertTrue(field.style & 0x0800, "read-only")  # ES_READONLY
        self.assertTrue(field.style & 0x00200000, "vertical scroll bar")  # WS_VSCROLL

        group = [c for c in controls if c.cls == "Tarnwick.Container" and c.rect == design(3480, 240, 2175, 2535)][0]
        self.assertFalse(group.visible, "Frame1 hidden outside Auto mode")
        font_label = [c for c in controls if c.caption == "FONT CONTAINER!!!!!!!"][0]
        self.assertFalse(font_label.visible)
        self.assertEqual(self.control("Sentence case", visible=False).check, 1,
                         "sentence case is the default option")
        self.assertEqual(self.control("Always on top").check, 0)
        self.assertEqual(self.control("Change automatically").check, 0)
        self.screenshot("layout-buttons")

        # The version record is written on every start that gets this far.
        self.assertEqual(reg_get(PROGRAM_KEY + r"\Version", "Major"), "2")
        self.assertEqual(reg_get(PROGRAM_KEY + r"\Version", "Minor"), "0")
        self.assertEqual(reg_get(PROGRAM_KEY + r"\Version", "Revision"), "0")
        self.assertTrue(reg_get(PROGRAM_KEY + r"\Path", "AppPath"))

        self.close(process)
        self.assertIsNotNone(process.poll(), "the process ends with its window")


if __name__ == "__main__":
    unittest.main()
