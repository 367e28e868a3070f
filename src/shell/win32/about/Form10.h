// Form10, the About dialog: the program's icon, name and version, the
// maker's notice, a link to the web site and one that starts a mail to
// support. A fresh dialog for every showing, modal over its owner.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "common/Text.h"
#include "common/win32/FormRef.h"
#include "errors/win32/DialogBase.h"

namespace tarnwick::win32 {

// mMain::ApplyCommonFont: gives every control of a form the common font.
using ApplyFontHook = std::function<void(const FormRef& frm)>;

class Form10 final : public DialogBase {
 public:
  enum Id : int {
    Image1 = 1000, Label6, Label2, Label3, Label7, Line1, Label8, Label4, Label9, Label5, Line2,
    bnOK = IDOK,
  };

  explicit Form10(ApplyFontHook applyCommonFont) : applyCommonFont_(std::move(applyCommonFont)) {}

  FormRef Ref() const { return {hwnd(), u"Form10"}; }

  // --- Event procedures ---------------------------------------------------
  void Form_Load();
  void Form_Unload(std::int16_t& Cancel);
  void bnOK_Click();
  void Label4_Click();
  void Label5_Click();

 protected:
  void OnLoad() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void CreateControls();
  void FitLabelsToText();
  void SetCaption(int id, const Text& text);
  bool IsLink(HWND control) const override;
  void Close();

  ApplyFontHook applyCommonFont_;
  FontHandle font_;
  FontHandle titleFont_;
  IconHandle icon_;
};

// Creates a new About dialog, shows it modally over owner and releases it
// when the user has closed it.
void ShowAboutDialog(const FormRef& owner, const ApplyFontHook& applyCommonFont);

// "Version " major "." minor in two digits at least ("Version 2.00").
Text AboutVersionLine(TextView versionLabel, std::int32_t major, std::int32_t minor);

}  // namespace tarnwick::win32
