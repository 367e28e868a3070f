#include <gtest/gtest.h>

#include <cfloat>

#include "env/SettingValues.h"
#include "errors/ErrInfo.h"

namespace tarnwick::mRegSettings {
namespace {

constexpr std::int32_t kOverflow = mErrTrap::rt::Overflow, kMismatch = mErrTrap::rt::TypeMismatch;

// The run-time error number that the parse raised, 0 when it raised none.
template <class T>
std::int32_t ErrorOf(T (*parse)(TextView), TextView text, T& value) {
  try {
    value = parse(text);
  } catch (const mErrTrap::ErrRaised& raised) {
    return raised.info().Number;
  }
  return 0;
}

TEST(SettingValues, Int16Texts) {
  struct Row {
    TextView text;
    std::int16_t value;
    std::int32_t error;
  };
  const Row rows[] = {
      {u"0", 0, 0}, {u"  12\t", 12, 0}, {u"-1", -1, 0}, {u"+7", 7, 0}, {u"0004", 4, 0},
      {u".6", 1, 0}, {u"5.", 5, 0}, {u"1e3", 1000, 0}, {u"15E-1", 2, 0}, {u"1e-999", 0, 0},
      {u"0.5", 0, 0}, {u"1.5", 2, 0}, {u"2.5", 2, 0}, {u"3.5", 4, 0},  // halves to even
      {u"-2.5", -2, 0},
      {u"2.51", 3, 0}, {u"2.49", 2, 0}, {u"32767", 32767, 0}, {u"-32768", -32768, 0},
      {u"-32768.5", -32768, 0}, {u"32768", 0, kOverflow}, {u"32767.5", 0, kOverflow},
      {u"-32769", 0, kOverflow}, {u"99999999999999999999999", 0, kOverflow},
      {u"1e9999", 0, kOverflow}, {u"1e+400", 0, kOverflow}, {u"-1e400", 0, kOverflow},
      {u"", 0, kMismatch}, {u"   ", 0, kMismatch}, {u"abc", 0, kMismatch}, {u"12abc", 0, kMismatch},
      {u"1,5", 0, kMismatch}, {u".", 0, kMismatch}, {u"-", 0, kMismatch}, {u"+-1", 0, kMismatch},
      {u"1e", 0, kMismatch}, {u"1e+", 0, kMismatch}, {u"e5", 0, kMismatch}, {u"1 2", 0, kMismatch},
      {u"0x10", 0, kMismatch}, {u"\u0663", 0, kMismatch}, {u"\uFF11", 0, kMismatch},
      {u"1\u00A0", 0, kMismatch}, {TextView(u"1\0" "2", 3), 0, kMismatch},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(TextToAscii(row.text));
    std::int16_t value = 0;
    EXPECT_EQ(ErrorOf(ParseInt16Setting, row.text, value), row.error);
    EXPECT_EQ(value, row.value);
  }
}

TEST(SettingValues, SingleTexts) {
  struct Row {
    TextView text;
    float value;
    std::int32_t error;
  };
  const Row rows[] = {
      {u"100", 100.0f, 0}, {u" -1.5 ", -1.5f, 0}, {u"0.1", 0.1f, 0}, {u"3.4028235e38", FLT_MAX, 0},
      {u"1e-50", 0.0f, 0}, {u"1e39", 0, kOverflow}, {u"-4e38", 0, kOverflow},
      {u"1E+39", 0, kOverflow},
      {u"", 0, kMismatch}, {u"12,5", 0, kMismatch}, {u"inf", 0, kMismatch}, {u"nan", 0, kMismatch},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(TextToAscii(row.text));
    float value = 0;
    EXPECT_EQ(ErrorOf(ParseSingleSetting, row.text, value), row.error);
    EXPECT_EQ(value, row.value);
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
