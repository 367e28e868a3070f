#include "app/win32/mMain.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "app/Form1Design.h"
#include "app/win32/Form1.h"
#include "common/win32/Handles.h"
#include "common/win32/WideText.h"
#include "env/UIStrings.h"
#include "env/win32/OSVersionWin32.h"
#include "env/win32/RegSettings.h"
#include "errors/ErrTrap.h"
#include "errors/win32/ApiCall.h"
#include "errors/win32/ErrorReporter.h"
#include "shell/win32/FileSearch.h"

namespace tarnwick::mMain {

using mErrTrap::Trap;
using mErrTrap::TrapKind;

app::Form1* frmMain = nullptr;

namespace {

std::unique_ptr<app::Form1>& MainWindowInstance() {
  static std::unique_ptr<app::Form1> instance;
  return instance;
}

std::vector<win32::FormRef>& LoadedForms() {
  static std::vector<win32::FormRef> forms;
  return forms;
}

// Held for the life of the process: a second start finds it taken. The
// system releases it when the process ends, however it ends.
win32::KernelHandle& InstanceLock() {
  static win32::KernelHandle lock;
  return lock;
}

constexpr wchar_t kInstanceLockName[] = L"Tarnwick.SingleInstance.7f3c";

bool AnotherInstanceRuns() {
  ::SetLastError(ERROR_SUCCESS);
  HANDLE lock = ::CreateMutexW(nullptr, FALSE, kInstanceLockName);
  const DWORD error = ::GetLastError();
  mErrTrap::RecordLastDllError(error);
  InstanceLock().reset(lock);
  return error == ERROR_ALREADY_EXISTS;
}

bool OSIsSupported() { return mOSVersion::IsWinXP() || mOSVersion::IsWin2000(); }

void ShowOSRefusal() {
  const std::wstring message = win32::ToWide(mLanguageGobals::OSNotSupported);
  const std::wstring caption = win32::ToWide(app::kProgramTitle);
  ::MessageBoxW(nullptr, message.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void CreateMainWindow() {
  MainWindowInstance() = std::make_unique<app::Form1>();
  frmMain = MainWindowInstance().get();
}

}  // namespace

void Main() {
  Trap trap(u"mMain.Main", TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(20, [] { mLanguageGobals::LoadUIStrings(); });
    if (!trap.Step(30, [] { return OSIsSupported(); })) {
      trap.Step(40, [] { ShowOSRefusal(); });
      return;
    }
    if (trap.Step(70, [] { return AnotherInstanceRuns(); })) return;
    trap.Step(100, [] { CreateMainWindow(); });
    trap.Step(110, [] { frmMain->Show(); });
    trap.Step(140, [] { mRegSettings::SaveVersion(); });
  });
}

int RunMessageLoop() {
  if (frmMain == nullptr || !frmMain->IsLoaded()) {
    win32::WaitForErrorDialogs();  // a start-up failure's dialogs stay until closed
    return 0;
  }
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    HWND dialog = frmMain->IsLoaded() ? frmMain->hwnd() : nullptr;
    if (dialog != nullptr && ::IsDialogMessageW(dialog, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void RegisterLoadedForm(const win32::FormRef& form) { LoadedForms().push_back(form); }

void UnregisterLoadedForm(HWND hwnd) {
  auto& forms = LoadedForms();
  forms.erase(std::remove_if(forms.begin(), forms.end(),
                             [hwnd](const win32::FormRef& f) { return f.hwnd == hwnd; }),
              forms.end());
}

bool isLoad(const Text& sFormName) {
  Trap trap(u"mMain.isLoad(sFormName)", TrapKind::Inner, sFormName);
  return trap.Run([&] {
    return trap.Step(10, [&] {
      const auto& forms = LoadedForms();
      return std::any_of(forms.begin(), forms.end(),
                         [&](const win32::FormRef& f) { return f.name == sFormName; });
    });
  });
}

bool FolderExist(const Text& folderPath) {
  Trap trap(u"mMain.FolderExist(folderPath)", TrapKind::Inner, folderPath);
  return trap.Run([&] {
    if (trap.Step(10, [&] { return folderPath.size() == 3; })) return true;
    return trap.Step(20, [&] { return mCommon::PathSearchFindsEntry(folderPath); });
  });
}

namespace {

BOOL CALLBACK SetControlFont(HWND control, LPARAM font) {
  try {
    ::SendMessageW(control, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  } catch (...) {
    // A control that refuses the font keeps its own; the walk goes on.
  }
  return TRUE;
}

}  // namespace

void ApplyCommonFont(const win32::FormRef& frm) {
  try {
    if (frmMain == nullptr || frm.hwnd == nullptr) return;
    HFONT font = frmMain->CommonFont();
    if (font == nullptr) return;
    ::EnumChildWindows(frm.hwnd, &SetControlFont, reinterpret_cast<LPARAM>(font));
  } catch (...) {
    // Nothing here is reported: the font is a matter of looks.
  }
}

}  // namespace tarnwick::mMain
