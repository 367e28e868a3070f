// The "HTML Format" converter on small documents: which bytes are text and
// change, which are markup and stay, how references are read and written
// back, where the stream breaks and restarts, and that the header's offsets
// select the same parts after a change of length. Each expected block is
// built with its own offsets, so a wrong offset fails the comparison.
#include <gtest/gtest.h>

#include <string>

#include "case/CaseUtf8.h"
#include "case/HtmlFormat.h"
#include "CaseTestText.h"

namespace tarnwick::mCase {
namespace {

constexpr CaseRule S = CaseRule::Sentence, L = CaseRule::Lower, U = CaseRule::Upper, P = CaseRule::Proper,
                   T = CaseRule::Toggle;

constexpr std::string_view kStart = "<!--StartFragment-->", kEnd = "<!--EndFragment-->";

std::string Padded(std::size_t value, int width) {
  std::string digits = std::to_string(value);
  return std::string(width > int(digits.size()) ? width - digits.size() : 0, '0') + digits;
}

// A clipboard block around `html`: the fragment lies between the two
// marker comments (or is all of it), the selection between '[' and ']'
// when `selection` is set (the brackets are removed).
std::string Block(std::string html, bool selection = false, int width = 10, std::string_view eol = "\r\n") {
  std::size_t startSel = 0, endSel = 0;
  if (selection) {
    startSel = html.find('[');
    html.erase(startSel, 1);
    endSel = html.find(']');
    html.erase(endSel, 1);
  }
  const std::size_t start = html.find(kStart), end = html.find(kEnd);
  const std::size_t fragment = start == std::string::npos ? 0 : start + kStart.size();
  const std::size_t fragmentEnd = end == std::string::npos ? html.size() : end;
  const char* names[] = {"StartHTML:", "EndHTML:", "StartFragment:", "EndFragment:", "StartSelection:", "EndSelection:"};
  const std::size_t values[] = {0, html.size(), fragment, fragmentEnd, startSel, endSel};
  const int keys = selection ? 6 : 4;
  std::size_t headerSize = std::string_view("Version:0.9").size() + eol.size();
  for (int k = 0; k < keys; ++k) headerSize += std::string_view(names[k]).size() + width + eol.size();
  std::string header = "Version:0.9" + std::string(eol);
  for (int k = 0; k < keys; ++k) header += names[k] + Padded(headerSize + values[k], width) + std::string(eol);
  return header + html;
}

struct Case {
  CaseRule rule;
  std::string in, out;
};

void ExpectConverted(const Case& c) {
  SCOPED_TRACE(c.in);
  const auto converted = ConvertHtmlFormat(c.rule, Block(c.in));
  ASSERT_TRUE(converted.has_value());
  EXPECT_EQ(*converted, Block(c.out));
}

TEST(HtmlFormat, CharacterReferencesAreReadAndWrittenBackInTheirForm) {
  const Case cases[] = {
      {U, "caf&eacute; &Eacute;t&eacute;", "CAF&Eacute; &Eacute;T&Eacute;"},
      {L, "&Eacute;&Ccedil;&AElig;", "&eacute;&ccedil;&aelig;"},
      {L, "&#201;&#xC9;&#XC9;&#xc9;&#00201;", "&#233;&#xE9;&#XE9;&#xe9;&#00233;"},
      {U, "&#xff; &#255 x", "&#x178; &#376 X"},        // more digits; no semicolon stays without
      {U, "caf&eacute, d&eacute;j&agrave", "CAF&Eacute, D&Eacute;J&Agrave"},  // legacy names
      {U, "&imath;x", "&#73;X"},                        // I has no name: a decimal reference
      {U, "&imath, &imath;x and so on", "&imath, &#73;X AND SO ON"},  // a name is read up to its end
      {L, "&Omega;&ohm;", "&omega;&omega;"},            // the name that matches, else the shortest
      {L, "&#138;&#x8a;", "&#353;&#x161;"},             // 0x80-0x9F read as in Windows-1252
      {U, "&amp;a &lt;b&gt; &foo; &copy; &#0; &#x1F600;", "&amp;A &lt;B&gt; &foo; &copy; &#0; &#x1F600;"},
      {U, "a & b &# &#x; &;", "A & B &# &#X; &;"},     // no reference: text
      {T, "&eacute;&Eacute;&#233;", "&Eacute;&eacute;&#201;"},
      {S, "end&period; next&excl; x&quest; y&colon; z", "End&period; Next&excl; X&quest; Y&colon; Z"},
      {S, "end&#46; next", "End&#46; Next"},
      {P, "one&nbsp;two&#160;three\xC2\xA0" "four", "One&nbsp;Two&#160;Three\xC2\xA0" "Four"},
      {P, "one&Tab;two&NewLine;three", "One&Tab;Two&NewLine;Three"},
      {P, "ab&eacute;cd &eacute;t&eacute;", "Ab&eacute;cd &Eacute;t&eacute;"},
      {S, "x &foo; y. &bar; z", "X &foo; y. &bar; Z"},  // an unknown name is no letter, nor a delimiter
      {P, "x &foo;bar &#0;baz", "X &foo;bar &#0;baz"},  // nor a separator
      {L, "&#x10041;&#65601;&#xD841;", "&#x10041;&#65601;&#xD841;"},  // beyond the BMP: no case
  };
  for (const Case& c : cases) ExpectConverted(c);
}

TEST(HtmlFormat, MarkupStaysAndTextAroundItChanges) {
  const Case cases[] = {
      {P, "<p>he<b>LL</b>o wORLD</p>", "<p>He<b>ll</b>o World</p>"},
      {U, "<a href=\"x>y\" title='a>b' data=c>link</a>", "<a href=\"x>y\" title='a>b' data=c>LINK</a>"},
      {U, "<img alt=\"a\"/>b<br/>c<input value=x disabled>d", "<img alt=\"a\"/>B<br/>C<input value=x disabled>D"},
      {U, "<a =\"x>y\">z", "<a =\"x>Y\">Z"},            // '=' before a name starts the name: no value
      {U, "<a b=\"c\"d>e</a f='>'>g", "<a b=\"c\"d>E</a f='>'>G"},
      {U, "<a b = \"x>\" c=d>e", "<a b = \"x>\" c=d>E"},
      {U, "<a href=x/>y", "<a href=x/>Y"},
      {U, "<a b=\"c\" d=\"e\">x<a b=\"c\">yz so on", "<a b=\"c\" d=\"e\">X<a b=\"c\">YZ SO ON"},  // alike at first
      {U, "<a b==\"x>y\">z", "<a b==\"x>Y\">Z"},            // a quote after "==" opens no value
      {P, "<a c=\"1\" b=>x", "<a c=\"1\" b=>X"},           // '>' where a value would start ends the tag
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
      {U, "<title>a &eacute;</title>b", "<title>a &eacute;</title>B"},
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
      {L, "<\xE2\x84\xAA \xE2\x84\xAA", "<&#107; &#107;"},
      {U, "<xmp><\xC5\xBF</xmp>", "<xmp><S</xmp>"},
      {U, "ab\xC2\xAA\xE2\x84\xAA", "AB\xC2\xAA\xE2\x84\xAA"},  // feminine ordinal, Kelvin sign: no change
      // A no-break space after such a letter is read after it, not before.
      {P, "a\xC5\xBF\xC2\xA0" "b \xC4\xB1\xC2\xA0x", "A\xC5\xBF\xC2\xA0" "B &#73;\xC2\xA0X"},
  };
  for (const Case& c : cases) ExpectConverted(c);
}

// A browser's plain text puts block elements on lines of their own, which
// ends a word; the stream starts afresh where the fragment starts.
TEST(HtmlFormat, BlockEndsBreakTheStream) {
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
      {S, "abc <!--StartFragment-->def. ghi<!--EndFragment--> jkl", "Abc <!--StartFragment-->Def. Ghi<!--EndFragment--> jkl"},
  };
  for (const Case& c : cases) ExpectConverted(c);
}

// Offsets after characters whose partner is shorter or longer in UTF-8:
// dotless i (2 bytes) has I (1 byte), U+023A (2 bytes) has U+2C65 (3).
// Offsets after characters whose partner is shorter or longer in UTF-8:
// U+2C65 (3 bytes) has U+023A (2 bytes), and the other way round.
TEST(HtmlFormat, OffsetsFollowEveryChangeOfLength) {
  const std::string bigA = "\xC8\xBA", smallA = "\xE2\xB1\xA5";
  const Case cases[] = {
      {U, "<p>" + smallA + "</p>" + std::string(kStart) + smallA + "x" + std::string(kEnd) + smallA,
       "<p>" + bigA + "</p>" + std::string(kStart) + bigA + "X" + std::string(kEnd) + bigA},
      {L, bigA + std::string(kStart) + bigA + bigA + std::string(kEnd) + bigA,
       smallA + std::string(kStart) + smallA + smallA + std::string(kEnd) + smallA},
      {U, "&#x131;" + std::string(kStart) + "&#x131;&#305;" + std::string(kEnd), "&#x049;" + std::string(kStart) + "&#x049;&#073;" + std::string(kEnd)},
  };
  for (const Case& c : cases) ExpectConverted(c);

  // The selection, with header lines ended by LF alone.
  const std::string in = "<p>" + smallA + std::string(kStart) + "a[" + smallA + "b]" + smallA + std::string(kEnd);
  const std::string out = "<p>" + bigA + std::string(kStart) + "A[" + bigA + "B]" + bigA + std::string(kEnd);
  EXPECT_EQ(ConvertHtmlFormat(U, Block(in, true, 8, "\n")), Block(out, true, 8, "\n"));
  EXPECT_EQ(ConvertHtmlFormat(U, Block(in, true, 8, "\r")), Block(out, true, 8, "\r"));
  // Sentence case starts afresh at the selection too.
  EXPECT_EQ(ConvertHtmlFormat(S, Block("one " + std::string(kStart) + "two [three]" + std::string(kEnd), true)),
            Block("One " + std::string(kStart) + "Two [Three]" + std::string(kEnd), true));
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
  const std::string_view after = "<!-- sixteen bytes and more that no rule reads -->";
  for (CaseRule rule : kCaseRules) {
    for (const std::string& text : texts) {
      for (const std::string_view tail : {std::string_view(), after}) {
        SCOPED_TRACE(std::string(CaseRuleName(rule)) + ": " + text + std::string(tail));
        std::string converted(Utf8Capacity(text.size()), '\0');
        bool state = true;
        converted.resize(ConvertUtf8(rule, text.data(), text.size(), converted.data(), state));
        EXPECT_EQ(ConvertHtmlFormat(rule, Block(text + std::string(tail))), Block(converted + std::string(tail)));
      }
    }
  }
}

TEST(HtmlFormat, HeaderWidthsGrowTogetherWhenAnOffsetOutgrowsThem) {
  const std::string bigA = "\xC8\xBA", smallA = "\xE2\xB1\xA5";
  // Two digits each, the document ending at 99: U+2C65 is a byte longer
  // than U+023A, so every field takes three digits.
  const std::string uniform = "Version:0.9\r\nStartHTML:73\r\nEndHTML:99\r\nStartFragment:73\r\nEndFragment:99\r\n";
  ASSERT_EQ(uniform.size(), 73u);
  EXPECT_EQ(ConvertHtmlFormat(L, uniform + std::string(24, 'b') + bigA),
            "Version:0.9\r\nStartHTML:077\r\nEndHTML:104\r\nStartFragment:077\r\nEndFragment:104\r\n" +
                std::string(24, 'b') + smallA);
  // Widths that differ: only the fields that outgrow theirs grow.
  const std::string mixed = "Version:0.9\r\nStartHTML:0077\r\nEndHTML:99\r\nStartFragment:0077\r\nEndFragment:99\r\n";
  ASSERT_EQ(mixed.size(), 77u);
  EXPECT_EQ(ConvertHtmlFormat(L, mixed + std::string(20, 'b') + bigA),
            "Version:0.9\r\nStartHTML:0079\r\nEndHTML:102\r\nStartFragment:0079\r\nEndFragment:102\r\n" +
                std::string(20, 'b') + smallA);
}

TEST(HtmlFormat, TrailingNulsAndAMissingContextAreKept) {
  const std::string nuls("\0\0\0", 3);
  EXPECT_EQ(ConvertHtmlFormat(U, Block("<b>a</b>") + nuls), Block("<b>A</b>") + nuls);
  // What follows the first NUL is not read, not even as UTF-8.
  const std::string junk("\0\xFF\xFE", 3);
  EXPECT_EQ(ConvertHtmlFormat(U, Block("<b>a</b>") + junk), Block("<b>A</b>") + junk);
  // StartHTML and EndHTML of -1: the fragment is the document.
  const std::string body = "<!--StartFragment-->ab<!--EndFragment-->";
  const std::string noContext = "Version:1.0\r\nStartHTML:-1\r\nEndHTML:-1\r\nStartFragment:0000000130\r\n"
                                "EndFragment:0000000132\r\nSourceURL:http://x/\r\n";
  ASSERT_EQ(noContext.size() + 20, 130u);
  std::string expected = noContext + body;
  expected[130] = 'A', expected[131] = 'B';
  EXPECT_EQ(ConvertHtmlFormat(U, noContext + body), expected);
  // A fragment that ends inside a reference read whole before it: the bytes
  // after the end are not the reference's.
  std::string cut = noContext + "<!--StartFragment-->caf&eacute; &eacute;--";
  cut.replace(cut.find("0000000132"), 10, "0000000149");
  std::string cutOut = cut;
  cutOut.replace(130, 19, "CAF&Eacute; &Eacute");
  EXPECT_EQ(ConvertHtmlFormat(U, cut), cutOut);
}

TEST(HtmlFormat, MalformedBlocksAreRefused) {
  const std::string good = Block("<p>ab</p>");
  const std::size_t start = good.size() - 9, end = good.size();
  auto field = [](const char* key, std::size_t value) { return key + Padded(value, 10); };
  // A block with a selection, and one of its offsets set to another value.
  const std::string selected = Block(std::string(kStart) + "a[bc]d" + std::string(kEnd), true);
  const std::size_t selectedStart = selected.find(kStart) + kStart.size(), selectedEnd = selected.find(kEnd);
  auto Set = [](std::string block, std::string_view key, std::size_t value) {
    block.replace(block.find(key) + key.size(), 10, Padded(value, 10));
    return block;
  };
  auto with = [&](std::string_view from, std::string_view to) {
    std::string b = good;
    b.replace(b.find(from), from.size(), to);
    return b;
  };
  const std::string dotless = Block(std::string(kStart) + "\xC4\xB1" + std::string(kEnd));
  const std::string reference = Block(std::string(kStart) + "&eacute;" + std::string(kEnd));
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
      {"no digits", with(field("EndHTML:", end), "EndHTML:" + std::string(10, ' '))},
      {"-2", with("EndFragment:0000000", "EndFragment:-00000")},
      {"-1 only on one side", with(field("StartHTML:", start), "StartHTML:-1")},
      {"-1 fragment", with(field("StartFragment:", start), "StartFragment:-1")},
      {"selection without its end", with("EndHTML:", field("StartSelection:", start) + "\r\nEndHTML:")},
      {"selection before the fragment", Set(selected, "StartSelection:", selectedStart - 1)},
      {"selection beyond the fragment", Set(selected, "EndSelection:", selectedEnd + 1)},
      {"selection ends before it starts", Set(Set(selected, "StartSelection:", selectedStart + 3), "EndSelection:", selectedStart + 2)},
      {"fragment ends before it starts", with(field("EndFragment:", end), field("EndFragment:", start - 1))},
      {"end beyond the block", with(field("EndHTML:", end), field("EndHTML:", end + 1))},
      {"start inside the header", with(field("StartHTML:", start), field("StartHTML:", start - 5))},
      {"header only", "Version:0.9\r\nStartHTML:1"},
      {"invalid UTF-8", with("<p>ab", "<p>\xC3(")},
      {"surrogate", with("<p>ab", "<p>\xED\xA0\x80")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(ConvertHtmlFormat(U, c.block), std::nullopt);
  }
  ASSERT_TRUE(ConvertHtmlFormat(U, good).has_value());
  ASSERT_TRUE(ConvertHtmlFormat(U, selected).has_value());
  // An offset inside a character, or inside a reference that changes length.
  std::string inside = dotless;
  inside.replace(inside.find("EndFragment:") + 12, 10, Padded(dotless.size() - kEnd.size() - 1, 10));
  EXPECT_EQ(ConvertHtmlFormat(U, inside), std::nullopt);
  std::string inReference = reference;
  inReference.replace(inReference.find("EndFragment:") + 12, 10, Padded(reference.size() - kEnd.size() - 3, 10));
  EXPECT_EQ(ConvertHtmlFormat(U, inReference), std::nullopt);
  EXPECT_TRUE(ConvertHtmlFormat(L, inReference).has_value());  // unchanged: the offset keeps its place
}

}  // namespace
}  // namespace tarnwick::mCase
