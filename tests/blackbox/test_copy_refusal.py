"""Copying out of the field is refused with a message, tried with real keys
and clicks on the X display (xdotool): Ctrl+C, Ctrl+X, Ctrl+Insert,
Shift+Delete and a right-click; Ctrl+Shift+Insert, left and middle clicks
show nothing."""

import subprocess
import time
import unittest

from tarnwick_blackbox import COPY_REFUSAL, XDOTOOL, TarnwickTestCase


@unittest.skipUnless(XDOTOOL, "xdotool is needed")
class CopyRefusal(TarnwickTestCase):
    def setUp(self):
        super().setUp()
        self.process = self.start()
        self.xclip_copy("Refuse me")
        self.wait_field("Refuse me")
        _, client = self.rect()
        field = [c for c in self.controls() if c.cls == "Edit"][0]
        self.point = (client[0] + field.left + field.width // 2,
                      client[1] + field.top + field.height // 2)
        self.click(1)  # focus the field
        self.assertIsNone(self.message_box(timeout_ms=500))

    def xdotool(self, *args):
        subprocess.run([XDOTOOL, *args], check=True, timeout=20, capture_output=True)

    def click(self, button):
        self.xdotool("mousemove", str(self.point[0]), str(self.point[1]), "click", str(button))

    def assert_refused(self, what):
        box = self.message_box(timeout_ms=5000)
        self.assertEqual(box, ("Tarnwick", "information", COPY_REFUSAL), what)
        self.assertEqual(self.xclip_read(), "Refuse me", "the clipboard is unchanged")

    def test_copy_keys_and_right_click_are_refused(self):
        for keys in ("ctrl+c", "ctrl+x", "ctrl+Insert", "shift+Delete"):
            with self.subTest(keys=keys):
                self.click(1)  # the field has the focus again after a message
                self.xdotool("key", keys)
                self.assert_refused(keys)
        self.click(3)
        self.assert_refused("right-click")

    def test_other_keys_and_buttons_show_nothing(self):
        for action in (("key", "ctrl+shift+Insert"), ("click", "1"), ("click", "2")):
            with self.subTest(action=action):
                if action[0] == "key":
                    self.xdotool("key", action[1])
                else:
                    self.click(int(action[1]))
                self.assertIsNone(self.message_box(timeout_ms=800))
        time.sleep(0.2)
        self.assertEqual(self.xclip_read(), "Refuse me")


if __name__ == "__main__":
    unittest.main()
