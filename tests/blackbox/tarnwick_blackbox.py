"""Shared pieces of the black-box tests: starting and stopping the real
Tarnwick.exe under Wine, the driver program, xclip as the other program on
the same clipboard, the settings through `wine reg`, and screenshots.

The paths come from the environment that CTest sets; DISPLAY and WINEPREFIX
are those of the test session (scripts/test.sh)."""

import os
import pathlib
import subprocess
import tempfile
import time
import unittest

EXE = os.environ.get("TARNWICK_EXE", "")
DRIVER = os.environ.get("TARNWICK_DRIVER", "")
WINE = os.environ.get("TARNWICK_WINE", "wine")
XCLIP = os.environ.get("TARNWICK_XCLIP", "xclip")
XDOTOOL = os.environ.get("TARNWICK_XDOTOOL", "")
IMPORT = os.environ.get("TARNWICK_IMPORT", "")
ARTEFACTS = pathlib.Path(os.environ.get("TARNWICK_ARTEFACTS", "/tmp/tarnwick-artefacts"))

SETTINGS_KEY = r"HKCU\Software\Tarnwick\Settings"
PROGRAM_KEY = r"HKCU\Software\Tarnwick"
APP_DEFAULTS_KEY = r"HKCU\Software\Wine\AppDefaults\Tarnwick.exe"

COPY_REFUSAL = "The text is already in the Clipboard"
OS_REFUSAL = "Tarnwick supports only Windows 2000/XP/2003/Vista"


def wait_until(probe, timeout=10.0, interval=0.05):
    """Polls probe() until it returns a true value; returns that value, or
    the last (false) value after the timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


def run_wine(*args, timeout=60):
    """Runs a Wine program and collects its output through files, not pipes:
    a Wine service that the program starts (the desktop process, say)
    inherits its output handles and outlives it, so reading a pipe to its
    end would wait for that service."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        process = subprocess.run([WINE, *args], stdin=subprocess.DEVNULL, stdout=out,
                                 stderr=err, timeout=timeout)
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(process.args, process.returncode, out.read(),
                                           err.read())


def driver_run(*args, timeout=60):
    return run_wine(DRIVER, *args, timeout=timeout)


def driver(*args, timeout=60):
    """Output of a driver subcommand that must succeed, as text."""
    result = driver_run(*args, timeout=timeout)
    if result.returncode != 0:
        raise AssertionError(f"driver {args} failed with {result.returncode}: "
                             f"{result.stderr.decode(errors='replace')}")
    return result.stdout.decode("utf-8")


def reg_delete(key):
    run_wine("reg", "delete", key, "/f")


def reg_set(key, name, value):
    result = run_wine("reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f")
    assert result.returncode == 0, result.stderr


def reg_get(key, name):
    """The REG_SZ value's text, or None when it is missing."""
    result = run_wine("reg", "query", key, "/v", name)
    if result.returncode != 0:
        return None
    for line in result.stdout.decode("utf-8", errors="replace").splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[0] == name and parts[1] == "REG_SZ":
            return parts[2] if len(parts) == 3 else ""
    return None


class Control:
    """One line of the driver's control list."""

    def __init__(self, line):
        fields = line.split("\t")
        self.id = int(fields[0])
        self.left, self.top, self.width, self.height = (int(v) for v in fields[1].split())
        self.visible = fields[2] == "1"
        self.check = int(fields[3])
        self.style = int(fields[4], 16)
        self.cls = fields[5]
        self.caption = fields[6] if len(fields) > 6 else ""

    @property
    def rect(self):
        return (self.left, self.top, self.width, self.height)


