// Error numbers: the silent band, the lost-information error, preserving,
// errors arriving from another component, and numbers beyond the offsets'
// 32-bit range.
#include "ErrorsFixture.h"

namespace tarnwick::mErrTrap::testing {
namespace {

void RaiseIn(std::int32_t number) {
  Trap trap(u"mTest.RaiseIn(number)", TrapKind::Inner, number);
  trap.Run([&] { trap.Step(10, [&] { Raise(number, u"quiet", u"Other.Component"); }); });
}
void Handler(std::int32_t number) {
  Trap trap(u"Form1.Handler_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(20, [&] { RaiseIn(number); }); });
}

Text NumberLine(const Text& report) {
  const auto start = report.find(u"  Number: ");
  return report.substr(start, report.find(u"\r\n", start) - start);
}

TEST_F(ErrorsTest, SilentBandEndsTravelUpUnchangedWithoutReport) {
  for (const std::int32_t number : {kSilentFirst, kSilentLast}) {
    ResetErrorState();
    try {
      RaiseIn(number);
      ADD_FAILURE() << "not raised again";
    } catch (const ErrRaised& raised) {
      EXPECT_EQ(raised.info().Number, number);
      EXPECT_EQ(raised.info().Source, u"Other.Component");
      EXPECT_EQ(raised.info().Description, u"quiet");
    }
    EXPECT_EQ(ErrReportText(), u"");
    Handler(number);
    EXPECT_TRUE(reporter.silent) << number;
    EXPECT_EQ(reporter.report, u"") << number;
  }
}

TEST_F(ErrorsTest, SilentBandNeighboursAreReported) {
  EXPECT_EQ(kSilentFirst, -2147217307);
  EXPECT_EQ(kSilentLast, -2147216307);
  for (const std::int32_t number : {kSilentFirst - 1, kSilentLast + 1}) {
    Handler(number);
    EXPECT_FALSE(reporter.silent) << number;
    EXPECT_EQ(reporter.report.substr(0, 9), u"quiet \r\n ") << number;
  }
  EXPECT_EQ(NumberLine(reporter.report),
            u"  Number: -2147216306 = &H8004144E = vbObjectError + 5198 = ERRMAP_APP_FIRST + 0 "
            u"= ERR_GENERAL");
}

TEST_F(ErrorsTest, ErrorInWithoutAnErrorReportsLostInformation) {
  const Text report = ErrorIn(u"mTest.Lost(a)", Value(std::int32_t{1}), 42);
  const Text expected =
      u"ErrorIn: Error information was lost. To fix: call ErrPreserve before doing anything in "
      u"error handler. \r\n"
      u"  Time='03/07/26 09:05:01' App='Tarnwick:2.0.0' ADO-version='?' Computer='TESTPC' \r\n"
      u"  Method: mTest.Lost \r\n"
      u"  Number: -2147216306 = &H8004144E = vbObjectError + 5198 = ERRMAP_APP_FIRST + 0 "
      u"= ERR_GENERAL\r\n"
      u"  Source:  \r\n"
      u"  Description: ErrorIn: Error information was lost. To fix: call ErrPreserve before "
      u"doing anything in error handler.\r\n" +
      Dashed(u"  Call Stack: mTest.Lost(a=1) ");
  EXPECT_EQ(report, expected);
  EXPECT_EQ(CurrentError().Number, ERR_GENERAL);
  EXPECT_EQ(CurrentError().Source, u"ErrTrap.ErrorIn");
  EXPECT_EQ(CurrentError().Description, expected);
}

TEST_F(ErrorsTest, ErrPreserveTwiceKeepsTheFirstError) {
  CurrentError() = ErrInfo{53, u"first", u"File not found", u"help.chm", 7};
  SetFailureStep(30);
  RecordLastDllError(2);
  ErrPreserve();
  CurrentError() = ErrInfo{61, u"second", u"Disk full", u"", 0};
  SetFailureStep(40);
  ErrPreserve();
  EXPECT_EQ(ErrNumber(), 53);
  EXPECT_EQ(ErrSource(), u"first");
  EXPECT_EQ(Context().Line, 30);
  EXPECT_EQ(Context().HelpContext, u"7");
  EXPECT_EQ(Context().LastDllError, 2);
  ErrRestore();
  EXPECT_EQ(CurrentError().Number, 53);
  EXPECT_EQ(CurrentError().Description, u"File not found");
  EXPECT_EQ(CurrentError().HelpFile, u"help.chm");
  EXPECT_EQ(CurrentError().HelpContext, 7);
  EXPECT_TRUE(Context().Preserved);
}

TEST_F(ErrorsTest, ErrorFromAnotherComponentIsContinued) {
  const Text prior = u"Remote failure \r\n  Method: Other.Proc \r\n" +
                     Dashed(u"  Call Stack: Other.Proc() ");
  CurrentError() = ErrInfo{1001, u"ErrTrap.ErrorIn", prior, u"", 0};
  SetFailureStep(50);
  EXPECT_EQ(ErrFirstLine(), u"");  // nothing preserved yet
  ErrPreserve();
  EXPECT_TRUE(ErrIsPropagated());
  EXPECT_EQ(ErrReportText(), prior);  // no report of our own yet
  EXPECT_EQ(ErrFirstLine(), u"Remote failure ");
  ErrorIn(u"Form1.Remote_Click", Value(MissingValue{}), 42);
  EXPECT_EQ(ErrReportText(), prior + Dashed(u"  Call Stack: Form1.Remote_Click()  at Line 50 "));
}

TEST_F(ErrorsTest, ReportTextFallsBackOnlyForPropagatedErrors) {
  CurrentError() = ErrInfo{5, u"Tarnwick", u"desc", u"", 0};
  ErrPreserve();
  EXPECT_EQ(ErrReportText(), u"");
  EXPECT_EQ(ErrFirstLine(), u"desc");
}

TEST_F(ErrorsTest, NumbersBeyondTheOffsetRangeShowExactOffsets) {
  struct Case {
    std::int32_t number;
    Text line;
  };
  for (const Case& c : {
           Case{262144, u"  Number: 262144 = &H40000 = vbObjectError + 2147483648 = "
                        u"ERRMAP_APP_FIRST + 2147478450 "},
           Case{2147483647, u"  Number: 2147483647 = &H7FFFFFFF = vbObjectError + 4294705151 = "
                            u"ERRMAP_APP_FIRST + 4294699953 "},
           Case{-2147483647 - 1, u"  Number: -2147483648 = &H80000000 = vbObjectError - 262144 = "
                                 u"ERRMAP_APP_FIRST - 267342 "},
       }) {
    ResetErrorState();
    CurrentError() = ErrInfo{c.number, u"s", u"d", u"", 0};
    ErrorIn(u"m.P", Value(MissingValue{}), 42);
    EXPECT_EQ(NumberLine(ErrReportText()), c.line);
  }
}

TEST_F(ErrorsTest, PercentAndMarkerInDescriptionAndSourceStandAsPercent) {
  CurrentError() = ErrInfo{5, u"src \bDescr\b %nl%", u"100% %Comp% \bnl\b", u"", 0};
  ErrorIn(u"m.P", Value(MissingValue{}), 42);
  const Text report = ErrReportText();
  EXPECT_EQ(report.substr(0, report.find(u"\r\n")), u"100% %Comp% %nl% ");
  EXPECT_NE(report.find(u"\r\n  Source: src %Descr% %nl% \r\n"), Text::npos);
  EXPECT_NE(report.find(u"\r\n  Description: 100% %Comp% %nl%\r\n"), Text::npos);
  EXPECT_EQ(report.find(u'\b'), Text::npos);
}

TEST_F(ErrorsTest, ExceptionsBecomeRunTimeErrors) {
  struct Case {
    std::exception_ptr failure;
    std::int32_t number;
    Text description;
  };
  for (const Case& c : {
           Case{std::make_exception_ptr(std::bad_alloc()), 7, u"Out of memory"},
           Case{std::make_exception_ptr(std::length_error("l")), 7, u"Out of memory"},
           Case{std::make_exception_ptr(std::out_of_range("o")), 9, u"Subscript out of range"},
           Case{std::make_exception_ptr(std::overflow_error("o")), 6, u"Overflow"},
           Case{std::make_exception_ptr(42), 5, u"Invalid procedure call or argument"},
       }) {
    detail::CaptureFailure(c.failure, 70);
    EXPECT_EQ(CurrentError().Number, c.number);
    EXPECT_EQ(CurrentError().Description, c.description);
    EXPECT_EQ(CurrentError().Source, u"Tarnwick");
    EXPECT_EQ(FailureStep(), 70);
  }
  EXPECT_EQ(RuntimeMessage(521), u"Can't open Clipboard");
  EXPECT_EQ(RuntimeMessage(12345), u"Application-defined or object-defined error");
  try {
    RaiseControlArrayElement(4);
  } catch (const ErrRaised& raised) {
    EXPECT_EQ(raised.info().Description, u"Control array element '4' doesn't exist");
  }
}

TEST(ErrSplitSignature, MethodAndParameterNames) {
  struct Case {
    Text signature, method, params;
  };
  for (const Case& c : {Case{u"mMain.isLoad(sFormName)", u"mMain.isLoad", u"sFormName"},
                        Case{u"Form1.bnAbout_Click", u"Form1.bnAbout_Click", u""},
                        Case{u"Form1.fdClipboardText_MouseDown(Button,Shift,X,Y)",
                             u"Form1.fdClipboardText_MouseDown", u"Button,Shift,X,Y"},
                        Case{u"", u"", u""}, Case{u"m.P(", u"m.P", u""}}) {
    const SplitSignature split = ErrSplitSignature(c.signature);
    EXPECT_EQ(split.method, c.method);
    EXPECT_EQ(split.params, c.params);
  }
}

}  // namespace
}  // namespace tarnwick::mErrTrap::testing
