"""Formatted copies keep their formatting: a conversion puts back the
converted text and, beside it, each "HTML Format" and "Rich Text Format"
version converted by the same rule, its markup untouched. Real clients:
the system's rich edit control copies and pastes, an X11 program reads the
HTML; the copies that a browser or a word processor makes are put on the
clipboard as they make them."""

from tarnwick_blackbox import (ERROR_CAPTION, HOOKS, HTML_FORMAT, PEER, RTF_FORMAT,
                               TarnwickTestCase, cf_html, clip_block, clip_formats, driver,
                               driver_run, helper, read_until, release, wait_until, window,
                               windows_path, xclip_read)

CLOUD = "CanUploadToCloudClipboard"  # 0: the copy stays off the user's other devices
STYLE = "<style>P.Note { Color: Red }</style>"
LINK = '<a href="http://Example.com/Some/Path" title="Kept As Is">'
FIELD = r'{\field{\*\fldinst{HYPERLINK "http://Example.com/Some/Path"}}{\fldrslt{\ul '


def rtf(text_before, link_text, text_after):
    """A word processor's RTF: a hyperlink field between two runs."""
    return (r"{\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}}{\colortbl;\red0\green0\blue255;}"
            + text_before + FIELD + link_text + "}}}" + text_after + r"\par}").encode("ascii")


# Copies put on the clipboard directly, as a browser (text and HTML) or a
# word processor (text and RTF) puts them, each followed by button presses
# and what the clipboard holds after each: the text, the HTML block and the
# RTF document (None: left out).
COPIES = [
    ("a browser's copy: markup, references, a letter that grows",
     "Ħello wörld, see ɫINK Site.",
     cf_html(f'{STYLE}<p class="Note">Ħello <b>w&ouml;rld</b>, see {LINK}ɫINK Site</a>.</p>'),
     None,
     [("UPPRE CASE", "ĦELLO WÖRLD, SEE ⱢINK SITE.",
       cf_html(f'{STYLE}<p class="Note">ĦELLO <b>W&Ouml;RLD</b>, SEE {LINK}ⱢINK SITE</a>.</p>'), None),
      ("Sentence case", "Ħello wörld, see ɫink site.",
       cf_html(f'{STYLE}<p class="Note">Ħello <b>w&ouml;rld</b>, see {LINK}ɫink site</a>.</p>'), None)]),
    ("a word processor's copy with a link",
     "Read the Tarnwick Site now",
     None, rtf("Read the ", "Tarnwick Site", " now"),
     [("UPPRE CASE", "READ THE TARNWICK SITE NOW", None, rtf("READ THE ", "TARNWICK SITE", " NOW")),
      ("tOGGLE cASE", "read the tarnwick site now", None, rtf("read the ", "tarnwick site", " now"))]),
    ("a version that cannot be converted is left out",
     "Both Kinds",
     b"Version:0.9\r\nStartHTML:0000000999\r\n<p>Both Kinds</p>", rtf("", "Both", " Kinds"),
     [("lower case", "both kinds", None, rtf("", "both", " kinds"))]),
    ("formatted content without text is left alone",
     None, cf_html("<p>No Text</p>"), rtf("", "No", " Text"),
     [("UPPRE CASE", None, cf_html("<p>No Text</p>"), rtf("", "No", " Text"))]),
]


def fragment(html_block):
    """The part of a block that its fragment offsets select."""
    header = html_block.decode("ascii", errors="replace")
    start = int(header.split("StartFragment:")[1][:10])
    end = int(header.split("EndFragment:")[1][:10])
    return html_block[start:end]


# A letter with bold, italic, a colour and a Cyrillic word (in the Windows
# code page of its font), as a user types it in a rich edit control.
DOCUMENT = (r"{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fswiss Arial;}"
            r"{\f1\fswiss\fcharset204 Arial;}}{\colortbl;\red200\green0\blue0;}"
            r"\f0 Dear Reader, \b Bold Words\b0  and \i Italic Words\i0 , \cf1 Red Words\cf0 , "
            r"\f1\'cf\'f0\'e8\'e2\'e5\'f2\f0  Cyrillic.\par}").encode("ascii")


