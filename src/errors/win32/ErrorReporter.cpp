#include "errors/win32/ErrorReporter.h"

#include <memory>

#include "common/win32/WindowClass.h"
#include "errors/ErrTrap.h"
#include "errors/ReportError.h"
#include "errors/ReportFile.h"
#include "errors/win32/Form11.h"
#include "errors/win32/ReportFileWin32.h"
#include "errors/win32/frmShowError.h"

namespace tarnwick::win32 {
namespace {

ReporterHooks& Hooks() {
  static ReporterHooks hooks;
  return hooks;
}

constexpr wchar_t kHiddenOwnerClass[] = L"Tarnwick.ErrorDialogOwner";

// Modeless dialogs get this never-shown window as owner: they stay off the
// taskbar yet look like ordinary dialogs, and no program window owns them.
HWND HiddenOwner() {
  static const WindowHandle owner = [] {
    RegisterWindowClass(kHiddenOwnerClass, &::DefWindowProcW, nullptr);
    return WindowHandle(::CreateWindowExW(0, kHiddenOwnerClass, L"", WS_POPUP, 0, 0, 0, 0,
                                          nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                          nullptr));
  }();
  return owner.get();
}

bool MainWindowLoaded() {
  const auto& hooks = Hooks();
  return hooks.isLoad && hooks.isLoad(u"Form1");
}

void ShowErrorDialog() {
  if (MainWindowLoaded()) {
    HWND owner = Hooks().mainWindow ? Hooks().mainWindow() : nullptr;
    Form11 dialog;
    dialog.ShowModal(owner);
    return;
  }
  (new Form11)->ShowModelessOwned(HiddenOwner());  // deletes itself when closed
}

class Reporter final : public ErrorReporter {
 public:
  void ReportError() override { ReportErrorNow(); }
};

}  // namespace

void InstallErrorReporter(ReporterHooks hooks) {
  static Reporter reporter;
  Hooks() = std::move(hooks);
  SetErrorReporter(&reporter);
}

const ReporterHooks& InstalledReporterHooks() { return Hooks(); }

void ReportErrorNow() {
  if (mErrTrap::ErrIsSilent()) return;
  mErrTrap::SaveErrorReport(mErrTrap::kReportFileName);
  if (mErrTrap::ErrInDevelopment()) {
    frmShowError::Instance().ErrorReport(mErrTrap::ErrReportText());
    return;
  }
  ShowErrorDialog();
}

void WaitForErrorDialogs() {
  MSG msg;
  while (DialogBase::AnyModelessOpen() && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace tarnwick::win32
