"""Shared pieces of the black-box tests: the real Tarnwick.exe under Wine,
the driver (a user's and the shell's side), the peer (the other clipboard
programs), xclip (an X11 program on the same clipboard), the registry, the
report file and screenshots. The paths come from the environment that CTest
sets; DISPLAY and WINEPREFIX from the test session (scripts/test.sh)."""

import contextlib
import os
import pathlib
import select
import subprocess
import tempfile
import time
import unittest

EXE = os.environ.get("TARNWICK_EXE", "")
DRIVER = os.environ.get("TARNWICK_DRIVER", "")
PEER = os.environ.get("TARNWICK_PEER", "")
HOOKS = os.environ.get("TARNWICK_HOOKS", "")
WINE = os.environ.get("TARNWICK_WINE", "wine")
XCLIP = os.environ.get("TARNWICK_XCLIP", "xclip")
XDOTOOL = os.environ.get("TARNWICK_XDOTOOL", "")
IMPORT = os.environ.get("TARNWICK_IMPORT", "")
ARTEFACTS = pathlib.Path(os.environ.get("TARNWICK_ARTEFACTS", "/tmp/tarnwick-artefacts"))

HKCU = "HKEY_CURRENT_USER"
PROGRAM_KEY = rf"{HKCU}\Software\Tarnwick"
APP_DEFAULTS_KEY = rf"{HKCU}\Software\Wine\AppDefaults\Tarnwick.exe"
ERROR_CAPTION = "Program Error"
ABOUT_CAPTION = "About Tarnwick"
SUPPORT = "support@tarnwick.example"
WEBSITE = "https://www.tarnwick.example/"

# The main window as designed, as a first start shows it (the command
# buttons, the Auto options hidden): each control's class, caption, whether
# it is shown, and its place in twips in the client area (a container's
# offset added; None: below the client area, never seen).
MAIN_WINDOW = [
    ("Tarnwick.Container", "", True, (0, 0, 6015, 3615)),  # the background panel
    ("Static", "Clipboard text:", True, (120, 120, 1215, 255)),
    ("Edit", "", True, (120, 405, 3375, 2295)),
    ("Button", "Sentence case", True, (3600, 405, 1815, 375)),
    ("Button", "lower case", True, (3600, 900, 1815, 375)),
    ("Button", "UPPRE CASE", True, (3600, 1365, 1815, 375)),
    ("Button", "Capitalize Every Word", True, (3600, 1845, 1815, 375)),
    ("Button", "tOGGLE cASE", True, (3600, 2325, 1815, 375)),
    ("Button", "About", True, (3600, 2865, 1815, 375)),
    ("Button", "Always on top", True, (120, 2805, 1335, 300)),
    ("Button", "Change automatically", True, (1560, 2805, 1815, 300)),
    ("Tarnwick.Container", "", False, (3480, 240, 2175, 2535)),  # Frame1, the options in it
    ("Button", "Sentence case", False, (3600, 360, 1815, 375)),
    ("Button", "lower case", False, (3600, 840, 1815, 375)),
    ("Button", "UPPRE CASE", False, (3600, 1320, 1815, 375)),
    ("Button", "Capitalize Every Word", False, (3600, 1800, 1935, 375)),
    ("Button", "tOGGLE cASE", False, (3600, 2280, 1815, 375)),
    ("Static", "FONT CONTAINER!!!!!!!", False, None),
]
MAIN_CLIENT = (5535, 3345)

_tarnwicks, _xclips, _helpers, _server = [], [], [], []


