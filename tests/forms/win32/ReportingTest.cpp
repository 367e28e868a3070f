// The report file and the error details form under Windows (or Wine): the
// Documents folder, opening for append against other programs' handles, the
// ANSI text on disk, and frmShowError's window.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "common/Twips.h"
#include "common/win32/WideText.h"
#include "env/UIStrings.h"
#include "errors/ErrTrap.h"
#include "errors/ReportError.h"
#include "errors/win32/ErrorPlatform.h"
#include "forms/win32/ErrorReporter.h"
#include "forms/FormIds.h"
#include "forms/win32/Form10.h"
#include "forms/win32/FormBuilder.h"
#include "forms/win32/HandCursor.h"
#include "forms/win32/ReportFileWin32.h"
#include "errors/win32/SpecialFolders.h"
#include "forms/win32/frmShowError.h"
#include "common/win32/Window.h"
#include "common/win32/Handles.h"

namespace tarnwick::mErrTrap {
namespace {

using win32::FromWide;
using win32::ToWide;

std::wstring TempFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, folder);
  std::wstring path = std::wstring(folder) + name;
  ::DeleteFileW(path.c_str());
  return path;
}

std::string ReadAll(const std::wstring& path) {
  std::string bytes;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char chunk[4096];
  DWORD got = 0;
  while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  ::CloseHandle(file);
  return bytes;
}

HANDLE OpenShared(const std::wstring& path, DWORD share) {
  return ::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_ALWAYS, 0, nullptr);
}

