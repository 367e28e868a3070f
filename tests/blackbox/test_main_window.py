"""The main window at work, one start per class: copies by other programs
mirrored, the five commands, Auto mode, the refusal to copy out of the
field, and content that must stay safe (no text, private, held open, large,
malformed, or from owners that misbehave)."""

import time
import unittest

from tarnwick_blackbox import (ERROR_CAPTION, HTML_FORMAT, PEER, XDOTOOL, TarnwickTestCase,
                               centre_of, cf_html, clip_block, clip_formats, driver, driver_run,
                               helper, message_box, release, screenshot, wait_until, window,
                               xclip_read, xdotool)

COPY_REFUSAL = "The text is already in the Clipboard"


class Commands(TarnwickTestCase):
    shared = True

    def test_every_copy_by_another_program_is_shown_unchanged(self):
        for text in ["Plain ASCII copy", "Кириллица: Привет, мир", "中文字符 日本語のテキスト 한국어",
                     "Emoji 😀🎉 and a 🇫🇮 flag"]:
            with self.subTest(text=text):
                self.copy_shown(text)
                self.assertEqual(xclip_read(), text, "nothing converted outside Auto mode")

    def test_each_button_converts_the_field_and_the_clipboard(self):
        for caption, expected in [("UPPRE CASE", "HELLO WORLD. HOW ARE YOU?"),
                                  ("lower case", "hello world. how are you?"),
                                  ("Sentence case", "Hello world. How are you?"),
                                  ("Capitalize Every Word", "Hello World. How Are You?"),
                                  ("tOGGLE cASE", "hELLO wORLD. HOW ARE YOU?")]:
            with self.subTest(button=caption):
                self.copy_shown("Hello World. how are you?")
                self.press(caption)
                self.assertEqual(self.field(), expected)
                self.wait_xclip(expected)


class AutoMode(TarnwickTestCase):
    """Every copy by another program is converted at once with the selected
    rule; one copy gives exactly one conversion."""
    shared = True

    def setUp(self):
        super().setUp()
        self.addCleanup(self.set_auto, False)
        self.addCleanup(lambda: self.options_shown() and self.select("Sentence case"))  # default

    def select(self, caption):
        self.assertTrue(self.options_shown(), "an option button")
        self.press(caption)

    def test_each_rule_converts_a_copy_at_once(self):
        self.set_auto(True)
        screenshot("layout-options")
        for caption, source, expected in [
                ("Sentence case", "hELLO wORLD. aGAIN", "Hello world. Again"),
                ("lower case", "HeLLo WoRLD", "hello world"),
                ("UPPRE CASE", "hello привет", "HELLO ПРИВЕТ"),
                ("Capitalize Every Word", "jean-luc o'neil here", "Jean-luc O'neil Here"),
                ("tOGGLE cASE", "One Copy Only", "oNE cOPY oNLY")]:
            with self.subTest(rule=caption):
                self.select(caption)
                self.xclip_copy(source)
                self.wait_xclip(expected)
                self.assertEqual(self.field(), expected)
        self.assert_rests("oNE cOPY oNLY")

    def test_turning_auto_on_or_selecting_a_rule_converts_and_turning_it_off_does_not(self):
        self.copy_shown("MIXED Words HERE")
        self.set_auto(True)
        self.wait_xclip("Mixed words here")
        self.select("UPPRE CASE")
        self.wait_xclip("MIXED WORDS HERE")
        self.assertEqual(self.field(), "MIXED WORDS HERE")
        self.select("Sentence case")
        self.set_auto(False)
        self.assertEqual(self.control("Sentence case", visible=True).style & 0xF, 0,
                         "the command buttons are back")
        self.copy_shown("NOT Converted")
        time.sleep(0.5)
        self.assertEqual(xclip_read(), "NOT Converted")


@unittest.skipUnless(XDOTOOL, "xdotool is needed")
class CopyRefusal(TarnwickTestCase):
    """Copying out of the field is refused with a message, tried with real
    keys and clicks on the X display."""
    shared = True

    def act(self, action):
        command = ["key", action] if "+" in action else ["click", action]
        xdotool("mousemove", *centre_of("main", lambda c: c.cls == "Edit"), "click", "1", *command)

    def test_copy_keys_and_the_right_click_are_refused_and_nothing_else(self):
        self.copy_shown("Refuse me")
        for action, refused in [("ctrl+c", True), ("ctrl+x", True), ("ctrl+Insert", True),
                                ("shift+Delete", True), ("3", True), ("ctrl+shift+Insert", False),
                                ("1", False), ("2", False)]:
            with self.subTest(action=action):
                self.act(action)
                box = message_box(timeout_ms=5000 if refused else 500)
                self.assertEqual(box, ("Tarnwick", "information", COPY_REFUSAL) if refused
                                 else None)
                self.assertEqual(xclip_read(), "Refuse me", "the clipboard is unchanged")


