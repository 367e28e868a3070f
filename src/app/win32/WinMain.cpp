// Tarnwick.exe: no command-line arguments; Main decides whether the program
// runs, then the message loop lives as long as the main window.
#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "app/win32/AboutHook.h"
#include "app/win32/Form1.h"
#include "app/win32/mMain.h"
#include "errors/win32/ErrorPlatform.h"
#include "errors/win32/ErrorReporter.h"
#include "shell/win32/about/Form10.h"

namespace {

// The About command's dialog: a fresh Form10 for every press.
class AboutDialog final : public tarnwick::app::ModalDialog {
 public:
  void ShowModal(const tarnwick::win32::FormRef& owner) override {
    tarnwick::win32::ShowAboutDialog(owner, &tarnwick::mMain::ApplyCommonFont);
  }
};

HWND MainWindowHandle() {
  auto* main = tarnwick::mMain::frmMain;
  return main != nullptr && main->IsLoaded() ? main->hwnd() : nullptr;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  tarnwick::win32::InstallErrorPlatform();
  tarnwick::win32::InstallErrorReporter(
      {&tarnwick::mMain::isLoad, &tarnwick::mMain::FolderExist, &MainWindowHandle});
  tarnwick::app::SetAboutDialogFactory([] { return std::make_unique<AboutDialog>(); });
  tarnwick::mMain::Main();
  return tarnwick::mMain::RunMessageLoop();
}
