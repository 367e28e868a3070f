// Whole report texts produced by real traps, compared byte for byte.
#include "ErrorsFixture.h"

namespace tarnwick::mErrTrap::testing {
namespace {

Text SCase(const Text& str) {
  Trap trap(u"mCase.SCase(str)", TrapKind::Inner, str);
  return trap.Run([&] {
    trap.Step(10, [&] {});
    trap.Step(20, [&] {});
    return trap.Step(30, [&]() -> Text { RaiseRuntime(rt::ObjectNotSet); });
  });
}

void bnSentence_Click(const Text& text) {
  Trap trap(u"Form1.bnSentence_Click", TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(10, [&] {});
    trap.Step(20, [&] { SCase(text); });
    trap.Step(30, [&] { ADD_FAILURE() << "the handler went on after the failure"; });
  });
}

TEST_F(ErrorsTest, InnerFailureUnderHandlerGivesHeaderAndTwoLines) {
  bnSentence_Click(u"abc");
  const Text expected = Header91(u"mCase.SCase") +
                        Dashed(u"  Call Stack: mCase.SCase(str='abc')  at Line 30 ") +
                        Dashed(u"  Call Stack: Form1.bnSentence_Click()  at Line 20 ");
  EXPECT_EQ(reporter.calls, 1);
  EXPECT_EQ(reporter.report, expected);
  EXPECT_EQ(ErrReportText(), expected);  // kept until the next error
  EXPECT_EQ(CurrentError().Number, 0);   // the handler ended normally
  EXPECT_FALSE(Context().Preserved);
}

TEST_F(ErrorsTest, SecondFailureReplacesTheReport) {
  bnSentence_Click(u"first");
  bnSentence_Click(u"second");
  EXPECT_EQ(reporter.calls, 2);
  EXPECT_EQ(reporter.report, Header91(u"mCase.SCase") +
                                 Dashed(u"  Call Stack: mCase.SCase(str='second')  at Line 30 ") +
                                 Dashed(u"  Call Stack: Form1.bnSentence_Click()  at Line 20 "));
}

// Three inner levels: C fails outside any step, B passes no arguments, A two.
void C(bool flag) {
  Trap trap(u"mTest.C(flag)", TrapKind::Inner, flag);
  trap.Run([&] { throw std::out_of_range("index"); });
}
void B() {
  Trap trap(u"mTest.B", TrapKind::Inner);
  trap.Run([&] { trap.Step(70, [&] { C(true); }); });
}
std::int32_t A(std::int32_t count, const Text& name) {
  Trap trap(u"mTest.A(count,name)", TrapKind::Inner, count, name);
  return trap.Run([&] {
    count = 99;  // the report shows the value at the moment of the failure
    trap.Step(40, [&] { B(); });
    return count;
  });
}
void Form_Load() {
  Trap trap(u"Form1.Form_Load", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(110, [&] { A(3, u"x"); }); });
}

TEST_F(ErrorsTest, ThreeNestedLevelsGiveFourLinesInnermostFirst) {
  Form_Load();
  const Text expected =
      u"Subscript out of range \r\n"
      u"  Time='03/07/26 09:05:01' App='Tarnwick:2.0.0' ADO-version='?' Computer='TESTPC' \r\n"
      u"  Method: mTest.C \r\n"
      u"  Number: 9 = &H9 = vbObjectError + 2147221513 = ERRMAP_APP_FIRST + 2147216315 \r\n"
      u"  Source: Tarnwick \r\n"
      u"  Description: Subscript out of range\r\n" +
      Dashed(u"  Call Stack: mTest.C(flag=True) ") +
      Dashed(u"  Call Stack: mTest.B()  at Line 70 ") +
      Dashed(u"  Call Stack: mTest.A(count=99, name='x')  at Line 40 ") +
      Dashed(u"  Call Stack: Form1.Form_Load()  at Line 110 ");
  EXPECT_EQ(reporter.calls, 1);
  EXPECT_EQ(reporter.report, expected);
}

