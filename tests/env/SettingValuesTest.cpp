#include <gtest/gtest.h>

#include <cfloat>

#include "../support/Outcome.h"
#include "env/SettingValues.h"

namespace tarnwick::mRegSettings {
namespace {

using testsupport::Outcome;

struct Row {
  TextView text;
  Text outcome;
};
const Text kOverflow = u"6 Overflow", kMismatch = u"13 Type mismatch";

TEST(SettingValues, Int16Texts) {
  const Row rows[] = {
      {u"0", u"0"}, {u"  12\t", u"12"}, {u"-1", u"-1"}, {u"+7", u"7"}, {u"0004", u"4"},
      {u".6", u"1"}, {u"5.", u"5"}, {u"1e3", u"1000"}, {u"15E-1", u"2"}, {u"1e-999", u"0"},
      {u"0.5", u"0"}, {u"1.5", u"2"}, {u"2.5", u"2"}, {u"3.5", u"4"}, {u"-2.5", u"-2"},  // to even
      {u"2.51", u"3"}, {u"2.49", u"2"}, {u"32767", u"32767"}, {u"-32768", u"-32768"},
      {u"-32768.5", u"-32768"}, {u"32768", kOverflow}, {u"32767.5", kOverflow},
      {u"-32769", kOverflow}, {u"99999999999999999999999", kOverflow}, {u"1e9999", kOverflow},
      {u"1e+400", kOverflow}, {u"-1e400", kOverflow}, {u"", kMismatch}, {u"   ", kMismatch},
      {u"abc", kMismatch}, {u"12abc", kMismatch}, {u"1,5", kMismatch}, {u".", kMismatch},
      {u"-", kMismatch}, {u"+-1", kMismatch}, {u"1e", kMismatch}, {u"1e+", kMismatch},
      {u"e5", kMismatch}, {u"1 2", kMismatch}, {u"0x10", kMismatch}, {u"\u0663", kMismatch},
      {u"\uFF11", kMismatch}, {u"1\u00A0", kMismatch}, {TextView(u"1\0" "2", 3), kMismatch},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(TextToAscii(row.text));
    EXPECT_EQ(Outcome([&] { return ParseInt16Setting(row.text); }), row.outcome);
  }
}

TEST(SettingValues, SingleTexts) {
  const Row rows[] = {
      {u"100", u"100"}, {u" -1.5 ", u"-1.5"}, {u"0.1", u"0.100000001"},
      {u"3.4028235e38", u"3.40282347e+38"}, {u"1e-50", u"0"}, {u"1e39", kOverflow},
      {u"-4e38", kOverflow}, {u"1E+39", kOverflow}, {u"", kMismatch}, {u"12,5", kMismatch},
      {u"inf", kMismatch}, {u"nan", kMismatch},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(TextToAscii(row.text));
    EXPECT_EQ(Outcome([&] { return ParseSingleSetting(row.text); }), row.outcome);
  }
}

TEST(SettingValues, FormattedValuesReadBack) {
  EXPECT_EQ(FormatSingleSetting(-120.5f), u"-120.5");
  EXPECT_EQ(FormatSingleSetting(0.1f), u"0.1");  // the shortest text, never "0.100000001"
  for (float value : {0.0f, 1500.0f, 1234.567f, -32768.0f, 16777217.0f, 1e-45f, FLT_MAX, -FLT_MAX,
                      3.14159265f, 2.5e-10f, 1e20f}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(ParseSingleSetting(FormatSingleSetting(value)), value);
  }
  for (int v = -32768; v <= 32767; v += 4097) {
    const auto value = static_cast<std::int16_t>(v);
    EXPECT_EQ(ParseInt16Setting(FormatInt16Setting(value)), value) << v;
  }
}

}  // namespace
}  // namespace tarnwick::mRegSettings
