// The five rules on every path (UTF-16 and UTF-8, the plain loops and each
// vector path the CPU runs): the documented examples, then every code unit
// against the rule's definition, whole and in pieces, at every alignment and
// at every place of a UTF-8 block.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "CaseTestText.h"
#include "case/CaseUtf8.h"
#include "case/CaseUtf8Steps.h"

namespace tarnwick::mCase {
namespace {

using detail::KernelPath;
using testing::Defined;
using testing::OnEachPath;
using testing::PathName;
using testing::Utf8;

constexpr CaseRule S = CaseRule::Sentence, L = CaseRule::Lower, U = CaseRule::Upper, P = CaseRule::Proper, T = CaseRule::Toggle;

// A rule on the active path or the plain loop, in one piece or cut into
// pieces (of 1 to 1008 units, or of whole characters of 1 to 64 bytes) with
// the state carried from piece to piece.
Text UnitsOf(CaseRule rule, const Text& in, bool plain, bool pieces = false) {
  Text out(in.size(), u'\0');
  bool state = true;
  std::size_t step = pieces ? 1 : in.size();
  for (std::size_t from = 0; from < in.size(); from += step, step = step * 3 % 1009) {
    const std::size_t n = std::min(step, in.size() - from);
    state = (plain ? scalar::ConvertUnits : ConvertUnits)(rule, &in[from], &out[from], n, state);
  }
  return out;
}

std::string Utf8Of(CaseRule rule, const std::string& in, bool plain, bool pieces = false) {
  std::string out;
  bool state = true;
  for (std::size_t from = 0, to; from < in.size(); from = to) {
    to = pieces ? std::min(in.size(), from + 1 + from % 61) : in.size();
    while (to < in.size() && (in[to] & 0xC0) == 0x80) ++to;
    std::string piece(Utf8Capacity(to - from), '\0');
    piece.resize((plain ? scalar::ConvertUtf8 : ConvertUtf8)(rule, &in[from], to - from, piece.data(), state));
    out += piece;
  }
  return out;
}

// A character in UTF-16.
Text Utf16(char32_t c) {
  return c < 0x10000 ? Text(1, char16_t(c)) : Text{char16_t(0xD7C0 + (c >> 10)), char16_t(0xDC00 | (c & 0x3FF))};
}

// Each example on every path: UTF-16 and UTF-8, each vector path the CPU
// runs and the plain loops.
const Text kHello = u"Hello World. how are you?";
const struct Example {
  CaseRule rule;
  Text in, out;
} kExamples[] = {
    {U, kHello, u"HELLO WORLD. HOW ARE YOU?"}, {L, kHello, u"hello world. how are you?"}, {S, kHello, u"Hello world. How are you?"},
    {P, kHello, u"Hello World. How Are You?"}, {T, kHello, u"hELLO wORLD. HOW ARE YOU?"}, {T, u"hELLO wORLD. HOW ARE YOU?", kHello},
    {S, u"", u""}, {L, u"", u""}, {U, u"", u""}, {P, u"", u""}, {T, u"", u""}, {S, u"HELLO WORLD", u"Hello world"},
    {S, u"hello. how are you? fine! time: now", u"Hello. How are you? Fine! Time: Now"},
    {S, u"first line\r\nsecond line", u"First line\r\nsecond line"}, {S, u"end.\r\n\r\nnext", u"End.\r\n\r\nNext"},
    {S, u"semi; comma, dash - not ends", u"Semi; comma, dash - not ends"}, {S, u"   hello", u"   Hello"},
    {S, u"3rd place", u"3Rd place"}, {S, u"(note.) then", u"(Note.) Then"}, {S, u"e.g. this", u"E.G. This"},
    {S, u"version 2.5 is out", u"Version 2.5 Is out"}, {S, u"wait... what", u"Wait... What"}, {S, u"file.txt", u"File.Txt"},
    {S, u"i met John in NASA", u"I met john in nasa"}, {S, u"...!?", u"...!?"}, {S, u"end.", u"End."},
    {S, u"привет. мир", u"Привет. Мир"}, {S, u"ΚΑΛΗΜΕΡΑ. κόσμε", u"Καλημερα. Κόσμε"}, {S, u"你好世界。 . abc", u"你好世界。 . Abc"},
    {T, u"Hello World 123", u"hELLO wORLD 123"}, {T, u"Мир", u"мИР"}, {T, u"a1.b,\r\n\tC!", u"A1.B,\r\n\tc!"},
    {T, u"\u01C5a\u01C4\u01C6", u"\u01C5A\u01C6\u01C4"},  // U+01C5 stays
    {P, u"hello WORLD", u"Hello World"}, {P, u"o'neil and jean-luc", u"O'neil And Jean-luc"},
    {P, u"(hello) world", u"(hello) World"}, {P, u"hello.world", u"Hello.world"}, {P, {u"ab\0cd", 5}, {u"Ab\0Cd", 5}},
    {P, u"one\ttwo\r\nthree", u"One\tTwo\r\nThree"}, {P, u"a\vb\fc", u"A\vB\fC"},
    {P, u"\xE9t\xE9 \u0434\u043E\u043C", u"\xC9t\xE9 \u0414\u043E\u043C"},
    {U, u"abc 123, x.y!\r\n\tz", u"ABC 123, X.Y!\r\n\tZ"}, {L, u"ABC 123, X.Y!\r\n\tZ", u"abc 123, x.y!\r\n\tz"},
    {U, u"stra\xDF" u"e", u"STRA\xDF" u"E"},  // sharp s has no one-unit upper form
    {U, u"\u0131", u"I"}, {L, u"\u023A \u212A", u"\u2C65 k"},  // partners of another UTF-8 length
    {U, u"a\U00010428b \U0001F600. c", u"A\U00010428B \U0001F600. C"},  // surrogate pairs pass unchanged
    {L, u"A\U00010428b \U0001F600. C", u"a\U00010428b \U0001F600. c"},
    {S, u"a\U00010428b \U0001F600. c", u"A\U00010428b \U0001F600. C"},
    {P, u"a\U00010428b \U0001F600 c", u"A\U00010428b \U0001F600 C"}, {T, u"a\U00010428b", u"A\U00010428B"},
};

TEST(CaseRules, DocumentedExamplesOnEveryPath) {
  for (const Example& e : kExamples) {
    SCOPED_TRACE(TextToAscii(e.in) + " as " + CaseRuleName(e.rule));
    OnEachPath([&](KernelPath) {
      EXPECT_EQ(Convert(e.rule, e.in), e.out);
      EXPECT_EQ(UnitsOf(e.rule, e.in, false), e.out);
      EXPECT_EQ(Utf8Of(e.rule, Utf8(e.in), false), Utf8(e.out)) << "UTF-8";
    });
  }
}

// Every unit where each rule's state matters: after a separator and a
// delimiter, after a letter, and after the unit itself.
Text EveryUnitInContext(bool surrogates) {
  Text text;
  for (std::uint32_t c = 0; c < 0x10000; ++c) {
    if (!surrogates && c >= 0xD800 && c <= 0xDFFF) continue;
    const char16_t u = char16_t(c);
    text += {u, u' ', u, u'.', u, u'x', u};
  }
  return text;
}

TEST(CaseRules, EveryUnitFollowsTheDefinitionOnEveryPathWholeAndInPieces) {
  const Text units = EveryUnitInContext(true), characters = EveryUnitInContext(false);
  const std::string bytes = Utf8(characters);
  for (CaseRule rule : kCaseRules) {
    SCOPED_TRACE(CaseRuleName(rule));
    const Text expected = Defined(rule, units);
    const std::string expectedBytes = Utf8(Defined(rule, characters));
    OnEachPath([&](KernelPath) {
      ASSERT_EQ(Convert(rule, units), expected);
      ASSERT_EQ(UnitsOf(rule, units, false, true), expected);
      Text inPlace = units;
      ConvertUnits(rule, inPlace.data(), inPlace.data(), inPlace.size(), true);
      ASSERT_EQ(inPlace, expected) << "in place";
      ASSERT_EQ(Utf8Of(rule, bytes, false), expectedBytes);
      ASSERT_EQ(Utf8Of(rule, bytes, false, true), expectedBytes);
    });
  }
}

// The tables behind the definition: surrogate halves have no case and no
// unit maps into them; the scripts with two cases have cased letters, the
// others none.
TEST(CaseRules, CasedLettersAndSurrogates) {
  for (std::uint32_t c = 0; c < 0x10000; ++c) {
    const bool half = c >= 0xD800 && c <= 0xDFFF;
    for (char16_t to : {ToUpperUnit(char16_t(c)), ToLowerUnit(char16_t(c))}) {
      ASSERT_EQ(to >= 0xD800 && to <= 0xDFFF, half) << c;
      ASSERT_TRUE(!half || to == c) << c;
    }
    ASSERT_TRUE(!IsCasedLetter(char16_t(c)) || ToUpperUnit(char16_t(c)) != ToLowerUnit(char16_t(c))) << c;
  }
  struct Range {
    char16_t first, last;
    int cased;
  } ranges[] = {{u'A', u'Z', 26},     {u'a', u'z', 26},          {0x0410, 0x044F, 64},  {0x0391, 0x03A1, 17},
                {0x00C0, 0x00D6, 23}, {0x0000, 0x0040, 0},       {0x005B, 0x0060, 0},   {0x007B, 0x00B4, 0},
                {0x00DF, 0x00DF, 0},  {0x4E00, 0x9FFF, 0},       {0x3040, 0x30FF, 0},   {0xAC00, 0xD7A3, 0},
                {0x0590, 0x06FF, 0},  {0x0000, 0xFFFF, 2357}};
  for (const Range& r : ranges) {
    int cased = 0;
    for (std::uint32_t c = r.first; c <= r.last; ++c) cased += IsCasedLetter(char16_t(c));
    EXPECT_EQ(cased, r.cased) << std::hex << int(r.first);
  }
}

// Text rich in what the kernels decide on: letters of both cases,
// delimiters, separators, and units beyond ASCII of every UTF-8 length.
Text MixedSample(std::size_t n, std::uint32_t seed) {
  static const char16_t kUnits[] = u"aZbYzA.!?:,; \t\r\n\v\f\0x1@[`{\u0416\u0436\xE9\xC9\u01C5\u0131\u023A\u03C2"
                                   u"\u0130\u212A\u8000\uFF21\uFFFF\U0001F600";
  std::mt19937 rng(seed);
  Text text(n, u'\0');
  for (char16_t& c : text) c = kUnits[rng() % (std::size(kUnits) - 1)];
  return text;
}

// Each kernel against its plain loop on each vector path: input and output
// at every alignment, lengths around the round sizes, and outputs large
// enough for the streaming stores.
TEST(CaseRules, KernelsMatchThePlainLoopsAtEveryAlignment) {
  if (!detail::CpuHasSse2()) GTEST_SKIP() << "no SSE2 kernels on this CPU or target";
  const Text sample = MixedSample(200, 1);
  std::vector<Text> texts;  // lengths 0 to 100, mixed text running into ASCII text at every place, long sentences
  for (std::size_t n = 0; n <= 100; ++n) texts.push_back(sample.substr(n % 7, n));
  for (std::size_t n = 0; n <= 80; ++n) texts.push_back(sample.substr(0, n) + u"one two. three, four: five\tsix? x y z end.");
  const Text sentence = u"Жук ест щи, а кот спит на окне весь день. ";  // few capitals in 64 units
  for (std::size_t n = 0; n <= 40; n += 5) texts.push_back(sample.substr(0, n) + sentence + sentence + sentence);
  OnEachPath([&](KernelPath) {
    for (CaseRule rule : kCaseRules) {
      SCOPED_TRACE(CaseRuleName(rule));
      for (const Text& text : texts) {
        const std::size_t n = text.size();
        Text expected(n, u'\0');
        const bool expectedState = scalar::ConvertUnits(rule, text.data(), expected.data(), n, false);
        const std::string bytes = Utf8(text), expectedBytes = Utf8Of(rule, bytes, true);
        for (std::size_t shift = 0; shift < 16; ++shift) {
          SCOPED_TRACE(::testing::Message() << "n " << n << " shift " << shift);
          const std::size_t outShift = shift * 7 % 16;  // input and output at every 16-byte alignment
          const Text in = Text(shift, u'#') + text + u'.';  // a delimiter just beyond the units to convert
          Text out(outShift + n + 16, u'#');
          const bool state = ConvertUnits(rule, in.data() + shift, out.data() + outShift, n, false);
          ASSERT_EQ(out, Text(outShift, u'#') + expected + Text(16, u'#'));
          ASSERT_EQ(state, expectedState);
          const std::string inBytes = std::string(shift, '#') + bytes;
          std::string outBytes(outShift + Utf8Capacity(bytes.size()), '#');
          bool byteState = true;
          outBytes.resize(outShift + ConvertUtf8(rule, inBytes.data() + shift, bytes.size(), outBytes.data() + outShift, byteState));
          ASSERT_EQ(outBytes.substr(outShift), expectedBytes);
        }
      }
    }
  }, true);
  const std::size_t large = (std::size_t(4) << 20) + 37;
  Text text = MixedSample(large, 2);
  std::fill(text.begin() + 4096, text.end() - 4096, u'q');
  std::vector<char16_t> out(large + 8);
  for (CaseRule rule : {U, L, T}) {
    const Text expected = UnitsOf(rule, text, true);
    for (std::size_t offset : {0, 1, 7}) {
      ConvertUnits(rule, text.data(), out.data() + offset, large, true);
      ASSERT_TRUE(std::equal(expected.begin(), expected.end(), out.begin() + offset)) << int(rule) << offset;
    }
  }
}

// Characters at the edges of what the UTF-8 blocks tell apart: the first and
// last of lead bytes and of runs of one delta, the steps where pairs of
// letters change parity, accented Greek, final sigma, partners across a lead
// byte, characters that only the plain steps convert (partners of another
// length, scripts with case beyond the blocks' tables), caseless and cased
// characters of three bytes, characters beyond the BMP.
const char32_t kBlockProbes[] = {
    0x80, 0xB5, 0xBF, 0xC0, 0xD7, 0xDF, 0xE0, 0xF7, 0xFE, 0xFF, 0x100, 0x12F, 0x130, 0x131, 0x137, 0x138, 0x139,
    0x13F, 0x140, 0x148, 0x149, 0x14A, 0x177, 0x178, 0x179, 0x17E, 0x17F, 0x180, 0x1C5, 0x219, 0x345, 0x370, 0x386,
    0x38F, 0x390, 0x391, 0x3A2, 0x3A3, 0x3AC, 0x3AF, 0x3B0, 0x3C2, 0x3CC, 0x3CE, 0x3CF, 0x3D0, 0x3FF, 0x400, 0x40F,
    0x410, 0x42F, 0x430, 0x44F, 0x450, 0x45F, 0x460, 0x47F, 0x480, 0x491, 0x4FF, 0x531, 0x5D0, 0x7FF, 0x800, 0x1E9E,
    0x1EC7, 0x2019, 0x2126, 0x2764, 0x3042, 0x4E2D, 0xA7B3, 0xAC00, 0xD55C, 0xFE0F, 0xFF21, 0xFFFF, 0x1F600, 0x10428};

// Each probe at every place of a block of each vector path (so also cut by
// a block's end), after a delimiter, after a separator and inside a word,
// with either state: the bytes and the state of the plain steps.
TEST(CaseRules, Utf8BlocksMatchThePlainStepsAtEveryPlaceOfABlock) {
  const std::string lead = "Ab. cd, Ef: gh\tij! kl ";
  const std::string tail = " mn op. qr st uv wx yz ab cd ef gh ij kl mn op qr st uv wx yz.";
  OnEachPath([&](KernelPath) {
    for (char32_t probe : kBlockProbes) {
      const std::string c = Utf8(Utf16(probe));
      SCOPED_TRACE(::testing::Message() << "probe U+" << std::hex << int(probe));
      for (std::size_t place = 0; place < 132; ++place) {
        std::string prefix;
        while (prefix.size() < place) prefix += lead;
        prefix.resize(place);
        // The probe among others, and alone between ASCII runs.
        for (const std::string& bytes : {prefix + c + ". " + c + " x" + c + c + tail, prefix + c + tail + tail}) {
          for (CaseRule rule : kCaseRules) {
            bool expectedState = place % 2 != 0, state = expectedState;
            std::string expected(Utf8Capacity(bytes.size()), '\0'), out(expected.size(), '\0');
            expected.resize(scalar::ConvertUtf8(rule, bytes.data(), bytes.size(), expected.data(), expectedState));
            out.resize(ConvertUtf8(rule, bytes.data(), bytes.size(), out.data(), state));
            ASSERT_EQ(out, expected) << CaseRuleName(rule) << " at " << place;
            ASSERT_EQ(state, expectedState) << CaseRuleName(rule) << " at " << place;
          }
        }
      }
    }
  }, true);
}

// The scripts that the UTF-8 blocks convert themselves, between ASCII words:
// every character of the Latin-1 Supplement and of Latin Extended-A but six
// (micro sign, y with diaeresis, dotted and dotless i, capital Y with
// diaeresis, long s), Greek, Cyrillic U+0400..U+047F, CJK, kana, Hangul,
// general punctuation, dingbats, Devanagari, a three-byte character of
// every group of 256 of a lead byte, characters beyond the BMP; on the
// AVX-512 path also Cyrillic up to U+04FF and Hebrew and Arabic, whose lead
// bytes are caseless.
Text KnownScripts(bool wide) {
  Text text;
  std::vector<std::array<char32_t, 3>> runs = {
      {0xA0, 0xB4, 1},     {0xB6, 0xFE, 1},     {0x100, 0x12F, 1},   {0x132, 0x177, 1},   {0x179, 0x17E, 1},
      {0x386, 0x3CE, 1},   {0x400, 0x47F, 1},   {0x3041, 0x3096, 1}, {0x4E00, 0x4E40, 1}, {0xAC00, 0xAC40, 1},
      {0x2010, 0x2027, 1}, {0x2700, 0x2760, 1}, {0x905, 0x939, 1},   {0x1F600, 0x1F620, 1}, {0x5000, 0x5FFF, 0xFF}};
  if (wide) runs.insert(runs.end(), {{0x480, 0x4FF, 1}, {0x5D0, 0x5EA, 1}, {0x627, 0x64A, 1}});
  int count = 0;
  for (const auto& run : runs) {
    for (char32_t c = run[0]; c <= run[1]; c += run[2]) {
      text += Utf16(c);
      if (++count % 7 == 0) text += count % 21 == 0 ? u". And " : u" x ";
    }
  }
  for (int k = 0; k < 20; ++k) text += u" ascii";  // the text's last bytes take the plain steps
  return text;
}

// The AVX2 blocks' common route: Latin-1, Greek, Cyrillic, caseless
// three-byte scripts by their lead byte (CJK, kana, Hangul) and by their
// group (dingbats, variation selectors) and emoji without the full lookups,
// which Latin Extended-A needs.
std::string Avx2CommonScripts() {
  Text common;
  for (const auto& run : std::vector<std::array<char32_t, 2>>{{0xA0, 0xB4}, {0xB6, 0xFE}, {0x386, 0x3CE}, {0x400, 0x47F},
                                                              {0x3041, 0x3096}, {0x4E00, 0x4E40}, {0xAC00, 0xAC40},
                                                              {0x2700, 0x275F}, {0xFE00, 0xFE0F}, {0x1F600, 0x1F620}}) {
    for (char32_t c = run[0]; c <= run[1]; ++c) common += Utf16(c) + (c % 5 == 0 ? u". A " : u"x");
  }
  return Utf8(common + Text(20, u'z'));
}

TEST(CaseRules, Utf8BlocksNeedNoPlainStepsForTheScriptsTheyKnow) {
  std::string unknown, extended;
  for (int k = 0; k < 4; ++k) unknown += Utf8(u"Trường học ở Việt Nam. Ängste ");
  for (char16_t c = 0x100; c < 0x130; ++c) extended += Utf8(Text{c, u' '});
  extended += std::string(20, 'z');
  const std::string common = Avx2CommonScripts();
  bool blocksRan = false;
  OnEachPath([&](KernelPath path) {
    if (path != KernelPath::Avx2 && path != KernelPath::Avx512) return;
    blocksRan = true;
    const std::string known = Utf8(KnownScripts(path == KernelPath::Avx512));
    std::string out(Utf8Capacity(std::max(known.size(), common.size())), '\0');
    for (CaseRule rule : kCaseRules) {
      SCOPED_TRACE(CaseRuleName(rule));
      const std::uint64_t plain = detail::Utf8PlainStretches(), full = detail::Utf8FullLookups();
      bool state = true;
      const auto convert = [&](const std::string& bytes) {
        ConvertUtf8(rule, bytes.data(), bytes.size(), out.data(), state);
      };
      if (path == KernelPath::Avx2) {
        convert(common);
        EXPECT_EQ(detail::Utf8FullLookups(), full);
        convert(extended);
        EXPECT_GT(detail::Utf8FullLookups(), full) << "Latin Extended-A needs them";
      }
      convert(known);
      EXPECT_EQ(detail::Utf8PlainStretches(), plain);
      EXPECT_EQ(Utf8Of(rule, known, false), Utf8Of(rule, known, true)) << "the bytes of the plain steps";
      convert(unknown);
      EXPECT_GT(detail::Utf8PlainStretches(), plain) << "Vietnamese needs them";
    }
  }, true);
  if (!blocksRan) GTEST_SKIP() << "no UTF-8 block kernels on this CPU or target";
}

// A lone surrogate half that a rule put into the output would not be
// UTF-8; it is written as U+FFFD.
TEST(CaseRules, ALoneSurrogateIsWrittenAsReplacementCharacter) {
  struct IntoSurrogate {
    bool state = true;
    char16_t operator()(char16_t c) const { return c == u'x' ? char16_t(0xD800) : c; }
  } rule;
  const std::string in = "axb";
  unsigned char out[8] = {};
  unsigned char* end = out;
  detail::MapCharacters(reinterpret_cast<const unsigned char*>(in.data()), 0, in.size(), in.size(), end, rule);
  EXPECT_EQ(std::string(out, end), "a\xEF\xBF\xBD" "b");
}

TEST(CaseRules, KernelPathIsTheBestTheCpuRunsAndCanBeSwitched) {
  const KernelPath start = detail::ActiveKernelPath();
  const KernelPath best = detail::CpuHasAvx512() ? KernelPath::Avx512
                          : detail::CpuHasAvx2() ? KernelPath::Avx2
                          : detail::CpuHasSse2() ? KernelPath::Sse2
                                                 : KernelPath::Scalar;
  EXPECT_EQ(start, best);
  EXPECT_EQ(HasVectorKernels(), detail::CpuHasSse2());
  EXPECT_TRUE(!detail::CpuHasAvx512() || detail::CpuHasAvx2());
#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
  EXPECT_TRUE(detail::CpuHasSse2());  // every x86 CPU that runs these tests has SSE2
#endif
  ASSERT_TRUE(detail::UseKernelPath(KernelPath::Scalar));
  EXPECT_FALSE(HasVectorKernels());
  EXPECT_EQ(detail::ActiveKernelPath(), KernelPath::Scalar);
  const bool has[] = {true, detail::CpuHasSse2(), detail::CpuHasAvx2(), detail::CpuHasAvx512()};
  for (KernelPath path : {KernelPath::Sse2, KernelPath::Avx2, KernelPath::Avx512}) {
    EXPECT_EQ(detail::UseKernelPath(path), has[static_cast<int>(path)]) << PathName(path);
    EXPECT_EQ(detail::ActiveKernelPath() == path, has[static_cast<int>(path)]) << PathName(path);
  }
  detail::UseKernelPath(start);
}

}  // namespace
}  // namespace tarnwick::mCase
