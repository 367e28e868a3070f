#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "env/SettingValues.h"
#include "errors/ErrInfo.h"

namespace tarnwick::mRegSettings {
namespace {

using mErrTrap::rt::Overflow;
using mErrTrap::rt::TypeMismatch;

// The run-time error number that the parse raised, 0 when it raised none.
template <class F>
std::int32_t RaisedBy(F&& parse) {
  try {
    parse();
  } catch (const mErrTrap::ErrRaised& raised) {
    return raised.info().Number;
  }
  return 0;
}

std::int32_t Int16Error(const char16_t* text) {
  return RaisedBy([&] { ParseInt16Setting(text); });
}
std::int32_t SingleError(const char16_t* text) {
  return RaisedBy([&] { ParseSingleSetting(text); });
}

TEST(ParseInt16Setting, AcceptsBlanksSignsFractionsAndExponents) {
  EXPECT_EQ(ParseInt16Setting(u"0"), 0);
  EXPECT_EQ(ParseInt16Setting(u"  12\t"), 12);
  EXPECT_EQ(ParseInt16Setting(u"-1"), -1);
  EXPECT_EQ(ParseInt16Setting(u"+7"), 7);
  EXPECT_EQ(ParseInt16Setting(u"0004"), 4);
  EXPECT_EQ(ParseInt16Setting(u".6"), 1);
  EXPECT_EQ(ParseInt16Setting(u"5."), 5);
  EXPECT_EQ(ParseInt16Setting(u"1e3"), 1000);
  EXPECT_EQ(ParseInt16Setting(u"15E-1"), 2);
  EXPECT_EQ(ParseInt16Setting(u"1e-999"), 0);
}

TEST(ParseInt16Setting, RoundsHalvesToEven) {
  EXPECT_EQ(ParseInt16Setting(u"0.5"), 0);
  EXPECT_EQ(ParseInt16Setting(u"1.5"), 2);
  EXPECT_EQ(ParseInt16Setting(u"2.5"), 2);
  EXPECT_EQ(ParseInt16Setting(u"3.5"), 4);
  EXPECT_EQ(ParseInt16Setting(u"-2.5"), -2);
  EXPECT_EQ(ParseInt16Setting(u"2.51"), 3);
  EXPECT_EQ(ParseInt16Setting(u"2.49"), 2);
}

TEST(ParseInt16Setting, RangeEndsAndOverflow) {
  EXPECT_EQ(ParseInt16Setting(u"32767"), 32767);
  EXPECT_EQ(ParseInt16Setting(u"-32768"), -32768);
  EXPECT_EQ(ParseInt16Setting(u"-32768.5"), -32768);  // rounds to the even end
  EXPECT_EQ(Int16Error(u"32768"), Overflow);
  EXPECT_EQ(Int16Error(u"32767.5"), Overflow);
  EXPECT_EQ(Int16Error(u"-32769"), Overflow);
  EXPECT_EQ(Int16Error(u"99999999999999999999999"), Overflow);
  EXPECT_EQ(Int16Error(u"1e9999"), Overflow);
  EXPECT_EQ(Int16Error(u"-1e400"), Overflow);
}

TEST(ParseInt16Setting, NonNumbersAreTypeMismatches) {
  for (const char16_t* text : {u"", u"   ", u"abc", u"12abc", u"1,5", u".", u"-", u"+-1", u"1e",
                               u"1e+", u"e5", u"1 2", u"0x10", u"\u0663", u"\uFF11", u"1\u00A0"}) {
    SCOPED_TRACE(std::string(text, text + std::char_traits<char16_t>::length(text)));
    EXPECT_EQ(Int16Error(text), TypeMismatch);
  }
  // A NUL in the stored text is no digit either.
  EXPECT_EQ(RaisedBy([] { ParseInt16Setting(TextView(u"1\0" "2", 3)); }), TypeMismatch);
}

TEST(ParseSingleSetting, ValuesAndErrors) {
  EXPECT_EQ(ParseSingleSetting(u"100"), 100.0f);
  EXPECT_EQ(ParseSingleSetting(u" -1.5 "), -1.5f);
  EXPECT_EQ(ParseSingleSetting(u"0.1"), 0.1f);
  EXPECT_EQ(ParseSingleSetting(u"3.4028235e38"), FLT_MAX);
  EXPECT_EQ(ParseSingleSetting(u"1e-50"), 0.0f);
  EXPECT_EQ(SingleError(u"1e39"), Overflow);
  EXPECT_EQ(SingleError(u"-4e38"), Overflow);
  EXPECT_EQ(SingleError(u""), TypeMismatch);
  EXPECT_EQ(SingleError(u"12,5"), TypeMismatch);
  EXPECT_EQ(SingleError(u"inf"), TypeMismatch);
  EXPECT_EQ(SingleError(u"nan"), TypeMismatch);
}

TEST(FormatSingleSetting, ShortestTextThatReadsBack) {
  EXPECT_EQ(FormatSingleSetting(0.0f), u"0");
  EXPECT_EQ(FormatSingleSetting(1500.0f), u"1500");
  EXPECT_EQ(FormatSingleSetting(-120.5f), u"-120.5");
  EXPECT_EQ(FormatSingleSetting(0.1f), u"0.1");
  for (float value : {0.1f, 1234.567f, -32768.0f, 16777217.0f, 1e-45f, FLT_MAX, -FLT_MAX,
                      3.14159265f, 2.5e-10f, 1e20f}) {
    const Text text = FormatSingleSetting(value);
    EXPECT_EQ(text.find(u','), Text::npos);
    EXPECT_EQ(ParseSingleSetting(text), value) << std::string(text.begin(), text.end());
  }
}

TEST(FormatInt16Setting, DecimalRoundTrip) {
  EXPECT_EQ(FormatInt16Setting(-32768), u"-32768");
  EXPECT_EQ(FormatInt16Setting(0), u"0");
  for (int v = -32768; v <= 32767; v += 4097) {
    const auto value = static_cast<std::int16_t>(v);
    EXPECT_EQ(ParseInt16Setting(FormatInt16Setting(value)), value);
  }
}

}  // namespace
}  // namespace tarnwick::mRegSettings
