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

namespace tarnwick::app {

using forms::ControlDesign;
using forms::ControlKind;

// The controls in creation order, which is each container's tab order.
enum class ControlId : int {
  TabControlPage1,
  lblFontContainer,
  Label1,
  Frame1,
  Option1_0,
  Option1_1,
  Option1_2,
  Option1_3,
  Option1_4,
  fdClipboardText,
  bnSentence,
  bnLower,
  bnUpper,
  bnEvery,
  bnToggle,
  chTop,
  chAuto,
  bnAbout,
  Count
};
inline constexpr int kControlCount = static_cast<int>(ControlId::Count);

// A control's id in the window is its place in the table after this one.
inline constexpr int kFirstControlId = 100;
constexpr int IdOf(ControlId id) { return kFirstControlId + static_cast<int>(id); }

const std::array<ControlDesign, kControlCount>& Form1Controls();
const ControlDesign& DesignOf(ControlId id);

inline constexpr int kClientWidthTwips = 5535;
inline constexpr int kClientHeightTwips = 3345;
inline constexpr int kOptionCount = 5;
using tarnwick::kProgramTitle;
inline constexpr char16_t kCopyRefusal[] = u"The text is already in the Clipboard";

ControlId OptionControl(int index);  // Option1 member of index 0..4

using mCase::CaseRule;  // in the order of the Auto options

// One conversion: its command button and the button handler's signature,
// and the Auto option of the same index with the step at which
// Option1_Click converts with it.
struct ConversionCommand {
  ControlId button;
  ControlId option;
  CaseRule rule;
  const char16_t* signature;
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
