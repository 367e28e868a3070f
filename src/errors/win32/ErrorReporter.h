// The reporter that every event handler's trap calls: it appends the report
// to "ErrorReport.txt" and shows the error dialog (or, in development mode,
// the error details form). The program installs it once at start.
#pragma once

#include <windows.h>

#include <functional>

#include "common/Text.h"

namespace tarnwick::win32 {

// What the reporter needs to know of the program.
struct ReporterHooks {
  // mMain::isLoad: a form of this name is loaded.
  std::function<bool(const Text& sFormName)> isLoad;
  // mMain::FolderExist: a 3-character path or a search that finds an entry.
  std::function<bool(const Text& folderPath)> folderExist;
  // The main window's handle (the modal dialog's owner), null while none.
  std::function<HWND()> mainWindow;
};

// Installs the reporter behind ReportError (errors/ReportError.h).
void InstallErrorReporter(ReporterHooks hooks);
const ReporterHooks& InstalledReporterHooks();

// The work of ReportError: nothing for a silent error; else the report file,
// then frmShowError in development mode or a fresh Form11: modal over the
// main window when "Form1" is loaded, modeless without an owner otherwise.
void ReportErrorNow();

// A failure during start-up leaves modeless error dialogs and no main
// window: this runs the message loop until the user has closed them all.
void WaitForErrorDialogs();

}  // namespace tarnwick::win32
