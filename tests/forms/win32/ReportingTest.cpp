// What the black-box suite cannot reach of reporting: errors that write
// nothing, the development-mode details form, the links' stored hand cursor
// and a control the system refuses.
#include "ReportingFixture.h"
#include "common/Twips.h"
#include "common/win32/Window.h"
#include "forms/FormIds.h"
#include "forms/win32/Form10.h"
#include "forms/win32/FormBuilder.h"
#include "forms/win32/HandCursor.h"
#include "forms/win32/frmShowError.h"

namespace tarnwick::mErrTrap {
namespace {

class Reporting : public testing::ReportingFixture {
 protected:
  static void FailWith(std::int32_t number, const char16_t* signature = u"Form1.bnLower_Click") {
    Trap trap(signature, TrapKind::EndsChain);
    trap.Run([&] { trap.Step(30, [&] { Raise(number, u"failed"); }); });
  }
  static HWND ErrorDialog() { return ::FindWindowW(forms::kDialogClass, L"Program Error"); }
};

TEST_F(Reporting, SilentErrorsWriteAndShowNothingAnEmptyReportOnlyShows) {
  FailWith(kSilentFirst);
  FailWith(kSilentLast);
  EXPECT_FALSE(ReportFileExists());
  EXPECT_EQ(ErrorDialog(), nullptr);
  ResetErrorState();
  CurrentError().Number = 5;  // a report without any text
  ReportError();
  EXPECT_FALSE(ReportFileExists());
  EXPECT_NE(ErrorDialog(), nullptr);
  // Loaded windows are known by their exact design name.
  EXPECT_NE(win32::Window::FindLoaded(u"Form11"), nullptr);
  EXPECT_EQ(win32::Window::FindLoaded(u"form11"), nullptr);
  EXPECT_EQ(win32::Window::FindLoaded(u""), nullptr);
}

TEST_F(Reporting, LinksShowTheStoredMonochromeHandCursor) {
  FailWith(rt::Overflow);
  HWND dialog = ErrorDialog();
  ASSERT_NE(dialog, nullptr);
  HWND link = ::GetDlgItem(::GetDlgItem(dialog, forms::form11::Picture1), forms::form11::Label58);
  HWND label = ::GetDlgItem(::GetDlgItem(dialog, forms::form11::Picture1), forms::form11::Label3);
  ASSERT_TRUE(link && label);
  for (HWND control : {label, link}) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    ::SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor() == forms::HandCursor(), control == link);
  }
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(forms::HandCursor(), &info));
  BITMAP mask{};
  ::GetObjectW(info.hbmMask, sizeof mask, &mask);
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.hbmColor, nullptr);  // monochrome: AND and XOR masks stacked
  EXPECT_EQ(mask.bmWidth, 32);
  EXPECT_EQ(mask.bmHeight, 64);
  ::DeleteObject(info.hbmMask);
}

// Development mode: the details form instead of the dialog, one shared
// sizable window that its text fills; modal while a modal window holds the
// program, as every other window then waits for it.
HWND g_about = nullptr;
bool g_aboutWaited = false;

void CALLBACK CheckAndCloseDetails(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  HWND details = forms::frmShowError::Instance().hwnd();
  g_aboutWaited = details != nullptr && ::IsWindowVisible(details) && !::IsWindowEnabled(g_about);
  if (details != nullptr) ::PostMessageW(details, WM_CLOSE, 0, 0);
}

void CALLBACK FailInsideTheModalLoop(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  g_about = ::FindWindowW(forms::kDialogClass, nullptr);
  ::SetTimer(nullptr, 0, 300, &CheckAndCloseDetails);
  Trap trap(u"Form10.Label4_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(50, [&] { Raise(rt::TypeMismatch, u"failed"); }); });
  ::PostMessageW(g_about, WM_CLOSE, 0, 0);
}

TEST_F(Reporting, DevelopmentModeShowsTheDetailsForm) {
  SetDevelopmentMode(true);
  SetStopPrompt([](const Text&, const Text&) { return StopAnswer::Cancel; });
  FailWith(rt::TypeMismatch);
  EXPECT_EQ(ErrorDialog(), nullptr);
  EXPECT_TRUE(ReportFileExists());  // the file is written in both modes
  auto& form = forms::frmShowError::Instance();
  HWND window = form.hwnd();
  ASSERT_NE(window, nullptr);
  wchar_t text[4096] = {};
  ::GetWindowTextW(form.txtError(), text, 4096);
  EXPECT_NE(std::wstring(text).find(L"Number: 13 "), std::wstring::npos);
  EXPECT_TRUE(::GetWindowLongPtrW(window, GWL_STYLE) & WS_THICKFRAME);
  RECT client{};
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, TwipsToPixels(12420, win32::SystemDpi()));
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(form.txtError(), WM_GETFONT, 0, 0)),
               sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, L"Courier New");
  for (const SIZE size : {SIZE{300, 200}, SIZE{700, 420}}) {
    ::SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    RECT c{}, box{};
    ::GetClientRect(window, &c);
    ::GetWindowRect(form.txtError(), &box);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
    EXPECT_TRUE(::EqualRect(&box, &c)) << "the text fills the client area";
  }
  form.ErrorReport(u"replaced");
  EXPECT_EQ(form.hwnd(), window);  // the same instance, new text
  ::DestroyWindow(window);         // closing unloads it; the next report shows it again

  forms::Form10 about(nullptr);
  ::SetTimer(nullptr, 0, 200, &FailInsideTheModalLoop);
  about.ShowModal(nullptr);  // returns once the timers have closed both
  EXPECT_TRUE(g_aboutWaited);
  EXPECT_EQ(form.hwnd(), nullptr);
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
