// Form1's load and unload sequences, the settings they read and write, and
// the record of which settings the user changed during the run.
#include "app/win32/Form1.h"

#include "app/SettingRules.h"
#include "clipboard/win32/mHookClipboard.h"
#include "env/SettingValues.h"
#include "env/win32/RegSettings.h"
#include "errors/ErrTrap.h"

namespace tarnwick::app {

namespace {

using mErrTrap::Trap;
using mErrTrap::TrapKind;

constexpr char16_t kSettings[] = u"Settings";

std::int16_t ReadInt16Setting(const char16_t* key) {
  return mRegSettings::ParseInt16Setting(mRegSettings::GetSetting(kSettings, key, u"0"));
}

float ReadSingleSetting(const char16_t* key, float current) {
  const Text stored =
      mRegSettings::GetSetting(kSettings, key, mRegSettings::FormatSingleSetting(current));
  return mRegSettings::ParseSingleSetting(stored);
}

void WriteSetting(const char16_t* key, const Text& value) {
  mRegSettings::SaveSetting(kSettings, key, value);
}

POINT WindowPosition(HWND hwnd) {
  RECT frame{};
  ::GetWindowRect(hwnd, &frame);
  return {frame.left, frame.top};
}

}  // namespace

void Form1::Form_Load() {
  Trap trap(u"Form1.Form_Load", TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(20, [&] { SkinFramework1.ApplyWindow(hwnd()); });
    trap.Step(30, [&] { SkinFramework1.SetOptions(SkinFramework1.Options() & ~1); });
    trap.Step(40, [&] { SkinFramework1.LoadSkin(u"gui.dll", u"Normalblue.ini"); });
    trap.Step(50, [&] {
      mHookClipboard::HookForm(clipboard_, Ref());
      hooked_ = true;
    });
    trap.Step(60, [&] {
      hearsChanges_ = true;
      clipboard_.StartNotifications(hwnd());
    });
    trap.Step(70, [&] {
      settingsRead_.autoOption = true;
      SelectOption(CheckedOptionIndex(ReadInt16Setting(u"AutoOption")));
    });
    trap.Step(80, [&] {
      settingsRead_.alwaysOnTop = true;
      SetCheckState(ControlId::chTop, CheckedCheckState(ReadInt16Setting(u"AlwaysOnTop")));
    });
    trap.Step(90, [&] {
      settingsRead_.autoMode = true;
      SetCheckState(ControlId::chAuto, CheckedCheckState(ReadInt16Setting(u"Auto")));
    });
    trap.Step(100, [&] {
      settingsRead_.left = true;
      MoveEdge(true, ReadSingleSetting(u"Left", EdgeTwips(true)));
    });
    trap.Step(110, [&] {
      settingsRead_.top = true;
      MoveEdge(false, ReadSingleSetting(u"Top", EdgeTwips(false)));
    });
    trap.Step(120, [] { bFormLoaded = true; });
    trap.Step(130, [&] { chAuto_Click(); });
    trap.Step(140, [&] { chTop_Click(); });
    trap.Step(150, [&] { applyCommonFont_(Ref()); });
  });
}

float Form1::EdgeTwips(bool left) const {
  const POINT at = WindowPosition(hwnd());
  return static_cast<float>(PixelsToTwips(left ? at.x : at.y, dpi_));
}

void Form1::MoveEdge(bool left, float twips) {
  const int pixels = EdgePixelsFromTwips(twips, dpi_);
  const POINT at = WindowPosition(hwnd());
  ::SetWindowPos(hwnd(), nullptr, left ? pixels : at.x, left ? at.y : pixels, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1::TrackMovesFromNow() {
  position_ = WindowPosition(hwnd());
  loadEnded_ = true;
}

// A move after the load is the user's (or another program's on the user's
// behalf): the edge that moved is saved at close.
void Form1::OnMoved() {
  if (!loadEnded_) return;
  const POINT now = WindowPosition(hwnd());
  if (now.x != position_.x) settingsChanged_.left = true;
  if (now.y != position_.y) settingsChanged_.top = true;
  position_ = now;
}

Form1::SettingFlags Form1::SettingsToSave() const {
  return {settingsRead_.autoOption || settingsChanged_.autoOption,
          settingsRead_.alwaysOnTop || settingsChanged_.alwaysOnTop,
          settingsRead_.autoMode || settingsChanged_.autoMode,
          settingsRead_.left || settingsChanged_.left, settingsRead_.top || settingsChanged_.top};
}

void Form1::Form_Unload(std::int16_t& Cancel) {
  Trap trap(u"Form1.Form_Unload(Cancel)", TrapKind::EndsChain, Cancel);
  trap.Run([&] {
    const SettingFlags save = SettingsToSave();
    if (save.alwaysOnTop) {
      trap.Step(10, [&] { WriteSetting(u"AlwaysOnTop", DecimalText(CheckState(ControlId::chTop))); });
    }
    if (save.autoMode) {
      trap.Step(20, [&] { WriteSetting(u"Auto", DecimalText(CheckState(ControlId::chAuto))); });
    }
    for (int i = 0; i < kOptionCount && save.autoOption; ++i) {
      trap.Step(30 + 10 * i, [&] {
        if (OptionSelected(i)) WriteSetting(u"AutoOption", DecimalText(i));
      });
    }
    if (save.left) {
      trap.Step(80, [&] { WriteSetting(u"Left", mRegSettings::FormatSingleSetting(EdgeTwips(true))); });
    }
    if (save.top) {
      trap.Step(90, [&] { WriteSetting(u"Top", mRegSettings::FormatSingleSetting(EdgeTwips(false))); });
    }
    trap.Step(100, [&] { RemoveClipboardHook(); });
  });
}

// The session ends (log-off, shut-down): the system may end the process at
// any moment once this returns, without WM_CLOSE or WM_DESTROY. So the
// unload runs now: the settings are written as at a close, and the window
// leaves the chain or the listener (a leave held up by a hung viewer is not
// waited for). The window itself stays until the process ends.
void Form1::OnEndSession() {
  std::int16_t Cancel = 0;
  Form_Unload(Cancel);
}

void Form1::RemoveClipboardHook() {
  if (hearsChanges_) clipboard_.StopNotifications();
  hearsChanges_ = false;
  if (hooked_) mHookClipboard::UnhookForm(clipboard_, Ref());
  hooked_ = false;
}

}  // namespace tarnwick::app
