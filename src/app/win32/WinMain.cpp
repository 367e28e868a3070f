// Tarnwick.exe: no command-line arguments; Main decides whether the program
// runs, then the message loop lives as long as the main window.
#include <windows.h>

#include <commctrl.h>

#include "app/win32/mMain.h"
#include "errors/win32/ErrorPlatform.h"
#include "forms/win32/ErrorReporter.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  tarnwick::win32::InstallErrorPlatform();
  tarnwick::forms::InstallErrorReporter(&tarnwick::mMain::isLoad);
  tarnwick::mMain::Main();
  return tarnwick::mMain::RunMessageLoop();
}
