// Form11, the error notification dialog: an apology, three ways of sending
// the report file to support, three links that open Explorer at the file and
// one that starts a mail to support. A fresh instance for every report.
#pragma once

#include <windows.h>

#include <array>

#include "common/Text.h"
#include "common/win32/FormRef.h"
#include "errors/win32/DialogBase.h"

namespace tarnwick::win32 {

inline constexpr wchar_t kForm11Name[] = L"Form11";

class Form11 final : public DialogBase {
 public:
  // Control ids; the labels keep their design names.
  enum Id : int {
    picExclamation = 1100, Label1, Label2, Picture1, Label3, Label58, Label4, Label5, Label6,
    Label7, Picture3, Label8, Label55, Label9, Label56, Label10, Label11, Picture2, Label12,
    Label13, Label14, Label57, Label15, bnOK = IDOK,
  };

  FormRef Ref() const { return {hwnd(), u"Form11"}; }

  // --- Event procedures ---------------------------------------------------
  void Form_Load();
  void bnOK_Click();
  void Label55_Click();
  void Label56_Click();
  void Label57_Click();
  void Label58_Click();

 protected:
  void OnLoad() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void CreateControls();
  HWND Control(int id) const;
  void SetCaption(int id, const Text& text);
  void DrawExclamation(HICON icon);
  void OpenReportFileInExplorer();
  bool IsLink(HWND control) const override;
  bool IsInContainer(HWND control) const;

  FontHandle font_;
  FontHandle boldFont_;
  BitmapHandle exclamation_;
};

}  // namespace tarnwick::win32
