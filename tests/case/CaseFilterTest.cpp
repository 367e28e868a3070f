// The filter's conversion core: strict UTF-8 validation, UTF-8 <-> UTF-16,
// and chunked conversion that gives the same bytes wherever the chunks end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CaseFilter.h"
#include "Utf8.h"
#include "case/CaseRules.h"

namespace tarnwick {
namespace {

using casefilter::CaseRule;

struct Ill {
  std::string bytes;
  std::size_t offset;
};

TEST(Utf8Validation, FindsTheStartOfEveryKindOfIllFormedSequence) {
  const Ill cases[] = {
      {"abc\x80xyz", 3},                 // stray continuation byte
      {"ab\xC0\xAF", 2},                 // overlong '/'
      {"ab\xC1\xBF", 2},                 // overlong U+007F
      {"\xE0\x80\xAF", 0},               // overlong 3-byte form
      {"x\xF0\x8F\xBF\xBF", 1},          // overlong 4-byte form (U+FFFF)
      {"12345678\xED\xA0\x80", 8},       // surrogate U+D800 encoded
      {"\xED\xBF\xBF", 0},               // surrogate U+DFFF encoded
      {"\xF4\x90\x80\x80", 0},           // U+110000
      {"\xF5\x80\x80\x80", 0},           // lead byte beyond U+10FFFF
      {"ok \xFF", 3},                    // never a UTF-8 byte
      {"ab\xE2\x82", 2},                 // cut short at the end
      {"ab\xE2\x82z", 2},                // cut short inside
      {"\xF0\x9F\x98", 0},               // 4-byte form cut short
      {"\xC3\xA9\xC3", 2},               // after a good 2-byte form
      {std::string("a\0b\xC3(", 5), 3},  // NUL is fine, the bad byte is not
  };
  for (const Ill& c : cases) {
    const auto offset = utf8::FindInvalid(c.bytes);
    ASSERT_TRUE(offset.has_value()) << c.offset;
    EXPECT_EQ(*offset, c.offset);
  }
}

TEST(Utf8Validation, AcceptsEveryBoundaryOfTheWellFormedRanges) {
  const char* valid[] = {
      "",
      "\x7F",
      "\xC2\x80",          // U+0080
      "\xDF\xBF",          // U+07FF
      "\xE0\xA0\x80",      // U+0800
      "\xED\x9F\xBF",      // U+D7FF
      "\xEE\x80\x80",      // U+E000
      "\xEF\xBF\xBF",      // U+FFFF
      "\xF0\x90\x80\x80",  // U+10000
      "\xF4\x8F\xBF\xBF",  // U+10FFFF
  };
  for (const char* bytes : valid) EXPECT_FALSE(utf8::FindInvalid(bytes).has_value()) << bytes;
  EXPECT_FALSE(utf8::FindInvalid(std::string("a\0\r\n\t", 5)).has_value());
}

// UTF-16 of every scalar value, built from the surrogate arithmetic.
std::u16string EveryScalarValue() {
  std::u16string all;
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    if (cp < 0x10000) {
      all.push_back(char16_t(cp));
    } else {
      all.push_back(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
      all.push_back(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
  }
  return all;
}

TEST(Utf8Conversion, EveryScalarValueRoundTrips) {
  const std::u16string all = EveryScalarValue();
  std::string bytes;
  utf8::Append(all.data(), all.size(), bytes);
  EXPECT_FALSE(utf8::FindInvalid(bytes).has_value());
  std::u16string back(all.size(), u'\0');
  std::size_t consumed = 0;
  EXPECT_EQ(utf8::Decode(bytes, back.data(), back.size(), consumed), all.size());
  EXPECT_EQ(consumed, bytes.size());
  EXPECT_EQ(back, all);
}

TEST(Utf8Conversion, KnownEncodings) {
  std::string bytes;
  const std::u16string text = u"A\u00E9\u20AC\U0001F600";
  utf8::Append(text.data(), text.size(), bytes);
  EXPECT_EQ(bytes, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  bytes.clear();
  const char16_t lone[] = {0xD800, u'x', 0xDC00};
  utf8::Append(lone, 3, bytes);
  EXPECT_EQ(bytes, "\xEF\xBF\xBDx\xEF\xBF\xBD");
}

TEST(Utf8Conversion, DecodeNeverSplitsASurrogatePair) {
  const std::string bytes = "a\xF0\x9F\x98\x80" "b";
  char16_t units[2];
  std::size_t consumed = 0;
  EXPECT_EQ(utf8::Decode(bytes, units, 2, consumed), 1u);  // 'a', and no room for the pair
  EXPECT_EQ(consumed, 1u);
  EXPECT_EQ(utf8::Decode(std::string_view(bytes).substr(1), units, 2, consumed), 2u);
  EXPECT_EQ(consumed, 4u);
  EXPECT_EQ(units[0], 0xD83D);
  EXPECT_EQ(units[1], 0xDE00);
}

TEST(Utf8Conversion, DecodeStopsAtIllFormedBytes) {
  char16_t units[8];
  std::size_t consumed = 0;
  EXPECT_EQ(utf8::Decode("ab\xE2\x82", units, 8, consumed), 2u);
  EXPECT_EQ(consumed, 2u);
}

std::string Convert(CaseRule rule, std::string_view input, std::size_t chunkUnits) {
  std::string out;
  EXPECT_TRUE(casefilter::ConvertUtf8(rule, input, [&](std::string_view bytes) {
    out.append(bytes);
    return true;
  }, chunkUnits));
  return out;
}

TEST(CaseFilterCore, ParsesTheFiveRuleNamesOnly) {
  EXPECT_EQ(casefilter::ParseRule("upper"), CaseRule::Upper);
  EXPECT_EQ(casefilter::ParseRule("lower"), CaseRule::Lower);
  EXPECT_EQ(casefilter::ParseRule("sentence"), CaseRule::Sentence);
  EXPECT_EQ(casefilter::ParseRule("proper"), CaseRule::Proper);
  EXPECT_EQ(casefilter::ParseRule("toggle"), CaseRule::Toggle);
  for (const char* other : {"", "Upper", "UPPER", "title", "upper ", "-upper"}) {
    EXPECT_FALSE(casefilter::ParseRule(other).has_value()) << other;
  }
}

TEST(CaseFilterCore, SampleSentenceUnderEveryRule) {
  const std::string sample = "Hello World. how are you?";
  EXPECT_EQ(Convert(CaseRule::Upper, sample, 64), "HELLO WORLD. HOW ARE YOU?");
  EXPECT_EQ(Convert(CaseRule::Lower, sample, 64), "hello world. how are you?");
  EXPECT_EQ(Convert(CaseRule::Sentence, sample, 64), "Hello world. How are you?");
  EXPECT_EQ(Convert(CaseRule::Proper, sample, 64), "Hello World. How Are You?");
  EXPECT_EQ(Convert(CaseRule::Toggle, sample, 64), "hELLO wORLD. HOW ARE YOU?");
}

// Every chunk size from the smallest up: sentence and proper case carry their
// state across the cuts, and a 4-byte character is never cut in two.
TEST(CaseFilterCore, ChunkSizeNeverChangesTheResult) {
  const std::string input =
      "end. \xF0\x9F\x98\x80 next\tword. \xD0\xBF\xD1\x80\xD0\xB8. \xC3\xA9t\xC3\xA9!x\r\n"
      "\xF0\x90\x90\xA8z? \xE4\xB8\xAD. a";
  for (CaseRule rule : {CaseRule::Upper, CaseRule::Lower, CaseRule::Sentence, CaseRule::Proper,
                        CaseRule::Toggle}) {
    const std::string whole = Convert(rule, input, 1 << 16);
    for (std::size_t chunk = 2; chunk <= input.size() + 1; ++chunk) {
      ASSERT_EQ(Convert(rule, input, chunk), whole) << "chunk " << chunk;
    }
  }
  EXPECT_EQ(Convert(CaseRule::Sentence, input, 3),
            "End. \xF0\x9F\x98\x80 Next\tword. \xD0\x9F\xD1\x80\xD0\xB8. \xC3\x89t\xC3\xA9!X\r\n"
            "\xF0\x90\x90\xA8z? \xE4\xB8\xAD. A");
  EXPECT_EQ(Convert(CaseRule::Proper, input, 5),
            "End. \xF0\x9F\x98\x80 Next\tWord. \xD0\x9F\xD1\x80\xD0\xB8. \xC3\x89t\xC3\xA9!x\r\n"
            "\xF0\x90\x90\xA8z? \xE4\xB8\xAD. A");
}

TEST(CaseFilterCore, StopsWhenTheSinkRefuses) {
  int calls = 0;
  const bool done = casefilter::ConvertUtf8(CaseRule::Upper, std::string(100, 'a'), [&](std::string_view) {
    ++calls;
    return false;
  }, 10);
  EXPECT_FALSE(done);
  EXPECT_EQ(calls, 1);
}

TEST(CaseFilterCore, IllFormedInputEndsTheConversion) {
  std::string out;
  const bool done = casefilter::ConvertUtf8(CaseRule::Upper, "ab\xFFz", [&](std::string_view bytes) {
    out.append(bytes);
    return true;
  });
  EXPECT_FALSE(done);
  EXPECT_EQ(out, "AB");
}

}  // namespace
}  // namespace tarnwick
