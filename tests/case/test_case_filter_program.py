"""The tarnwick-case executable run as a user runs it: bytes on standard
input from a file or through a pipe, then its standard output, standard
error and exit status. A cross build's executable runs under the emulator
that the build names (Wine)."""

import os
import subprocess
import tempfile
import unittest

COMMAND = [*filter(None, [os.environ.get("TARNWICK_WINE")]), os.environ["TARNWICK_CASE_EXE"]]
USAGE = b"usage: tarnwick-case RULE"
# A clipboard "HTML Format" block: a header of CR LF lines, a trailing NUL.
HTML_HEADER = (b"Version:0.9\r\nStartHTML:0000000105\r\nEndHTML:0000000131\r\n"
               b"StartFragment:0000000105\r\nEndFragment:0000000131\r\n")


def run(args, data, pipe=False):
    """(status, standard output, standard error); the output goes to files,
    which a Wine service that the run starts cannot hold open."""
    with tempfile.TemporaryFile() as source, tempfile.TemporaryFile() as out, \
            tempfile.TemporaryFile() as err:
        source.write(data)
        source.seek(0)
        stdin = {"input": data} if pipe else {"stdin": source}
        status = subprocess.run(COMMAND + args, stdout=out, stderr=err, timeout=300,
                                **stdin).returncode
        out.seek(0)
        err.seek(0)
        return status, out.read(), err.read()


class CaseFilterProgram(unittest.TestCase):
    def test_exit_status_output_and_messages(self):
        # CR LF, NUL and Ctrl+Z pass as they are: standard input and output
        # are binary on Windows too.
        binary_in = b"hello w\xc3\xb6rld.\r\n\0x\x1a y"
        binary_out = b"Hello W\xc3\xb6rld.\r\n\0X\x1a Y"
        for args, data, pipe, status, out, err in [
                (["proper"], binary_in, False, 0, binary_out, b""),
                (["proper"], binary_in, True, 0, binary_out, b""),
                (["sentence"], b"", False, 0, b"", b""),
                (["upper"], b"valid start\n\xc0\xaf", False, 1, b"",
                 b"invalid UTF-8 at byte offset 12"),
                (["upper"], b"a" * 100000 + b"\x80", False, 1, b"",
                 b"invalid UTF-8 at byte offset 100000"),
                ([], b"text", False, 2, b"", USAGE),
                (["title"], b"text", False, 2, b"", b"unknown rule 'title'"),
                (["upper", "lower"], b"text", False, 2, b"", b"unknown option 'lower'"),
                (["upper", "--html", "--rtf"], b"text", False, 2, b"", USAGE),
                (["upper", "--pdf"], b"x", False, 2, b"", b"unknown option '--pdf'"),
                # Formatted text: converted as one block, or refused with
                # nothing written.
                (["upper", "--rtf"], b"{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 caf\\'e9}\r\n", True, 0,
                 b"{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 CAF\\'c9}\r\n", b""),
                (["lower", "--rtf"], b"plain text", False, 1, b"",
                 b"not RTF that can be converted safely"),
                (["proper", "--html"], HTML_HEADER + b"<p>one two</p><p>three</p>\0", False, 0,
                 HTML_HEADER + b"<p>One Two</p><p>Three</p>\0", b""),
                (["proper", "--html"], b"<p>no header</p>", False, 1, b"",
                 b'not an "HTML Format" block that can be converted'),
                (["--help"], b"", False, 0, USAGE, b"")]:
            with self.subTest(args=args, pipe=pipe):
                got_status, got_out, got_err = run(args, data, pipe)
                self.assertEqual(got_status, status)
                self.assertEqual(got_out[:len(USAGE)] if args == ["--help"] else got_out, out)
                if err:
                    self.assertIn(err, got_err)
                else:
                    self.assertEqual(got_err, b"")

    def test_megabytes_of_mixed_text_from_a_file_and_through_a_pipe(self):
        # Many blocks, and the state carried across every cut: each copy of
        # the piece starts as the text does, after ". ".
        piece = "word при 😀\r\nx? \u2c65t\u00e9\tEND. ".encode()
        converted = "Word при 😀\r\nx? \u023at\u00e9\tend. ".encode()
        for pipe in (False, True):
            with self.subTest(pipe=pipe):
                status, out, _ = run(["sentence"], piece * 80000, pipe)
                self.assertEqual(status, 0)
                self.assertTrue(out == converted * 80000, "the converted text, whole")


if __name__ == "__main__":
    unittest.main()
