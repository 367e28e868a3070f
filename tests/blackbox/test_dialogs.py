"""Tarnwick's dialogs and what a real failure leaves: the About dialog; the
error dialog, modal over the main window, with its texts, blue links, the
mailto: URL and Explorer's parameters as the shell really receives them; the
report file with its header once and a block per failure, dropped when the
file or its folder cannot be had; a failure at start-up, shown modeless.
The driver stands in for the mailto: and web handlers (its `record`)."""

import contextlib
import ntpath
import os
import pathlib
import subprocess
import unittest

from tarnwick_blackbox import (ABOUT_CAPTION, ARTEFACTS, DRIVER, ERROR_CAPTION, EXE, HOOKS, IMPORT,
                               SUPPORT, WEBSITE, ReportTestCase, close, close_dialogs, controls,
                               driver, facts, gone, helper, message_box, prefix_processes,
                               reg_values, release, run_wine, screenshot, start, unix_path,
                               wait_until, window, windows_path)

HEADER = f"Please send this file to {SUPPORT}\r\n \r\n".encode("ascii")
WS_EX_APPWINDOW = 0x40000
ABOUT_WEB, ABOUT_MAIL, MAIL_LINK, FOLDER_LINKS = 1007, 1009, 1112, (1105, 1114, 1121)
SHELL_KEYS = [r"HKCR\mailto\shell\open\command", r"HKCR\https\shell\open\command"]
SHELL_FOLDERS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"


def expected_error_texts(folder):
    step4 = f"4) Send the file to {SUPPORT}"
    attach = "Attach the ErrorReport.txt file located in the folder (click to open folder):"
    return [
        "Sorry, an error has occurred. Try to restart the program.",
        "If the error occurs again, please send a message with an attached ErrorReport.txt "
        "file by following these directions:",
        "1) Go to the folder (click to open folder):", folder,
        "2) Locate the ErrorReport.txt file in this folder",
        '3) Right-click on the file and choose "Send To..." and "Mail Recipient"', step4, "OR",
        "1) Click the link below and your default email client will create a message", SUPPORT,
        f"2) {attach}", folder, "3) Send the mail", "OR",
        "1) Open your email client", "2) Create a new email document", f"3) {attach}", folder,
        step4, "OK"]


def blue_pixels(caption, found):
    """Pure blue pixels inside each control, on one screenshot of the screen."""
    if not IMPORT:
        raise unittest.SkipTest("ImageMagick's import is needed")
    shot = ARTEFACTS / "link-colour-check.png"
    subprocess.run([IMPORT, "-window", "root", str(shot)], capture_output=True, timeout=30)
    left, top = window(caption, 0).client[:2]
    crops = (f"{w}x{h}+{left + x}+{top + y}" for x, y, w, h in (c.rect for c in found))
    return [subprocess.run(["convert", str(shot), "-crop", crop, "txt:-"], capture_output=True,
                           timeout=30).stdout.decode().count("#0000FF") for crop in crops]


def explorer_processes():
    """(pid, arguments) of this prefix's Explorer processes asked to select a file."""
    return [(pid, " ".join(args[1:])) for pid, args in prefix_processes()
            if args[0].lower().endswith("explorer.exe") and "/select," in " ".join(args[1:])]


def end_explorers():
    for pid, _ in explorer_processes():
        with contextlib.suppress(OSError):
            os.kill(pid, 15)
    wait_until(lambda: not explorer_processes(), 10.0)


class DialogTestCase(ReportTestCase):
    """One start per class, the driver registered as the mailto: and web
    handler of that start; each test begins with no dialog and no record."""
    shared = True

    @classmethod
    def setUpClass(cls):
        ARTEFACTS.mkdir(parents=True, exist_ok=True)
        cls.log = ARTEFACTS / f"{cls.__name__}-shell.log"
        for key in SHELL_KEYS:
            cls.addClassCleanup(run_wine, "reg", "delete", key, "/f")
            assert run_wine("reg", "add", key, "/ve", "/d",
                            f'"{windows_path(DRIVER)}" record "%1"', "/f").returncode == 0
        cls.environment = {"TARNWICK_SHELL_LOG": windows_path(cls.log)}
        super().setUpClass()

    def setUp(self):
        super().setUp()
        self.log.unlink(missing_ok=True)

    def recorded(self):
        lines = lambda: self.log.exists() and self.log.read_text("utf-8").splitlines() or []  # noqa
        wait_until(lines)
        return [line.strip('"') for line in lines()]

    def shown(self, caption):
        found = window(caption, 0)
        return found.count if found else 0

    def assert_links_blue(self, caption, links, label):
        """The links drawn in pure blue, the plain label beside them not."""
        counts = blue_pixels(caption, links + [label])
        self.assertTrue(min(counts[:-1]) > 10 and counts[-1] == 0, counts)


