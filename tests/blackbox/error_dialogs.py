"""Shared pieces of the error-report and dialog tests: a real failure (another
program holds the clipboard open while a command runs), the report file in
the prefix's Documents folder, the dialog driver, and the shell recorder that
stands in for the mailto: handler and for Explorer."""

import os
import pathlib
import select
import subprocess
import time

from tarnwick_blackbox import (ARTEFACTS, DRIVER, IMPORT, WINE, TarnwickTestCase, reg_delete,
                               run_wine, wait_until)

DIALOG_DRIVER = os.environ.get("TARNWICK_DIALOG_DRIVER", "")
RECORDER = os.environ.get("TARNWICK_SHELL_RECORDER", "")
DENY_HOOK = os.environ.get("TARNWICK_DENY_HOOK", "")

ERROR_CAPTION = "Program Error"
ABOUT_CAPTION = "About Tarnwick"
SUPPORT = "support@tarnwick.example"
WEBSITE = "https://www.tarnwick.example/"
MAILTO_KEY = r"HKCR\mailto\shell\open\command"


def dialog_driver(*args, timeout=60):
    return run_wine(DIALOG_DRIVER, *args, timeout=timeout)


def unix_path(windows_path):
    result = run_wine("winepath", "-u", windows_path)
    return pathlib.Path(result.stdout.decode("utf-8").strip())


class DialogControl:
    """One line of the dialog driver's control list."""

    def __init__(self, line):
        fields = line.split("\t")
        self.id = int(fields[0])
        self.cls = fields[1]
        self.visible = fields[2] == "1"
        self.rect = tuple(int(v) for v in fields[3].split())
        self.centre = tuple(int(v) for v in fields[4].split())
        self.text = fields[5] if len(fields) > 5 else ""


