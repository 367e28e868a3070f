// Form11, the error notification dialog: an apology, three ways of sending
// the report file to support, three links that open Explorer at the file and
// one that starts a mail to support. A fresh instance for every report.
#pragma once

#include <windows.h>

#include "common/win32/Handles.h"
#include "forms/win32/Dialog.h"

namespace tarnwick::forms {

class Form11 final : public Dialog {
 public:
  Form11();
  ~Form11() override;

  // Loads the dialog (Form_Load) and shows it: modally over every other
  // window of the program (returns once it is closed), or modeless (the
  // dialog then owns itself). A dialog whose load stopped at a failure is
  // destroyed unseen: the report of that failure is what the user sees.
  static void ShowModal(HWND owner);
  static void ShowModeless(HWND owner);

  // --- Event procedures ---------------------------------------------------
  void Form_Load();
  void bnOK_Click();
  void Label55_Click();
  void Label56_Click();
  void Label57_Click();
  void Label58_Click();

 protected:
  void OnClick(int id) override;
  void OnCancel() override { Close(); }
  std::optional<LRESULT> OnFormMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OpenReportFileFrom(const char16_t* signature);
  void DrawExclamation(HICON icon);
  void ReleaseExclamation();

  HWND owner_ = nullptr;
  bool loadEnded_ = false;  // Form_Load ran to its end: the dialog is whole
  win32::FontHandle font_;
  win32::FontHandle boldFont_;
  win32::BitmapHandle exclamation_;
};

}  // namespace tarnwick::forms