void LongArgs(const Text& sText, const Text& sOther, std::int32_t n) {
  Trap trap(u"mTest.LongArgs(sText,sOther,n)", TrapKind::Inner, sText, sOther, n);
  trap.Run([&] { trap.Step(10, [&] { RaiseRuntime(rt::ObjectNotSet); }); });
}
void bnLong_Click(const Text& a, const Text& b) {
  Trap trap(u"Form1.bnLong_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(20, [&] { LongArgs(a, b, 5); }); });
}

TEST_F(ErrorsTest, OneLongValueGetsItsValueOfBlock) {
  const Text long41(41, u'a');  // 43 characters with its quotes
  bnLong_Click(long41, u"ok");
  EXPECT_EQ(reporter.report,
            Header91(u"mTest.LongArgs") +
                Dashed(u"  Call Stack: mTest.LongArgs(sText={Text}, sOther='ok', n=5)  at Line 10 ") +
                u"    Value Of sText:\r\n      '" + long41 + u"'\r\n" +
                Dashed(u"  Call Stack: Form1.bnLong_Click()  at Line 20 "));
}

TEST_F(ErrorsTest, TwoLongValuesShareOneBlockBeforeTheCallersLine) {
  const Text long45(45, u'b');
  bnLong_Click(long45, u"two\r\nlines");
  EXPECT_EQ(reporter.report,
            Header91(u"mTest.LongArgs") +
                Dashed(u"  Call Stack: mTest.LongArgs(sText={Text}, sOther={Text}, n=5)  at Line 10 ") +
                u"    Value Of sText:\r\n      '" + long45 + u"'\r\n"
                u"    Value Of sOther:\r\n      'two\r\n      lines'\r\n" +
                Dashed(u"  Call Stack: Form1.bnLong_Click()  at Line 20 "));
}

void ParseXml(const Text& xmlDoc, const Text& XmlOther) {
  Trap trap(u"mTest.ParseXml(xmlDoc,XmlOther)", TrapKind::EndsChain, xmlDoc, XmlOther);
  trap.Run([&] { trap.Step(10, [&] { RaiseRuntime(rt::ObjectNotSet); }); });
}

TEST_F(ErrorsTest, XmlValuesAreIndentedOnlyForLowerCaseXmlNames) {
  const Text xml = u"<root><item a=\"1\"/><item>x</item></root>";
  ParseXml(xml, xml);
  EXPECT_EQ(reporter.report,
            Header91(u"mTest.ParseXml") +
                Dashed(u"  Call Stack: mTest.ParseXml(xmlDoc={Text}, XmlOther={Text})  at Line 10 ") +
                u"    Value Of xmlDoc:\r\n"
                u"      <root>\r\n"
                u"        <item a=\"1\"/>\r\n"
                u"        <item>x\r\n"
                u"        </item>\r\n"
                u"      </root>\r\n"
                u"    Value Of XmlOther:\r\n"
                u"      '" + xml + u"'\r\n");
}

TEST_F(ErrorsTest, ApiErrorLineFollowsTheHeaderUnlessCodeIsZeroOr203) {
  struct Case {
    std::uint32_t code;
    Text line;
  };
  for (const Case& c : {Case{0, u""}, Case{203, u""}, Case{5, u"  API Error: (5) Access is denied.\r\n"},
                        Case{1234, u"  API Error: (1234) \r\n"}}) {
    ResetErrorState();
    RecordLastDllError(c.code);
    bnSentence_Click(u"abc");
    EXPECT_EQ(reporter.report,
              Header91(u"mCase.SCase") + c.line +
                  Dashed(u"  Call Stack: mCase.SCase(str='abc')  at Line 30 ") +
                  Dashed(u"  Call Stack: Form1.bnSentence_Click()  at Line 20 "))
        << "code " << c.code;
  }
}

void aVeryLongEventProcedureNameThatFillsTheLine_Click(const Text& value) {
  Trap trap(u"Form1.aVeryLongEventProcedureNameThatFillsTheLine_Click(value)", TrapKind::EndsChain,
            value);
  trap.Run([&] { trap.Step(10, [&] { RaiseRuntime(rt::ObjectNotSet); }); });
}

TEST_F(ErrorsTest, CallStackLineOf100OrMoreIsNeitherPaddedNorCut) {
  const Text value(38, u'v');  // 40 characters with its quotes: stays in the line
  aVeryLongEventProcedureNameThatFillsTheLine_Click(value);
  const Text line = u"  Call Stack: Form1.aVeryLongEventProcedureNameThatFillsTheLine_Click(value='" +
                    value + u"')  at Line 10 ";
  ASSERT_GT(line.size(), 100u);
  EXPECT_EQ(reporter.report,
            Header91(u"Form1.aVeryLongEventProcedureNameThatFillsTheLine_Click") + line + u"\r\n");
}

TEST_F(ErrorsTest, RegionalSeparatorsShapeTheHeaderTime) {
  facts.separators = RegionalSeparators{u".", u"-", u","};
  bnSentence_Click(u"abc");
  EXPECT_NE(reporter.report.find(u"  Time='03.07.26 09-05-01' App="), Text::npos);
  EXPECT_EQ(ErrTimeText(DateValue{2000, 12, 31, 23, 0, 9}, u"/", u":"), u"12/31/00 23:00:09");
}

TEST_F(ErrorsTest, PlatformFailuresLeaveDefaultsAndKeepTheError) {
  facts.failEverything = true;
  bnSentence_Click(u"abc");
  const Text header =
      u"Object variable or With block variable not set \r\n"
      u"  Time='' App=':' ADO-version='?' Computer='' \r\n";
  EXPECT_EQ(reporter.report.substr(0, header.size()), header);
  EXPECT_NE(reporter.report.find(u"  Number: 91 = &H5B"), Text::npos);
}

}  // namespace
}  // namespace tarnwick::mErrTrap::testing