TEST(SpecialFolders, DocumentsIsAnExistingFolderWithoutTrailingBackslash) {
  const Text documents = mSpecialFolders::GetSpecialFolderPath(nullptr, 5);
  ASSERT_FALSE(documents.empty());
  EXPECT_NE(documents.back(), u'\\');
  EXPECT_EQ(documents.find(u'\0'), Text::npos);
  const DWORD attributes = ::GetFileAttributesW(ToWide(documents).c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(mSpecialFolders::ReportFolder(), documents + u"\\Tarnwick");
}

TEST(SpecialFolders, UnknownFolderIdGivesEmptyText) {
  EXPECT_EQ(mSpecialFolders::GetSpecialFolderPath(nullptr, 0x7EFF), u"");
}

TEST(OpenForAppend, CreatesAppendsAndLetsReadersIn) {
  const std::wstring path = TempFile(L"tarnwick-append.txt");
  {
    AppendFile file;
    ASSERT_TRUE(ErrTryOpenForAppend(FromWide(path), file));
    file.Write(u"one\r\n");
  }
  HANDLE reader = OpenShared(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  {
    AppendFile file;
    ASSERT_TRUE(ErrOpenForAppend(FromWide(path), file));
    file.Write(u"two\r\n");
  }
  ::CloseHandle(reader);
  EXPECT_EQ(ReadAll(path), "one\r\ntwo\r\n");
  ::DeleteFileW(path.c_str());
}

TEST(OpenForAppend, ExclusiveHolderMakesItGiveUpWithinTwoSeconds) {
  const std::wstring path = TempFile(L"tarnwick-locked.txt");
  HANDLE holder = OpenShared(path, 0);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  AppendFile file;
  EXPECT_FALSE(ErrTryOpenForAppend(FromWide(path), file));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ErrOpenForAppend(FromWide(path), file));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(file.IsOpen());
  EXPECT_GE(waited, std::chrono::milliseconds(900));
  EXPECT_LE(waited, std::chrono::milliseconds(2600));
  ::CloseHandle(holder);
  ::DeleteFileW(path.c_str());
}

TEST(OpenForAppend, TextGoesToDiskInTheAnsiCodePage) {
  const std::wstring path = TempFile(L"tarnwick-ansi.txt");
  {
    AppendFile file;
    ASSERT_TRUE(ErrTryOpenForAppend(FromWide(path), file));
    file.Write(u"caf\u00e9 \u20ac\r\n");
  }
  const std::string bytes = ReadAll(path);
  if (::GetACP() == 1252) {
    EXPECT_EQ(bytes, "caf\xe9 \x80\r\n");
  } else {
    EXPECT_EQ(bytes.substr(0, 3), "caf");
  }
  ::DeleteFileW(path.c_str());
}

// Reports a real failure through a trap and writes it with SaveErrorReport.
struct SavingReporter final : ErrorReporter {
  bool saved = false;
  void ReportError() override { saved = SaveErrorReport(u"ErrorReport.txt"); }
};

void FailInHandler(SavingReporter& reporter) {
  SetErrorReporter(&reporter);
  Trap trap(u"Form1.bnUpper_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(20, [] { RaiseRuntime(rt::CantOpenClipboard); }); });
  SetErrorReporter(nullptr);
}

TEST(SaveErrorReport, HeaderOnANewFileThenOneBlockPerFailure) {
  ResetErrorState();
  win32::InstallErrorPlatform();
  mLanguageGobals::LoadUIStrings();
  const std::wstring file = ToWide(mSpecialFolders::ReportFolder() + u"\\ErrorReport.txt");
  ::DeleteFileW(file.c_str());

  SavingReporter reporter;
  FailInHandler(reporter);
  EXPECT_TRUE(reporter.saved);
  const std::string first = ReadAll(file);
  const std::string header = TextToAscii(mLanguageGobals::ReportHeader) + "\r\n \r\n";
  ASSERT_EQ(first.rfind(header, 0), 0u) << first;
  EXPECT_NE(first.find("Form1.bnUpper_Click"), std::string::npos);
  EXPECT_NE(first.find("\r\nProgram path: "), std::string::npos);
  EXPECT_NE(first.find("\r\nFile name : forms_win32_tests\r\nOS: "), std::string::npos);
  ASSERT_GE(first.size(), 6u);
  EXPECT_EQ(first.substr(first.size() - 7), ")\r\n\r\n\r\n");

  FailInHandler(reporter);
  const std::string second = ReadAll(file);
  ASSERT_EQ(second.rfind(first, 0), 0u);
  const std::string added = second.substr(first.size());
  EXPECT_EQ(added.find("Please send this file"), std::string::npos);
  EXPECT_NE(added.find("Form1.bnUpper_Click"), std::string::npos);

  ResetErrorState();
  EXPECT_TRUE(SaveErrorReport(u"ErrorReport.txt"));  // nothing to write
  EXPECT_EQ(ReadAll(file), second);
  ::DeleteFileW(file.c_str());
  SetPlatformFacts(nullptr);
}

TEST(ErrorDetailsForm, OneSharedSizableWindowThatTheTextFills) {
  auto& form = forms::frmShowError::Instance();
  form.ErrorReport(u"first report\r\nsecond line");
  HWND window = form.hwnd();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(::IsWindowVisible(window));
  wchar_t caption[64] = {};
  ::GetWindowTextW(window, caption, 64);
  EXPECT_STREQ(caption, L"Error Report");
  EXPECT_TRUE(::GetWindowLongPtrW(window, GWL_STYLE) & WS_THICKFRAME);

  const int dpi = win32::SystemDpi();
  RECT client{};
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, TwipsToPixels(12420, dpi));
  EXPECT_EQ(client.bottom, TwipsToPixels(5595, dpi));

  auto expectFilled = [&] {
    RECT c{}, text{};
    ::GetClientRect(window, &c);
    ::GetWindowRect(form.txtError(), &text);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&text), 2);
    EXPECT_EQ(text.left, 0);
    EXPECT_EQ(text.top, 0);
    EXPECT_EQ(text.right, c.right);
    EXPECT_EQ(text.bottom, c.bottom);
  };
  expectFilled();
  ::SetWindowPos(window, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  expectFilled();

  wchar_t text[64] = {};
  ::GetWindowTextW(form.txtError(), text, 64);
  EXPECT_STREQ(text, L"first report\r\nsecond line");
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(form.txtError(), GWL_STYLE));
  EXPECT_TRUE(style & ES_MULTILINE);
  EXPECT_TRUE(style & WS_HSCROLL);
  EXPECT_TRUE(style & WS_VSCROLL);
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(form.txtError(), WM_GETFONT, 0, 0)),
               sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, L"Courier New");
  // Monospaced even where that face is missing (the metric bit set means
  // variable pitch).
  HDC dc = ::GetDC(form.txtError());
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(
                                       ::SendMessageW(form.txtError(), WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, old);
  ::ReleaseDC(form.txtError(), dc);
  EXPECT_FALSE(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH);

  form.ErrorReport(u"replaced");
  EXPECT_EQ(form.hwnd(), window);  // the same instance, new text
  ::GetWindowTextW(form.txtError(), text, 64);
  EXPECT_STREQ(text, L"replaced");

  ::DestroyWindow(window);  // closing unloads it; the next report shows it again
  EXPECT_EQ(form.hwnd(), nullptr);
  form.ErrorReport(u"again");
  ASSERT_NE(form.hwnd(), nullptr);
  EXPECT_TRUE(::IsWindowVisible(form.hwnd()));
  ::DestroyWindow(form.hwnd());
}

