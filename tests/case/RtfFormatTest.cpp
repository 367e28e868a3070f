// The "Rich Text Format" converter on small documents: document text
// changes, control words and destinations stay, \'hh is read and written in
// the code page in force, \uN and its fallback change together, and the
// stream breaks, restarts and carries on where a word processor's plain
// text does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "case/CaseVector.h"
#include "case/RtfFormat.h"
#include "CaseTestText.h"

namespace tarnwick::mCase {
namespace {

constexpr CaseRule S = CaseRule::Sentence, L = CaseRule::Lower, U = CaseRule::Upper, P = CaseRule::Proper, T = CaseRule::Toggle;

// A document in code page 1252 with a Western (f0), a Cyrillic (f1), a
// symbol (f2), a Japanese (f3) and a Greek (f4) font, around `body`.
std::string Doc(std::string_view body) {
  return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fnil\\fcharset204 Arial Cyr;}"
         "{\\f2\\ftech\\fcharset2 Symbol;}\\f3\\fnil\\fcharset128 MS Mincho;{\\f4\\fcharset0\\cpg1253 Greek;}}"
         "{\\colortbl;\\red255\\green0\\blue0;}\r\n" + std::string(body) + "}";
}

struct Case {
  CaseRule rule;
  std::string in, out;
};

void ExpectConverted(const Case& c) {
  SCOPED_TRACE(c.in);
  EXPECT_EQ(ConvertRtf(c.rule, Doc(c.in)), Doc(c.out));
}

TEST(RtfFormat, TextChangesAndControlWordsAndGroupsStay) {
  const Case cases[] = {
      {U, "\\f0\\fs24 hello {\\b world}\\par next", "\\f0\\fs24 HELLO {\\b WORLD}\\par NEXT"},
      {L, "{\\i ONE {\\b TWO}}{THREE}", "{\\i one {\\b two}}{three}"},
      {P, "{\\i one {\\b two}}{three}", "{\\i One {\\b Two}}{three}"},  // "twothree" is one word
      {P, "one\r\ntwo", "One\r\ntwo"},                                    // raw line breaks are no text
      {P, "a\\\nb c\\\r\nd", "A\\\nB C\\\r\nD"},                          // backslash-newline is \par
      {U, "a\\~b\\-c\\_d\\{e\\}f\\\\g", "A\\~B\\-C\\_D\\{E\\}F\\\\G"},
      {P, "a\\_b \\{c \\\\d", "A\\_b \\{c \\\\d"},  // symbols that stand for characters are no separators
      {P, "a\\~b \\ldblquote c\\rdblquote  d\\emdash e", "A\\~b \\ldblquote c\\rdblquote  D\\emdash e"},
      {P, "a\\bullet b\\rtlmark c\\lquote d\\emspace e\\endash f\\zwj g", "A\\bullet b\\rtlmark c\\lquote d\\emspace e\\endash f\\zwj g"},
      {T, "\\cf1 Mixed\\cf0  Case", "\\cf1 mIXED\\cf0  cASE"},
      {U, "{\\f2 abc\\'61}d", "{\\f2 abc\\'61}D"},  // a symbol font has no letters
      {U, "a\\b0\\i\\ul0 b\\plain\\f4 c", "A\\b0\\i\\ul0 B\\plain\\f4 C"},
  };
  for (const Case& c : cases) ExpectConverted(c);
}

TEST(RtfFormat, DestinationsOtherThanDocumentTextStay) {
  const Case cases[] = {
      {U, "{\\field{\\*\\fldinst{HYPERLINK \"http://example.com/Page\"}}{\\fldrslt{\\ul link text}}}",
       "{\\field{\\*\\fldinst{HYPERLINK \"http://example.com/Page\"}}{\\fldrslt{\\ul LINK TEXT}}}"},
      {U, "{\\field{\\fldinst HYPERLINK \"x\"}{\\fldrslt y}}", "{\\field{\\fldinst HYPERLINK \"x\"}{\\fldrslt Y}}"},
      {U, "{\\info{\\title my doc}{\\author me}}text", "{\\info{\\title my doc}{\\author me}}TEXT"},
      {U, "{\\*\\bkmkstart abc}x{\\*\\bkmkend abc}", "{\\*\\bkmkstart abc}X{\\*\\bkmkend abc}"},
      {U, "{\\pict\\pngblip 89abcdef}x", "{\\pict\\pngblip 89abcdef}X"},
      {U, "{\\pict\\bin3 a}b}y", "{\\pict\\bin3 a}b}Y"},           // binary data skipped by count
      {U, "{\\*\\shppict{\\pict\\bin2 }{}}x", "{\\*\\shppict{\\pict\\bin2 }{}}X"},
      {U, "{\\object{\\*\\objdata 0102}{\\result x}}y", "{\\object{\\*\\objdata 0102}{\\result x}}Y"},
      {U, "{\\stylesheet{\\s1 heading;}}{\\*\\generator Riched20;}x", "{\\stylesheet{\\s1 heading;}}{\\*\\generator Riched20;}X"},
      {U, "{\\*\\listtable{\\list{\\listlevel{\\leveltext \\'02\\'00.;}}}}x", "{\\*\\listtable{\\list{\\listlevel{\\leveltext \\'02\\'00.;}}}}X"},
      {U, "{\\header head}{\\footnote foot}{\\annotation note}", "{\\header HEAD}{\\footnote FOOT}{\\annotation note}"},
      {U, "{\\listtext a.\\tab}item", "{\\listtext a.\\tab}ITEM"},   // list numbers are read, not changed
  };
  for (const Case& c : cases) ExpectConverted(c);
}

TEST(RtfFormat, CodePageBytesAreReadAndWrittenInThePageInForce) {
  const Case cases[] = {
      {U, "\\f0 caf\\'e9 \\'ff", "\\f0 CAF\\'c9 \\'9f"},
      {L, "\\f0 \\'C9\\'DE", "\\f0 \\'E9\\'FE"},  // upper-case hex digits stay upper case
      {U, "\\f0 caf\xE9", "\\f0 CAF\xC9"},        // a raw byte stays raw
      {U, "\\f1 \\'ef\\'f0\\'e8\\'e2\\'e5\\'f2", "\\f1 \\'cf\\'d0\\'c8\\'c2\\'c5\\'d2"},
      {L, "\\f1 \\'cf\\'d0\\'c8 \\f0\\'c9", "\\f1 \\'ef\\'f0\\'e8 \\f0\\'e9"},
      {L, "\\f4 \\'c1\\'a2", "\\f4 \\'e1\\'dc"},  // \cpg before \fcharset: 0xA2 is a Greek letter in 1253
      {U, "\\f0 x\x80y\x81z", "\\f0 X\x80Y\x81Z"},      // the euro sign, and a byte 1252 leaves empty
      {L, "\\f1 \\'80", "\\f1 \\'90"},              // 0x80 is a letter in 1251
      {U, "\\'f4\\'9c", "\\'d4\\'8c"},              // two letters met one after the other
      {U, "{\\f1 \\'e0}\\'e0", "{\\f1 \\'c0}\\'c0"},  // a group's font ends with it: 0xE0 is a, then a-grave
      {U, "\\'e0{\\f1\\'e0}", "\\'c0{\\f1\\'c0}"},
      {U, "{\\fonttbl{\\f65536\\fcharset204 X;}}\\f65536\\'ff", "{\\fonttbl{\\f65536\\fcharset204 X;}}\\f65536\\'9f"},  // no such font
      {U, "\\f0\\'b5x", "\\f0\\u924\\'b5X"},       // micro sign: its capital is not in 1252
      {U, "{\\uc0\\f0\\'b5x}", "{\\uc0\\f0\\u924 X}"},
      {U, "{\\uc2\\f0 \\'b5x}", "{\\uc2\\f0 \\u924\\'b5?X}"},
      {U, "\\'49\\'69", "\\'49\\'49"},             // ASCII written as \'hh stays \'hh
      {U, "\\f3 abc", "\\f3 ABC"},                  // ASCII in a double-byte font
  };
  for (const Case& c : cases) ExpectConverted(c);
  // The document's page where no font says otherwise; \mac is Mac Roman.
  EXPECT_EQ(ConvertRtf(U, "{\\rtf1\\ansi\\ansicpg1251 \\'ef}"), "{\\rtf1\\ansi\\ansicpg1251 \\'cf}");
  EXPECT_EQ(ConvertRtf(U, "{\\rtf1\\mac \\'8e}"), "{\\rtf1\\mac \\'83}");
  // A raw byte that becomes an ASCII letter is escaped: "\\uc1I" would be another word.
  EXPECT_EQ(ConvertRtf(U, "{\\rtf1\\ansi\\ansicpg1254\\uc1\xFD}"), "{\\rtf1\\ansi\\ansicpg1254\\uc1\\'49}");
  EXPECT_EQ(ConvertRtf(U, "{\\rtf1\\ansi\\ansicpg1254 \\uc2\\u305\\b\xFD}"), "{\\rtf1\\ansi\\ansicpg1254 \\uc2\\u73\\b\\'49}");
}

TEST(RtfFormat, UnicodeAndItsFallbackChangeTogether) {
  const Case cases[] = {
      {U, "\\uc1\\u233\\'e9 x", "\\uc1\\u201\\'c9 X"},
      {U, "\\u233\\'e9", "\\u201\\'c9"},             // \uc1 when none is given
      {U, "\\uc0\\u233 x", "\\uc0\\u201 X"},
      {U, "\\uc2\\u1087??x", "\\uc2\\u1055??X"},
      {U, "\\uc1\\u269 c", "\\uc1\\u268 C"},         // the fallback follows the letter's case
      {U, "\\uc2\\u198 ae x", "\\uc2\\u198 ae X"},     // already upper case: nothing changes
      {L, "\\uc2\\u198 AE x", "\\uc2\\u230 ae x"},
      {L, "\\u-223?\\u65313?", "\\u-191?\\u65345?"},   // the writer's sign convention stays
      {U, "\\u-191?", "\\u-223?"},
      {U, "{\\uc1\\u233\\'e9}\\u233\\'e9", "{\\uc1\\u201\\'c9}\\u201\\'c9"},
      {U, "\\uc1\\u233\r\n\\'e9x", "\\uc1\\u201\r\n\\'c9X"},  // line breaks are not counted
      {U, "\\uc1\\u233{x}", "\\uc1\\u201{X}"},                // a brace ends the fallback
      {U, "\\uc1\\u233\\'09x\\u-32768?", "\\uc1\\u201\\'09X\\u-32768?"},  // digits 0-9 in \'hh; the lowest \u
      {U, "\\uc3\\u233\\par\\'e9 x", "\\uc3\\u201\\par\\'c9 X"},  // a control word counts as one
      {U, "\\f3\\uc2\\u233\\'82\\'60x", "\\f3\\uc2\\u201\\'82\\'60X"},  // a double-byte fallback stays
      {U, "\\u-10179?\\u-8704? x", "\\u-10179?\\u-8704? X"},  // a surrogate pair has no case
      {S, "end\\u46  next", "End\\u46  Next"},
  };
  for (const Case& c : cases) ExpectConverted(c);
}

TEST(RtfFormat, TheStreamBreaksAndRestartsAsThePlainTextDoes) {
  const Case cases[] = {
      {S, "hello WORLD.\\par next line\\par and", "Hello world.\\par Next line\\par and"},
      {P, "one\\par two\\line three\\cell four\\tab five\\row six\\sect seven\\page eight",
       "One\\par Two\\line Three\\cell Four\\tab Five\\row Six\\sect Seven\\page Eight"},
      {S, "one.{\\footnote\\pard note. here}\\par two", "One.{\\footnote\\pard Note. Here}\\par Two"},
      {S, "{\\header page.} one", "{\\header Page.} One"},
      {S, "{\\listtext 1.\\tab}item one\\par {\\listtext 2.\\tab}item two",
       "{\\listtext 1.\\tab}Item one\\par {\\listtext 2.\\tab}Item two"},
      {S, "x {\\*\\bkmkstart a.}b", "X {\\*\\bkmkstart a.}b"},
      {P, "x{\\*\\bkmkstart a\\par}y", "X{\\*\\bkmkstart a\\par}y"},
      {P, "{\\f2 a}b \\f0 x\x81y", "{\\f2 a}b \\f0 X\x81y"},  // symbol letters and empty bytes are no separators
      {P, "{\\b wo}{\\i rd}", "{\\b Wo}{\\i rd}"},
      {S, "a{\\field{\\*\\fldinst x.}{\\fldrslt b}}c. d", "A{\\field{\\*\\fldinst x.}{\\fldrslt b}}c. D"},
  };
  for (const Case& c : cases) ExpectConverted(c);
}

// Thousands of pieces: the stream is converted batch by batch, each with
// the rule's state where the one before left it, and a batch in which a
// character changes its length in UTF-8 (dotless i into I, dotted capital
// I into i) is converted again piece by piece.
TEST(RtfFormat, LongDocumentsConvertAsShortOnesDo) {
  const struct {
    CaseRule rule;
    std::string_view first, rest, tail;  // what the repeated part becomes, and the end
  } cases[] = {
      {S, "{\\b One. Tw\\'E9}\\par ", "{\\b one. Tw\\'E9}\\par ", ". \\u305?X \\u105?"},
      {P, "{\\b One. Tw\\'E9}\\par ", "{\\b One. Tw\\'E9}\\par ", ". \\u73?x \\u73?"},
      {U, "{\\b ONE. TW\\'C9}\\par ", "{\\b ONE. TW\\'C9}\\par ", ". \\u73?X \\u304?"},
      {L, "{\\b one. tw\\'E9}\\par ", "{\\b one. tw\\'E9}\\par ", ". \\u305?x \\u105?"},
  };
  constexpr int kRepeats = 3000;
  const std::string_view part = "{\\b ONE. tw\\'E9}\\par ", tail = ". \\u305?x \\u304?";
  const std::string in = testing::Repeated(part, part, kRepeats, tail);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    const std::string out = testing::Repeated(c.first, c.rest, kRepeats, c.tail);
    EXPECT_EQ(ConvertRtf(c.rule, Doc(in)), Doc(out));
  }
}

