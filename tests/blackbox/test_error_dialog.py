"""The error dialog after a real failure: modal over the main window, its
texts and layout, blue links with their own cursor, the mail link's real
mailto: URL, Explorer's real parameters, the message for a missing file,
and OK or Enter closing it while the program runs on."""

import unittest

from error_dialogs import (ERROR_CAPTION, SUPPORT, DialogTestCase, dialog_driver)
from tarnwick_blackbox import wait_until

LABEL58, LABEL55, LABEL56, LABEL57 = 1105, 1112, 1114, 1121
WS_EX_APPWINDOW = 0x40000


def expected_texts(folder):
    step4 = f"4) Send the file to {SUPPORT}"
    return [
        "Sorry, an error has occurred. Try to restart the program.",
        "If the error occurs again, please send a message with an attached ErrorReport.txt "
        "file by following these directions:",
        "1) Go to the folder (click to open folder):",
        folder,
        "2) Locate the ErrorReport.txt file in this folder",
        '3) Right-click on the file and choose "Send To..." and "Mail Recipient"',
        step4,
        "OR",
        "1) Click the link below and your default email client will create a message",
        SUPPORT,
        "2) Attach the ErrorReport.txt file located in the folder (click to open folder):",
        folder,
        "3) Send the mail",
        "OR",
        "1) Open your email client",
        "2) Create a new email document",
        "3) Attach the ErrorReport.txt file located in the folder (click to open folder):",
        folder,
        step4,
        "OK",
    ]


class ErrorDialog(DialogTestCase):
    def setUp(self):
        super().setUp()
        self.log = self.record_shell(self.id().rsplit(".", 1)[-1])
        self.process = self.start()
        self.xclip_copy("fail here")
        self.wait_field("fail here")
        self.holder = self.fail_command()
        self.dialog = self.find_dialog()
        self.assertIsNotNone(self.dialog, "the error dialog did not appear")

    def control(self, control_id):
        return next(c for c in self.dialog_controls() if c.id == control_id)

    def click(self, control_id, caption=ERROR_CAPTION):
        self.assertEqual(dialog_driver("click", caption, str(control_id)).returncode, 0)

    def test_modal_over_the_main_window_with_every_text_in_order(self):
        count, owner, main, width, height, ex_style = self.dialog
        self.screenshot("error-dialog")
        self.assertEqual(count, 1)
        self.assertEqual(owner, "Tarnwick")  # owned by the main window: no taskbar button
        self.assertEqual(main, "disabled")   # modal
        self.assertFalse(ex_style & WS_EX_APPWINDOW)
        self.assertEqual((width, height), (self.twips(7680), self.twips(9810)))
        controls = self.dialog_controls()
        texts = [c.text for c in controls if c.cls == "Static" and c.text or c.cls == "Button"]
        self.assertEqual(texts, expected_texts(self.report_folder_windows))
        ok = next(c for c in controls if c.cls == "Button")
        self.assertEqual(ok.rect, (self.twips(6240), self.twips(9240), self.twips(1215),
                                   self.twips(375)))
        # Pressing a command of the main window does nothing while it is open.
        self.assertEqual(self.dialog_count(), 1)

    def test_the_links_are_pure_blue(self):
        for link in (LABEL55, LABEL56, LABEL57, LABEL58):
            with self.subTest(link=link):
                self.assertGreater(self.blue_pixels(self.control(link)), 10)
        label = next(c for c in self.dialog_controls() if c.text.startswith("1) Go to"))
        self.assertEqual(self.blue_pixels(label), 0)

    def test_enter_presses_ok_and_the_program_runs_on(self):
        dialog_driver("key", ERROR_CAPTION, "return")
        self.assertTrue(self.wait_dialog_gone())
        self.assertIsNone(self.process.poll())
        self.holder.wait(timeout=30)  # the other program lets the clipboard go
        self.xclip_copy("after the failure")
        self.wait_field("after the failure")
        self.press("UPPRE CASE")
        self.wait_xclip("AFTER THE FAILURE")

    def test_mail_link_opens_the_support_address_with_the_error_subject(self):
        self.click(LABEL55)
        lines = self.recorded(self.log)
        self.assertEqual([line.strip('"') for line in lines],
                         [f"mailto:{SUPPORT}?Subject=Tarnwick%20v2.0%20Error%20report"])
        self.assertEqual(self.dialog_count(), 1, "the dialog stays open")

    def test_folder_links_open_explorer_at_the_report_file(self):
        expected = f"/e,/select,{self.report_folder_windows}\\ErrorReport.txt"
        for link in (LABEL58, LABEL56, LABEL57):
            with self.subTest(link=link):
                self.click(link)
                self.assertEqual(self.explorer_launches(), [expected])
                self.end_explorers()
                wait_until(lambda: not self.explorer_processes(), 10.0)
                self.assertEqual(self.dialog_count(), 1, "the dialog stays open")

    def test_folder_link_without_the_file_shows_file_not_found(self):
        self.report_file.unlink()
        self.click(LABEL56)
        self.assertIsNotNone(self.find_dialog("Tarnwick", 10000), "no message box")
        texts = [c.text for c in self.dialog_controls("Tarnwick")]
        self.assertIn("The specified file was not found.", texts)
        self.screenshot("error-dialog-file-not-found")
        dialog_driver("key", "Tarnwick", "return")
        self.assertTrue(self.wait_dialog_gone("Tarnwick"))
        self.assertEqual(self.explorer_launches(timeout=1.0), [], "Explorer must not start")
        self.assertEqual(self.dialog_count(), 1, "the error dialog stays open")


if __name__ == "__main__":
    unittest.main()
