// Rendering of argument values and the pieces of the report lines.
#include <cstdlib>
#include <ctime>
#include <limits>
#include <tuple>

#include "ErrorsFixture.h"

namespace tarnwick::mErrTrap::testing {
namespace {

Value List(std::vector<Value> items) { return Value(ArrayValue{std::move(items)}); }

TEST_F(ErrorsTest, EveryValueKindHasItsRendering) {
  struct Row {
    Value value;
    Text text;
    Text decimal = u".";  // the regional decimal separator
    bool platformFails = false;
  };
  using Cy = CurrencyValue;
  using Date = DateValue;
  const Row rows[] = {
      {Value(std::int32_t{-2147483647 - 1}), u"-2147483648"},
      {Value(std::int32_t{1000}), u"1000", u","}, {Value(0.1f), u"0.1"},
      {Value(16777216.0f), u"1.677722E+07"},  // beyond single precision's 7 digits
      {Value(1.0 / 3), u"0.333333333333333"}, {Value(1e20), u"1E+20"},
      {Value(1.5e-7), u"1,5E-07", u","}, {Value(2.5), u"2,5", u","},
      {Value(2.5), u"2.5", u",", true},  // the separator falls back to "."
      {Value(-0.0), u"0"}, {Value(std::numeric_limits<double>::infinity()), u"{?}"},
      {Value(Cy{12345678}), u"1234.5678"}, {Value(Cy{15000}), u"1.5"},
      {Value(Cy{25000}), u"2,5", u","}, {Value(Cy{-5}), u"-0.0005"}, {Value(Cy{0}), u"0"},
      {Value(Cy{std::numeric_limits<std::int64_t>::min()}), u"-922337203685477.5808"},
      {Value(Date{2026, 3, 7, 14, 5, 9}), u"'3/7/2026 14:5:9'"},
      {Value(Date{2026, 3, 7, 0, 0, 0}), u"'3/7/2026'"},
      {Value(Date{2026, 3, 7, 0, 5, 0}), u"'3/7/2026 0:5:0'"},
      {Value(Date{1899, 12, 30, 0, 0, 0}), u"'0:0:0'"},
      {Value(Date{2026, 3, 7, 1, 2, 3}), u"{?}", u".", true},
      {Value(Text(u"it's \"x\"\t")), u"'it's \"x\"\t'"}, {Value(ObjectRef{}), u"{Nothing}"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(TextToAscii(row.text));
    facts.separators.decimal = row.decimal;
    facts.failEverything = row.platformFails;
    EXPECT_EQ(ErrFormatValue(row.value), row.text);
  }
}

// The answers of the native build, where no platform installs its facts.
TEST(PortableFacts, ShortDateAndTwelveHourTime) {
  EXPECT_EQ(ErrFormatValue(Value(DateValue{2026, 3, 7, 0, 5, 1})), u"'3/7/2026 12:05:01 AM'");
  EXPECT_EQ(ErrFormatValue(Value(DateValue{1899, 12, 30, 12, 0, 0})), u"'12:00:00 PM'");
  EXPECT_EQ(ErrFormatValue(Value(DateValue{1899, 12, 30, 13, 10, 0})), u"'1:10:00 PM'");
}

// Without a system's facts, reports are dated by the C library's local time:
// read back as a local time, the date is now.
TEST(PortableFacts, TheDateIsNow) {
  SetPlatformFacts(nullptr);
  const std::time_t now = std::time(nullptr);
  const DateValue d = Platform().LocalNow();
  std::tm local{};  // tm_isdst -1: daylight saving as the C library knows it for that date
  std::tie(local.tm_year, local.tm_mon, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
           local.tm_isdst) =
      std::tuple(d.year - 1900, d.month - 1, d.day, d.hour, d.minute, d.second, -1);
  EXPECT_LE(std::abs(double(std::mktime(&local) - now)), 2.0);
}

TEST_F(ErrorsTest, ArgumentsPairWithNamesAndLongOnesGoToTheBlock) {
  struct Row {
    Text names;
    Value values;
    Text line, block;
  };
  const Row rows[] = {
      {u"s", Value(Text(u"a\nb")), u"s='a\nb'", u""},  // a lone LF stays in the line
      {u"a", List({Value(std::int32_t{1}), Value(Text(u"x"))}), u"a=1, 'x'", u""},
      {u"a,b,c", Value(std::int32_t{1}), u"a=1", u""},
      {u"a,b,c", List({Value(NullValue{}), Value(EmptyValue{})}), u"a={Null}, b={Empty}", u""},
      {u"", Value(MissingValue{}), u"", u""},
      {u"a,b", List({Value(ErrorValue{}), Value(std::int32_t{2})}), u"a=, b=2", u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(TextToAscii(row.line));
    Context().LongValues = u"left over";
    EXPECT_EQ(ErrFormatArgs(row.names, row.values), row.line);
    EXPECT_EQ(Context().LongValues, row.block);
  }
}

// A text longer than a report shows is cut after its first 1,000
// characters, never inside a surrogate pair or a CR LF, and a last line
// names its whole length; the same whether the text comes whole or as a
// trap records it. Each row: the value's block below its "Value Of" line.
TEST_F(ErrorsTest, LongTextsAreCutWhereAReportStopsShowingThem) {
  const Text a998(998, u'a'), a999(999, u'a'), face = u"\U0001F600";
  const auto cut = [](const Text& shown, int length) {
    return u"      '" + shown + u"'\r\n      \u2026 (" + DecimalText(length) + u" characters in all)";
  };
  Text xml = u"<r>", xmlShown = u"      <r>";
  for (int i = 0; i < 300; ++i) xml += u"<i/>";
  for (int i = 0; i < 249; ++i) xmlShown += u"\r\n        <i/>";  // 3 + 249 * 4 = 999 characters
  xml += u"</r>";
  struct Row {
    const char* what;
    Text name, text, block;
  };
  const Row rows[] = {
      {"exactly 1,000", u"s", a999 + u"b", u"      '" + a999 + u"b'"},
      {"1,001", u"s", a999 + u"bc", cut(a999 + u"b", 1001)},
      {"a pair across the cut", u"s", a999 + face + u"c", cut(a999, 1002)},
      {"a pair that ends at the cut", u"s", a998 + face + u"c", cut(a998 + face, 1001)},
      {"CR LF across the cut", u"s", a999 + u"\r\nc", cut(a999, 1002)},
      {"a long XML value", u"xmlDoc", xml, xmlShown + u"\r\n        <\r\n      \u2026 (1207 characters in all)"},
  };
  for (const Row& row : rows) {
    for (const Value& value : {Value(row.text), ErrValueOf(row.text)}) {
      SCOPED_TRACE(row.what);
      EXPECT_EQ(ErrFormatArgs(row.name, value), row.name + u"={Text}");
      EXPECT_EQ(Context().LongValues, u"    Value Of " + row.name + u":\r\n" + row.block);
    }
  }
}

TEST_F(ErrorsTest, PiecesOfTheReportLines) {
  EXPECT_EQ(ErrIndentXml(u"'lead<a>x</a>'"), u"lead<a>x\r\n</a>");
  EXPECT_EQ(ErrIndentXml(u"'</a><b>'"), u"</a><b>");  // a closing tag without its opening one
  EXPECT_EQ(ErrIndentXml(u""), u"");  // too short to hold its quotes
  EXPECT_EQ(ErrSignedOffset(std::numeric_limits<std::int64_t>::min()), u"- 9223372036854775808");
  facts.messages[2] = u"The system\r\ncannot find\r the file.\r\n";
  EXPECT_EQ(ErrApiMessage(2), u"The systemcannot find\r the file.");  // only CR LF pairs go
}

}  // namespace
}  // namespace tarnwick::mErrTrap::testing