// ReportError as the program installs it, with no main window loaded: the
// error dialog then opens modeless.
class Reporting : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetErrorState();
    win32::InstallErrorPlatform();
    mLanguageGobals::LoadUIStrings();
    forms::InstallErrorReporter([](const Text&) { return false; });
    file_ = ToWide(mSpecialFolders::ReportFolder() + u"\\ErrorReport.txt");
    ::DeleteFileW(file_.c_str());
  }
  void TearDown() override {
    CloseErrorDialogs();
    SetErrorReporter(nullptr);
    SetDevelopmentMode(false);
    SetStopPrompt(nullptr);
    SetPlatformFacts(nullptr);
    ResetErrorState();
    ::DeleteFileW(file_.c_str());
  }
  static void FailWith(std::int32_t number) {
    Trap trap(u"Form1.bnLower_Click", TrapKind::EndsChain);
    trap.Run([&] { trap.Step(30, [&] { Raise(number, u"failed"); }); });
  }
  static HWND ErrorDialog() { return ::FindWindowW(L"Tarnwick.Dialog", L"Program Error"); }
  static void CloseErrorDialogs() {
    for (HWND w = ErrorDialog(); w; w = ::FindWindowExW(nullptr, w, L"Tarnwick.Dialog", L"Program Error")) {
      ::PostMessageW(w, WM_COMMAND, IDOK, 0);  // OK, as a click sends it
    }
    win32::RunWhileAnyWindowIsLoaded();
  }
  bool ReportFileExists() const { return ::GetFileAttributesW(file_.c_str()) != INVALID_FILE_ATTRIBUTES; }
  std::wstring file_;
};

TEST_F(Reporting, SilentErrorWritesNothingAndShowsNothing) {
  FailWith(kSilentFirst);
  FailWith(kSilentLast);
  EXPECT_FALSE(ReportFileExists());
  EXPECT_EQ(ErrorDialog(), nullptr);
  EXPECT_FALSE(win32::Window::AnyLoaded());
}

TEST_F(Reporting, WithoutTheMainWindowTheDialogIsModelessAndUnowned) {
  FailWith(kSilentLast + 1);  // the first number after the band is reported
  EXPECT_TRUE(ReportFileExists());
  HWND dialog = ErrorDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(::IsWindowVisible(dialog));
  EXPECT_TRUE(win32::Window::AnyLoaded());
  // Loaded windows are known by their exact design name.
  EXPECT_NE(win32::Window::FindLoaded(u"Form11"), nullptr);
  EXPECT_EQ(win32::Window::FindLoaded(u"form11"), nullptr);
  EXPECT_EQ(win32::Window::FindLoaded(u""), nullptr);
  HWND owner = ::GetWindow(dialog, GW_OWNER);
  ASSERT_NE(owner, nullptr);  // a hidden owner keeps it off the taskbar
  EXPECT_FALSE(::IsWindowVisible(owner));
  EXPECT_FALSE(::GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);

  FailWith(kSilentFirst - 1);  // each report opens its own dialog
  int dialogs = 0;
  for (HWND w = ::FindWindowW(L"Tarnwick.Dialog", L"Program Error"); w;
       w = ::FindWindowExW(nullptr, w, L"Tarnwick.Dialog", L"Program Error")) {
    ++dialogs;
  }
  EXPECT_EQ(dialogs, 2);
  CloseErrorDialogs();
  EXPECT_FALSE(win32::Window::AnyLoaded());
}

