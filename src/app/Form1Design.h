// The main window as designed: every control with its kind, caption,
// position in twips (relative to its container) and tab order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "common/Text.h"
#include "common/Twips.h"

namespace tarnwick::app {

enum class ControlKind { Panel, Label, TextBox, Button, GroupBox, OptionButton, CheckBox };

// Index into Form1Controls(); the order is the creation order of each
// container, which is also its tab order.
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

struct ControlDesign {
  ControlId id;
  const char16_t* name;
  ControlKind kind;
  const char16_t* caption;
  int left, top, width, height;  // twips, within the container
  int tabOrder;
  ControlId container;  // Count: the window itself
};

const std::array<ControlDesign, kControlCount>& Form1Controls();
const ControlDesign& DesignOf(ControlId id);

inline constexpr int kClientWidthTwips = 5535;
inline constexpr int kClientHeightTwips = 3345;
inline constexpr int kOptionCount = 5;
inline constexpr char16_t kProgramTitle[] = u"Tarnwick";
inline constexpr char16_t kCopyRefusal[] = u"The text is already in the Clipboard";

ControlId OptionControl(int index);  // Option1 member of index 0..4

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