class Formats(TarnwickTestCase):
    shared = True

    def setUp(self):
        super().setUp()
        self.addCleanup(self.set_auto, False)

    def copy(self, text, html, rtf_document):
        clip_formats(text, html, rtf_document)
        self.wait_field(text or "")

    def assert_clipboard(self, text, html, rtf_document):
        self.assertEqual(driver("clip-get"), text or "")
        self.assertEqual(clip_block(RTF_FORMAT), rtf_document)
        self.assertEqual(clip_block(HTML_FORMAT), html)
        if html is not None:
            # Wine hands X11 programs the fragment that the offsets select.
            x11_html = lambda: xclip_read(target="text/html")  # noqa: E731
            self.assertEqual(read_until(x11_html, fragment(html)), fragment(html))

    def test_copies_of_browsers_and_word_processors_keep_their_formats(self):
        for name, text, html, rtf_document, presses in COPIES:
            with self.subTest(copy=name):
                self.copy(text, html, rtf_document)
                for button, *expected in presses:
                    self.press(button)
                    self.assertEqual(self.field(), expected[0] or "", "the field mirrors the text")
                    self.assert_clipboard(*expected)
        self.assertIsNone(window(ERROR_CAPTION, 200), "nothing is reported")

    def rich_paste(self):
        """(text, runs of bold, italic and colour) of a paste into a rich
        edit control."""
        runs, _, text = driver("clip-rich-paste").partition("text\n")
        return text, runs.splitlines()

    def rich_copy(self):
        self.assertEqual(driver_run("clip-rich-copy", DOCUMENT.hex()).returncode, 0)

    def test_a_rich_edit_copy_pastes_converted_with_its_bold_italic_and_colour(self):
        self.rich_copy()
        text = driver("clip-get")
        self.wait_field(text)
        original, runs = self.rich_paste()
        self.assertIn("Привет", original)
        self.assertGreaterEqual(len(runs), 5, "bold, italic and colour runs")
        self.press("UPPRE CASE")
        self.assertEqual(self.rich_paste(), (original.upper(), runs))

        self.set_auto(True)
        self.press("lower case")  # converts what the button wrote
        self.assertEqual(self.rich_paste(), (original.lower(), runs))
        self.press("tOGGLE cASE")
        self.rich_copy()  # a new copy, converted at once
        wait_until(lambda: driver("clip-get") == text.swapcase(), 10)
        self.assertEqual(self.rich_paste(), (original.swapcase(), runs))

    def test_versions_announced_but_never_handed_out_are_left_out(self):
        owner = helper(PEER, "owner", "formats", "Promised Formats", expect="owned")
        self.wait_field("Promised Formats")
        self.press("UPPRE CASE")
        self.assertIsNone(window(ERROR_CAPTION, 200), "nothing is reported")
        self.assert_clipboard("PROMISED FORMATS", None, None)
        release(owner)

    def test_a_conversion_keeps_the_copys_locale_and_its_word_on_the_cloud_clipboard(self):
        """A program that pastes 8-bit text gets it in the code page of the
        copy's locale (CF_LOCALE), and a copy kept off the cloud clipboard
        stays off it, by a button and in Auto mode."""
        def assert_kept(text):
            self.assertEqual(clip_block("#16"), (1049).to_bytes(4, "little").rstrip(b"\0"))
            self.assertEqual(clip_block("#1"), text.encode("cp1251"))
            self.assertEqual(clip_block(CLOUD), b"", "the cloud clipboard may not take it")

        marks = "#16=1049," + CLOUD  # copied in Russian, not for the cloud
        clip_formats("привет мир", None, None, marks)
        self.wait_field("привет мир")
        self.press("UPPRE CASE")
        assert_kept("ПРИВЕТ МИР")
        self.set_auto(True)
        self.press("lower case")
        clip_formats("Снова Текст", None, None, marks)
        wait_until(lambda: driver("clip-get") == "снова текст", 10)
        assert_kept("снова текст")

    def limit_memory(self, from_bytes):
        """Tarnwick's blocks for the clipboard fail from this size up."""
        driver("limit-memory", windows_path(HOOKS), str(from_bytes))

    def test_without_memory_a_version_is_left_out_and_the_text_fails_in_its_trap(self):
        html = cf_html("<p>Long " + "<!-- a browser's long comment -->" * 100 + "Copy</p>")
        self.copy("Long Copy", html, rtf("", "Long", " Copy"))
        self.addCleanup(self.limit_memory, 0)
        self.limit_memory(len(html))  # the text and the RTF still fit
        self.press("UPPRE CASE")
        self.assertIsNone(window(ERROR_CAPTION, 200), "the user's text was converted")
        self.assert_clipboard("LONG COPY", None, rtf("", "LONG", " COPY"))

        self.limit_memory(8)  # not even the text fits
        self.assertIsNotNone(self.press_reported("lower case", 5000),
                             "reported as when memory runs out")
        driver("close", ERROR_CAPTION)
        self.assertEqual(self.field(), "long copy", "the field holds the converted text")
        self.assert_clipboard("", None, None)