class AboutDialog(DialogTestCase):
    """The About dialog, and the links of both dialogs that the shell opens."""

    def test_texts_version_line_and_blue_links(self):
        about = self.open_about()
        screenshot("about-dialog")
        self.assertEqual((about.count, about.owner, about.main), (1, "Tarnwick", "disabled"))
        found = {c.id: c for c in controls(ABOUT_CAPTION)}
        expected = {1001: "Tarnwick", 1002: "Version 2.00",
                    1003: "Copyright (C) 2024-2026 Tarnwick developers",
                    1004: "All rights reserved.", 1006: "Website:", ABOUT_WEB: WEBSITE,
                    1008: "Technical support:", ABOUT_MAIL: SUPPORT, 1: "OK"}
        self.assertEqual({i: found[i].text for i in expected if i in found}, expected)
        self.assert_links_blue(ABOUT_CAPTION, [found[ABOUT_WEB], found[ABOUT_MAIL]], found[1006])

    def test_enter_esc_and_close_box_close_it_and_each_press_is_fresh(self):
        for way in ("return", "escape", "close"):
            with self.subTest(way=way):
                self.open_about()
                self.assertEqual(self.shown(ABOUT_CAPTION), 1)
                driver(*(["close", ABOUT_CAPTION] if way == "close" else
                         ["key", ABOUT_CAPTION, way]))
                self.assertTrue(gone(ABOUT_CAPTION))
                self.assertTrue(wait_until(lambda: window().main == "enabled"))
        self.assertIsNone(self.process.poll())

    def test_mail_and_web_links_hand_the_shell_their_url_and_show_nothing_else(self):
        opened = {ABOUT_CAPTION: self.open_about, ERROR_CAPTION: self.fail_command}
        for caption, link, expected in [
                (ABOUT_CAPTION, ABOUT_MAIL, f"mailto:{SUPPORT}?Subject=Tarnwick%20v2.0"),
                (ABOUT_CAPTION, ABOUT_WEB, WEBSITE),
                (ERROR_CAPTION, MAIL_LINK,
                 f"mailto:{SUPPORT}?Subject=Tarnwick%20v2.0%20Error%20report")]:
            with self.subTest(link=link):
                if not self.shown(caption):
                    close_dialogs()
                    opened[caption]()
                self.log.unlink(missing_ok=True)
                driver("click", caption, str(link))
                self.assertEqual(self.recorded(), [expected])
                self.assertEqual(self.shown(caption), 1, "the dialog stays open")
                self.assertIsNone(window("box", 300), "no message after the shell call")

    def test_an_error_over_the_dialog_holds_every_window_until_it_is_closed(self):
        self.open_about()
        self.fail_command()  # the main window's command fails while About is open
        enabled = lambda caption: window(caption, 0).enabled  # noqa: E731
        self.assertEqual((enabled(ABOUT_CAPTION), enabled("main")), (False, False))
        driver("key", ERROR_CAPTION, "return")
        self.assertTrue(gone(ERROR_CAPTION))
        # Each window gets its own state back: About is usable again, and
        # the main window stays disabled under it until About closes.
        self.assertTrue(wait_until(lambda: enabled(ABOUT_CAPTION)))
        self.assertFalse(enabled("main"))
        driver("key", ABOUT_CAPTION, "escape")
        self.assertTrue(gone(ABOUT_CAPTION))
        self.assertTrue(wait_until(lambda: enabled("main")))


