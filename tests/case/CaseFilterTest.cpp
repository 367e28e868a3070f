// The filter's contract apart from the process: strict UTF-8 with the
// offset of the first ill-formed sequence, nothing written for invalid
// input, the same bytes wherever the blocks end, from a file or a pipe.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "CaseFilter.h"
#include "CaseTestText.h"
#include "case/Utf8Validation.h"
#include "case/CaseRules.h"
#include "case/CaseVector.h"

namespace tarnwick::casefilter {
namespace {

using mCase::testing::Defined;
using mCase::testing::Utf8;

// Bytes handed out `part` at a time; a file rewinds, a pipe does not. On
// the second reading a file holds `second` (when not empty); a read from
// `failAt` on fails, and on the second reading one from `failAgainAt` on.
struct Source final : ByteSource {
  explicit Source(std::string b, bool f = true, std::size_t p = -1, std::size_t fail = -1, std::string s = {},
                  std::size_t failAgain = -1)
      : bytes(std::move(b)), second(std::move(s)), file(f), part(p), failAt(fail), failAgainAt(failAgain) {}
  std::size_t Read(char* p, std::size_t n) override {
    failed = failAt <= at;
    n = failed ? 0 : bytes.copy(p, std::min(n, part), at);
    at += n;
    return n;
  }
  bool Failed() const override { return failed; }
  bool Rewind() override {
    if (at != 0 && !second.empty()) bytes = second;
    if (at != 0) failAt = failAgainAt;
    at = 0;
    return file;
  }
  std::string bytes, second;
  bool file, failed = false;
  std::size_t part, failAt, failAgainAt, at = 0;
};

struct Outcome {
  FilterResult result;
  std::string out;
};

Outcome FilterOf(CaseRule rule, Source source, std::size_t blockBytes, bool sinkTakes = true) {
  Outcome o;
  o.result = Filter(rule, source, [&](std::string_view bytes) {
    o.out += bytes;
    return sinkTakes;
  }, blockBytes);
  return o;
}

// Every way the filter may see the bytes: file or pipe, blocks from 4
// bytes up, handed out whole or a few bytes at a time.
template <class Check>
void ForEveryReading(CaseRule rule, const std::string& bytes, Check check) {
  for (bool file : {true, false}) {
    for (std::size_t block : {4, 5, 6, 7, 16, 17, 64, 1000}) {
      for (std::size_t part : {std::size_t(3), std::size_t(-1)}) {
        SCOPED_TRACE(testing::Message() << "file " << file << " block " << block << " part " << part);
        check(FilterOf(rule, Source(bytes, file, part), block));
      }
    }
  }
}

TEST(CaseFilter, IllFormedInputIsReportedAtItsFirstBadByteAndNothingIsWritten) {
  const struct {
    std::string bytes;
    std::size_t offset;
  } cases[] = {
      {"abc\x80xyz", 3},                  // stray continuation byte
      {"ab\xC0\xAF", 2},                  // overlong '/'
      {"ab\xC1\xBF", 2},                  // overlong U+007F
      {"\xE0\x80\xAF", 0},                // overlong 3-byte form
      {"x\xF0\x8F\xBF\xBF", 1},           // overlong 4-byte form
      {"12345678\xED\xA0\x80", 8},        // surrogate U+D800
      {"\xED\xBF\xBF", 0},                // surrogate U+DFFF
      {"\xF4\x90\x80\x80", 0},            // U+110000
      {"\xF5\x80\x80\x80", 0},            // lead byte beyond U+10FFFF
      {"ok \xFF", 3},                     // never in UTF-8
      {"ab\xE2\x82", 2},                  // cut short at the end
      {"ab\xE2\x82z", 2},                 // cut short inside
      {"\xC3\xA9\xC3", 2},                // after a good 2-byte form
      {std::string("a\0b\xC3(", 5), 3},   // NUL is fine, the bad byte is not
      {std::string(40, 'a') + "\xD0\xBF\xE4\xB8\xAD\xF0\x9F\x98\x80" + "\xE4\xB8", 49},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offset);
    EXPECT_EQ(utf8::scalar::FindInvalid(c.bytes), c.offset);
    ForEveryReading(CaseRule::Upper, c.bytes, [&](const Outcome& o) {
      EXPECT_EQ(o.result.status, FilterResult::Invalid);
      EXPECT_EQ(o.result.invalidOffset, c.offset);
      EXPECT_EQ(o.out, "");
    });
  }
}

// Letters of every UTF-8 length, partners of another length, characters
// beyond the BMP, the edges of the well-formed ranges, separators,
// delimiters and NUL: every rule gives the UTF-8 of its definition, and
// what it does not change passes byte for byte.
TEST(CaseFilter, EveryReadingGivesTheBytesOfTheDefinition) {
  const Text text = Text(u"Hello World. how are you?\r\n") + u'\0' + u"x\t\U0001F600 \u043C\u0438\u0440. \xE9t\xE9 " +
                    u"\u4E2D!\u0131\u023A end: \u01C5 \x7F\x80\u07FF\u0800\u0800\u0800\uD7FF\uE000\uFFFF\U00010000\U0010FFFF. a";
  for (CaseRule rule : mCase::kCaseRules) {
    for (const Text& in : {text, Text(u"a")}) {  // and one byte, a whole piece alone
      SCOPED_TRACE(mCase::CaseRuleName(rule));
      const std::string expected = Utf8(Defined(rule, in));
      ForEveryReading(rule, Utf8(in), [&](const Outcome& o) {
        EXPECT_EQ(o.result.status, FilterResult::Done);
        EXPECT_EQ(o.out, expected);
      });
    }
  }
}

TEST(CaseFilter, ReadWriteAndChangedInputFailures) {
  EXPECT_EQ(FilterOf(CaseRule::Upper, Source("abc"), 4, false).result.status, FilterResult::WriteFailed);
  const Outcome readFailure = FilterOf(CaseRule::Upper, Source(std::string(100, 'a'), false, 10, 50), 16);
  EXPECT_EQ(readFailure.result.status, FilterResult::ReadFailed);
  EXPECT_EQ(readFailure.out, "");
  // A file that fails while it is read the second time, after the check.
  EXPECT_EQ(FilterOf(CaseRule::Upper, Source(std::string(100, 'a'), true, 10, -1, {}, 30), 16).result.status,
            FilterResult::ReadFailed);
  for (const char* second : {"abc\xFF", "ab", "abcd"}) {
    EXPECT_EQ(FilterOf(CaseRule::Upper, Source("abc", true, -1, -1, second), 4).result.status, FilterResult::InputChanged) << second;
  }
}

// The vector validations against the plain loop: each ill-formed sequence at
// every place of a round of 16, 32 or 64 bytes and of the blocks of two or
// four rounds, after ASCII or after characters of every length; then random
// text, short pieces of every character length between ASCII runs (so that
// any round of a block may be the only one beyond ASCII), with one byte
// spoilt.
TEST(CaseFilter, ValidationPathsAgree) {
  const std::string good = Utf8(u"a\xE9\u4E2D\U0001F600 \u0416z. \u0800\U0010FFFF\uFFFF\u07FF" u"bcdefghijklmnop");
  mCase::testing::OnEachPath([&](mCase::detail::KernelPath) {
    for (const char* bad : {"\xED\xA0\x80", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xC1\xBF",
                            "\xF5\x80", "\x80", "\xE2\x82", "\xC3\xC0"}) {
      for (const std::string& lead : {std::string(), good}) {
        for (std::size_t at = 0; at < 140; ++at) {
          const std::string bytes = lead + std::string(at, 'q') + bad + std::string(80, 'q');
          SCOPED_TRACE(testing::Message() << "bad byte at " << lead.size() + at);
          EXPECT_EQ(utf8::FindInvalid(bytes), lead.size() + at);
          EXPECT_EQ(utf8::scalar::FindInvalid(bytes), lead.size() + at);
        }
      }
    }
    std::mt19937 rng(3);
    for (int round = 0; round < 4000; ++round) {
      std::string bytes;
      while (bytes.size() < 300)
        bytes += rng() % 2 ? std::string(rng() % 40, 'q') : good.substr(rng() % good.size(), rng() % 12);
      if (round % 4) bytes[rng() % bytes.size()] = char(rng());
      const std::size_t from = rng() % 20, n = rng() % (bytes.size() - from);
      const std::string_view view = std::string_view(bytes).substr(from, n);
      ASSERT_EQ(utf8::FindInvalid(view), utf8::scalar::FindInvalid(view)) << round;
    }
  }, true);
}

TEST(CaseFilter, ParsesTheFiveRuleNamesOnly) {
  for (CaseRule rule : mCase::kCaseRules) EXPECT_EQ(ParseRule(mCase::CaseRuleName(rule)), rule);
  for (const char* other : {"", "Upper", "UPPER", "title", "upper ", "-upper", "every"}) {
    EXPECT_FALSE(ParseRule(other).has_value()) << other;
  }
}

}  // namespace
}  // namespace tarnwick::casefilter
