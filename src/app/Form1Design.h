// The main window as designed: every control with its kind, caption and
// position in twips (relative to its container), and the five conversion
// commands that its buttons and Auto options run.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "case/CaseRules.h"
#include "common/Text.h"
#include "common/Twips.h"
#include "forms/FormDesign.h"
#include "forms/FormIds.h"

namespace tarnwick::app {

using forms::ControlDesign;
using forms::ControlKind;

// The controls' ids, as the window knows them (forms/FormIds.h).
using ControlId = forms::form1::Id;
inline constexpr int kControlCount = ControlId::bnAbout - ControlId::TabControlPage1 + 1;

const std::array<ControlDesign, kControlCount>& Form1Controls();
const ControlDesign& DesignOf(ControlId id);

inline constexpr int kClientWidthTwips = 5535;
inline constexpr int kClientHeightTwips = 3345;
inline constexpr int kOptionCount = 5;
using tarnwick::kProgramTitle;
inline constexpr char16_t kCopyRefusal[] = u"The text is already in the Clipboard";

ControlId OptionControl(int index);  // Option1 member of index 0..4

using mCase::CaseRule;  // in the order of the Auto options

// One conversion: its command button, and the Auto option of the same
// index with the step at which Option1_Click converts with it.
struct ConversionCommand {
  ControlId button;
  ControlId option;
  CaseRule rule;
  int optionStep;
};
// In the order of the Auto options (Option1 index 0..4), which is also the
// order in which chAuto_Click hides and shows the buttons.
const std::array<ConversionCommand, kOptionCount>& ConversionCommands();

// The field holds texts of any length, and every command converts the
// whole text; its view shows at most this many code units from the start.
// An edit control lays out a long text in time that grows with its length
// (with the square of a paragraph's length on some platforms): a view of a
// 10 MB text would freeze the window for minutes.
inline constexpr std::size_t kFieldViewLimit = 16384;
// The length of the part of `text` that the view shows: at most `limit`
// code units, never ending between the halves of a surrogate pair.
std::size_t FieldViewLength(TextView text, std::size_t limit = kFieldViewLimit);

}  // namespace tarnwick::app