class ErrorDialog(DialogTestCase):
    def setUp(self):
        super().setUp()
        self.addCleanup(end_explorers)
        self.copy_shown("fail here")
        self.dialog = self.fail_command()

    def test_modal_over_the_main_window_with_every_text_in_order_and_blue_links(self):
        screenshot("error-dialog")
        dialog = self.dialog  # owned by the main window (no taskbar button), modal
        self.assertEqual((dialog.count, dialog.owner, dialog.main,
                          dialog.ex_style & WS_EX_APPWINDOW), (1, "Tarnwick", "disabled", 0))
        found = controls(ERROR_CAPTION)
        texts = [c.text for c in found if c.cls == "Static" and c.text or c.cls == "Button"]
        self.assertEqual(texts, expected_error_texts(self.report_folder_windows))
        by_id = {c.id: c for c in found}
        self.assertEqual((by_id[1].cls, by_id[1].text), ("Button", "OK"))
        self.assert_links_blue(ERROR_CAPTION, [by_id[i] for i in (MAIL_LINK, *FOLDER_LINKS)],
                               next(c for c in found if c.text.startswith("1) Go to")))

    def test_enter_presses_ok_and_the_program_runs_on(self):
        driver("key", ERROR_CAPTION, "return")
        self.assertTrue(gone(ERROR_CAPTION))
        self.assertIsNone(self.process.poll())
        self.copy_shown("after the failure")
        self.press("UPPRE CASE")
        self.wait_xclip("AFTER THE FAILURE")

    def test_folder_links_open_explorer_at_the_report_file_or_say_it_is_not_found(self):
        expected = f"/e,/select,{self.report_folder_windows}\\ErrorReport.txt"
        for link in FOLDER_LINKS:
            with self.subTest(link=link):
                driver("click", ERROR_CAPTION, str(link))
                wait_until(explorer_processes)
                self.assertEqual([line for _, line in explorer_processes()], [expected])
                end_explorers()
                self.assertEqual(self.shown(ERROR_CAPTION), 1, "the dialog stays open")
        self.report_file.unlink()
        driver("click", ERROR_CAPTION, str(FOLDER_LINKS[1]))
        caption, _, text = message_box(10000, dismiss=False) or ("no message box", "", "")
        self.assertEqual(caption, "Tarnwick")
        self.assertIn("The specified file was not found.", text)
        screenshot("error-dialog-file-not-found")
        message_box(1000)
        self.assertIsNone(window("box", 0))
        self.assertFalse(wait_until(explorer_processes, 1.0), "Explorer must not start")
        self.assertEqual(self.shown(ERROR_CAPTION), 1, "the error dialog stays open")


