// The "HTML Format" converter on small documents: which bytes are text and
// change, which are markup and stay, how references are read and written
// back, where the stream breaks and restarts, and that the header's offsets
// select the same parts after a change of length. Each expected block is
// built with its own offsets, so a wrong offset fails the comparison.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "case/CaseUtf8.h"
#include "case/HtmlFormat.h"
#include "CaseTestText.h"

namespace tarnwick::mCase {
namespace {

constexpr CaseRule S = CaseRule::Sentence, L = CaseRule::Lower, U = CaseRule::Upper, P = CaseRule::Proper, T = CaseRule::Toggle;

const std::string kStart = "<!--StartFragment-->", kEnd = "<!--EndFragment-->";
// U+023A and U+2C65: a capital of two bytes whose small letter takes three.
const std::string kBigA = "\xC8\xBA", kSmallA = "\xE2\xB1\xA5";

std::string Padded(std::size_t value, int width = 10) {
  const std::string digits = std::to_string(value);
  return std::string(width - std::min<int>(width, int(digits.size())), '0') + digits;
}

// `block` with the ten characters after `key` replaced by `value`.
std::string Put(std::string block, std::string_view key, std::string_view value) {
  return block.replace(block.find(key) + key.size(), 10, value);
}
std::string Set(const std::string& block, std::string_view key, std::size_t value) {
  return Put(block, key, Padded(value));
}

// A clipboard block around `html`: the fragment lies between the two
// marker comments (or is all of it), the selection between '[' and ']'
// when `selection` is set (the brackets are removed).
std::string Block(std::string html, bool selection = false, int width = 10, std::string_view eol = "\r\n") {
  std::size_t marks[2] = {0, 0};
  for (std::size_t& at : marks) {
    if (selection) html.erase(at = html.find_first_of("[]"), 1);
  }
  const std::size_t start = html.find(kStart), end = html.find(kEnd);
  const std::size_t values[] = {0, html.size(), start == std::string::npos ? 0 : start + kStart.size(),
                                std::min(end, html.size()), marks[0], marks[1]};
  const char* names[] = {"StartHTML:", "EndHTML:", "StartFragment:", "EndFragment:", "StartSelection:", "EndSelection:"};
  std::string header;
  for (int pass = 0; pass < 2; ++pass) {  // the first finds the header's size
    const std::size_t size = header.size();
    header = "Version:0.9" + std::string(eol);
    for (int k = 0; k < (selection ? 6 : 4); ++k) header += names[k] + Padded(size + values[k], width) + std::string(eol);
  }
  return header + html;
}

struct Case {
  CaseRule rule;
  std::string in, out;
  bool selection = false;
  int width = 10;
  std::string_view eol = "\r\n";
};

void ExpectConverted(const Case& c) {
  SCOPED_TRACE(c.in);
  EXPECT_EQ(ConvertHtmlFormat(c.rule, Block(c.in, c.selection, c.width, c.eol)),
            Block(c.out, c.selection, c.width, c.eol));
}

TEST(HtmlFormat, CharacterReferencesAreReadAndWrittenBackInTheirForm) {
  const Case cases[] = {
      {U, "caf&eacute; &Eacute;t&eacute;", "CAF&Eacute; &Eacute;T&Eacute;"},
      {L, "&Eacute;&Ccedil;&AElig;&AElig x", "&eacute;&ccedil;&aelig;&aelig x"},
      {L, "&#201;&#xC9;&#XC9;&#xc9;&#00201;&#x3a3;&#x1f1;", "&#233;&#xE9;&#XE9;&#xe9;&#00233;&#x3c3;&#x1f3;"},
      {U, "&#xff; &#255 x", "&#x178; &#376 X"},        // more digits; no semicolon stays without
      {U, "caf&eacute, d&eacute;j&agrave", "CAF&Eacute, D&Eacute;J&Agrave"},  // legacy names
      {U, "&imath;x &micro &micro;", "&#73;X &#924; &Mu;"},  // no name of the form: a decimal reference
      {U, "&imath, &imath;x and so on", "&imath, &#73;X AND SO ON"},  // a name is read up to its end
      {L, "&Epsilon;&Omega;&ohm;", "&epsilon;&omega;&omega;"},  // the name that matches, else the shortest
      {U, "&varsigma; &varsigmax", "&Sigma; &varsigmax"},  // names longer than eight bytes
      {L, "&#138;&#x8a;&#159;", "&#353;&#x161;&#255;"},  // 0x80-0x9F read as in Windows-1252
      {U, "&amp;a &lt;b&gt; &foo; &aak; &copy; &#0; &#x1F600;", "&amp;A &lt;B&gt; &foo; &aak; &copy; &#0; &#x1F600;"},
      {U, "a & b &# &#x; &;", "A & B &# &#X; &;"},     // no reference: text
      {T, "&eacute;&Eacute;&#233;", "&Eacute;&eacute;&#201;"},
      {S, "end&period; next&excl; x&quest; y&colon; z", "End&period; Next&excl; X&quest; Y&colon; Z"},
      {S, "end&#46; next", "End&#46; Next"},
      {P, "one&nbsp;two&#160;three\xC2\xA0" "four\xC2\xA9" "five", "One&nbsp;Two&#160;Three\xC2\xA0" "Four\xC2\xA9" "five"},
      {P, "one&Tab;two&NewLine;three", "One&Tab;Two&NewLine;Three"},
      {P, "ab&eacute;cd &eacute;t&eacute;", "Ab&eacute;cd &Eacute;t&eacute;"},
      {S, "x &foo; y. &bar; z", "X &foo; y. &bar; Z"},  // an unknown name is no letter, nor a delimiter
      {P, "x &foo;bar &#0;baz", "X &foo;bar &#0;baz"},  // nor a separator
      {P, "x&#x10000;y &#x10041;&#65601;&#xD841;z", "X&#x10000;y &#x10041;&#65601;&#xD841;z"},  // nor beyond the BMP
  };
  for (const Case& c : cases) ExpectConverted(c);
}

TEST(HtmlFormat, MarkupStaysAndTextAroundItChanges) {
  const Case cases[] = {
      {P, "<p>he<b>LL</b>o wORLD</p>", "<p>He<b>ll</b>o World</p>"},
      {U, "<a href=\"x>y\" title='a>b' data=c>link</a>", "<a href=\"x>y\" title='a>b' data=c>LINK</a>"},
      {U, "<img alt=\"a\"/>b<br/>c<input value=x disabled>d", "<img alt=\"a\"/>B<br/>C<input value=x disabled>D"},
      {U, "<a =\"x>y\">z<a/ =\"x>y\">z<a /=\"x>y\">z", "<a =\"x>Y\">Z<a/ =\"x>Y\">Z<a /=\"x>Y\">Z"},  // '=' starts a name
      {U, "<a ===\"x>y\">z<a //=\"x>y\">z<a/=\"x>y\">z", "<a ===\"x>Y\">Z<a //=\"x>Y\">Z<a/=\"x>Y\">Z"},
      {U, "<a b=\"c\"d>e</a f='>'>g", "<a b=\"c\"d>E</a f='>'>G"},
      {U, "<a b = \"x>\" c=d>e", "<a b = \"x>\" c=d>E"},
      {U, "<a href=x/>y<a b=x=\"y>z\">w", "<a href=x/>Y<a b=x=\"y>Z\">W"},  // a quote inside an unquoted value
      {U, "<a b=\"c\" d=\"e\">x<a b=\"c\">yz so on", "<a b=\"c\" d=\"e\">X<a b=\"c\">YZ SO ON"},  // alike at first
      {U, "<a b==\"x>y\">z", "<a b==\"x>Y\">Z"},            // a quote after "==" opens no value
      {U, "<a bb\"c>d\">e<a bb\"=c>f\">g", "<a bb\"c>D\">E<a bb\"=c>F\">G"},  // nor one inside a name
      {U, "<a b=\"\">x<a c=\">y\">z<a b/=\">\"c>d", "<a b=\"\">X<a c=\">y\">Z<a b/=\">\"C>D"},
      {P, "<p c=\"1\" b=>x<p b=\"c\"d >y<p b=\"1\"c d=>z", "<p c=\"1\" b=>X<p b=\"c\"d >Y<p b=\"1\"c d=>Z"},  // '>' ends it
      {P, "a<p\f>b<p\r>c<p\t>d<p\n>e", "A<p\f>B<p\r>C<p\t>D<p\n>E"},  // each space ends a name
      {U, "a < b <3 c</ d>e", "A < B <3 C</ d>E"},      // '<' that starts no tag is text
      {U, "<_b>a<[b>c<p >d", "<_B>A<[B>C<p >D"},        // nor does one before a non-letter
      {U, "x</>y", "X</>Y"},
      {U, "<!-- a <b> --> c", "<!-- a <b> --> C"},
      {U, "<!-->a<!--->b<!---->c", "<!-->A<!--->B<!---->C"},
      {U, "<!--!>a-->b<!-- x --!>y<!----!>z-->w", "<!--!>a-->B<!-- x --!>Y<!----!>Z-->W"},
      {U, "<!DOCTYPE html><?xml version?>a<!x y>b", "<!DOCTYPE html><?xml version?>A<!x y>B"},
      {U, "<script>var a = '<b>x</b>';</script>y", "<script>var a = '<b>x</b>';</script>Y"},
      {U, "<SCRIPT type=x>a</scripty>b</SCRIPT >c", "<SCRIPT type=x>a</scripty>b</SCRIPT >C"},
      {U, "<script><!--<script>a</script>b--></script>c", "<script><!--<script>a</script>b--></script>C"},
      {U, "<script><!--a</script>b", "<script><!--a</script>B"},
      {U, "<script><!--<script>--></script>x", "<script><!--<script>--></script>X"},
      {U, "<script><!--<script>-></script>y</script>z", "<script><!--<script>-></script>y</script>Z"},
      {U, "<script><!--<script/></script>y</script>z", "<script><!--<script/></script>y</script>Z"},
      {U, "<script><!-- <script></script> --> x</script>y", "<script><!-- <script></script> --> x</script>Y"},
      {U, "<style>p { color: red }</style>a", "<style>p { color: red }</style>A"},
      {U, "<title>a &eacute;</title>b<title>c</title>d", "<title>a &eacute;</title>B<title>c</title>D"},
      {U, "<noscript>a</noscript><iframe>b</iframe>c", "<noscript>a</noscript><iframe>b</iframe>C"},
      {U, "<textarea>a <b>&eacute;</b></textarea>c", "<textarea>A <B>&Eacute;</B></textarea>C"},
      {U, "<xmp><b>&eacute;</xmp>c", "<xmp><B>&EACUTE;</xmp>C"},
      {U, "<plaintext></plaintext>&eacute;", "<plaintext></PLAINTEXT>&EACUTE;"},
      {U, std::string("<xmp\0>a<b>", 10) + "c</xmp>", std::string("<xmp\0>A<b>", 10) + "C</xmp>"},  // no xmp
      {U, "<style>a", "<style>a"},                      // unclosed: kept to the end
      {U, "a<b title=\"x", "A<b title=\"x"},            // a tag cut off by the end is no text
      {L, "\xC4\xB0\xC3\x89 \xE2\xB1\xA5", "&#105;\xC3\xA9 \xE2\xB1\xA5"},
      // A letter whose partner is ASCII becomes a reference: "<S" would be a tag, "&Scaron;" a letter.
      {U, "<\xC5\xBF a &\xC5\xBF" "caron; \xC4\xB1x", "<&#83; A &&#83;CARON; &#73;X"},
      {L, "<\xE2\x84\xAA \xE2\x84\xAA<textarea>\xE2\x84\xAA\xC4\xB0</textarea>", "<&#107; &#107;<textarea>&#107;&#105;</textarea>"},
      {U, "<xmp><\xC5\xBF</xmp><textarea>\xC5\xBF</textarea>", "<xmp><S</xmp><textarea>&#83;</textarea>"},
      {P, "\xC5\xBF" "a \xE2\x84\xAA" "b <xmp>a\xC2\xA0" "b\xC2\xA0</xmp>c", "&#83;a &#75;b <xmp>A\xC2\xA0" "B\xC2\xA0</xmp>C"},
      {U, "ab\xC2\xAA\xE2\x84\xAA", "AB\xC2\xAA\xE2\x84\xAA"},  // feminine ordinal, Kelvin sign: no change
      // A no-break space after such a letter is read after it, not before.
      {P, "a\xC5\xBF\xC2\xA0" "b \xC4\xB1\xC2\xA0x", "A\xC5\xBF\xC2\xA0" "B &#73;\xC2\xA0X"},
  };
  for (const Case& c : cases) ExpectConverted(c);
}

// A browser's plain text puts block elements on lines of their own, which
// ends a word; the stream starts afresh where the fragment and the
// selection start. The offsets follow every change of length, in either
// direction, whatever ends the header's lines.
TEST(HtmlFormat, BlockEndsBreakTheStreamAndOffsetsFollowTheText) {
  const std::string &A = kBigA, &a = kSmallA;
  const Case cases[] = {
      {P, "<p>one</p><p>two</p>", "<p>One</p><p>Two</p>"},
      {P, "a<br>b<div>c</div>d<li>e<td>f</td><TD>g</TD><h3>h</h3>i", "A<br>B<div>C</div>D<li>E<td>F</td><TD>G</TD><h3>H</h3>I"},
      {P, "a<span>b</span><em>c</em>", "A<span>b</span><em>c</em>"},
      {S, "<p>one</p><p>two</p>", "<p>One</p><p>two</p>"},  // a line break starts no sentence
      {S, "<p>end.</p><p>next</p>", "<p>End.</p><p>Next</p>"},
      {S, "<p><b>\r\n  hello</b> WORLD</p>", "<p><b>\r\n  Hello</b> world</p>"},
      {S, "<b>.</b><i>x</i>", "<b>.</b><i>X</i>"},
      {S, "a <!-- x --!>b <!-- . -->c", "A <!-- x --!>b <!-- . -->c"},  // comments are not read
      {S, "<script>a.</script>b<title>x.</title>c", "<script>a.</script>B<title>x.</title>c"},
      {S, "abc " + kStart + "def. ghi" + kEnd + " jkl", "Abc " + kStart + "Def. Ghi" + kEnd + " jkl"},
      {S, "one " + kStart + "two [three]" + kEnd, "One " + kStart + "Two [Three]" + kEnd, true},
      {P, kStart + "x\xC2\xA0" "b[c]" + kEnd, kStart + "X\xC2\xA0" "B[C]" + kEnd, true},
      {U, kStart + "x[&eacute;y]\xC4\xB1" + kEnd, kStart + "X[&Eacute;Y]&#73;" + kEnd, true},  // at what is rewritten
      {U, "<p>" + a + "</p>" + kStart + a + "x" + kEnd + a, "<p>" + A + "</p>" + kStart + A + "X" + kEnd + A},
      {L, A + kStart + A + A + kEnd + A, a + kStart + a + a + kEnd + a},
      {U, "&#x131;" + kStart + "&#x131;&#305;" + kEnd, "&#x049;" + kStart + "&#x049;&#073;" + kEnd},
      {U, "<p>" + a + kStart + "a[" + a + "b]" + a + kEnd, "<p>" + A + kStart + "A[" + A + "B]" + A + kEnd, true, 8, "\n"},
      {U, "<p>" + a + kStart + "a[" + a + "b]" + a + kEnd, "<p>" + A + kStart + "A[" + A + "B]" + A + kEnd, true, 8, "\r"},
  };
  for (const Case& c : cases) ExpectConverted(c);
}

// Thousands of pieces: the stream is converted batch by batch, each with
// the rule's state where the one before left it, and a batch in which a
// character changes its length (U+2C65, 3 bytes, and U+023A, 2 bytes) is
// converted again piece by piece, its offsets following.
TEST(HtmlFormat, LongDocumentsConvertAsShortOnesDo) {
  const struct {
    CaseRule rule;
    std::string_view first, rest, tail;  // what the repeated part becomes, and the end
  } cases[] = {
      {S, "<p>One. Tw&eacute;</p>", "<p>one. Tw&eacute;</p>", "<p>\xE2\xB1\xA5. \xC8\xBA</p>"},
      {P, "<p>One. Tw&eacute;</p>", "<p>One. Tw&eacute;</p>", "<p>\xC8\xBA. \xC8\xBA</p>"},
      {U, "<p>ONE. TW&Eacute;</p>", "<p>ONE. TW&Eacute;</p>", "<p>\xC8\xBA. \xC8\xBA</p>"},
      {L, "<p>one. tw&eacute;</p>", "<p>one. tw&eacute;</p>", "<p>\xE2\xB1\xA5. \xE2\xB1\xA5</p>"},
  };
  constexpr int kRepeats = 3000;
  const std::string_view part = "<p>ONE. tw&Eacute;</p>", tail = "<p>\xE2\xB1\xA5. \xE2\xB1\xA5</p>";
  const std::string in = testing::Repeated(part, part, kRepeats, tail);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    const std::string out = testing::Repeated(c.first, c.rest, kRepeats, c.tail);
    EXPECT_EQ(ConvertHtmlFormat(c.rule, Block(in)), Block(out));
  }
}

// Text with nothing that HTML reads otherwise converts as the plain text
// does: sixteen bytes at a time where sixteen more follow in the block, one
// at a time near its end.
TEST(HtmlFormat, TextConvertsAsThePlainTextDoes) {
  const std::string texts[] = {
      "Hello, World! @AZ[`az{ 0123456789 ~ the end",  // the bytes around the letters
      "caf\xC3\xA9 \xC3\x89L\xC3\x88VE \xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xBF\xCF\x82 \xD0\xBC\xD0\xB8\xD1\x80 \xC3\xA9" "a",
      "0123456789abcde\xC3\xA9" "fgh \xE2\x93\x90\xE2\x92\xB6 x",  // a letter across sixteen bytes; circled letters
      "x\xE1\xBA\x9E" "abc \xF0\x9F\x98\x80" "def \xE2\xB1\xA5 and \xC8\xBA more",  // capital sharp s, beyond the BMP
  };
  for (CaseRule rule : kCaseRules) {
    for (const std::string& text : texts) {
      for (const std::string tail : {"", "<!-- sixteen bytes and more that no rule reads -->"}) {
        SCOPED_TRACE(std::string(CaseRuleName(rule)) + ": " + text + tail);
        std::string converted(Utf8Capacity(text.size()), '\0');
        bool state = true;
        converted.resize(ConvertUtf8(rule, text.data(), text.size(), converted.data(), state));
        EXPECT_EQ(ConvertHtmlFormat(rule, Block(text + tail)), Block(converted + tail));
      }
    }
  }
}

// Blocks as other writers make them: without a context, with offsets of
// other widths (which grow together when one outgrows them), with bytes
// after the document.
TEST(HtmlFormat, HeadersOfOtherFormsAndWhatFollowsTheDocumentAreKept) {
  const std::string noContext = "Version:1.0\r\nStartHTML:-1\r\nEndHTML:-1\r\nStartFragment:0000000130\r\n"
                                "EndFragment:0000000132\r\nSourceURL:http://x/\r\n" + kStart;
  const std::string cut = Set(noContext, "EndFragment:", 149), junk("\0\0\xFF\xFE", 4);
  const std::string twoDigits = "Version:0.9\r\nStartHTML:73\r\nEndHTML:99\r\nStartFragment:73\r\nEndFragment:99\r\n";
  const std::string mixed = "Version:0.9\r\nStartHTML:0077\r\nEndHTML:99\r\nStartFragment:0077\r\nEndFragment:99\r\n";
  const struct {
    CaseRule rule;
    std::string in, out;
  } cases[] = {
      // What follows the first NUL is not read, not even as UTF-8.
      {U, Block("<b>a</b>") + junk, Block("<b>A</b>") + junk},
      // StartHTML and EndHTML of -1: the fragment is the document.
      {U, noContext + "ab" + kEnd, noContext + "AB" + kEnd},
      // A fragment that ends inside a reference read whole before it: the
      // bytes after the end are not the reference's.
      {U, cut + "caf&eacute; &eacute;--", cut + "CAF&Eacute; &Eacute;--"},
      // Two digits each, the document ending at 99: U+2C65 is a byte longer
      // than U+023A, so every field takes three digits.
      {L, twoDigits + std::string(24, 'b') + kBigA, "Version:0.9\r\nStartHTML:077\r\nEndHTML:104\r\nStartFragment:077\r\n"
                                                 "EndFragment:104\r\n" + std::string(24, 'b') + kSmallA},
      // Widths that differ: only the fields that outgrow theirs grow.
      {L, mixed + std::string(20, 'b') + kBigA, "Version:0.9\r\nStartHTML:0079\r\nEndHTML:102\r\nStartFragment:0079\r\n"
                                             "EndFragment:102\r\n" + std::string(20, 'b') + kSmallA},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(ConvertHtmlFormat(c.rule, c.in), c.out);
  }
}

TEST(HtmlFormat, MalformedBlocksAreRefused) {
  const std::string good = Block("<p>ab</p>");
  const std::size_t start = good.size() - 9, end = good.size();
  auto with = [&](std::string_view from, std::string_view to) {
    std::string b = good;
    return b.replace(b.find(from), from.size(), to);
  };
  // A block with a selection; one with a character and one with a
  // reference that change length, and an offset inside either.
  const std::string selected = Block(kStart + "a[bc]d" + kEnd, true);
  const std::size_t selectedStart = selected.find(kStart) + kStart.size(), selectedEnd = selected.find(kEnd);
  const std::string dotless = Block(kStart + "\xC4\xB1" + kEnd), reference = Block(kStart + "&eacute;" + kEnd);
  const std::string inReference = Set(reference, "EndFragment:", reference.size() - kEnd.size() - 3);
  const struct {
    const char* why;
    std::string block;
  } cases[] = {
      {"empty", ""},
      {"no header", "<p>ab</p>"},
      {"no Version", with("Version:0.9\r\n", "")},
      {"Version twice", with("Version:0.9\r\n", "Version:0.9\r\nVersion:0.9\r\n")},
      {"no EndFragment", with("EndFragment:", "EndFragmentX:")},
      {"StartHTML twice", with("StartHTML:", "StartHTML:0000000000\r\nStartHTML:")},
      {"not a number", with("StartHTML:0000000", "StartHTML:00000x0")},
      {"no digits", Put(good, "EndHTML:", std::string(10, ' '))},
      {"-2", with("EndFragment:0000000", "EndFragment:-00000")},
      {"-1 only on one side", Put(good, "StartHTML:", "-1")},
      {"-1 fragment", Put(good, "StartFragment:", "-1")},
      {"selection without its end", with("EndHTML:", "StartSelection:" + Padded(start) + "\r\nEndHTML:")},
      {"selection before the fragment", Set(selected, "StartSelection:", selectedStart - 1)},
      {"selection beyond the fragment", Set(selected, "EndSelection:", selectedEnd + 1)},
      {"selection ends before it starts", Set(Set(selected, "StartSelection:", selectedStart + 3), "EndSelection:", selectedStart + 2)},
      {"fragment ends before it starts", Set(good, "EndFragment:", start - 1)},
      {"end beyond the block", Set(good, "EndHTML:", end + 1)},
      {"start inside the header", Set(good, "StartHTML:", start - 5)},
      {"header only", "Version:0.9\r\nStartHTML:1"},
      {"invalid UTF-8", with("<p>ab", "<p>\xC3(")},
      {"surrogate", with("<p>ab", "<p>\xED\xA0\x80")},
      {"inside a character", Set(dotless, "EndFragment:", dotless.size() - kEnd.size() - 1)},
      {"inside a reference that changes length", inReference},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(ConvertHtmlFormat(U, c.block), std::nullopt);
  }
  ASSERT_TRUE(ConvertHtmlFormat(U, good).has_value());
  ASSERT_TRUE(ConvertHtmlFormat(U, selected).has_value());
  EXPECT_TRUE(ConvertHtmlFormat(L, inReference).has_value());  // unchanged: the offset keeps its place
}

}  // namespace
}  // namespace tarnwick::mCase
