// Form1's commands: the clicks on its buttons, check boxes and options,
// the conversions of the field and their writes to the clipboard.
#include "app/win32/Form1.h"

#include <memory>

#include "app/SettingRules.h"
#include "case/CaseRules.h"
#include "clipboard/win32/ClipboardReplacement.h"
#include "errors/ErrTrap.h"
#include "shell/win32/mCommon.h"

namespace tarnwick::app {

namespace {

using mErrTrap::Trap;
using mErrTrap::TrapKind;

// Clears bWritingClipboard on every way out of a conversion, whether or not
// the write succeeded.
class WritingClipboardReset {
 public:
  WritingClipboardReset() = default;
  ~WritingClipboardReset() { clipboard::bWritingClipboard = false; }
  WritingClipboardReset(const WritingClipboardReset&) = delete;
  WritingClipboardReset& operator=(const WritingClipboardReset&) = delete;
};

// Each button's click runs the handler named for it.
struct ButtonClick {
  ControlId button;
  void (Form1::*click)();
};
constexpr ButtonClick kButtonClicks[] = {
    {ControlId::bnSentence, &Form1::bnSentence_Click}, {ControlId::bnLower, &Form1::bnLower_Click},
    {ControlId::bnUpper, &Form1::bnUpper_Click},       {ControlId::bnEvery, &Form1::bnEvery_Click},
    {ControlId::bnToggle, &Form1::bnToggle_Click},     {ControlId::bnAbout, &Form1::bnAbout_Click},
};

}  // namespace

void Form1::OnCommand(int id, int notification) {
  if (notification != BN_CLICKED) return;
  for (const ButtonClick& button : kButtonClicks) {
    if (id == button.button) return (this->*button.click)();
  }
  for (const ControlId box : {ControlId::chTop, ControlId::chAuto}) {
    if (id != box) continue;
    (box == ControlId::chTop ? settingsChanged_.alwaysOnTop : settingsChanged_.autoMode) = true;
    // A click checks an unchecked or grey box and unchecks a checked one.
    return SetCheckState(box, CheckState(box) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
  }
  for (int i = 0; i < kOptionCount; ++i) {
    if (id == OptionControl(i) && OptionSelected(i) && selectedOption_ != i) {
      settingsChanged_.autoOption = true;
      selectedOption_ = i;
      Option1_Click(static_cast<std::int16_t>(i));
    }
  }
}

// --- Switches and About -------------------------------------------------------------

void Form1::chTop_Click() {
  Trap trap(u"Form1.chTop_Click", TrapKind::EndsChain);
  trap.Run([&] {
    if (!trap.Step(10, [] { return bFormLoaded; })) return;
    if (trap.Step(20, [&] { return IsOn(CheckState(ControlId::chTop)); })) {
      trap.Step(30, [&] { mCommon::AlwaysOnTop(Ref(), true); });
      return;
    }
    trap.Step(50, [&] { mCommon::AlwaysOnTop(Ref(), false); });
  });
}

void Form1::bnAbout_Click() {
  Trap trap(u"Form1.bnAbout_Click", TrapKind::EndsChain);
  trap.Run([&] {
    std::unique_ptr<forms::Form10> dialog;
    trap.Step(10, [&] { dialog = std::make_unique<forms::Form10>(applyCommonFont_); });
    trap.Step(20, [&] { dialog->ShowModal(hwnd()); });  // this window is frmMain
    trap.Step(30, [&] { dialog.reset(); });
  });
}

void Form1::chAuto_Click() {
  const auto& commands = ConversionCommands();
  Trap trap(u"Form1.chAuto_Click", TrapKind::EndsChain);
  trap.Run([&] {
    if (!trap.Step(10, [] { return bFormLoaded; })) return;
    if (trap.Step(20, [&] { return IsOn(CheckState(ControlId::chAuto)); })) {
      for (int i = 0; i < kOptionCount; ++i) {
        trap.Step(30 + 10 * i, [&] { SetVisible(commands[i].button, false); });
      }
      trap.Step(80, [&] { SetVisible(ControlId::Frame1, true); });
      for (int i = 0; i < kOptionCount; ++i) {
        trap.Step(90 + 10 * i, [&] {
          if (OptionSelected(i)) Option1_Click(static_cast<std::int16_t>(i));
        });
      }
      return;
    }
    trap.Step(150, [&] { SetVisible(ControlId::Frame1, false); });
    for (int i = 0; i < kOptionCount; ++i) {
      trap.Step(160 + 10 * i, [&] { SetVisible(commands[i].button, true); });
    }
  });
}

// --- Conversions ------------------------------------------------------------------------

void Form1::ConvertField(CaseRule rule) {
  // Toggle and sentence case run through their own procedures, whose traps
  // name them in a report.
  if (rule == CaseRule::Toggle) {
    mCase::ToggleCase();
  } else {
    SetFieldText(rule == CaseRule::Sentence ? mCase::SCase(fieldText_)
                                            : mCase::Convert(rule, fieldText_));
  }
  // Once the text is converted: the formatted versions follow the field.
  clipboard::ConvertFormattedVersions(rule, formatted_);
}

// The five buttons: the field converted with the button's rule and put on
// the clipboard in place of what was there (steps 10 and 20).
void Form1::bnUpper_Click() { ConvertAndReplace(u"Form1.bnUpper_Click", CaseRule::Upper); }
void Form1::bnLower_Click() { ConvertAndReplace(u"Form1.bnLower_Click", CaseRule::Lower); }
void Form1::bnSentence_Click() { ConvertAndReplace(u"Form1.bnSentence_Click", CaseRule::Sentence); }
void Form1::bnEvery_Click() { ConvertAndReplace(u"Form1.bnEvery_Click", CaseRule::Proper); }
void Form1::bnToggle_Click() { ConvertAndReplace(u"Form1.bnToggle_Click", CaseRule::Toggle); }

void Form1::ConvertAndReplace(const char16_t* signature, CaseRule rule) {
  Trap trap(signature, TrapKind::EndsChain);
  trap.Run([&] {
    clipboard::ClipboardReplacement replacement(clipboard_, hwnd());
    Text s;
    trap.Step(10, [&] {
      ConvertField(rule);
      s = fieldText_;
      replacement.Clear();
    });
    trap.Step(20, [&] {
      replacement.Put(s, formatted_);
      replacement.Close();
    });
  });
}

void Form1::Option1_Click(std::int16_t Index) {
  Trap trap(u"Form1.Option1_Click(Index)", TrapKind::EndsChain, Index);
  trap.Run([&] {
    if (!trap.Step(10, [] { return bFormLoaded; })) return;
    if (!trap.Step(20, [&] { return IsOn(CheckState(ControlId::chAuto)); })) return;
    if (Index >= 0 && Index < kOptionCount) {
      const ConversionCommand& command = ConversionCommands()[Index];
      trap.Step(command.optionStep, [&] { ConvertField(command.rule); });
    }
    WritingClipboardReset writingReset;  // declared first: cleared after the clipboard closes
    clipboard::ClipboardReplacement replacement(clipboard_, hwnd());
    Text s;
    trap.Step(90, [&] {
      clipboard::bWritingClipboard = true;
      s = fieldText_;
      replacement.Clear();
    });
    trap.Step(100, [&] {
      replacement.Put(s, formatted_);
      replacement.Close();
      clipboard_.NoteAutoOutput(s);
    });
    trap.Step(110, [] { clipboard::bWritingClipboard = false; });
  });
}

}  // namespace tarnwick::app