// The vector paths classify 64 bytes at a time and write again what they
// wrote for a character met before; the scalar path steps through each
// construct. Each construct at every offset across a 64-byte boundary, and
// characters met again where their code page, \uc count or the bytes that
// end them differ, come out alike on every path.
TEST(RtfFormat, EveryPathConvertsConstructsAtEveryOffsetAlike) {
  using detail::KernelPath;
  const std::string_view pieces[] = {
      "\\fs24 ab\\par x", "\\u954\\'3fy\\u954\\'3fy", "\\u-15910X\\u-15910Y", "\\u-\\'e9\\u-5\\'e9",
      "\\'e9z\\'e9", "{\\b w}'ab{x}'ab{u1 a}{u1 b}", "a\\\\b\\{c", "{\\pict\\bin3 a\\}\\lang1 c}d", "\\f1 \\'b8\\f0 \\'b8\\f2 \\'b8",
      "\\uc1\\u8364 ?\\'e9\\uc2\\u8364 ?\\'e9\\uc0\\u954 k", "\\u335 .\\u335 Y\\u954\\par\\u954\\pard y", "a\r\nb\\ldblquote  r", "\\lang1033\\langfe1033 q",
      "\\abcdefghijklmnopqrstuvwxyzabcdefghijklmnop-12 s", "\xe9 \xe9", "{\\*\\fldinst x}y{\\footnote z}"};
  const KernelPath start = detail::ActiveKernelPath();
  for (const std::string_view piece : pieces) {
    for (std::size_t pad = 0; pad <= 70; ++pad) {
      const std::string in = Doc(std::string(pad, 'x') + std::string(piece) + std::string(piece));
      for (const CaseRule rule : {S, L, U, P, T}) {
        detail::UseKernelPath(KernelPath::Scalar);
        const auto stepped = ConvertRtf(rule, in);
        for (const KernelPath path : {KernelPath::Sse2, KernelPath::Avx2, KernelPath::Avx512}) {
          if (!detail::UseKernelPath(path)) continue;
          SCOPED_TRACE(in);
          const std::vector<char> exact(in.begin(), in.end());  // no NUL after it to read
          EXPECT_EQ(ConvertRtf(rule, {exact.data(), exact.size()}), stepped);
        }
      }
    }
  }
  detail::UseKernelPath(start);
}