class ReportFile(DialogTestCase):
    def setUp(self):
        super().setUp()
        self.copy_shown("report me")

    def report_after_failure(self, button="UPPRE CASE"):
        self.fail_command(button, ok=True)
        return self.report()

    def blocks(self, data):
        body = data[len(HEADER):] if data.startswith(HEADER) else data
        return [b for b in body.split(b")\r\n\r\n\r\n") if b]

    def test_a_header_once_then_a_block_per_failure_naming_its_handler_and_step(self):
        self.addCleanup(self.set_auto, False)
        data, first = b"", ""
        for count, (button, line) in enumerate([
                ("UPPRE CASE", "Form1.bnUpper_Click()  at Line 10"),
                ("lower case", "Form1.bnLower_Click()  at Line 10"),
                ("Sentence case", "Form1.bnSentence_Click()  at Line 10"),
                ("Capitalize Every Word", "Form1.bnEvery_Click()  at Line 10"),
                ("tOGGLE cASE", "Form1.bnToggle_Click()  at Line 10"),
                ("Change automatically", "Form1.Option1_Click(Index=0)  at Line 90"),
                ("lower case", "Form1.Option1_Click(Index=1)  at Line 90")], 1):
            with self.subTest(button=button):
                before, data = data, self.report_after_failure(button)
                first = first if before else data.decode("cp1252")  # the file after one failure
                self.assertTrue(data.startswith(before or HEADER), data[:120])
                self.assertEqual(data.count(b"Please send this file"), 1)
                self.assertEqual(len(self.blocks(data)), count)
                self.assertIn(f"Call Stack: {line} ", self.blocks(data)[-1].decode("cp1252"))
        (ARTEFACTS / "ErrorReport-failures.txt").write_bytes(data)
        self.assertTrue(data.endswith(b")\r\n\r\n\r\n"))
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""), "a line break other than CR LF")
        # What the real failure and platform fill in; the layout around them
        # is the report text tests' (tests/errors).
        for fact in ["Number: 521 ", "Description: Can't open Clipboard",
                     " App='Tarnwick:2.0.0' ", "\r\n  Method: Form1.bnUpper_Click \r\n",
                     "\r\n  API Error: (5) Access denied.",
                     f"\r\nProgram path: {ntpath.dirname(windows_path(EXE))}\r\n",
                     f"\r\nError report path: {self.report_folder_windows}\r\n",
                     "\r\nFile name : Tarnwick\r\n",
                     "\r\nOS: Windows NT 6.1 build 7601 (Service Pack 1)\r\n"]:  # Wine: Windows 7
            self.assertIn(fact, first)
        self.assertNotIn(" Computer='' ", first)
        self.assertIsNone(self.process.poll(), "Tarnwick must keep running")
        self.report_file.unlink()  # a new file starts with the header again
        self.assertTrue(self.report_after_failure().startswith(HEADER))
        self.assertEqual(len(self.blocks(self.report())), 1)

    def test_a_file_held_exclusively_drops_the_report_and_still_shows_the_dialog(self):
        before = self.report_after_failure()
        baseline = self.seconds_to_dialog
        holder = helper(DRIVER, "hold", "file", self.report_folder_windows + "\\ErrorReport.txt",
                        expect="held")
        self.fail_command()
        held = self.seconds_to_dialog
        screenshot("error-dialog-locked-file")
        self.press_ok()
        release(holder)
        self.assertEqual(self.report(), before)
        # The open is retried for one to two seconds, then the report dropped;
        # the upper bound leaves room for a busy machine, not for a retry
        # that goes on. The quicker of two free failures, one before and one
        # after, is the baseline: a busy moment slows only one of them.
        self.report_after_failure()
        baseline = min(baseline, self.seconds_to_dialog)
        self.assertGreater(held - baseline, 0.7)
        self.assertLess(held - baseline, 5.0)

    def move_documents(self, windows_path):
        self.assertEqual(run_wine("reg", "add", SHELL_FOLDERS, "/v", "Personal", "/t",
                                  "REG_EXPAND_SZ", "/d", windows_path, "/f").returncode, 0)

    def test_a_folder_that_cannot_be_made_drops_the_report_and_writes_nowhere_else(self):
        self.addCleanup(self.move_documents, reg_values(SHELL_FOLDERS)["Personal"].split(":", 1)[1])
        documents_windows = r"C:\tarnwick-documents-test"
        documents = unix_path("C:\\") / "tarnwick-documents-test"
        documents.mkdir(exist_ok=True)
        self.addCleanup(subprocess.run, ["rm", "-rf", str(documents)])
        self.move_documents(documents_windows)
        self.assertEqual(facts()[2], documents_windows)
        # A file stands where the folder belongs: it is left as it was.
        in_the_way = documents / "Tarnwick"
        in_the_way.write_bytes(b"a file of the user's\r\n")
        self.fail_command(ok=True)
        self.assertEqual(in_the_way.read_bytes(), b"a file of the user's\r\n")
        self.assertEqual(sorted(p.name for p in documents.iterdir()), ["Tarnwick"])

        in_the_way.unlink()  # now the folder can be made: the same failure is written
        self.fail_command(ok=True)
        self.assertTrue((in_the_way / "ErrorReport.txt").read_bytes().startswith(HEADER))

        # A Documents folder that does not exist is not made, nor is the
        # report folder put anywhere else (a drive's root, say).
        roots = [unix_path("C:\\") / "Tarnwick", pathlib.Path("/Tarnwick")]
        existed = [root.exists() for root in roots]
        self.move_documents(documents_windows + r"\missing")
        self.fail_command(ok=True)
        self.assertEqual([root.exists() for root in roots], existed)
        self.assertFalse((documents / "missing").exists())
        self.assertIsNone(self.process.poll(), "Tarnwick runs on")


