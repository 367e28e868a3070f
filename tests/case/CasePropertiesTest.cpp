// Properties of the case tables and the rules over all 65,536 code units.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "case/CaseRules.h"

namespace tarnwick::mCase {
namespace {

constexpr std::uint32_t kUnits = 0x10000;

char16_t Unit(std::uint32_t c) { return static_cast<char16_t>(c); }

bool IsSurrogate(std::uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

std::string Hex(std::uint32_t c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
  return buffer;
}

// Every code unit once, in order.
Text AllUnits() {
  Text all(kUnits, u'\0');
  for (std::uint32_t c = 0; c < kUnits; ++c) all[c] = Unit(c);
  return all;
}

// Surrogate halves have no case, and no other unit maps into them (which
// would break a pair).
TEST(CaseTableProperties, SurrogatesStayApart) {
  for (std::uint32_t c = 0; c < kUnits; ++c) {
    const char16_t u = ToUpperUnit(Unit(c)), l = ToLowerUnit(Unit(c));
    if (IsSurrogate(c)) {
      ASSERT_TRUE(u == Unit(c) && l == Unit(c) && !IsCasedLetter(Unit(c))) << Hex(c);
    } else {
      ASSERT_FALSE(IsSurrogate(u) || IsSurrogate(l)) << Hex(c);
    }
  }
}

TEST(CaseTableProperties, CasedLettersHaveTwoDistinctForms) {
  int cased = 0;
  for (std::uint32_t c = 0; c < kUnits; ++c) {
    if (!IsCasedLetter(Unit(c))) continue;
    ++cased;
    ASSERT_NE(ToUpperUnit(Unit(c)), ToLowerUnit(Unit(c))) << Hex(c);
  }
  EXPECT_GT(cased, 2000);  // Latin, Greek, Cyrillic, Armenian, Georgian, Cherokee, ...
}

TEST(CaseTableProperties, WhichScriptsAreCased) {
  auto countCased = [](std::uint32_t first, std::uint32_t last) {
    int n = 0;
    for (std::uint32_t c = first; c <= last; ++c) n += IsCasedLetter(Unit(c));
    return n;
  };
  EXPECT_EQ(countCased('A', 'Z'), 26);
  EXPECT_EQ(countCased('a', 'z'), 26);
  EXPECT_EQ(countCased(0x0410, 0x044F), 64);  // basic Cyrillic
  EXPECT_EQ(countCased(0x0391, 0x03A1) + countCased(0x03A3, 0x03A9), 24);  // Greek capitals
  EXPECT_EQ(countCased(0x00C0, 0x00D6) + countCased(0x00D8, 0x00DE), 30);  // Latin-1 capitals
  // Digits, spaces, punctuation, symbols, controls and caseless scripts.
  EXPECT_EQ(countCased(0x0000, 0x0040), 0);
  EXPECT_EQ(countCased(0x005B, 0x0060), 0);
  EXPECT_EQ(countCased(0x007B, 0x00B4), 0);
  EXPECT_EQ(countCased(0x4E00, 0x9FFF), 0);  // CJK ideographs
  EXPECT_EQ(countCased(0x3040, 0x30FF), 0);  // kana
  EXPECT_EQ(countCased(0xAC00, 0xD7A3), 0);  // Hangul
  EXPECT_EQ(countCased(0x0590, 0x06FF), 0);  // Hebrew, Arabic
  EXPECT_FALSE(IsCasedLetter(u'\xDF'));      // sharp s: no single-unit upper form
}

// Toggling twice gives back every cased letter that is its own upper or lower
// form, except a variant form that shares its counterpart with the usual
// letter (micro sign and mu both toggle to capital mu, which toggles to mu).
TEST(CaseTableProperties, ToggleTwiceRestoresLettersUpToVariantForms) {
  int restored = 0, variants = 0;
  for (std::uint32_t c = 0; c < kUnits; ++c) {
    const char16_t u = Unit(c);
    if (!IsCasedLetter(u) || (ToUpperUnit(u) != u && ToLowerUnit(u) != u)) continue;
    const char16_t twice = ToggledUnit(ToggledUnit(u));
    if (twice == u) {
      ++restored;
      continue;
    }
    ++variants;
    ASSERT_EQ(ToggledUnit(twice), ToggledUnit(u)) << Hex(c) << " is not a variant form";
  }
  EXPECT_GT(restored, 2000);
  EXPECT_LT(variants, 40);
  for (std::uint32_t c = 0; c < 0x0250; ++c) {  // ASCII, Latin-1 and Latin Extended
    if (c == 0xB5 || c == 0x17F) continue;      // micro sign, long s
    ASSERT_EQ(ToggledUnit(ToggledUnit(Unit(c))), Unit(c)) << Hex(c);
  }
}

TEST(CaseRuleProperties, EveryRuleKeepsTheLength) {
  const Text all = AllUnits();
  for (auto rule : {UpperCase, LowerCase, SentenceCase, ProperCase, ToggledCase}) {
    EXPECT_EQ(rule(all).size(), all.size());
  }
}

TEST(CaseRuleProperties, EveryRuleButToggleIsIdempotent) {
  const Text all = AllUnits();
  for (auto rule : {UpperCase, LowerCase, SentenceCase, ProperCase}) {
    const Text once = rule(all);
    EXPECT_EQ(rule(once), once);
  }
  EXPECT_EQ(UpperCase(all)[u'a'], u'A');  // the rules do convert
}

// Between "x." and "x" a unit stands where a sentence may start: a cased
// letter there is capitalised and ends the wait, anything else is left as
// its lower form and the letter after it is capitalised instead.
TEST(CaseRuleProperties, SentenceCaseCapitalisesOnlyTheFirstCasedLetter) {
  for (std::uint32_t c = 0; c < kUnits; ++c) {
    const char16_t u = Unit(c);
    const char16_t l = ToLowerUnit(u);
    const Text out = SentenceCase(Text{u'x', u'.', u, u'x'});
    ASSERT_EQ(out[0], u'X');
    if (IsCasedLetter(l)) {
      ASSERT_EQ(out[2], ToUpperUnit(l)) << Hex(c);
      ASSERT_EQ(out[3], u'x') << Hex(c);
    } else {
      ASSERT_EQ(out[2], l) << Hex(c);
      ASSERT_EQ(out[3], u'X') << Hex(c);
    }
  }
}

TEST(CaseRuleProperties, SentenceCaseNeverTouchesNonLetters) {
  const Text all = AllUnits();
  const Text out = SentenceCase(all);
  for (std::uint32_t c = 0; c < kUnits; ++c) {
    const char16_t u = Unit(c);
    if (IsCasedLetter(u) || ToLowerUnit(u) != u) continue;
    ASSERT_EQ(out[c], u) << Hex(c);
  }
}

// Only the seven separators make the next unit start a word.
TEST(CaseRuleProperties, ProperCaseStartsWordsOnlyAfterSeparators) {
  const TextView separators(u"\0\t\n\v\f\r ", 7);
  for (std::uint32_t c = 0; c < kUnits; ++c) {
    const char16_t u = Unit(c);
    const Text out = ProperCase(Text{u, u'a'});
    ASSERT_EQ(out[0], ToUpperUnit(ToLowerUnit(u))) << Hex(c);
    const bool separates = separators.find(u) != TextView::npos;
    ASSERT_EQ(out[1], separates ? u'A' : u'a') << Hex(c);
  }
}

}  // namespace
}  // namespace tarnwick::mCase
