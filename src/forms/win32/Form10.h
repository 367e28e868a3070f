// Form10, the About dialog: the program's icon, name and version, the
// maker's notice, a link to the web site and one that starts a mail to
// support. A fresh dialog for every showing, modal over its owner.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "common/win32/FormRef.h"
#include "common/win32/Handles.h"
#include "forms/win32/Dialog.h"

namespace tarnwick::forms {

// mMain::ApplyCommonFont: gives every control of a form the common font.
using ApplyFontHook = std::function<void(const win32::FormRef& frm)>;

class Form10 final : public Dialog {
 public:
  explicit Form10(ApplyFontHook applyCommonFont);

  // Loads the dialog (Form_Load) and shows it modally over owner; returns
  // once it has been closed. Raises what a failure to build it raised.
  void ShowModal(HWND owner);

  // --- Event procedures ---------------------------------------------------
  void Form_Load();
  void Form_Unload(std::int16_t& Cancel);
  void bnOK_Click();
  void Label4_Click();
  void Label5_Click();

 protected:
  void OnClick(int id) override;
  void OnCancel() override { Unload(); }

 private:
  void FitLabelsToText();
  void Unload();

  HWND owner_ = nullptr;
  ApplyFontHook applyCommonFont_;
  win32::FontHandle font_;
  win32::FontHandle titleFont_;
  win32::IconHandle icon_;
};

}  // namespace tarnwick::forms