// The dialog's links as the dialog manager asks about them: their colour
// and the pointer shown over them.
TEST_F(Reporting, LinksArePureBlueWithTheStoredHandCursor) {
  FailWith(rt::Overflow);
  HWND dialog = ErrorDialog();
  ASSERT_NE(dialog, nullptr);
  HWND link = nullptr, label = nullptr;
  for (HWND child = ::FindWindowExW(dialog, nullptr, nullptr, nullptr); child;
       child = ::FindWindowExW(dialog, child, nullptr, nullptr)) {
    if (HWND found = ::GetDlgItem(child, forms::form11::Label58)) link = found;
    if (HWND found = ::GetDlgItem(child, forms::form11::Label3)) label = found;
  }
  ASSERT_NE(link, nullptr);
  ASSERT_NE(label, nullptr);
  HDC dc = ::CreateCompatibleDC(nullptr);
  ::SendMessageW(::GetParent(link), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(link));
  EXPECT_EQ(::GetTextColor(dc), RGB(0, 0, 255));
  ::SetTextColor(dc, RGB(1, 2, 3));
  ::SendMessageW(::GetParent(label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(label));
  EXPECT_NE(::GetTextColor(dc), RGB(0, 0, 255));
  ::DeleteDC(dc);

  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  ::SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), forms::HandCursor());
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(forms::HandCursor(), &info));
  BITMAP mask{};
  ::GetObjectW(info.hbmMask, sizeof mask, &mask);
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.hbmColor, nullptr);  // monochrome: AND and XOR masks stacked
  EXPECT_EQ(mask.bmWidth, 32);
  EXPECT_EQ(mask.bmHeight, 64);
  ::DeleteObject(info.hbmMask);

  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  ::SendMessageW(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_NE(::GetCursor(), forms::HandCursor());
}

TEST_F(Reporting, EmptyReportTextLeavesTheFileAloneButShowsTheDialog) {
  CurrentError().Number = 5;  // a report without any text
  ReportError();
  EXPECT_FALSE(ReportFileExists());
  EXPECT_NE(ErrorDialog(), nullptr);
}

TEST_F(Reporting, DevelopmentModeShowsTheDetailsFormInstead) {
  SetDevelopmentMode(true);
  SetStopPrompt([](const Text&, const Text&) { return StopAnswer::Cancel; });
  FailWith(rt::TypeMismatch);
  EXPECT_EQ(ErrorDialog(), nullptr);
  auto& details = forms::frmShowError::Instance();
  ASSERT_NE(details.hwnd(), nullptr);
  wchar_t text[4096] = {};
  ::GetWindowTextW(details.txtError(), text, 4096);
  const Text shown = FromWide(text, ::lstrlenW(text));
  EXPECT_NE(shown.find(u"Form1.bnLower_Click"), Text::npos);
  EXPECT_NE(shown.find(u"Number: 13 "), Text::npos);
  EXPECT_TRUE(ReportFileExists());  // the file is written in both modes
  ::DestroyWindow(details.hwnd());
}

// In development mode a report while a modal window holds the program
// shows the details form modally too: every other window waits for it.
HWND g_about = nullptr;
bool g_aboutWaited = false;

void CALLBACK CheckAndCloseDetails(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  auto& details = forms::frmShowError::Instance();
  g_aboutWaited = details.hwnd() != nullptr && ::IsWindowVisible(details.hwnd()) &&
                  !::IsWindowEnabled(g_about);
  if (details.hwnd() != nullptr) ::PostMessageW(details.hwnd(), WM_CLOSE, 0, 0);
}

void CALLBACK FailInsideTheModalLoop(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  g_about = ::FindWindowW(forms::kDialogClass, nullptr);
  ::SetTimer(nullptr, 0, 300, &CheckAndCloseDetails);
  Trap trap(u"Form10.Label4_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(50, [&] { Raise(rt::TypeMismatch, u"failed"); }); });
  ::PostMessageW(g_about, WM_CLOSE, 0, 0);
}

TEST_F(Reporting, DevelopmentModeShowsTheDetailsFormModallyOverAModalWindow) {
  SetDevelopmentMode(true);
  SetStopPrompt([](const Text&, const Text&) { return StopAnswer::Cancel; });
  forms::Form10 about(nullptr);
  ::SetTimer(nullptr, 0, 200, &FailInsideTheModalLoop);
  about.ShowModal(nullptr);  // returns once the timers have closed both
  EXPECT_TRUE(g_aboutWaited);
  EXPECT_EQ(forms::frmShowError::Instance().hwnd(), nullptr);
}

// A control that the system refuses is raised with the system's own error
// code recorded for the report.
TEST(FormBuilder, ARefusedControlRaisesWithTheSystemsCode) {
  forms::FormControls controls;
  RecordLastDllError(0);
  EXPECT_THROW(controls.Build(reinterpret_cast<HWND>(0x1234), forms::Form11Design().controls,
                              USER_DEFAULT_SCREEN_DPI, {}),
               ErrRaised);
  EXPECT_EQ(LastDllError(), static_cast<std::int32_t>(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
}  // namespace tarnwick::mErrTrap
