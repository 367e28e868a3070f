"""A report folder that cannot be made: a file stands where the folder
"Tarnwick" belongs, or the Documents folder does not exist. The report is
dropped, the dialog still shows, nothing is written anywhere else and the
file in the way is left as it was. The Documents folder is moved, for this
test only, to a folder of the prefix."""

import pathlib
import unittest

from error_dialogs import ERROR_CAPTION, DialogTestCase, dialog_driver, unix_path
from tarnwick_blackbox import run_wine

SHELL_FOLDERS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"
HEADER = b"Please send this file to "


class ReportFolder(DialogTestCase):
    def setUp(self):
        super().setUp()
        old = run_wine("reg", "query", SHELL_FOLDERS, "/v", "Personal").stdout.decode()
        value = next(line.split(None, 2)[2] for line in old.splitlines()
                     if line.strip().startswith("Personal"))
        self.addCleanup(self.move_documents, value.strip())
        self.documents_windows = r"C:\tarnwick-documents-test"
        self.documents = unix_path("C:\\") / "tarnwick-documents-test"
        self.documents.mkdir(exist_ok=True)
        self.addCleanup(self.remove_tree, self.documents)
        self.process = self.start()

    def move_documents(self, windows_path):
        result = run_wine("reg", "add", SHELL_FOLDERS, "/v", "Personal", "/t", "REG_EXPAND_SZ",
                          "/d", windows_path, "/f")
        self.assertEqual(result.returncode, 0, result.stderr)

    def shell_documents(self):
        return dialog_driver("documents").stdout.decode().strip()

    def remove_tree(self, path):
        for entry in sorted(path.rglob("*"), reverse=True):
            entry.rmdir() if entry.is_dir() else entry.unlink()
        path.rmdir()

    def report_after_failure(self):
        self.fail_command(hold_ms=2500)
        self.assertIsNotNone(self.find_dialog(), "the error dialog did not appear")
        ok = [c for c in self.dialog_controls() if c.text == "OK"]
        dialog_driver("click", ERROR_CAPTION, str(ok[0].id))
        self.assertTrue(self.wait_dialog_gone())

    def test_a_folder_that_cannot_be_made_drops_the_report_and_writes_nowhere_else(self):
        self.xclip_copy("report me")
        self.wait_field("report me")
        self.move_documents(self.documents_windows)
        self.assertEqual(self.shell_documents(), self.documents_windows)
        in_the_way = self.documents / "Tarnwick"
        in_the_way.write_bytes(b"a file of the user's\r\n")
        self.report_after_failure()
        self.assertEqual(in_the_way.read_bytes(), b"a file of the user's\r\n")
        self.assertEqual(sorted(p.name for p in self.documents.iterdir()), ["Tarnwick"])

        in_the_way.unlink()  # now the folder can be made: the same failure is written
        self.report_after_failure()
        self.assertTrue((in_the_way / "ErrorReport.txt").read_bytes().startswith(HEADER))

        # A Documents folder that does not exist is not made, nor is the
        # report folder put anywhere else (a drive's root, say).
        roots = [unix_path("C:\\") / "Tarnwick", pathlib.Path("/Tarnwick")]
        existed = [root.exists() for root in roots]
        self.move_documents(self.documents_windows + r"\missing")
        self.report_after_failure()
        self.assertEqual([root.exists() for root in roots], existed)
        self.assertFalse((self.documents / "missing").exists())
        self.assertIsNone(self.process.poll(), "Tarnwick runs on")


if __name__ == "__main__":
    unittest.main()