TEST(RtfFormat, DocumentsItCannotTellAreSafeAreRefused) {
  const struct {
    const char* why;
    std::string rtf;
  } cases[] = {
      {"empty", ""},
      {"not RTF", "hello"},
      {"no rtf keyword", "{\\rtx1 a}"},
      {"unclosed group", Doc("{\\b a")},
      {"unclosed document", "{\\rtf1 a"},
      {"one brace too many", Doc("a}")},
      {"text after the document", Doc("a") + "b"},
      {"backslash at the end", "{\\rtf1 a\\"},
      {"\\' without digits", Doc("\\'4")},
      {"\\' with non-hex digits", Doc("\\'zz")},
      {"\\bin beyond the end", Doc("{\\pict\\bin50 ab}")},
      {"\\bin negative", Doc("{\\pict\\bin-1 ab}")},
      {"\\bin without a count", Doc("{\\pict\\bin ab}")},
      {"\\u out of range", Doc("\\u70000 a")},
      {"\\u below range", Doc("\\u-40000 a")},
      {"\\u just below range", Doc("\\u-32769 a")},
      {"\\u just above range", Doc("\\u65536 a")},
      {"double-byte document page", "{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0}"},
      {"double-byte font", Doc("\\f3 \\'82\\'a0")},
      {"raw byte in a double-byte font", Doc("\\f3 \x82\xA0")},
      {"unknown character set", "{\\rtf1{\\fonttbl{\\f0\\fcharset99 X;}}\\f0 \\'e9}"},
      {"unknown code page", "{\\rtf1\\ansi\\ansicpg20127 \\'e9}"},
      {"fallback cut by the end", "{\\rtf1\\uc1\\u233\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(ConvertRtf(U, c.rtf), std::nullopt);
  }
  // Double-byte text is refused only where it is read: kept destinations
  // and other fonts pass. Line breaks, then anything after a NUL, may pad.
  EXPECT_EQ(ConvertRtf(U, Doc("{\\*\\x \\'82\\'a0}\\f3 a")), Doc("{\\*\\x \\'82\\'a0}\\f3 A"));
  EXPECT_EQ(ConvertRtf(U, Doc("a") + std::string("\r\n\0\0\xFF", 5)), Doc("A") + std::string("\r\n\0\0\xFF", 5));
}

}  // namespace
}  // namespace tarnwick::mCase
