// Answers the next message box of this process with the given caption, as a
// user reading and confirming it would, from a thread of its own; keeps the
// box's text and whether it offered Yes, No and Cancel.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "TestThread.h"

namespace tarnwick::test_support {

class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(const wchar_t* caption = L"Tarnwick", int answer = IDOK)
      : caption_(caption), answer_(answer), thread_([this] { Run(); }) {}
  ~MessageBoxAnswerer() { Finish(); }
  // What the box said; empty when none was shown by now.
  std::wstring text() {
    Finish();
    return text_;
  }
  bool offeredYesNoCancel() {
    Finish();
    return yesNoCancel_;
  }

 private:
  void Finish() {
    stop_ = true;
    thread_.join();
  }
  // Up to a minute: on a busy machine Wine can take many seconds to show a
  // process's first window.
  void Run() {
    for (int i = 0; i < 6000 && !stop_; ++i, ::Sleep(10)) {
      HWND box = ::FindWindowW(L"#32770", caption_);
      DWORD process = 0;
      if (box != nullptr) ::GetWindowThreadProcessId(box, &process);
      if (process != ::GetCurrentProcessId()) continue;
      wchar_t buffer[1024] = {};
      ::GetDlgItemTextW(box, 0xFFFF, buffer, 1024);
      text_ = buffer;
      yesNoCancel_ = ::GetDlgItem(box, IDYES) && ::GetDlgItem(box, IDNO) && ::GetDlgItem(box, IDCANCEL);
      ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(box, answer_)));
      return;
    }
  }

  const wchar_t* caption_;
  int answer_;
  std::atomic<bool> stop_{false};
  std::wstring text_;
  bool yesNoCancel_ = false;
  TestThread thread_;
};

}  // namespace tarnwick::test_support
