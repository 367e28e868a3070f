#include "app/Form1Design.h"


namespace tarnwick::app {

namespace {

using K = ControlKind;
using C = ControlId;
constexpr C kWindow = C::Count;

constexpr std::array<ControlDesign, kControlCount> kControls{{
    {C::TabControlPage1, u"TabControlPage1", K::Panel, u"", 0, 0, 6015, 3615, 0, kWindow},
    {C::lblFontContainer, u"lblFontContainer", K::Label, u"FONT CONTAINER!!!!!!!", 2520, 3840,
     2055, 495, 1, kWindow},
    {C::Label1, u"Label1", K::Label, u"Clipboard text:", 120, 120, 1215, 255, 2,
     C::TabControlPage1},
    {C::Frame1, u"Frame1", K::GroupBox, u"", 3480, 240, 2175, 2535, 3, C::TabControlPage1},
    {C::Option1_0, u"Option1", K::OptionButton, u"Sentence case", 120, 120, 1815, 375, 4,
     C::Frame1},
    {C::Option1_1, u"Option1", K::OptionButton, u"lower case", 120, 600, 1815, 375, 5, C::Frame1},
    {C::Option1_2, u"Option1", K::OptionButton, u"UPPRE CASE", 120, 1080, 1815, 375, 6, C::Frame1},
    {C::Option1_3, u"Option1", K::OptionButton, u"Capitalize Every Word", 120, 1560, 1935, 375, 7,
     C::Frame1},
    {C::Option1_4, u"Option1", K::OptionButton, u"tOGGLE cASE", 120, 2040, 1815, 375, 8,
     C::Frame1},
    {C::fdClipboardText, u"fdClipboardText", K::TextBox, u"", 120, 405, 3375, 2295, 9,
     C::TabControlPage1},
    {C::bnSentence, u"bnSentence", K::Button, u"Sentence case", 3600, 405, 1815, 375, 10,
     C::TabControlPage1},
    {C::bnLower, u"bnLower", K::Button, u"lower case", 3600, 900, 1815, 375, 11,
     C::TabControlPage1},
    {C::bnUpper, u"bnUpper", K::Button, u"UPPRE CASE", 3600, 1365, 1815, 375, 12,
     C::TabControlPage1},
    {C::bnEvery, u"bnEvery", K::Button, u"Capitalize Every Word", 3600, 1845, 1815, 375, 13,
     C::TabControlPage1},
    {C::bnToggle, u"bnToggle", K::Button, u"tOGGLE cASE", 3600, 2325, 1815, 375, 14,
     C::TabControlPage1},
    {C::chTop, u"chTop", K::CheckBox, u"Always on top", 120, 2805, 1335, 300, 15,
     C::TabControlPage1},
    {C::chAuto, u"chAuto", K::CheckBox, u"Change automatically", 1560, 2805, 1815, 300, 16,
     C::TabControlPage1},
    {C::bnAbout, u"bnAbout", K::Button, u"About", 3600, 2865, 1815, 375, 17, C::TabControlPage1},
}};

}  // namespace

const std::array<ControlDesign, kControlCount>& Form1Controls() { return kControls; }

const ControlDesign& DesignOf(ControlId id) { return kControls[static_cast<int>(id)]; }

ControlId OptionControl(int index) {
  return static_cast<ControlId>(static_cast<int>(ControlId::Option1_0) + index);
}

std::size_t FieldViewLength(TextView text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  const char16_t last = text[limit - 1];
  const bool splitsPair = limit > 0 && last >= 0xD800 && last <= 0xDBFF;
  return splitsPair ? limit - 1 : limit;
}

}  // namespace tarnwick::app