class StartupFailure(ReportTestCase):
    """Another program refuses, through a system-wide hook, to let Tarnwick
    create a window: the main window itself, or one of its controls once
    the window exists. Either way the start fails in Main's step 110, the
    report shows modeless, the program ends when it is closed, and the next
    start works."""

    def deny(self, window_rule):
        """Refuses windows of this class until released."""
        return helper(DRIVER, "deny", windows_path(HOOKS), window_rule, expect="hooked")

    def test_the_dialog_shows_modeless_and_the_program_ends_when_it_closes(self):
        for rule in ("Tarnwick.Form1", "Edit"):
            with self.subTest(denied=rule):
                self.report_file.unlink(missing_ok=True)
                hook = self.deny(rule)
                process = start(expect_window=False, TARNWICK_DENY_WINDOW=rule)
                dialog = window(ERROR_CAPTION, 15000)
                self.assertIsNotNone(dialog, "the error dialog did not appear")
                screenshot("error-dialog-modeless-startup")
                # Nothing is left of the main window, and no taskbar button.
                self.assertEqual((dialog.count, dialog.owner, dialog.main,
                                  dialog.ex_style & WS_EX_APPWINDOW), (1, "-", "none", 0))
                self.assertTrue(self.report().startswith(HEADER))
                text = self.report().decode("cp1252")
                self.assertIn("Method: mMain.Main ", text)
                self.assertIn("Call Stack: mMain.Main()  at Line 110 -", text)
                self.assertIsNone(process.poll(), "the dialog keeps the program until it closes")
                driver("key", ERROR_CAPTION, "return")  # Enter works in the modeless dialog
                self.assertTrue(gone(ERROR_CAPTION))
                process.wait(timeout=15)
                release(hook)
                close(start())  # the single-instance lock went with the process

    def assert_plain_message_alone(self):
        """The plain message of the nested-report limit, and after it no
        half-built error dialog."""
        caption, icon, message = message_box(15000) or ("no message after the failure", "", "")
        self.assertEqual((caption, icon), ("Tarnwick", "error"))
        self.assertIn("Sorry, an error has occurred. Try to restart the program.", message)
        self.assertIn(self.report_folder_windows + "\\ErrorReport.txt", message)
        self.assertIsNone(window(ERROR_CAPTION, 2000), "a dialog that failed to build shows")

    def test_a_dialog_that_cannot_be_built_is_reported_twice_then_in_a_message(self):
        # The main window's containers are made before the hook comes.
        process = start(TARNWICK_DENY_WINDOW="Tarnwick.Container")
        self.deny("Tarnwick.Container")
        self.copy_shown("report me")
        holder = helper(DRIVER, "hold", "clipboard", expect="held")
        helper(DRIVER, "press", "UPPRE CASE")
        try:
            self.assert_plain_message_alone()
        finally:
            release(holder)
        text = self.report().decode("cp1252")
        self.assertEqual(text.count("Call Stack: Form11.Form_Load()  at Line 10 "), 2)
        self.assertEqual(text.count("Call Stack: Form1.bnUpper_Click()  at Line 10 "), 1)
        self.assertIsNone(process.poll(), "the program goes on")
        self.assertTrue(wait_until(lambda: window().enabled), "the main window is usable again")
        self.copy_shown("after the message")
        self.press("lower case")
        self.wait_xclip("after the message")

    def test_at_start_up_no_dialog_that_cannot_be_built_shows_and_the_program_ends(self):
        hook = self.deny("Tarnwick.Container")
        process = start(expect_window=False, TARNWICK_DENY_WINDOW="Tarnwick.Container")
        self.assert_plain_message_alone()
        process.wait(timeout=15)
        release(hook)
        text = self.report().decode("cp1252")
        self.assertRegex(text, r"Call Stack: mMain\.Main\(\) +at Line 110 -+")
        self.assertEqual(text.count("Call Stack: Form11.Form_Load()  at Line 10 "), 2)


if __name__ == "__main__":
    unittest.main()
