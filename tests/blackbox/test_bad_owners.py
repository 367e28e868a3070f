"""Clipboard owners that misbehave: one that promises text and hangs, one that
answers the request to render with nothing, and blocks of malformed text.
Tarnwick's window stays responsive, a command that cannot read the content
fails in its trap, and malformed text is shown up to its first NUL and never
read past its block."""

import pathlib
import select
import subprocess
import time
import unittest

from tarnwick_blackbox import DRIVER, WINE, TarnwickTestCase, driver, driver_run, run_wine

BAD_OWNER = str(pathlib.Path(DRIVER).with_name("tarnwick-bad-owner.exe"))
ERROR_CAPTION = "Program Error"
CF_TEXT, CF_UNICODETEXT = 1, 13


def utf16(text):
    return text.encode("utf-16-le").hex()


def bad_owner_output(*args):
    result = run_wine(BAD_OWNER, *args)
    assert result.returncode == 0, result
    return result.stdout.decode("ascii").strip()


class BadOwnerTestCase(TarnwickTestCase):
    def setUp(self):
        super().setUp()
        self.owners = []
        self.addCleanup(self.end_owners)
        self.process = self.start()

    def end_owners(self):
        for owner in self.owners:
            try:
                owner.wait(timeout=30)
            except subprocess.TimeoutExpired:
                owner.kill()
                owner.wait(timeout=10)
            owner.stdout.close()

    def own(self, *args):
        """Starts the misbehaving owner and waits until it owns the clipboard."""
        owner = subprocess.Popen([WINE, BAD_OWNER, *args], stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.owners.append(owner)
        ready, _, _ = select.select([owner.stdout], [], [], 30)
        self.assertTrue(ready and owner.stdout.readline().strip() == b"owned",
                        f"the owner {args} did not take the clipboard")
        return owner

    def timed_field(self):
        started = time.monotonic()
        text = self.field()
        return text, time.monotonic() - started

    def reported(self, timeout_ms):
        return driver_run("window", ERROR_CAPTION, str(timeout_ms)).returncode == 0


class BadOwners(BadOwnerTestCase):
    """One Tarnwick meets each kind of owner in turn."""

    def test_misbehaving_owners_never_stop_the_window(self):
        with self.subTest(owner="malformed blocks"):
            self.check_malformed_blocks()
        with self.subTest(owner="renders nothing"):
            self.check_an_owner_that_renders_nothing()
        with self.subTest(owner="hangs"):
            self.check_an_owner_that_hangs()
        self.assertIsNone(self.process.poll())

    def platform_text(self):
        """The text as another program reads it: the block up to its first
        NUL, an odd trailing byte dropped."""
        _, size, block = bad_owner_output("read").split("\t")
        data = bytes.fromhex(block) if int(size) > 0 else b""
        units = data[:len(data) // 2 * 2].decode("utf-16-le", errors="surrogatepass")
        return units.split("\0", 1)[0]

    def check_malformed_blocks(self):
        # (Wine refuses a block of no bytes; the unit tests cover that one.)
        cases = [
            ("no terminating NUL", CF_UNICODETEXT, utf16("no end")),
            ("odd byte size", CF_UNICODETEXT, utf16("odd size\0") + "41"),
            ("embedded NUL", CF_UNICODETEXT, utf16("shown\0hidden\0")),
            ("just a NUL", CF_UNICODETEXT, utf16("\0")),
            ("ANSI text", CF_TEXT, b"caf\xe9 cr\xe8me\0".hex()),
            ("ANSI text without NUL", CF_TEXT, b"ansi, no end".hex()),
        ]
        for name, fmt, block in cases:
            with self.subTest(case=name):
                self.own("raw", str(fmt), block, "0")
                expected = self.platform_text()
                self.wait_field(expected)
                self.press("UPPRE CASE")  # waits until X11 programs see the result
                self.assertEqual(self.field(), expected.upper())
                self.assertEqual(self.xclip_read(), expected.upper())
        self.assertFalse(self.reported(200), "no failure")

    def check_an_owner_that_renders_nothing(self):
        self.xclip_copy("before the promise")
        self.wait_field("before the promise")
        self.own("no-render", "3000")
        _, seconds = self.timed_field()
        self.assertLess(seconds, 5.0, "the window froze")
        self.wait_field("")
        self.press("lower case")
        self.assertFalse(self.reported(300), "nothing to read is no failure")
        self.assertEqual(self.field(), "")

    def check_an_owner_that_hangs(self):
        self.xclip_copy("before the hang")
        self.wait_field("before the hang")
        owner = self.own("hang", "8000")
        # A window frozen by the owner would answer only once it ends.
        for _ in range(2):
            text, seconds = self.timed_field()
            self.assertIn(text, ("before the hang", ""))
            self.assertLess(seconds, 4.0, "the window froze")
            time.sleep(0.3)
        self.assertFalse(self.reported(300), "showing the clipboard is no reported failure")

        presser = subprocess.Popen([WINE, DRIVER, "press", "UPPRE CASE"],
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        # Reported while the owner still hangs, not once it has ended.
        self.assertTrue(self.reported(4000), "the command that cannot read is reported")
        self.assertIsNone(owner.poll(), "the owner still hangs")
        self.screenshot("hanging-owner-command")
        driver("close-window", ERROR_CAPTION)
        presser.wait(timeout=30)

        # Once the owner is gone, the clipboard works as before.
        owner.wait(timeout=30)
        self.xclip_copy("after the hang")
        self.wait_field("after the hang")
        self.press("UPPRE CASE")
        self.wait_xclip("AFTER THE HANG")


if __name__ == "__main__":
    unittest.main()
