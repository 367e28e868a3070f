// The program's dealings with the shell and the window manager: file and
// drive checks, always-on-top, mail and Explorer. Every message box here has
// the caption "Tarnwick" and an OK button.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "common/Text.h"
#include "common/win32/FormRef.h"

namespace tarnwick::mCommon {

// A message box with the program title as caption, an OK button and the
// given icon, owned by `owner` (by default the program's active window, so
// a message raised from a dialog stays in front of it).
void ShowMessage(TextView text, UINT icon, HWND owner = ::GetActiveWindow());
// SetWindowPos into (true) or out of the topmost band, without moving,
// sizing or activating; the window is shown if hidden.
void AlwaysOnTop(const win32::FormRef& mvarForm, bool mvarOnTop);
// Opens the mailto: URL of ComposeMailtoUrl; the shell's answer is ignored.
void SendMail(HWND lhWnd, TextView Address, TextView Subject, TextView Body, TextView CC,
              TextView bcc, TextView Attachement);
// Explorer with the file selected, after the drive, disk and file checks.
void OpenInExplorerList(const win32::FormRef& frm, TextView pPath);
// The checks, each failure told to the user; true when Explorer may open.
bool FileManager(TextView pName);
// The drive root names in the platform's order.
std::vector<Text> GetDriveNames();
// iType 2: the volume label; nothing when the volume cannot be read.
std::optional<Text> GetDriveInfo(TextView strDrive, std::int16_t iType);
// Shows the text of a failed shell result, if it has one.
void ShellErrorMessage(std::int32_t lngReturn);

}  // namespace tarnwick::mCommon
