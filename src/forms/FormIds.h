// The control ids of the dialogs; the OK buttons are IDOK (1), so Enter
// presses them.
#pragma once

namespace tarnwick::forms {

inline constexpr int kOkId = 1;

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
