// The reporter behind ReportError (errors/ReportError.h), which every event
// handler's trap calls: it appends the report to "ErrorReport.txt" and shows
// the error dialog (in development mode, the error details form). The
// program installs it once at start.
#pragma once

#include <functional>

#include "common/Text.h"

namespace tarnwick::forms {

// mMain::isLoad: a form of this name is loaded.
using IsLoadHook = std::function<bool(const Text& sFormName)>;

void InstallErrorReporter(IsLoadHook isLoad);

// The work of ReportError: nothing for a silent error; else the report file,
// then frmShowError in development mode or a fresh Form11: modal over the
// main window when "Form1" is loaded, modeless without an owner otherwise.
// A failure while reports are being shown is reported once more in a
// dialog, then in a plain message box, then in the file alone, so reports
// can never stack without end.
void ReportErrorNow();

}  // namespace tarnwick::forms
