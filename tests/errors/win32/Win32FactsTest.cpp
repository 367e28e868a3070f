// The real platform facts under Windows (or Wine), and one real report.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/win32/WideText.h"
#include "errors/ErrReport.h"
#include "errors/ErrTrap.h"
#include "errors/ReportError.h"
#include "errors/win32/ApiCall.h"
#include "errors/win32/ErrorPlatform.h"

namespace tarnwick::mErrTrap {
namespace {

using tarnwick::win32::ApiCall;
using tarnwick::win32::FromWide;
using tarnwick::win32::InstallErrorPlatform;
using tarnwick::win32::ToWide;
using tarnwick::win32::Win32PlatformFacts;

std::string Utf8(TextView text) {
  const std::wstring wide = ToWide(text);
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
}

bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class Win32FactsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetErrorState();
    InstallErrorPlatform();
  }
  void TearDown() override {
    SetPlatformFacts(nullptr);
    ResetErrorState();
  }
  Win32PlatformFacts facts;
};

TEST_F(Win32FactsTest, ComputerNameIsTheSystemsAnsiName) {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  ASSERT_TRUE(::GetComputerNameA(name, &size));
  EXPECT_EQ(Utf8(ErrComputerName()), std::string(name, size));
  EXPECT_FALSE(ErrComputerName().empty());
}

TEST_F(Win32FactsTest, SystemMessageForAccessDenied) {
  const Text message = ErrApiMessage(5);
  std::printf("FormatMessage(5): '%s'\n", Utf8(message).c_str());
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(message.find(u"\r\n"), Text::npos);
  EXPECT_EQ(message.find(u'\0'), Text::npos);
  if (UnderWine()) {
    EXPECT_EQ(message, u"Access denied.");
  }
  EXPECT_EQ(ErrApiMessage(0x7FFFFFF0), u"");  // a code without a system text
}

TEST_F(Win32FactsTest, AdoVersionIsQuestionMarkOrAVersion) {
  const Text version = ErrAdoVersion();
  std::printf("ADO version: '%s'\n", Utf8(version).c_str());
  ASSERT_FALSE(version.empty());
  if (version != u"?") {
    for (char16_t c : version) {
      EXPECT_TRUE((c >= u'0' && c <= u'9') || c == u'.') << Utf8(version);
    }
  }
}

TEST_F(Win32FactsTest, ExecutableNameAndBuiltInVersion) {
  EXPECT_EQ(FileTitle(facts.ExePath()), u"errors_win32_tests");
  EXPECT_EQ(ErrAppVersion(), u"2.0.0");  // the test executable has no version resource
}

TEST_F(Win32FactsTest, SeparatorsAreTheUsersLocaleSettings) {
  wchar_t date[8] = {}, time[8] = {}, decimal[8] = {};
  ASSERT_GT(::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDATE, date, 8), 0);
  ASSERT_GT(::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, time, 8), 0);
  ASSERT_GT(::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8), 0);
  const RegionalSeparators separators = facts.Separators();
  EXPECT_EQ(separators.date, FromWide(date));
  EXPECT_EQ(separators.time, FromWide(time));
  EXPECT_EQ(separators.decimal, FromWide(decimal));
  EXPECT_EQ(ErrFormatValue(Value(2.5)), u"2" + separators.decimal + u"5");
  const Text when = ErrFormatValue(Value(DateValue{2026, 3, 7, 14, 5, 9}));
  std::printf("date value: %s\n", Utf8(when).c_str());
  EXPECT_NE(when.find(u"2026"), Text::npos);
  EXPECT_EQ(ErrFormatValue(Value(DateValue{2026, 13, 7, 0, 0, 0})), u"{?}");  // no 13th month
}

// A failing system call inside an inner procedure, under an event handler.
void DeleteReport(const Text& path) {
  Trap trap(u"mTest.DeleteReport(path)", TrapKind::Inner, path);
  trap.Run([&] {
    trap.Step(10, [&] {
      if (!ApiCall([&] { return ::DeleteFileW(ToWide(path).c_str()); }))
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

TEST_F(Win32FactsTest, RealReportText) {
  Capture capture;
  SetErrorReporter(&capture);
  bnDelete_Click();
  SetErrorReporter(nullptr);
  std::printf("---- report ----\n%s---- end ----\n", Utf8(capture.report).c_str());
  const Text& report = capture.report;
  EXPECT_EQ(report.substr(0, 17), u"File not found \r\n");
  EXPECT_NE(report.find(u"App='errors_win32_tests:2.0.0' ADO-version='" + ErrAdoVersion() +
                        u"' Computer='" + ErrComputerName() + u"' \r\n"),
            Text::npos);
  EXPECT_NE(report.find(u"\r\n  API Error: (3) " + ErrApiMessage(3) + u"\r\n  Call Stack: "),
            Text::npos);
  EXPECT_NE(report.find(u"  Call Stack: Form1.bnDelete_Click()  at Line 20 ---"), Text::npos);
}

// Answers the stop question's message box from another thread, as the
// developer would, after noting what the box showed.
struct BoxAnswerer {
  int answer = IDYES;
  std::wstring text;
  bool hadAllButtons = false;
  int boxesSeen = 0;

  static DWORD WINAPI Run(void* self) {
    auto& me = *static_cast<BoxAnswerer*>(self);
    // Up to two minutes: on a busy machine Wine can take many seconds to
    // show the first window of a process, and a box left unanswered would
    // hold the test until its time-out.
    for (int tries = 0; tries < 12000; ++tries) {
      const HWND box = ::FindWindowW(L"#32770", L"Stopped on Error");
      if (box) {
        wchar_t buffer[1024] = {};
        ::GetDlgItemTextW(box, 0xFFFF, buffer, 1024);
        me.text = buffer;
        me.hadAllButtons = ::GetDlgItem(box, IDYES) && ::GetDlgItem(box, IDNO) &&
                           ::GetDlgItem(box, IDCANCEL);
        ++me.boxesSeen;
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(me.answer, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box, me.answer)));
        return 0;
      }
      ::Sleep(10);
    }
    return 1;
  }
};

class OwnedThread {
 public:
  explicit OwnedThread(BoxAnswerer& answerer)
      : handle_(::CreateThread(nullptr, 0, &BoxAnswerer::Run, &answerer, 0, nullptr)) {}
  ~OwnedThread() {
    if (handle_) {
      ::WaitForSingleObject(handle_, INFINITE);  // the answerer gives up on its own
      ::CloseHandle(handle_);
    }
  }
  OwnedThread(const OwnedThread&) = delete;
  OwnedThread& operator=(const OwnedThread&) = delete;

 private:
  HANDLE handle_;
};

TEST_F(Win32FactsTest, StopQuestionBoxYesRetriesTheStep) {
  SetDevelopmentMode(true);
  BoxAnswerer answerer;
  int attempts = 0;
  {
    OwnedThread thread(answerer);
    Trap trap(u"mTest.Retry", TrapKind::EndsChain);
    trap.Run([&] {
      trap.Step(10, [&] {
        if (++attempts == 1) RaiseRuntime(rt::DiskFull);
      });
    });
  }
  EXPECT_EQ(answerer.boxesSeen, 1);
  EXPECT_TRUE(answerer.hadAllButtons);
  EXPECT_EQ(FromWide(answerer.text),
            u"Error: Disk full\r\nDo you want to retry the operation in step mode?\r\n"
            u"Click YES to retry, NO to move to the caller, CANCEL for no more stops");
  EXPECT_EQ(attempts, 2);
  EXPECT_EQ(ErrReportText(), u"");
}

}  // namespace
}  // namespace tarnwick::mErrTrap
