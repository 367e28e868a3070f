// Whole report texts produced by real traps, compared byte for byte: one row
// per situation that shapes the report.
#include <functional>

#include "ErrorsFixture.h"

namespace tarnwick::mErrTrap::testing {
namespace {

// --- Procedures under their traps, written as the program writes them ------------

std::int32_t g_scaseError;  // the run-time error that SCase raises

Text SCase(const Text& str) {
  Trap trap(u"mCase.SCase(str)", TrapKind::Inner, str);
  return trap.Run([&] {
    trap.Step(10, [&] {});
    return trap.Step(30, [&]() -> Text { RaiseRuntime(g_scaseError); });
  });
}
void bnSentence_Click(const Text& text = u"abc") {
  Trap trap(u"Form1.bnSentence_Click", TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(20, [&] { SCase(text); });
    trap.Step(30, [&] { ADD_FAILURE() << "the handler went on after the failure"; });
  });
}

// C fails outside any step, B has no parameters, A changes its argument.
void C(bool flag, std::int16_t i, float f, const DateValue& d, const ObjectRef& o) {
  Trap trap(u"mTest.C(flag,i,f,d,o)", TrapKind::Inner, flag, i, f, d, o);
  trap.Run([&] { throw std::out_of_range("index"); });
}
void B() {
  Trap trap(u"mTest.B", TrapKind::Inner);
  trap.Run([&] { trap.Step(70, [&] { C(true, 7, 0.25f, {2001, 2, 3}, {u"Form10"}); }); });
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

// Fails with 91 in step 10 of an EndsChain procedure of any signature.
void Fails91(const char16_t* signature, const Text& a, const Text& b = {}) {
  Trap trap(signature, TrapKind::EndsChain, a, b);
  trap.Run([&] { trap.Step(10, [&] { RaiseRuntime(rt::ObjectNotSet); }); });
}

// The current error as a caller left it, then recorded by ErrorIn.
void Recorded(std::int32_t number, const Text& source, const Text& description,
              std::int32_t step = 0, TextView envNames = {}, const Value& env = {}) {
  CurrentError() = ErrInfo{number, source, description, u"", 0};
  SetFailureStep(step);
  ErrorIn(u"m.P", Value(MissingValue{}), 42, nullptr, envNames, env);
}

// --- Expected texts ----------------------------------------------------------------

// The report of bnSentence_Click: the header, then `afterHeader` and its two levels.
Text Sentence(const Text& header, const Text& afterHeader = {}, const Text& arg = u"abc") {
  return header + afterHeader +
         Dashed(u"  Call Stack: mCase.SCase(str='" + arg + u"')  at Line 30 ") +
         Dashed(u"  Call Stack: Form1.bnSentence_Click()  at Line 20 ");
}
const Text kSCase91 = Header91(u"mCase.SCase");
constexpr char16_t kLost[] =
    u"ErrorIn: Error information was lost. To fix: call ErrPreserve before doing anything in "
    u"error handler.";
constexpr char16_t kGeneral[] =
    u"-2147216306 = &H8004144E = vbObjectError + 5198 = ERRMAP_APP_FIRST + 0 = ERR_GENERAL";
constexpr char16_t kOther[] = u"Application-defined or object-defined error";
constexpr char16_t kNumber5[] =
    u"5 = &H5 = vbObjectError + 2147221509 = ERRMAP_APP_FIRST + 2147216311 ";
const Text kRemote = u"Remote failure \r\n  Method: O.P \r\n";  // another component's report
const Text kLong41(41, u'a'), kXml = u"<root><item a=\"1\"/><item>x</item></root>";

struct Golden {
  const char* name;
  std::function<void(FixedFacts&)> run;
  Text report;      // "" for a silent error
  int reports = 1;  // handlers that ended a chain and reported
};
void PrintTo(const Golden& row, std::ostream* out) { *out << row.name; }

const Golden kGolden[] = {
    {"InnerFailureUnderHandler", [](auto&) { bnSentence_Click(); }, Sentence(kSCase91)},
    {"SecondFailureReplacesTheReport",
     [](auto&) { bnSentence_Click(u"first"); bnSentence_Click(u"second"); },
     Sentence(kSCase91, u"", u"second"), 2},
    {"ApiErrorLine", [](auto&) { RecordLastDllError(5); bnSentence_Click(); },
     Sentence(kSCase91, u"  API Error: (5) Access is denied.\r\n")},
    {"NoApiErrorLineFor203", [](auto&) { RecordLastDllError(203); bnSentence_Click(); },
     Sentence(kSCase91)},
    {"NestedLevelsInnermostFirst", [](auto&) { Form_Load(); },
     Header(u"Subscript out of range", u"mTest.C",
            u"9 = &H9 = vbObjectError + 2147221513 = ERRMAP_APP_FIRST + 2147216315 ") +
         Dashed(u"  Call Stack: mTest.C(flag=True, i=7, f=0.25, d='2/3/2001', o={Form10}) ") +
         Dashed(u"  Call Stack: mTest.B()  at Line 70 ") +
         Dashed(u"  Call Stack: mTest.A(count=99, name='x')  at Line 40 ") +
         Dashed(u"  Call Stack: Form1.Form_Load()  at Line 110 ")},
    {"LongValuesShareOneBlock",
     [](auto&) { Fails91(u"m.Long(sText,sOther)", kLong41, u"two\r\nlines"); },
     Header91(u"m.Long") +
         Dashed(u"  Call Stack: m.Long(sText={Text}, sOther={Text})  at Line 10 ") +
         u"    Value Of sText:\r\n      '" + kLong41 + u"'\r\n"
         u"    Value Of sOther:\r\n      'two\r\n      lines'\r\n"},
    {"XmlIndentedOnlyForLowerCaseXmlNames",
     [](auto&) { Fails91(u"m.Parse(xmlDoc,XmlOther)", kXml, kXml); },
     Header91(u"m.Parse") +
         Dashed(u"  Call Stack: m.Parse(xmlDoc={Text}, XmlOther={Text})  at Line 10 ") +
         u"    Value Of xmlDoc:\r\n      <root>\r\n        <item a=\"1\"/>\r\n        <item>x\r\n"
         u"        </item>\r\n      </root>\r\n    Value Of XmlOther:\r\n      '" + kXml +
         u"'\r\n"},
    {"LineOf100OrMoreIsNeitherPaddedNorCut",
     [](auto&) { Fails91(u"Form1.aVeryLongEventProcedureName_Click(v)", Text(38, u'v')); },
     Header91(u"Form1.aVeryLongEventProcedureName_Click") +
         u"  Call Stack: Form1.aVeryLongEventProcedureName_Click(v='" + Text(38, u'v') +
         u"', '')  at Line 10 \r\n"},
    {"RegionalSeparatorsAndExeTitle",
     [](FixedFacts& f) {
       f.separators = {u".", u"-", u","};
       f.exePath = u"D:\\a.b/Tarn.wick.exe";
       bnSentence_Click();
     },
     Sentence(Header91(u"mCase.SCase",
                       FactsLine(u"03.07.26 09-05-01", u"Tarn.wick:2.0.0", u"TESTPC")))},
    {"PlatformFailuresLeaveDefaults",
     [](FixedFacts& f) { f.failEverything = true; bnSentence_Click(); },
     Sentence(Header91(u"mCase.SCase", FactsLine(u"", u":", u"")))},
    {"SilentBandFirst", [](auto&) { g_scaseError = kSilentFirst; bnSentence_Click(); }, u""},
    {"SilentBandLast", [](auto&) { g_scaseError = kSilentLast; bnSentence_Click(); }, u""},
    {"BelowTheSilentBand", [](auto&) { g_scaseError = kSilentFirst - 1; bnSentence_Click(); },
     Sentence(Header(kOther, u"mCase.SCase",
                     u"-2147217308 = &H80041064 = vbObjectError + 4196 = "
                     u"ERRMAP_APP_FIRST - 1002 "))},
    {"AboveTheSilentBand", [](auto&) { g_scaseError = kSilentLast + 1; bnSentence_Click(); },
     Sentence(Header(kOther, u"mCase.SCase", kGeneral))},
    {"LostInformation", [](auto&) { ErrorIn(u"mTest.Lost(a)", Value(std::int32_t{1}), 42); },
     Header(kLost, u"mTest.Lost", kGeneral, u"") + Dashed(u"  Call Stack: mTest.Lost(a=1) "), 0},
    {"AnotherComponentsReportIsContinued",
     [](auto&) { Recorded(1001, u"ErrTrap.ErrorIn", kRemote, 50); },
     kRemote + Dashed(u"  Call Stack: m.P()  at Line 50 "), 0},
    {"OffsetsBeyond32Bits", [](auto&) { Recorded(2147483647, u"s", u"d"); },
     Header(u"d", u"m.P",
            u"2147483647 = &H7FFFFFFF = vbObjectError + 4294705151 = "
            u"ERRMAP_APP_FIRST + 4294699953 ",
            u"s") + Dashed(u"  Call Stack: m.P() "), 0},
    {"EnvValuesFollowTheirFrame",
     [](auto&) {
       Recorded(5, u"s", u"d", 0, u"user,n",
                Value(ArrayValue{{Value(Text(u"me")), Value(std::int32_t{2})}}));
     },
     Header(u"d", u"m.P", kNumber5, u"s") + Dashed(u"  Call Stack: m.P() ") +
         u"    Env: user='me', n=2\r\n", 0},
    {"PercentAndMarkersInValuesStandAsPercent",
     [](auto&) { Recorded(5, u"src \bDescr\b %nl%", u"100% %Comp% \bnl\b"); },
     Header(u"100% %Comp% %nl%", u"m.P", kNumber5, u"src %Descr% %nl%") +
         Dashed(u"  Call Stack: m.P() "), 0},
};

class ReportText : public ErrorsTest, public ::testing::WithParamInterface<Golden> {};

TEST_P(ReportText, IsTheGoldenText) {
  g_scaseError = rt::ObjectNotSet;
  GetParam().run(facts);
  EXPECT_EQ(ErrReportText(), GetParam().report);  // kept until the next error
  EXPECT_FALSE(Context().Preserved);
  EXPECT_EQ(reporter.calls, GetParam().reports);
  if (reporter.calls == 0) return;
  EXPECT_EQ(reporter.report, GetParam().report);
  EXPECT_EQ(reporter.silent, GetParam().report.empty());
  EXPECT_EQ(CurrentError().Number, 0);  // the handler ended normally
}

INSTANTIATE_TEST_SUITE_P(Rows, ReportText, ::testing::ValuesIn(kGolden),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace tarnwick::mErrTrap::testing
