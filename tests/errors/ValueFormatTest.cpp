// Rendering of argument values and the helpers of the call-stack line.
#include <cmath>
#include <limits>

#include "ErrorsFixture.h"

namespace tarnwick::mErrTrap::testing {
namespace {

Value List(std::vector<Value> items) { return Value(ArrayValue{std::move(items)}); }

TEST_F(ErrorsTest, EveryValueKindHasItsRendering) {
  struct Case {
    Value value;
    Text text;
  };
  const Case cases[] = {
      {List({Value(true)}), u"{Array}"},
      {Value(EmptyValue{}), u"{Empty}"},
      {Value(NullValue{}), u"{Null}"},
      {Value(true), u"True"},
      {Value(false), u"False"},
      {Value(std::uint8_t{255}), u"255"},
      {Value(std::int16_t{-32768}), u"-32768"},
      {Value(std::int32_t{-2147483647 - 1}), u"-2147483648"},
      {Value(1.5f), u"1.5"},
      {Value(0.1f), u"0.1"},
      {Value(3.14159), u"3.14159"},
      {Value(1.0 / 3), u"0.333333333333333"},
      {Value(1e20), u"1E+20"},
      {Value(1.5e-7), u"1.5E-07"},
      {Value(-0.0), u"0"},
      {Value(std::numeric_limits<double>::infinity()), u"{?}"},
      {Value(CurrencyValue{12345678}), u"1234.5678"},
      {Value(CurrencyValue{15000}), u"1.5"},
      {Value(CurrencyValue{-5}), u"-0.0005"},
      {Value(CurrencyValue{std::numeric_limits<std::int64_t>::min()}), u"-922337203685477.5808"},
      {Value(DateValue{2026, 3, 7, 14, 5, 9}), u"'3/7/2026 14:5:9'"},
      {Value(DateValue{2026, 3, 7, 0, 0, 0}), u"'3/7/2026'"},
      {Value(DateValue{1899, 12, 30, 0, 0, 0}), u"'0:0:0'"},
      {Value(Text(u"it's \"x\"\t")), u"'it's \"x\"\t'"},
      {Value(ObjectRef{u"Form1"}), u"{Form1}"},
      {Value(ObjectRef{}), u"{Nothing}"},
      {Value(ErrorValue{448}), u""},
      {Value(MissingValue{}), u""},
      {Value(UnknownValue{}), u"{?}"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrFormatValue(c.value), c.text);
}

TEST_F(ErrorsTest, NumbersUseTheRegionalDecimalSeparator) {
  facts.separators.decimal = u",";
  EXPECT_EQ(ErrFormatValue(Value(2.5)), u"2,5");
  EXPECT_EQ(ErrFormatValue(Value(CurrencyValue{25000})), u"2,5");
  EXPECT_EQ(ErrFormatValue(Value(1.5e-7)), u"1,5E-07");
  EXPECT_EQ(ErrFormatValue(Value(std::int32_t{1000})), u"1000");
}

TEST_F(ErrorsTest, RenderingFailureGivesUnknown) {
  facts.failEverything = true;
  EXPECT_EQ(ErrFormatValue(Value(DateValue{2026, 3, 7, 1, 2, 3})), u"{?}");
  EXPECT_EQ(ErrFormatValue(Value(2.5)), u"2.5");  // the separator falls back to "."
}

TEST_F(ErrorsTest, ValuesOf40CharactersStayAnd41GoToTheBlock) {
  EXPECT_EQ(ErrFormatArgs(u"s", Value(Text(38, u'x'))), u"s='" + Text(38, u'x') + u"'");
  EXPECT_EQ(Context().LongValues, u"");
  EXPECT_EQ(ErrFormatArgs(u"s", Value(Text(39, u'x'))), u"s={Text}");
  EXPECT_EQ(Context().LongValues, u"    Value Of s:\r\n      '" + Text(39, u'x') + u"'");
  EXPECT_EQ(ErrFormatArgs(u"s", Value(Text(u"a\r\nb"))), u"s={Text}");
  EXPECT_EQ(Context().LongValues, u"    Value Of s:\r\n      'a\r\n      b'");
  EXPECT_EQ(ErrFormatArgs(u"s", Value(Text(u"a\nb"))), u"s='a\nb'");  // a lone LF stays
  EXPECT_EQ(Context().LongValues, u"");
}

TEST_F(ErrorsTest, NamesAndValuesPairByPosition) {
  EXPECT_EQ(ErrFormatArgs(u"a", List({Value(std::int32_t{1}), Value(Text(u"x")), Value(true)})),
            u"a=1, 'x', True");
  EXPECT_EQ(ErrFormatArgs(u"a,b,c", Value(std::int32_t{1})), u"a=1");
  EXPECT_EQ(ErrFormatArgs(u"a,b,c", List({Value(NullValue{}), Value(EmptyValue{})})),
            u"a={Null}, b={Empty}");
  EXPECT_EQ(ErrFormatArgs(u"", Value(MissingValue{})), u"");
  EXPECT_EQ(ErrFormatArgs(u"mvarForm", Value(ObjectRef{u"Form1"})), u"mvarForm={Form1}");
  EXPECT_EQ(ErrFormatArgs(u"a,b", List({Value(ErrorValue{}), Value(std::int32_t{2})})), u"a=, b=2");
}

TEST_F(ErrorsTest, TrapsRecordEveryKindOfArgument) {
  struct Probe {
    static void Run(std::int16_t i, float f, const DateValue& d, const ObjectRef& o) {
      Trap trap(u"m.Probe(i,f,d,o)", TrapKind::EndsChain, i, f, d, o);
      trap.Run([&] { trap.Step(10, [&] { RaiseRuntime(rt::TypeMismatch); }); });
    }
  };
  Probe::Run(7, 0.25f, DateValue{2001, 2, 3, 0, 0, 0}, ObjectRef{u"Form10"});
  EXPECT_NE(reporter.report.find(
                Dashed(u"  Call Stack: m.Probe(i=7, f=0.25, d='2/3/2001', o={Form10})  at Line 10 ")),
            Text::npos);
}

TEST(ErrIndentXml, NestingAndFailures) {
  EXPECT_EQ(ErrIndentXml(u"'<a><b/><c>t</c></a>'"), u"<a>\r\n  <b/>\r\n  <c>t\r\n  </c>\r\n</a>");
  EXPECT_EQ(ErrIndentXml(u"'lead<a>x</a>'"), u"lead<a>x\r\n</a>");
  // A closing tag without its opening one cannot be indented.
  EXPECT_EQ(ErrIndentXml(u"'</a><b>'"), u"</a><b>");
}

TEST(ErrPadRight, FillsToTheWidthButNeverCuts) {
  EXPECT_EQ(ErrPadRight(u"ab", u"-", 5), u"ab---");
  EXPECT_EQ(ErrPadRight(u"abcde", u"-", 5), u"abcde");
  EXPECT_EQ(ErrPadRight(u"abcdef", u"-", 5), u"abcdef");
  EXPECT_EQ(ErrPadRight(u"ab", u"xy", 4), u"abxyxy");  // the fill once per missing character
}

TEST(ErrSignedOffset, SignAndMagnitude) {
  EXPECT_EQ(ErrSignedOffset(0), u"+ 0");
  EXPECT_EQ(ErrSignedOffset(-5), u"- 5");
  EXPECT_EQ(ErrSignedOffset(std::numeric_limits<std::int64_t>::min()), u"- 9223372036854775808");
}

TEST(ErrHexText, UpperCaseAndTwosComplement) {
  EXPECT_EQ(ErrHexText(91), u"5B");
  EXPECT_EQ(ErrHexText(0), u"0");
  EXPECT_EQ(ErrHexText(-1), u"FFFFFFFF");
  EXPECT_EQ(ErrHexText(vbObjectError), u"80040000");
}

TEST_F(ErrorsTest, ApiMessageDropsCrLfAndNul) {
  facts.messages[2] = u"The system\r\ncannot find\r the file.\r\n";
  EXPECT_EQ(ErrApiMessage(2), u"The systemcannot find\r the file.");
  EXPECT_EQ(ErrApiMessage(5), u"Access is denied.");
  EXPECT_EQ(ErrApiMessage(99999), u"");
  facts.failEverything = true;
  EXPECT_EQ(ErrApiMessage(5), u"");
}

}  // namespace
}  // namespace tarnwick::mErrTrap::testing