def wait_until(probe, timeout=10.0, interval=0.05):
    """Polls probe() until it returns a true value; that value, or the last
    (false) one after the timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


def run_wine(*args, timeout=60):
    """Runs a Wine program, its output collected through a file: a Wine
    service that it starts inherits its handles and outlives it, so reading
    a pipe to its end would wait for that service."""
    with tempfile.TemporaryFile() as out:
        process = subprocess.run([WINE, *args], stdin=subprocess.DEVNULL, stdout=out,
                                 stderr=subprocess.DEVNULL, timeout=timeout)
        out.seek(0)
        process.stdout = out.read()
        return process


def driver_run(*args, timeout=60):
    """A driver subcommand, answered by the serving driver (one Wine process
    for a test's many questions), or by a new one for the clipboard and the
    commands that write it (a long-lived one there makes Wine's X11 bridge
    lose X11 programs' copies now and then), or for a word with a tab or line break."""
    if args[0].startswith("clip-") or args[0] == "press" or \
            any(c in arg for arg in args for c in "\t\n"):
        return run_wine(DRIVER, *args, timeout=timeout)
    if not _server:
        _server.append(subprocess.Popen([WINE, DRIVER, "serve"], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                        bufsize=0))
    server, data, deadline = _server[0], bytearray(), time.monotonic() + timeout
    server.stdin.write(("\t".join(args) + "\n").encode("utf-8"))

    def read_until(enough):
        while not enough():
            left = deadline - time.monotonic()
            ready = select.select([server.stdout], [], [], max(left, 0))[0]
            chunk = os.read(server.stdout.fileno(), 1 << 20) if ready else b""
            if not chunk:
                stop_server()
                raise subprocess.TimeoutExpired(args, timeout)
            data.extend(chunk)
    read_until(lambda: b"\n" in data)
    header, _, rest = bytes(data).partition(b"\n")
    status, size = map(int, header.split())
    data[:] = rest
    read_until(lambda: len(data) >= size)
    return subprocess.CompletedProcess(args, status, bytes(data), b"")


def stop_server():
    for server in _server:
        server.stdin.close()
        end(server)
        server.stdout.close()
    _server.clear()


def driver(*args, timeout=60):
    """The output of a driver subcommand that must succeed."""
    result = driver_run(*args, timeout=timeout)
    if result.returncode != 0:
        raise AssertionError(f"driver {args} failed with {result.returncode}")
    return result.stdout.decode("utf-8")


def windows_path(path):
    """The path as a Windows program inside Wine names it (drive Z: is /)."""
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


def helper(program, *args, expect=None):
    """A program that runs beside the test until its stdin is closed
    (release), once it has said `expect`."""
    process = subprocess.Popen([WINE, program, *args], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    _helpers.append(process)
    if expect is not None:
        line = said(process, 30)
        assert line == expect, f"{program} {args} said {line!r}, not {expect!r}"
    return process


def said(process, timeout=15):
    """The next line a helper prints, or "(nothing)" after the timeout."""
    ready, _, _ = select.select([process.stdout], [], [], timeout)
    return process.stdout.readline().decode().strip() if ready else "(nothing)"


def tell(process, command, answer=False):
    """Sends a helper a command line; its answer line when one is awaited."""
    process.stdin.write((command + "\n").encode())
    process.stdin.flush()
    return said(process) if answer else None


def end(process, timeout=10):
    """Waits for the process to end; kills it after the timeout."""
    try:
        process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=10)


def release(process, timeout=30):
    with contextlib.suppress(OSError):  # the pipe of a helper that ended is broken
        process.stdin.close()
    end(process, timeout)


# --- Registry --------------------------------------------------------------------

def reg_text(value):
    return value if value.startswith(("dword:", "hex")) else \
        '"' + value.replace("\\", "\\\\").replace('"', '\\"') + '"'


def registry(settings=None, version=None):
    """One regedit run: Tarnwick's keys and its per-program Windows version
    removed, then the given settings (text, or .reg data such as
    "dword:00000003") and version stored. Windows are left unmanaged: with
    no window manager on the test display, Wine would wait 2 s for one
    whenever a window closes."""
    keys = {PROGRAM_KEY + r"\Settings": settings or {},
            APP_DEFAULTS_KEY: {"Version": version} if version else {},
            rf"{HKCU}\Software\Wine\X11 Driver": {"Managed": "N"}}
    lines = ["Windows Registry Editor Version 5.00", "", f"[-{PROGRAM_KEY}]",
             f"[-{APP_DEFAULTS_KEY}]"]
    for key, values in keys.items():
        if values:
            lines += ["", f"[{key}]"] + [f'"{name}"={reg_text(value)}'
                                         for name, value in values.items()]
    with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False) as reg:
        reg.write("\r\n".join(lines) + "\r\n")
    try:
        assert run_wine("regedit", "/s", windows_path(reg.name)).returncode == 0
    finally:
        os.unlink(reg.name)


def stored(section="Settings"):
    return reg_values(rf"{PROGRAM_KEY}\{section}")


def reg_values(key):
    """{name: text} of a key's values; a value of another type than REG_SZ
    as "TYPE:data"."""
    out = run_wine("reg", "query", key).stdout.decode(errors="replace")
    values = {}
    for line in out.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            data = parts[2] if len(parts) == 3 else ""
            values[parts[0]] = data if parts[1] == "REG_SZ" else f"{parts[1]}:{data}"
    return values


# --- Windows as the driver sees them -----------------------------------------------

class Window:
    def __init__(self, line):
        f = line.rstrip("\n").split("\t")
        self.count, self.owner, self.main = int(f[0]), f[1], f[2]
        self.enabled, self.topmost, self.ex_style = f[3] == "1", f[4] == "1", int(f[5], 16)
        self.frame, self.client = (tuple(int(v) for v in x.split()) for x in f[6:8])
        self.handle = int(f[8])


def window(which="main", timeout_ms=5000):
    """The first window named by `which` ("main", "box" or a caption), or None."""
    result = driver_run("wait", which, str(timeout_ms))
    return Window(result.stdout.decode("utf-8")) if result.returncode == 0 else None


def gone(which, timeout_ms=10000):
    return driver_run("gone", which, str(timeout_ms)).returncode == 0


class Control:
    def __init__(self, line):
        f = line.split("\t")
        self.id, self.cls, self.visible = int(f[0]), f[1], f[2] == "1"
        self.check, self.style = int(f[3]), int(f[4], 16)
        self.rect, self.extent, self.ideal = (tuple(int(v) for v in x.split()) for x in f[5:8])
        self.themed, self.text = f[8] == "1", f[9]

    def __repr__(self):
        return f"{self.cls} {self.id} {self.text!r} at {self.rect}, text {self.extent}"


def controls(which="main", hook=False):
    args = ["controls", which] + ([windows_path(HOOKS)] if hook else [])
    return [Control(line) for line in driver(*args).splitlines() if line]


def message_box(timeout_ms=5000, dismiss=True):
    """(caption, icon, text) of the message box shown, or None."""
    result = driver_run("msgbox", str(timeout_ms), *(["dismiss"] if dismiss else []))
    if result.returncode != 0:
        return None
    return tuple(result.stdout.decode("utf-8").rstrip("\n").split("\t", 2))


def facts():
    """(DPI, work area, Documents folder) of a new Wine process."""
    dpi, work, documents = run_wine(DRIVER, "facts").stdout.decode().rstrip("\n").split("\t")
    return int(dpi), tuple(int(v) for v in work.split()), documents


def unix_path(windows):
    return pathlib.Path(run_wine("winepath", "-u", windows).stdout.decode().strip())


def resources():
    """Tarnwick's windows and listed handles as the system counts them."""
    return dict(item.split("=") for item in driver("resources").split())


# --- Linux processes of this session's Wine prefix ---------------------------------

def prefix_processes():
    """(pid, arguments) of each Linux process that runs in this Wine prefix."""
    prefix = f"WINEPREFIX={os.environ.get('WINEPREFIX', '')}".encode()
    for entry in pathlib.Path("/proc").iterdir():
        try:
            if entry.name.isdigit() and prefix in (entry / "environ").read_bytes().split(b"\0"):
                args = [a.decode("utf-8", errors="replace")
                        for a in (entry / "cmdline").read_bytes().split(b"\0") if a]
                if args:  # none once the process has ended
                    yield int(entry.name), args
        except OSError:
            continue


def tarnwick_pid():
    """The process that runs Tarnwick.exe (the `wine` process that the test
    started is a launcher that waits for it)."""
    found = [pid for pid, args in prefix_processes() if args[0].lower().endswith("\\tarnwick.exe")]
    assert found, "no Linux process runs Tarnwick.exe"
    return found[0]


def linux_figures(pid):
    """Threads, open descriptors and anonymous resident memory (kB) of a
    Wine process as Linux counts them (Wine has no GUI object counts)."""
    with open(f"/proc/{pid}/status") as status:
        fields = dict(line.split(":", 1) for line in status if ":" in line)
    return {"threads": int(fields["Threads"]), "fds": len(os.listdir(f"/proc/{pid}/fd")),
            "rss_anon_kb": int(fields["RssAnon"].split()[0])}


# --- Tarnwick and the clipboard ------------------------------------------------------

def read_until(read, expected, timeout=10.0):
    """Reads until read() gives `expected`; the last value read, which a
    check is then made on (a further read could meet a slow answer)."""
    last = [None]

    def seen():
        last[0] = read()
        return last[0] == expected
    wait_until(seen, timeout)
    return last[0]


def xclip_read(timeout=5, target="UTF8_STRING"):
    """The clipboard text (bytes for another target) as an X11 program reads
    it, or None. Wine's X11 bridge can leave a request unanswered on a loaded
    machine; the next one is answered, so a read that waits long is given up
    and tried again by the caller rather than waited out."""
    try:
        result = subprocess.run([XCLIP, "-selection", "clipboard", "-o", "-t", target],
                                capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None
    if result.returncode != 0:
        return None
    return result.stdout.decode("utf-8", errors="replace") if target == "UTF8_STRING" \
        else result.stdout


HTML_FORMAT, RTF_FORMAT = "HTML Format", "Rich Text Format"
CF_HTML_HEADER = ("Version:0.9\r\nStartHTML:{:010d}\r\nEndHTML:{:010d}\r\n"
                  "StartFragment:{:010d}\r\nEndFragment:{:010d}\r\n")


def cf_html(fragment):
    """A browser's "HTML Format" block: the header's offsets select the
    document and, between the marker comments, the fragment."""
    start, end = "<!--StartFragment-->", "<!--EndFragment-->"
    html = f"<html><body>{start}{fragment}{end}</body></html>".encode("utf-8")
    size = len(CF_HTML_HEADER.format(0, 0, 0, 0))
    offsets = (size, size + len(html), size + html.index(start.encode()) + len(start),
               size + html.index(end.encode()))
    return CF_HTML_HEADER.format(*offsets).encode("ascii") + html


def clip_formats(text, html=None, rtf=None, mark=None):
    """Copies as a program with formatted text does (None: left out)."""
    driver("clip-formats", "-" if text is None else text,
           *("-" if block is None else block.hex() for block in (html, rtf)),
           *([mark] if mark else []))


def clip_block(name):
    """The clipboard's block of a registered format, without the NULs that
    end it; None when there is none."""
    result = driver_run("clip-format", name)
    return result.stdout.rstrip(b"\0") if result.returncode == 0 else None


def settle(timeout=5.0):
    """Waits until X11 programs see what Windows programs see: Wine takes
    the X11 selection a moment after a Windows program's write, and an
    xclip copy made in that moment can be lost to the race."""
    def agree():
        windows_side = driver_run("clip-get")
        return windows_side.returncode == 0 and \
            (xclip_read(timeout=5) or "") == windows_side.stdout.decode("utf-8")
    wait_until(agree, timeout)


def reset(**registry_args):
    """No Tarnwick settings (or the given ones), a small known clipboard
    text: a large one left behind would keep Tarnwick's first read busy."""
    registry(**registry_args)
    ARTEFACTS.mkdir(parents=True, exist_ok=True)
    driver("clip-set", "(no copy yet)")
    settle()


def start(expect_window=True, **environment):
    process = subprocess.Popen([WINE, EXE], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, env={**os.environ, **environment})
    _tarnwicks.append(process)
    if expect_window:
        assert window("main", 15000), "Tarnwick's window did not appear"
        settle()  # Auto mode may have converted at start
    return process


def close(process, timeout=15):
    driver("close", "main")
    process.wait(timeout=timeout)


def stop_everything():
    for caption in (ERROR_CAPTION, ABOUT_CAPTION):  # they would keep Tarnwick open
        driver_run("close", caption)
    for process in _helpers:
        release(process)
        process.stdout.close()
    for process in _tarnwicks:
        if process.poll() is None:
            driver_run("close", "main")
            end(process)
    for xclip in _xclips:
        xclip.kill()
        xclip.wait(timeout=10)
    _helpers.clear(), _tarnwicks.clear(), _xclips.clear()
    stop_server()


def close_dialogs():
    for caption in (ERROR_CAPTION, ABOUT_CAPTION):  # the error dialog may lie over About
        driver_run("close", caption)
        gone(caption, 5000)


def xdotool(*args):
    """Real keys and clicks on the X display."""
    subprocess.run([XDOTOOL, *args], check=True, timeout=20, capture_output=True)


def centre_of(which, picked):
    """The screen point in the middle of the window's first control that
    `picked` accepts."""
    left, top = window(which, 0).client[:2]
    x, y, width, height = next(c for c in controls(which) if picked(c)).rect
    return str(left + x + width // 2), str(top + y + height // 2)


def screenshot(name):
    if IMPORT:
        subprocess.run([IMPORT, "-window", "root", str(ARTEFACTS / f"{name}.png")],
                       capture_output=True, timeout=30)


class TarnwickTestCase(unittest.TestCase):
    """Each test starts from a clean state: no Tarnwick running, no stored
    settings, no per-program Windows version, a known clipboard text. A
    class with `shared` set starts Tarnwick once, from that state and its
    `preset` settings, for tests that do not disturb each other."""
    shared = False
    preset = None
    environment = {}

    @classmethod
    def setUpClass(cls):
        assert EXE and DRIVER, "TARNWICK_EXE and TARNWICK_DRIVER must be set"
        if cls.shared:
            cls.addClassCleanup(stop_everything)
            reset(settings=cls.preset)
            cls.process = start(**cls.environment)

    def setUp(self):
        if not self.shared:
            self.addCleanup(stop_everything)
            reset()

    def field(self):
        return driver("field")

    def start_as(self, version=None, **settings):
        """Starts under this Windows version (None: Wine's default) with
        these settings."""
        registry(version=version, settings=settings)
        return start()

    def assert_main_window_design(self, client, found, dpi):
        """{design row: control}: the client area and each control of the
        design, there once with its class, caption and visibility, where its
        twips say at this DPI (to a pixel: the program may round the other
        way); above 96 DPI a control may be wider, for a caption that the
        larger font makes wider."""
        def near(rect, twips):
            expected = [round(v * dpi / 1440) for v in twips]
            off = [got - want for got, want in zip(rect, expected)]
            return all(abs(d) <= 1 or (i == 2 and d > 0 and dpi > 96) for i, d in enumerate(off))
        self.assertTrue(near(client, MAIN_CLIENT), f"client area {client}")
        placed = {}
        for row in MAIN_WINDOW:
            with self.subTest(control=row[1] or row[0], visible=row[2]):
                match = [c for c in found if (c.cls, c.text, c.visible) == row[:3]]
                self.assertEqual(len(match), 1)
                placed[row] = match[0]
                self.assertTrue(near(match[0].rect, row[3] or ()), f"{match[0]} not at {row[3]}")
        return placed

    def control(self, caption, cls="Button", visible=None):
        found = [c for c in controls() if c.text == caption and c.cls == cls
                 and visible in (None, c.visible)]
        self.assertTrue(found, f"no control {caption!r}")
        return found[0]

    def options_shown(self):
        """Whether Auto mode's option buttons stand where the command buttons do."""
        return self.control("Sentence case", visible=True).style & 0xF == 9  # BS_AUTORADIOBUTTON

    def press(self, caption):
        self.assertEqual(driver_run("press", caption).returncode, 0, f"could not press {caption}")
        settle()

    def set_auto(self, on):
        if (self.control("Change automatically").check == 1) != on:
            self.press("Change automatically")

    def xclip_copy(self, text):
        """Copies as an X11 program does; xclip stays the selection's owner
        until another program takes it."""
        xclip = subprocess.Popen([XCLIP, "-selection", "clipboard", "-i", "-quiet"],
                                 stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        _xclips.append(xclip)
        xclip.stdin.write(text.encode("utf-8"))
        xclip.stdin.close()

    def wait_field(self, expected, timeout=10.0):
        def shown():
            if self.field() == expected:
                return True
            # Opening the clipboard from a Windows program makes Wine look
            # at the X11 selection at once, as any such program's access does.
            driver_run("clip-state")
        wait_until(shown, timeout)
        self.assertEqual(self.field(), expected)

    def wait_xclip(self, expected, timeout=10.0):
        def read():
            driver_run("clip-state")
            return xclip_read()
        self.assertEqual(read_until(read, expected, timeout), expected)

    def copy_shown(self, text):
        """A copy by an X11 program, once the field shows it."""
        self.xclip_copy(text)
        self.wait_field(text)

    def assert_rests(self, text):
        """The clipboard and the field hold `text`, and nothing writes the
        clipboard again."""
        first = driver("clip-state")
        time.sleep(1.5)
        self.assertEqual(driver("clip-state"), first, f"{text!r} was written again")
        self.assertEqual((xclip_read(), self.field()), (text, text))

    def press_reported(self, button, timeout_ms=15000):
        """Presses the button from a helper (the press returns only once the
        error dialog closes); the error dialog it brings, or None."""
        helper(DRIVER, "press", button)
        return window(ERROR_CAPTION, timeout_ms)

    def fail_command(self, button="UPPRE CASE", ok=False, timeout_ms=15000):
        """Presses the button while the clipboard is held, and lets the
        clipboard go once the failure is reported; with `ok`, then closes
        the dialog by its OK button."""
        holder = helper(DRIVER, "hold", "clipboard", expect="held")
        started = time.monotonic()
        shown = self.press_reported(button, timeout_ms)
        self.seconds_to_dialog = time.monotonic() - started
        release(holder)
        self.assertIsNotNone(shown, "the error dialog did not appear")
        if ok:
            self.press_ok()
        return shown

    def press_ok(self):
        driver("click", ERROR_CAPTION, "1")  # OK, IDOK
        self.assertTrue(gone(ERROR_CAPTION))


# --- Failures and what they leave --------------------------------------------------

class ReportTestCase(TarnwickTestCase):
    """The report file that real failures (fail_command) write."""

    @classmethod
    def setUpClass(cls):
        cls.dpi, _, documents = facts()
        cls.report_folder_windows = documents + "\\Tarnwick"
        cls.report_file = unix_path(documents) / "Tarnwick" / "ErrorReport.txt"
        cls.report_file.unlink(missing_ok=True)
        super().setUpClass()

    def setUp(self):
        super().setUp()
        self.report_file.unlink(missing_ok=True)
        if self.shared:  # the start outlives the test, its dialogs must not
            self.addCleanup(close_dialogs)

    def open_about(self):
        helper(DRIVER, "press", "About")  # returns once the modal dialog closes
        about = window(ABOUT_CAPTION, 15000)
        self.assertIsNotNone(about, "the About dialog did not appear")
        return about

    def report(self):
        return self.report_file.read_bytes()
