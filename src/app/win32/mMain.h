// The program's entry and the small utilities that other modules share:
// which forms are loaded and the common font. FolderExist, the third, lives
// with the other file-system queries (shell/win32/FileQueries.h), below the
// windows that use it.
#pragma once

#include <windows.h>

#include "common/Text.h"
#include "common/win32/FormRef.h"
#include "shell/win32/FileQueries.h"

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
// The message loop: while the main window is loaded, until it goes; after
// a start that failed, while the dialogs that report it are open. The exit
// code.
int RunMessageLoop();

// Trap "mMain.isLoad(sFormName)": a loaded form has exactly this name.
bool isLoad(const Text& sFormName);
// Gives every control of frm the font of frmMain's lblFontContainer. No
// trap: a control that refuses the font is skipped.
void ApplyCommonFont(const win32::FormRef& frm);

}  // namespace tarnwick::mMain
