#include <algorithm>
#include <array>

#include "env/UIStrings.h"
#include "forms/FormDesign.h"
#include "forms/FormIds.h"

namespace tarnwick::forms {
namespace {

namespace ui = mLanguageGobals;
using K = ControlKind;
using S = LoadCaption;

// --- Form10, the About dialog ----------------------------------------------------

namespace a = form10;
constexpr ControlDesign kForm10Controls[] = {
    {a::Image1, u"Image1", K::Icon, 120, 120, 480, 480},
    {a::Label6, u"Label6", K::TitleLabel, 840, 240, 3735, 255, 0, u"Label6", 30, S::UiString, &ui::ProductName},
    {a::Label2, u"Label2", K::Label, 120, 840, 1095, 255, 0, u"Label2", 40, S::VersionLine},
    {a::Label3, u"Label3", K::Label, 120, 1200, 3015, 255, 0, u"Label3", 50, S::UiString, &ui::LegalNotice},
    {a::Label7, u"Label7", K::Label, 120, 1560, 1335, 255, 0, u"Label7", 60, S::UiString, &ui::RightsNotice},
    {a::Line1, u"Line1", K::Line, -120, 2040, 9120, 30},
    {a::Label8, u"Label8", K::Label, 120, 2280, 1215, 255, 0, u"Label8", 70, S::UiString, &ui::WebsiteLabel},
    {a::Label4, u"Label4", K::Link, 1680, 2280, 2415, 255, 0, u"Label4", 100, S::WebsiteAddress},
    {a::Label9, u"Label9", K::Label, 120, 2640, 1335, 255, 0, u"Label9", 80, S::UiString, &ui::SupportLabel},
    {a::Label5, u"Label5", K::Link, 1680, 2640, 2295, 255, 0, u"Label5", 110, S::SupportAddress},
    {a::Line2, u"Line2", K::Line, -120, 3120, 9120, 30},
    {a::bnOK, u"bnOK", K::DefaultButton, 3360, 3360, 1215, 375, 0, u"OK", 90, S::UiString, &ui::OKCaption},
};

// --- Form11, the error dialog --------------------------------------------------------

namespace e = form11;
constexpr ControlDesign kForm11Controls[] = {
    {e::picExclamation, u"picExclamation", K::Picture, 240, 240, 495, 495},
    {e::Label1, u"Label1", K::Label, 1080, 120, 6000, 300, 0, u"Label1", 40, S::UiString, &ui::ErrorSorry},
    {e::Label2, u"Label2", K::Label, 1080, 480, 6000, 600, 0, u"Label2", 50, S::UiString, &ui::ErrorIntro},
    // The first way: the folder.
    {e::Picture1, u"Picture1", K::Box, 1080, 1200, 6375, 2295},
    {e::Label3, u"Label3", K::Label, 120, 120, 6000, 300, e::Picture1, u"Label3", 60, S::UiString, &ui::FolderStep1},
    {e::Label58, u"Label58", K::Link, 360, 480, 5760, 500, e::Picture1, u"Label58", 70, S::ReportFolder},
    {e::Label4, u"Label4", K::Label, 120, 1080, 6000, 300, e::Picture1, u"Label4", 80, S::UiString, &ui::FolderStep2},
    {e::Label5, u"Label5", K::Label, 120, 1440, 6000, 300, e::Picture1, u"Label5", 90, S::UiString, &ui::FolderStep3},
    {e::Label6, u"Label6", K::Label, 120, 1800, 6000, 300, e::Picture1, u"Label6", 100, S::UiString, &ui::FolderStep4},
    {e::Label7, u"Label7", K::BoldLabel, 1080, 3600, 6000, 300, 0, u"Label7", 110, S::UiString, &ui::OrSeparator},
    // The second way: the mail link.
    {e::Picture3, u"Picture3", K::Box, 1080, 3960, 6375, 2295},
    {e::Label8, u"Label8", K::Label, 120, 120, 6000, 300, e::Picture3, u"Label8", 120, S::UiString, &ui::LinkStep1},
    {e::Label55, u"Label55", K::Link, 360, 480, 2535, 300, e::Picture3, u"", 0, S::SupportAddress},
    {e::Label9, u"Label9", K::Label, 120, 840, 6000, 300, e::Picture3, u"Label9", 130, S::UiString, &ui::LinkStep2},
    {e::Label56, u"Label56", K::Link, 360, 1200, 5760, 500, e::Picture3, u"Label56", 140, S::ReportFolder},
    {e::Label10, u"Label10", K::Label, 120, 1800, 6000, 300, e::Picture3, u"Label10", 150, S::UiString, &ui::LinkStep3},
    {e::Label11, u"Label11", K::BoldLabel, 1080, 6360, 6000, 300, 0, u"Label11", 160, S::UiString, &ui::OrSeparator},
    // The third way: by hand.
    {e::Picture2, u"Picture2", K::Box, 1080, 6720, 6375, 2295},
    {e::Label12, u"Label12", K::Label, 120, 120, 6000, 300, e::Picture2, u"Label12", 170, S::UiString, &ui::ManualStep1},
    {e::Label13, u"Label13", K::Label, 120, 480, 6000, 300, e::Picture2, u"Label13", 180, S::UiString, &ui::ManualStep2},
    {e::Label14, u"Label14", K::Label, 120, 840, 6000, 300, e::Picture2, u"Label14", 190, S::UiString, &ui::ManualStep3},
    {e::Label57, u"Label57", K::Link, 360, 1200, 5760, 495, e::Picture2, u"Label57", 200, S::ReportFolder},
    {e::Label15, u"Label15", K::Label, 120, 1800, 6000, 300, e::Picture2, u"Label15", 210, S::UiString, &ui::ManualStep4},
    {e::bnOK, u"bnOK", K::DefaultButton, 6240, 9240, 1215, 375, 0, u"OK", 30, S::UiString, &ui::OKCaption},
};

constexpr FormDesign kForm10{u"Form10", 4710, 3855, 20, &ui::AboutCaption, kForm10Controls};
constexpr FormDesign kForm11{u"Form11", 7680, 9810, 20, &ui::ErrorCaption, kForm11Controls};

}  // namespace

const FormDesign& Form10Design() { return kForm10; }
const FormDesign& Form11Design() { return kForm11; }

std::vector<CaptionStep> CaptionSteps(const FormDesign& form) {
  std::vector<CaptionStep> steps{{form.captionStep, nullptr}};
  for (const ControlDesign& control : form.controls) {
    if (control.loadStep != 0) steps.push_back({control.loadStep, &control});
  }
  std::stable_sort(steps.begin(), steps.end(),
                   [](const CaptionStep& a, const CaptionStep& b) { return a.step < b.step; });
  return steps;
}

Text AboutVersionLine(TextView versionLabel, int major, int minor) {
  return Text(versionLabel) + DecimalText(major) + u"." + TwoDigits(minor);
}

}  // namespace tarnwick::forms
