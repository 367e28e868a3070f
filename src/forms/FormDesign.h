// The forms as designed: each control with its kind, position and size in
// twips (within its container), design caption, and, for the dialogs, the
// load step that sets its caption and where that caption comes from. One
// builder creates every form's controls from these tables, in table order,
// which is also each container's tab order.
#pragma once

#include <span>
#include <vector>

#include "common/Text.h"

namespace tarnwick::forms {

enum class ControlKind {
  Panel,          // the background panel under the other controls
  GroupBox,       // a framed container, hidden until shown
  Box,            // a container in the window colour inside a sunken edge
  Label,
  HiddenLabel,    // never shown (the main window's font container)
  BoldLabel,      // the dialog font in bold
  TitleLabel,     // the About dialog's product name: larger and bold
  Link,           // blue, hand cursor, reports clicks
  TextBox,        // the main window's read-only multi-line field
  Button,
  DefaultButton,  // Enter presses it
  OptionButton,   // the first of a container starts its group
  CheckBox,       // three states
  Picture,        // a bitmap
  Icon,
  Line,           // an etched separator
};

// Where a dialog's load takes a control's caption from.
enum class LoadCaption { None, UiString, ReportFolder, WebsiteAddress, SupportAddress, VersionLine };

struct ControlDesign {
  int id;                 // the control's id, unique within its form (not 0)
  const char16_t* name;   // design name
  ControlKind kind;
  int left, top, width, height;  // twips, within the container
  int container = 0;      // the container's id; 0: the form itself
  const char16_t* caption = u"";  // design caption
  int loadStep = 0;       // the load step that sets the caption; 0: none
  // Where that caption comes from; without a load step, the control gets
  // it when it is created, in place of the design caption.
  LoadCaption source = LoadCaption::None;
  const Text* uiString = nullptr;  // the entry, for LoadCaption::UiString
};

struct FormDesign {
  const char16_t* name;  // "Form10", "Form11"
  int clientWidth, clientHeight;  // twips
  int captionStep;        // the load step that sets the window caption
  const Text* caption;    // the entry it sets it to
  std::span<const ControlDesign> controls;
};

// The About dialog and the error dialog.
const FormDesign& Form10Design();
const FormDesign& Form11Design();

// A form's caption steps in the order the load runs them; a null control
// stands for the window's own caption.
struct CaptionStep {
  int step;
  const ControlDesign* control;
};
std::vector<CaptionStep> CaptionSteps(const FormDesign& form);

// The About dialog's version line: the label, the major number, "." and the
// minor number in two digits at least ("Version 2.00", "Version 1.05").
Text AboutVersionLine(TextView versionLabel, int major, int minor);

}  // namespace tarnwick::forms