class DialogTestCase(TarnwickTestCase):
    def setUp(self):
        super().setUp()
        self.assertTrue(DIALOG_DRIVER and RECORDER, "the dialog driver and recorder must be set")
        self._background = []
        self.addCleanup(self._stop_background)
        documents = dialog_driver("documents").stdout.decode("utf-8").strip()
        self.assertTrue(documents, "no Documents folder")
        self.report_folder_windows = documents + "\\Tarnwick"
        self.report_folder = unix_path(documents) / "Tarnwick"
        self.report_file = self.report_folder / "ErrorReport.txt"
        self.remove_report()
        self.addCleanup(self.remove_report)

    def remove_report(self):
        if self.report_file.exists():
            self.report_file.unlink()

    def _stop_background(self):
        # Dialogs left open would keep Tarnwick from closing.
        for caption in (ERROR_CAPTION, ABOUT_CAPTION):
            for _ in range(5):
                if dialog_driver("count", caption).stdout.strip() in (b"0", b""):
                    break
                dialog_driver("close", caption)
                time.sleep(0.2)
        for process in self._background:
            try:
                process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait(timeout=10)
            process.stdout.close()

    def background(self, program, *args):
        process = subprocess.Popen([WINE, program, *args], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self._background.append(process)
        return process

    # --- A real failure -----------------------------------------------------------

    def fail_command(self, button="UPPRE CASE", hold_ms=4000):
        """Another program holds the clipboard open while the command runs:
        the command's clipboard write fails and is reported."""
        # One holder at a time: the previous one must have let go, or this
        # one would start late and hold past the next command.
        if getattr(self, "_holder", None) is not None:
            self._holder.wait(timeout=30)
        holder = self._holder = self.background(DRIVER, "clip-hold", str(hold_ms))
        # The holder says "held" once it has the clipboard open; only then
        # is the press sure to meet a held clipboard, however slow Wine is.
        ready, _, _ = select.select([holder.stdout], [], [], 30)
        self.assertTrue(ready and holder.stdout.readline().strip() == b"held",
                        "the holder did not get the clipboard")
        self.background(DRIVER, "press", button)
        return holder

    # --- The dialog -----------------------------------------------------------------

    def find_dialog(self, caption=ERROR_CAPTION, timeout_ms=15000):
        """(count, owner caption, main window state, client w, h, ex-style) or None."""
        result = dialog_driver("find", caption, str(timeout_ms))
        if result.returncode != 0:
            return None
        count, owner, main, width, height, ex_style = \
            result.stdout.decode("utf-8").rstrip("\n").split("\t")
        return int(count), owner, main, int(width), int(height), int(ex_style, 16)

    def dialog_controls(self, caption=ERROR_CAPTION):
        result = dialog_driver("controls", caption)
        self.assertEqual(result.returncode, 0, f"no dialog {caption!r}")
        return [DialogControl(line) for line in result.stdout.decode("utf-8").splitlines() if line]

    def enabled(self, caption):
        """Whether the visible window of this caption takes input, or None."""
        result = dialog_driver("enabled", caption)
        return None if result.returncode != 0 else result.stdout.strip() == b"1"

    def dialog_count(self, caption=ERROR_CAPTION):
        return int(dialog_driver("count", caption).stdout.decode("utf-8").strip() or 0)

    def wait_dialog_gone(self, caption=ERROR_CAPTION, timeout_ms=10000):
        return dialog_driver("gone", caption, str(timeout_ms)).returncode == 0

    def dpi(self):
        return int(dialog_driver("dpi").stdout.decode("utf-8").strip())

    def twips(self, value):
        return value * self.dpi() // 1440

    def blue_pixels(self, control):
        """Pure blue pixels inside the control on a screenshot of the screen."""
        if not IMPORT:
            self.skipTest("ImageMagick's import is needed")
        shot = ARTEFACTS / "link-colour-check.png"
        subprocess.run([IMPORT, "-window", "root", str(shot)], capture_output=True, timeout=30)
        width, height = control.rect[2], control.rect[3]
        left, top = control.centre[0] - width // 2, control.centre[1] - height // 2
        out = subprocess.run(["convert", str(shot), "-crop", f"{width}x{height}+{left}+{top}",
                              "txt:-"], capture_output=True, timeout=30).stdout.decode()
        return out.count("#0000FF")

    # --- The shell's targets ------------------------------------------------------------

    def record_shell(self, name):
        """Registers the recorder as the mailto: handler, and makes Tarnwick
        (started after this) hand the recorder a log file."""
        log = ARTEFACTS / f"{name}-shell.log"
        if log.exists():
            log.unlink()
        recorder_windows = run_wine("winepath", "-w", RECORDER).stdout.decode("utf-8").strip()
        log_windows = run_wine("winepath", "-w", str(log)).stdout.decode("utf-8").strip()
        os.environ["TARNWICK_SHELL_LOG"] = log_windows
        self.addCleanup(os.environ.pop, "TARNWICK_SHELL_LOG", None)
        self.register(MAILTO_KEY, f'"{recorder_windows}" "%1"')
        self.addCleanup(self.end_explorers)
        return log

    def recorder_path(self):
        return RECORDER

    def register(self, key, command):
        """Sets the key's default value for this test, and puts the old one back."""
        old = run_wine("reg", "query", key, "/ve").stdout.decode("utf-8", errors="replace")
        values = [line.split("REG_SZ", 1)[1].strip() for line in old.splitlines()
                  if "REG_SZ" in line]
        result = run_wine("reg", "add", key, "/ve", "/d", command, "/f")
        self.assertEqual(result.returncode, 0, result.stderr)
        if values:
            self.addCleanup(run_wine, "reg", "add", key, "/ve", "/d", values[0], "/f")
        else:
            self.addCleanup(reg_delete, key)

    # --- Explorer, as the process list shows it ------------------------------------------

    def explorer_processes(self):
        """(pid, command line) of the Explorer processes of this Wine prefix
        that were asked to select a file."""
        found = []
        for entry in pathlib.Path("/proc").iterdir():
            if not entry.name.isdigit():
                continue
            try:
                args = [a for a in (entry / "cmdline").read_bytes().split(b"\0") if a]
                environ = (entry / "environ").read_bytes().split(b"\0")
            except OSError:
                continue
            if len(args) < 2 or not args[0].lower().endswith(b"explorer.exe"):
                continue
            if f"WINEPREFIX={os.environ.get('WINEPREFIX', '')}".encode() not in environ:
                continue
            line = b" ".join(args[1:]).decode("utf-8", errors="replace")
            if "/select," in line:
                found.append((int(entry.name), line))
        return found

    def end_explorers(self):
        for pid, _ in self.explorer_processes():
            try:
                os.kill(pid, 15)
            except OSError:
                pass

    def explorer_launches(self, count=1, timeout=10.0):
        wait_until(lambda: len(self.explorer_processes()) >= count, timeout)
        return [line for _, line in self.explorer_processes()]

    def recorded(self, log, count=1, timeout=10.0):
        def lines():
            if not log.exists():
                return []
            return [line for line in log.read_text("utf-8").splitlines() if line]
        wait_until(lambda: len(lines()) >= count, timeout)
        return lines()
