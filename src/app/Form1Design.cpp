#include "app/Form1Design.h"

namespace tarnwick::app {
namespace {

using K = ControlKind;
using C = ControlId;

constexpr int kPage = C::TabControlPage1;
constexpr int kFrame = C::Frame1;

constexpr std::array<ControlDesign, kControlCount> kControls{{
    {C::TabControlPage1, u"TabControlPage1", K::Panel, 0, 0, 6015, 3615},
    {C::lblFontContainer, u"lblFontContainer", K::HiddenLabel, 2520, 3840, 2055, 495, 0,
     u"FONT CONTAINER!!!!!!!"},
    {C::Label1, u"Label1", K::Label, 120, 120, 1215, 255, kPage, u"Clipboard text:"},
    {C::Frame1, u"Frame1", K::GroupBox, 3480, 240, 2175, 2535, kPage},
    {C::Option1_0, u"Option1", K::OptionButton, 120, 120, 1815, 375, kFrame, u"Sentence case"},
    {C::Option1_1, u"Option1", K::OptionButton, 120, 600, 1815, 375, kFrame, u"lower case"},
    {C::Option1_2, u"Option1", K::OptionButton, 120, 1080, 1815, 375, kFrame, u"UPPRE CASE"},
    {C::Option1_3, u"Option1", K::OptionButton, 120, 1560, 1935, 375, kFrame,
     u"Capitalize Every Word"},
    {C::Option1_4, u"Option1", K::OptionButton, 120, 2040, 1815, 375, kFrame, u"tOGGLE cASE"},
    {C::fdClipboardText, u"fdClipboardText", K::TextBox, 120, 405, 3375, 2295, kPage},
    {C::bnSentence, u"bnSentence", K::Button, 3600, 405, 1815, 375, kPage, u"Sentence case"},
    {C::bnLower, u"bnLower", K::Button, 3600, 900, 1815, 375, kPage, u"lower case"},
    {C::bnUpper, u"bnUpper", K::Button, 3600, 1365, 1815, 375, kPage, u"UPPRE CASE"},
    {C::bnEvery, u"bnEvery", K::Button, 3600, 1845, 1815, 375, kPage, u"Capitalize Every Word"},
    {C::bnToggle, u"bnToggle", K::Button, 3600, 2325, 1815, 375, kPage, u"tOGGLE cASE"},
    {C::chTop, u"chTop", K::CheckBox, 120, 2805, 1335, 300, kPage, u"Always on top"},
    {C::chAuto, u"chAuto", K::CheckBox, 1560, 2805, 1815, 300, kPage, u"Change automatically"},
    {C::bnAbout, u"bnAbout", K::Button, 3600, 2865, 1815, 375, kPage, u"About"},
}};

constexpr std::array<ConversionCommand, kOptionCount> kCommands{{
    {C::bnSentence, C::Option1_0, CaseRule::Sentence, 30},
    {C::bnLower, C::Option1_1, CaseRule::Lower, 40},
    {C::bnUpper, C::Option1_2, CaseRule::Upper, 50},
    {C::bnEvery, C::Option1_3, CaseRule::Proper, 60},
    {C::bnToggle, C::Option1_4, CaseRule::Toggle, 70},
}};

}  // namespace

const std::array<ControlDesign, kControlCount>& Form1Controls() { return kControls; }

const ControlDesign& DesignOf(ControlId id) { return kControls[id - ControlId::TabControlPage1]; }

ControlId OptionControl(int index) { return static_cast<ControlId>(ControlId::Option1_0 + index); }

const std::array<ConversionCommand, kOptionCount>& ConversionCommands() { return kCommands; }

std::size_t FieldViewLength(TextView text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  if (limit == 0) return 0;
  const char16_t last = text[limit - 1];
  const bool splitsPair = last >= 0xD800 && last <= 0xDBFF;
  return splitsPair ? limit - 1 : limit;
}

}  // namespace tarnwick::app
