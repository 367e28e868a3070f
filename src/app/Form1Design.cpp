#include "app/Form1Design.h"

namespace tarnwick::app {
namespace {

using K = ControlKind;
using C = ControlId;

constexpr int kPage = IdOf(C::TabControlPage1);
constexpr int kFrame = IdOf(C::Frame1);

constexpr std::array<ControlDesign, kControlCount> kControls{{
    {IdOf(C::TabControlPage1), u"TabControlPage1", K::Panel, 0, 0, 6015, 3615},
    {IdOf(C::lblFontContainer), u"lblFontContainer", K::HiddenLabel, 2520, 3840, 2055, 495, 0,
     u"FONT CONTAINER!!!!!!!"},
    {IdOf(C::Label1), u"Label1", K::Label, 120, 120, 1215, 255, kPage, u"Clipboard text:"},
    {IdOf(C::Frame1), u"Frame1", K::GroupBox, 3480, 240, 2175, 2535, kPage},
    {IdOf(C::Option1_0), u"Option1", K::OptionButton, 120, 120, 1815, 375, kFrame, u"Sentence case"},
    {IdOf(C::Option1_1), u"Option1", K::OptionButton, 120, 600, 1815, 375, kFrame, u"lower case"},
    {IdOf(C::Option1_2), u"Option1", K::OptionButton, 120, 1080, 1815, 375, kFrame, u"UPPRE CASE"},
    {IdOf(C::Option1_3), u"Option1", K::OptionButton, 120, 1560, 1935, 375, kFrame,
     u"Capitalize Every Word"},
    {IdOf(C::Option1_4), u"Option1", K::OptionButton, 120, 2040, 1815, 375, kFrame, u"tOGGLE cASE"},
    {IdOf(C::fdClipboardText), u"fdClipboardText", K::TextBox, 120, 405, 3375, 2295, kPage},
    {IdOf(C::bnSentence), u"bnSentence", K::Button, 3600, 405, 1815, 375, kPage, u"Sentence case"},
    {IdOf(C::bnLower), u"bnLower", K::Button, 3600, 900, 1815, 375, kPage, u"lower case"},
    {IdOf(C::bnUpper), u"bnUpper", K::Button, 3600, 1365, 1815, 375, kPage, u"UPPRE CASE"},
    {IdOf(C::bnEvery), u"bnEvery", K::Button, 3600, 1845, 1815, 375, kPage, u"Capitalize Every Word"},
    {IdOf(C::bnToggle), u"bnToggle", K::Button, 3600, 2325, 1815, 375, kPage, u"tOGGLE cASE"},
    {IdOf(C::chTop), u"chTop", K::CheckBox, 120, 2805, 1335, 300, kPage, u"Always on top"},
    {IdOf(C::chAuto), u"chAuto", K::CheckBox, 1560, 2805, 1815, 300, kPage, u"Change automatically"},
    {IdOf(C::bnAbout), u"bnAbout", K::Button, 3600, 2865, 1815, 375, kPage, u"About"},
}};

constexpr std::array<ConversionCommand, kOptionCount> kCommands{{
    {C::bnSentence, C::Option1_0, CaseRule::Sentence, u"Form1.bnSentence_Click", 30},
    {C::bnLower, C::Option1_1, CaseRule::Lower, u"Form1.bnLower_Click", 40},
    {C::bnUpper, C::Option1_2, CaseRule::Upper, u"Form1.bnUpper_Click", 50},
    {C::bnEvery, C::Option1_3, CaseRule::Proper, u"Form1.bnEvery_Click", 60},
    {C::bnToggle, C::Option1_4, CaseRule::Toggle, u"Form1.bnToggle_Click", 70},
}};

}  // namespace

const std::array<ControlDesign, kControlCount>& Form1Controls() { return kControls; }

const ControlDesign& DesignOf(ControlId id) { return kControls[static_cast<int>(id)]; }

ControlId OptionControl(int index) {
  return static_cast<ControlId>(static_cast<int>(ControlId::Option1_0) + index);
}

const std::array<ConversionCommand, kOptionCount>& ConversionCommands() { return kCommands; }

std::size_t FieldViewLength(TextView text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  if (limit == 0) return 0;
  const char16_t last = text[limit - 1];
  const bool splitsPair = last >= 0xD800 && last <= 0xDBFF;
  return splitsPair ? limit - 1 : limit;
}

}  // namespace tarnwick::app
