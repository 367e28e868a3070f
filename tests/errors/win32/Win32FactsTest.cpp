// The real platform facts under Windows (or Wine) in one real report, the
// user's regional formats, and the stop question's message box.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../../support/win32/MessageBoxAnswerer.h"
#include "common/win32/WideText.h"
#include "errors/ErrReport.h"
#include "errors/ErrTrap.h"
#include "errors/ReportError.h"
#include "errors/win32/ApiCall.h"
#include "errors/win32/ErrorPlatform.h"

namespace tarnwick::mErrTrap {
namespace {

using win32::FromWide;
using win32::ToWide;

class Win32FactsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetErrorState();
    win32::InstallErrorPlatform();
  }
  void TearDown() override {
    SetPlatformFacts(nullptr);
    ResetErrorState();
  }
};

// A failing system call inside an inner procedure, under an event handler.
void DeleteReport(const Text& path) {
  Trap trap(u"mTest.DeleteReport(path)", TrapKind::Inner, path);
  trap.Run([&] {
    trap.Step(10, [&] {
      if (!win32::ApiCall([&] { return ::DeleteFileW(ToWide(path).c_str()); }))
        RaiseRuntime(rt::FileNotFound);
    });
  });
}

void bnDelete_Click() {
  Trap trap(u"Form1.bnDelete_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(20, [&] { DeleteReport(u"C:\\no such folder\\ErrorReport.txt"); }); });
}

struct Capture final : ErrorReporter {
  Text report;
  void ReportError() override { report = ErrReportText(); }
};

TEST_F(Win32FactsTest, ARealReportNamesTheComputerProgramAndTheSystemsMessage) {
  Capture capture;
  SetErrorReporter(&capture);
  bnDelete_Click();
  SetErrorReporter(nullptr);
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  ASSERT_TRUE(::GetComputerNameA(name, &size));
  const Text ado = ErrAdoVersion();  // "?" or a version number
  EXPECT_TRUE(ado == u"?" || ado.find_first_not_of(u"0123456789.") == Text::npos) << TextToAscii(ado);
  const Text& report = capture.report;
  EXPECT_EQ(report.substr(0, 17), u"File not found \r\n");
  Text header = u"App='errors_win32_tests:2.0.0' ADO-version='";
  header += ado;
  header += u"' Computer='";
  header += AsciiToText(std::string(name, size));
  header += u"' \r\n";
  EXPECT_NE(report.find(header), Text::npos) << TextToAscii(report);
  const Text message = ErrApiMessage(3);  // path not found, without its line break
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(message.find_first_of(u"\r\n"), Text::npos);
  EXPECT_NE(report.find(u"\r\n  API Error: (3) " + message + u"\r\n  Call Stack: "), Text::npos);
  EXPECT_NE(report.find(u"  Call Stack: Form1.bnDelete_Click()  at Line 20 ---"), Text::npos);
  EXPECT_EQ(ErrApiMessage(0x7FFFFFF0), u"");  // a code without a system text
}

TEST_F(Win32FactsTest, NumbersAndDatesInTheUsersRegionalFormats) {
  wchar_t decimal[8] = {};
  ASSERT_GT(::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8), 0);
  Text expected = u"2";
  expected += FromWide(decimal);
  expected += u"5";
  EXPECT_EQ(ErrFormatValue(Value(2.5)), expected);
  EXPECT_NE(ErrFormatValue(Value(DateValue{2026, 3, 7, 14, 5, 9})).find(u"2026"), Text::npos);
  EXPECT_EQ(ErrFormatValue(Value(DateValue{2026, 13, 7, 0, 0, 0})), u"{?}");  // no 13th month
}

TEST_F(Win32FactsTest, StopQuestionBoxYesRetriesTheStep) {
  SetDevelopmentMode(true);
  test_support::MessageBoxAnswerer answerer(L"Stopped on Error", IDYES);
  int attempts = 0;
  Trap trap(u"mTest.Retry", TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(10, [&] {
      if (++attempts == 1) RaiseRuntime(rt::DiskFull);
    });
  });
  EXPECT_TRUE(answerer.offeredYesNoCancel());
  EXPECT_EQ(FromWide(answerer.text()),
            u"Error: Disk full\r\nDo you want to retry the operation in step mode?\r\n"
            u"Click YES to retry, NO to move to the caller, CANCEL for no more stops");
  EXPECT_EQ(attempts, 2);
  EXPECT_EQ(ErrReportText(), u"");
}

}  // namespace
}  // namespace tarnwick::mErrTrap
