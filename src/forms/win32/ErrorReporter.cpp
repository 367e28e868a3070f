#include "forms/win32/ErrorReporter.h"

#include "common/win32/Handles.h"
#include "common/win32/WideText.h"
#include "common/win32/Window.h"
#include "common/win32/WindowClass.h"
#include "env/UIStrings.h"
#include "errors/ErrTrap.h"
#include "errors/ReportError.h"
#include "errors/ReportFile.h"
#include "errors/win32/SpecialFolders.h"
#include "forms/win32/Form11.h"
#include "forms/win32/ReportFileWin32.h"
#include "forms/win32/frmShowError.h"
#include "shell/win32/mCommon.h"

namespace tarnwick::forms {
namespace {

IsLoadHook& IsLoad() {
  static IsLoadHook hook;
  return hook;
}

// The reports being shown right now, one inside the other.
int g_reportsShown = 0;
// Up to this many error dialogs stand one inside the other; the next report
// is a plain message box, and reports beyond that go to the file alone.
constexpr int kMostNestedDialogs = 2;

class ShownReport {
 public:
  ShownReport() { ++g_reportsShown; }
  ~ShownReport() { --g_reportsShown; }
  ShownReport(const ShownReport&) = delete;
  ShownReport& operator=(const ShownReport&) = delete;
};

constexpr wchar_t kHiddenOwnerClass[] = L"Tarnwick.ErrorDialogOwner";

// Modeless dialogs get this never-shown window as owner: they stay off the
// taskbar yet look like ordinary dialogs, and no program window owns them.
HWND HiddenOwner() {
  static const win32::WindowHandle owner = [] {
    win32::RegisterWindowClass(kHiddenOwnerClass, &::DefWindowProcW, nullptr);
    return win32::WindowHandle(::CreateWindowExW(0, kHiddenOwnerClass, L"", WS_POPUP, 0, 0, 0, 0,
                                                 nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                                 nullptr));
  }();
  return owner.get();
}

bool MainWindowLoaded() { return IsLoad() && IsLoad()(u"Form1"); }

void ShowErrorDialog() {
  if (MainWindowLoaded()) {
    const win32::Window* main = win32::Window::FindLoaded(u"Form1");
    Form11::ShowModal(main != nullptr ? main->hwnd() : nullptr);
    return;
  }
  Form11::ShowModeless(HiddenOwner());
}

// The last resort while error dialogs already stand one inside the other.
void ShowPlainErrorMessage() {
  mCommon::ShowMessage(mLanguageGobals::ErrorSorry + u"\r\n\r\n" + mSpecialFolders::ReportFolder() +
                           u"\\" + mErrTrap::kReportFileName,
                       MB_ICONERROR);
}

class Reporter final : public ErrorReporter {
 public:
  void ReportError() override { ReportErrorNow(); }
};

}  // namespace

void InstallErrorReporter(IsLoadHook isLoad) {
  static Reporter reporter;
  IsLoad() = std::move(isLoad);
  SetErrorReporter(&reporter);
}

void ReportErrorNow() {
  if (mErrTrap::ErrIsSilent()) return;
  mErrTrap::SaveErrorReport(mErrTrap::kReportFileName);
  if (mErrTrap::ErrInDevelopment()) {
    frmShowError::Instance().ErrorReport(mErrTrap::ErrReportText());
    return;
  }
  if (g_reportsShown > kMostNestedDialogs) return;
  const ShownReport shown;
  if (g_reportsShown > kMostNestedDialogs) {
    ShowPlainErrorMessage();
  } else {
    ShowErrorDialog();
  }
}

}  // namespace tarnwick::forms