class ContentSafety(TarnwickTestCase):
    shared = True

    def setUp(self):
        super().setUp()
        self.addCleanup(self.set_auto, False)

    def test_a_bitmap_survives_buttons_and_auto_mode_byte_for_byte(self):
        driver("clip-bitmap", "put")
        self.wait_field("")
        for action in ("UPPRE CASE", "tOGGLE cASE", "Change automatically", "a new copy"):
            with self.subTest(action=action):
                if action == "a new copy":
                    driver("clip-bitmap", "put")
                    time.sleep(0.5)
                else:
                    self.press(action)
                self.assertEqual(driver_run("clip-bitmap", "same").returncode, 0)
        self.assertEqual(self.field(), "")

    def test_private_copies_are_neither_shown_nor_converted(self):
        self.set_auto(True)
        self.press("UPPRE CASE")
        html = cf_html("<b>secret words</b>")
        for mark, formatted in [("Clipboard Viewer Ignore", False),
                                ("ExcludeClipboardContentFromMonitorProcessing", False),
                                ("CanIncludeInClipboardHistory", False),
                                ("ExcludeClipboardContentFromMonitorProcessing", True)]:
            with self.subTest(mark=mark, formatted=formatted):
                clip_formats(f"secret {mark}", html if formatted else None, None, mark)
                time.sleep(0.5)
                self.assertEqual(driver("clip-get"), f"secret {mark}")
                self.assertEqual(clip_block(HTML_FORMAT), html if formatted else None)
                self.assertEqual(self.field(), "")
        driver("clip-set", "public text")
        self.wait_field("PUBLIC TEXT")

    def test_a_clipboard_held_open_fails_the_command_in_its_trap(self):
        self.copy_shown("held text")
        self.fail_command(ok=True, timeout_ms=5000)
        self.assertEqual(self.field(), "HELD TEXT", "the field holds the converted text")
        self.assertEqual(driver("clip-get"), "held text", "the other program's content stays")
        self.assertEqual(driver("clip-state").split()[1], "0", "Tarnwick does not own it")

    def test_a_10_mb_text_in_auto_mode_is_converted_whole_and_its_start_shown(self):
        self.set_auto(True)
        self.press("UPPRE CASE")
        sentence = "the quick brown fox jumps over the lazy dog. ünïcödé ünd ключ. "
        text = sentence * (10 * 1024 * 1024 // len(sentence.encode("utf-8")) + 1)
        self.xclip_copy(text)
        wait_until(lambda: driver("clip-get", "64") == text[:64].upper(), 60, 0.25)
        # xclip reads once, when the clipboard holds the result: a read cut
        # short in the middle of a long transfer would stall Wine's side.
        self.assertEqual(xclip_read(timeout=90), text.upper(), "the whole text, upper-cased")
        self.assertEqual(self.field(), text.upper()[:16384], "the field's view shows its start")

    def own(self, *args):
        return helper(PEER, "owner", *args, expect="owned")

    def reported(self, timeout_ms):
        return window(ERROR_CAPTION, timeout_ms) is not None

    def assert_answers(self, *texts):
        """The field answers at once: a window frozen by a hung owner would
        answer only once the owner ends."""
        started = time.monotonic()
        self.assertIn(self.field(), texts)
        self.assertLess(time.monotonic() - started, 4.0, "the window froze")

    def test_malformed_text_is_shown_and_converted_as_other_programs_read_it(self):
        for name, fmt, block in [
                ("no terminating NUL", 13, "no end".encode("utf-16-le")),
                ("odd byte size", 13, "odd size\0".encode("utf-16-le") + b"A"),
                ("embedded NUL", 13, "shown\0hidden\0".encode("utf-16-le")),
                ("just a NUL", 13, "\0".encode("utf-16-le")),
                ("ANSI text", 1, b"caf\xe9 cr\xe8me\0"),
                ("ANSI text without NUL", 1, b"ansi, no end")]:
            with self.subTest(case=name):
                release(self.own("raw", str(fmt), block.hex()))
                expected = driver("clip-get")  # up to the first NUL, an odd byte dropped
                self.wait_field(expected)
                self.press("UPPRE CASE")
                self.assertEqual((self.field(), xclip_read()), (expected.upper(),) * 2)
        self.assertFalse(self.reported(200), "no failure")

    def test_owners_that_render_nothing_or_hang_never_stop_the_window(self):
        self.copy_shown("before the promise")
        promise = self.own("promise")
        self.assert_answers("before the promise", "")
        self.wait_field("")
        self.press("lower case")
        self.assertFalse(self.reported(300), "nothing to read is no failure")
        self.set_auto(True)
        self.assertTrue(driver("clip-state").endswith("\t0\n"),
                        "Auto mode leaves a text never handed out to its owner")
        self.set_auto(False)
        release(promise)

        self.copy_shown("before the hang")
        hang = self.own("hang")
        for _ in range(2):
            self.assert_answers("before the hang", "")
            time.sleep(0.3)
        self.assertFalse(self.reported(300), "showing the clipboard is no reported failure")
        self.assertTrue(self.press_reported("UPPRE CASE", 4000),
                        "the command that cannot read is reported")
        self.assertIsNone(hang.poll(), "reported while the owner still hangs")
        screenshot("hanging-owner-command")
        driver("close", ERROR_CAPTION)
        release(hang)
        self.copy_shown("after the hang")  # the clipboard works as before
        self.press("UPPRE CASE")
        self.wait_xclip("AFTER THE HANG")


if __name__ == "__main__":
    unittest.main()
