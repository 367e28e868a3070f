#include "app/win32/mMain.h"

#include <memory>

#include "app/Form1Design.h"
#include "app/win32/Form1.h"
#include "common/win32/Handles.h"
#include "common/win32/WideText.h"
#include "common/win32/Window.h"
#include "env/UIStrings.h"
#include "env/win32/OSVersionWin32.h"
#include "env/win32/RegSettings.h"
#include "errors/ErrTrap.h"
#include "errors/win32/ApiCall.h"
#include "shell/win32/mCommon.h"

namespace tarnwick::mMain {

using mErrTrap::Trap;
using mErrTrap::TrapKind;

app::Form1* frmMain = nullptr;

namespace {

std::unique_ptr<app::Form1>& MainWindowInstance() {
  static std::unique_ptr<app::Form1> instance;
  return instance;
}

// Held for the life of the process: a second start finds it taken. The
// system releases it when the process ends, however it ends.
win32::KernelHandle& InstanceLock() {
  static win32::KernelHandle lock;
  return lock;
}

constexpr wchar_t kInstanceLockName[] = L"Tarnwick.SingleInstance.7f3c";

// The lock decides; when the system gives no lock at all (a running copy
// made it where this one may not open it, or an object of another kind has
// its name), a running copy is known by its main window instead.
bool AnotherInstanceRuns() {
  ::SetLastError(ERROR_SUCCESS);
  HANDLE lock = win32::ApiCall([] { return ::CreateMutexW(nullptr, FALSE, kInstanceLockName); });
  const DWORD error = ::GetLastError();
  InstanceLock().reset(lock);
  if (lock != nullptr) return error == ERROR_ALREADY_EXISTS;
  return win32::ApiCall([] {
           return ::FindWindowW(app::kMainWindowClass, win32::WideView(Text(app::kProgramTitle)));
         }) != nullptr;
}

bool OSIsSupported() { return mOSVersion::IsWinXP() || mOSVersion::IsWin2000(); }

void CreateMainWindow() {
  MainWindowInstance() = std::make_unique<app::Form1>(&ApplyCommonFont);
  frmMain = MainWindowInstance().get();
}

}  // namespace

void Main() {
  Trap trap(u"mMain.Main", TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(20, [] { mLanguageGobals::LoadUIStrings(); });
    if (!trap.Step(30, [] { return OSIsSupported(); })) {
      trap.Step(40, [] { mCommon::ShowMessage(mLanguageGobals::OSNotSupported, MB_ICONEXCLAMATION, nullptr); });
      return;
    }
    if (trap.Step(70, [] { return AnotherInstanceRuns(); })) return;
    trap.Step(100, [] { CreateMainWindow(); });
    trap.Step(110, [] { frmMain->Show(); });
    trap.Step(140, [] { mRegSettings::SaveVersion(); });
  });
}

int RunMessageLoop() {
  if (frmMain != nullptr && frmMain->IsLoaded()) return win32::RunMessageLoop();
  win32::RunWhileAnyWindowIsLoaded();
  return 0;
}

bool isLoad(const Text& sFormName) {
  Trap trap(u"mMain.isLoad(sFormName)", TrapKind::Inner, sFormName);
  return trap.Run([&] {
    return trap.Step(10, [&] { return win32::Window::FindLoaded(sFormName) != nullptr; });
  });
}

namespace {

BOOL CALLBACK SetControlFont(HWND control, LPARAM font) {
  ::SendMessageW(control, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  return TRUE;
}

}  // namespace

void ApplyCommonFont(const win32::FormRef& frm) {
  // Nothing here is reported: the font is a matter of looks, and a control
  // that refuses it keeps its own while the walk goes on.
  if (frmMain == nullptr || frm.hwnd == nullptr) return;
  HFONT font = frmMain->CommonFont();
  if (font == nullptr) return;
  ::EnumChildWindows(frm.hwnd, &SetControlFont, reinterpret_cast<LPARAM>(font));
}

}  // namespace tarnwick::mMain
