// The error report file: "ErrorReport.txt" in the report folder (the user's
// Documents folder, "\", the program title), appended to in the ANSI code
// page, one block per reported failure.
#pragma once

#include <windows.h>

#include "common/Text.h"
#include "common/win32/Handles.h"

namespace tarnwick::mErrTrap {

// A text file open for appending; closed when it goes.
class AppendFile {
 public:
  bool IsOpen() const { return static_cast<bool>(handle_); }
  void Open(win32::FileHandle handle) { handle_ = std::move(handle); }
  void Close() { handle_.reset(); }
  // Appends the text in the ANSI code page; raises 61 "Disk full" or 75
  // "Path/File access error" when the system refuses.
  void Write(TextView text);

 private:
  win32::FileHandle handle_;
};


// One attempt to open path for appending, creating the file when missing.
// Other programs may read and write it meanwhile; one that holds it
// exclusively makes the attempt fail. Every failure yields false.
bool ErrTryOpenForAppend(const Text& path, AppendFile& fileNumber);
// ErrTryOpenForAppend every 200 ms until it succeeds or one to two seconds
// have passed; the thread is blocked meanwhile.
bool ErrOpenForAppend(const Text& path, AppendFile& fileNumber);
// Appends the current report as one block (with the header lines when the
// file is new). True when it ran to its end, nothing to write and a file
// that stays locked included; false only when an error interrupted it.
bool SaveErrorReport(const Text& fileName);

}  // namespace tarnwick::mErrTrap