class TarnwickTestCase(unittest.TestCase):
    """Starts each test from a clean state: no Tarnwick running, no stored
    settings, no per-program Windows version, a known clipboard text."""

    def setUp(self):
        self.assertTrue(EXE and DRIVER, "TARNWICK_EXE and TARNWICK_DRIVER must be set")
        self._processes = []
        self._xclips = []
        self.addCleanup(self._stop_everything)
        reg_delete(PROGRAM_KEY)
        reg_delete(APP_DEFAULTS_KEY)
        ARTEFACTS.mkdir(parents=True, exist_ok=True)
        # A small known clipboard text: a large one left by an earlier test
        # would keep Tarnwick's first read busy, and Wine's X11 bridge can
        # miss an X11 copy made while the clipboard is held open.
        driver("clip-set", "(no copy yet)")
        self.settle()

    # --- Tarnwick ------------------------------------------------------------

    def start(self, expect_window=True, **environment):
        process = subprocess.Popen([WINE, EXE], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   env={**os.environ, **environment})
        self._processes.append(process)
        if expect_window:
            self.assertEqual(driver_run("wait", "15000").returncode, 0,
                             "Tarnwick's window did not appear")
            self.settle()  # Auto mode may have converted at start
        return process

    def close(self, process, timeout=15):
        driver("close")
        process.wait(timeout=timeout)

    def _stop_everything(self):
        for process in self._processes:
            if process.poll() is None:
                driver_run("close")
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait(timeout=10)
        driver_run("wait-gone", "5000")
        for xclip in self._xclips:
            if xclip.poll() is None:
                xclip.kill()
            xclip.wait(timeout=10)

    def controls(self):
        return [Control(line) for line in driver("controls").splitlines() if line]

    def control(self, caption, cls="Button", visible=None):
        matches = [c for c in self.controls() if c.caption == caption and c.cls == cls
                   and (visible is None or c.visible == visible)]
        self.assertTrue(matches, f"no control {caption!r}")
        return matches[0]

    def field(self):
        return driver("field")

    def press(self, caption):
        self.assertEqual(driver_run("press", caption).returncode, 0, f"could not press {caption}")
        self.settle()

    def settle(self, timeout=5.0):
        """Waits until X11 programs see what Windows programs see. After a
        write by Tarnwick, Wine takes the X11 selection a moment later; an
        xclip copy made in that moment can be lost to the race."""
        def agree():
            windows_side = driver_run("clip-get")
            if windows_side.returncode != 0:
                return False  # held open by another program
            return (self.xclip_read(timeout=5) or "") == windows_side.stdout.decode("utf-8")
        wait_until(agree, timeout, 0.05)

    def rect(self):
        """(outer left, top, width, height), (client left, top, width, height)."""
        values = [int(v) for v in driver("rect").split()]
        return tuple(values[:4]), tuple(values[4:])

    def wait_field(self, expected, timeout=10.0):
        def probe():
            if self.field() == expected:
                return True
            driver_run("clip-formats")  # see wait_xclip
            return False
        wait_until(probe, timeout)
        self.assertEqual(self.field(), expected)

    def message_box(self, timeout_ms=5000, dismiss=True):
        """(caption, icon, text) of the message box shown, or None."""
        result = driver_run("msgbox-dismiss" if dismiss else "msgbox", str(timeout_ms))
        if result.returncode != 0:
            return None
        caption, icon, text = result.stdout.decode("utf-8").rstrip("\n").split("\t", 2)
        return caption, icon, text

    def set_auto(self, on):
        box = self.control("Change automatically")
        if (box.check == 1) != on:
            self.press("Change automatically")

    # --- The other program ------------------------------------------------------

    def xclip_copy(self, text):
        """Copies text as an X11 program does, and keeps that program running
        as the selection's owner until another program takes it."""
        xclip = subprocess.Popen([XCLIP, "-selection", "clipboard", "-i", "-quiet"],
                                 stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        self._xclips.append(xclip)
        xclip.stdin.write(text.encode("utf-8"))
        xclip.stdin.close()

    def xclip_read(self, timeout=20):
        """The clipboard text as an X11 program reads it, or None."""
        try:
            result = subprocess.run([XCLIP, "-selection", "clipboard", "-o", "-t", "UTF8_STRING"],
                                    capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return None
        return result.stdout.decode("utf-8", errors="replace") if result.returncode == 0 else None

    def wait_xclip(self, expected, timeout=10.0):
        def probe():
            # Opening the clipboard from a Windows program makes Wine look at
            # the X11 selection at once, as any such program's access does.
            driver_run("clip-formats")
            return self.xclip_read() == expected
        wait_until(probe, timeout)
        self.assertEqual(self.xclip_read(), expected)

    # --- Settings and pictures ---------------------------------------------------

    def set_setting(self, name, value):
        reg_set(SETTINGS_KEY, name, value)

    def setting(self, name):
        return reg_get(SETTINGS_KEY, name)

    def screenshot(self, name):
        if IMPORT:
            subprocess.run([IMPORT, "-window", "root", str(ARTEFACTS / f"{name}.png")],
                           capture_output=True, timeout=30)
