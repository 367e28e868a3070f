// The program's entry and the small utilities that other modules share:
// which forms are loaded, whether a path exists, the common font.
#pragma once

#include <windows.h>

#include "common/Text.h"
#include "common/win32/FormRef.h"

namespace tarnwick::app {
class Form1;
}

namespace tarnwick::mMain {

// The one main window, created by Main before it is shown and never
// replaced; null until then.
extern app::Form1* frmMain;

// Trap "mMain.Main": UI strings, OS check, single instance, the main
// window, the version record.
void Main();
// The message loop while the main window is loaded; the exit code.
int RunMessageLoop();

// The loaded forms, by design name, in the order they were loaded.
void RegisterLoadedForm(const win32::FormRef& form);
void UnregisterLoadedForm(HWND hwnd);

// Trap "mMain.isLoad(sFormName)": a loaded form has exactly this name.
bool isLoad(const Text& sFormName);
// Trap "mMain.FolderExist(folderPath)": a 3-character path is taken to
// exist; any other is searched for exactly as given.
bool FolderExist(const Text& folderPath);
// Gives every control of frm the font of frmMain's lblFontContainer. No
// trap: a control that refuses the font is skipped.
void ApplyCommonFont(const win32::FormRef& frm);

}  // namespace tarnwick::mMain
