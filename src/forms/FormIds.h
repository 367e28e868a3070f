// The control ids of every form: each form's in a range of its own, in
// the order its design table lists the controls. The dialogs' OK buttons
// are IDOK (1), so Enter presses them.
#pragma once

namespace tarnwick::forms {

inline constexpr int kOkId = 1;

// The main window's, in creation order, which is each container's tab order.
namespace form1 {
enum Id : int {
  TabControlPage1 = 100, lblFontContainer, Label1, Frame1, Option1_0, Option1_1, Option1_2,
  Option1_3, Option1_4, fdClipboardText, bnSentence, bnLower, bnUpper, bnEvery, bnToggle, chTop,
  chAuto, bnAbout,
};
}  // namespace form1

namespace form10 {
enum Id : int {
  Image1 = 1000, Label6, Label2, Label3, Label7, Line1, Label8, Label4, Label9, Label5, Line2,
  bnOK = kOkId,
};
}  // namespace form10

namespace form11 {
enum Id : int {
  picExclamation = 1100, Label1, Label2, Picture1, Label3, Label58, Label4, Label5, Label6,
  Label7, Picture3, Label8, Label55, Label9, Label56, Label10, Label11, Picture2, Label12,
  Label13, Label14, Label57, Label15, bnOK = kOkId,
};
}  // namespace form11

}  // namespace tarnwick::forms
