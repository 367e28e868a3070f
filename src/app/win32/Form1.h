// Form1, the main window: the clipboard text field, the five commands, the
// Auto mode options, the always-on-top and Auto switches, About. Its code
// is split by concern: the window (Form1.cpp), the field and the copy
// refusal (Form1Field.cpp), load, unload and the settings (Form1Settings.cpp),
// the commands and their clipboard writes (Form1Commands.cpp).
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

#include "app/Form1Design.h"
#include "app/win32/Skin.h"
#include "case/mCase.h"
#include "clipboard/FormattedVersions.h"
#include "clipboard/win32/ClipboardHook.h"
#include "common/Text.h"
#include "common/win32/Handles.h"
#include "common/win32/Window.h"
#include "forms/win32/Form10.h"
#include "forms/win32/FormBuilder.h"

namespace tarnwick::app {

// Set once, at the end of the main window's load sequence; until then the
// Auto, option and always-on-top handlers do nothing.
extern bool bFormLoaded;

inline constexpr wchar_t kMainWindowClass[] = L"Tarnwick.Form1";

class Form1 final : public win32::Window, public clipboard::ClipboardViewerClient {
 public:
  // `applyCommonFont` (mMain::ApplyCommonFont) gives every control of a
  // form the common font: this window's at the end of its load, the About
  // dialog's when it loads.
  explicit Form1(forms::ApplyFontHook applyCommonFont);
  ~Form1() override;

  // Loads the window (its controls, then Form_Load) if it is not loaded yet,
  // then shows it. A window whose controls cannot all be made is destroyed
  // again and the failure raised: no half-built window outlives it.
  void Show();
  // The font of lblFontContainer: the one font of every window.
  HFONT CommonFont() const;

  // fdClipboardText: the whole text is held here and is what the commands
  // convert; the control shows its start (kFieldViewLimit).
  // SetFieldText changes the text at once and the control's view once the
  // current event is done.
  const Text& FieldText() const { return fieldText_; }
  void SetFieldText(const Text& text);

  // --- Event procedures ---------------------------------------------------
  void Form_Load();
  void Form_Unload(std::int16_t& Cancel);
  void chTop_Click();
  void bnAbout_Click();
  void chAuto_Click() override;
  void Option1_Click(std::int16_t Index);
  void bnUpper_Click();
  void bnLower_Click();
  void bnSentence_Click();
  void bnEvery_Click();
  void bnToggle_Click();
  void fdClipboardText_KeyDown(std::int16_t& KeyCode, std::int16_t Shift);
  void fdClipboardText_KeyPress(std::int16_t& KeyAscii);
  void fdClipboardText_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);

  void ShowClipboardText(const Text& text) override { SetFieldText(text); }
  void KeepFormattedVersions(clipboard::FormattedVersions versions) override {
    formatted_ = std::move(versions);
  }

 private:
  // The field as ToggleCase sees it.
  class FieldBinding final : public mCase::TextField {
   public:
    explicit FieldBinding(Form1& form) : form_(form) {}
    Text GetText() const override { return form_.FieldText(); }
    void SetText(const Text& text) override { form_.SetFieldText(text); }

   private:
    Form1& form_;
  };

  // The settings that the unload writes back: each one whose load step ran
  // (so a corrupt value is mended) or that the user changed during the run.
  // One that was neither read nor changed keeps its stored value.
  struct SettingFlags {
    bool autoOption = false;
    bool alwaysOnTop = false;
    bool autoMode = false;
    bool left = false;
    bool top = false;
  };

  // The window and its controls (Form1.cpp).
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void CreateWindowAndControls();
  HWND Control(ControlId id) const { return controls_.Find(id); }
  void Unload();
  void OnDestroy();
  // Posted by SetFieldText; brings the control's view up to the text.
  static constexpr UINT kShowFieldText = WM_APP + 0x310;
  void ShowFieldView();
  // Control states, set as the program sets them: a change runs the
  // control's click handler, as a user's change does.
  int CheckState(ControlId box) const;
  void SetCheckState(ControlId box, int state);
  void SelectOption(int index);
  bool OptionSelected(int index) const;
  void SetVisible(ControlId id, bool visible);

  // The field's own procedure and the copy refusal (Form1Field.cpp).
  void SetUpField();
  static LRESULT CALLBACK FieldProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleFieldMessage(HWND field, UINT message, WPARAM wParam, LPARAM lParam);
  void ShowCopyRefusal();

  // Load, unload and the settings (Form1Settings.cpp).
  void TrackMovesFromNow();
  void OnMoved();
  void MoveEdge(bool left, float twips);
  float EdgeTwips(bool left) const;
  SettingFlags SettingsToSave() const;
  // Unload step 100: the window stops hearing of clipboard changes and its
  // own procedure is put back.
  void RemoveClipboardHook();
  void OnEndSession();

  // The commands (Form1Commands.cpp).
  void OnCommand(int id, int notification);
  void ConvertField(CaseRule rule);
  void ConvertAndReplace(const char16_t* signature, CaseRule rule);

  forms::ApplyFontHook applyCommonFont_;
  forms::FormControls controls_;
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  win32::FontHandle commonFont_;
  win32::IconHandle bigIcon_;
  win32::IconHandle smallIcon_;
  SkinFramework SkinFramework1;
  Text fieldText_;
  // The formatted versions (HTML, RTF) of the content the field shows: each
  // conversion of the field converts them too and puts them back beside it.
  clipboard::FormattedVersions formatted_;
  int selectedOption_ = -1;
  bool fieldViewStale_ = false;
  bool fieldViewPosted_ = false;
  WNDPROC fieldPrevProc_ = nullptr;
  FieldBinding fieldBinding_;
  bool built_ = false;  // every control made: destroying the window ends the program
  bool hooked_ = false;
  bool hearsChanges_ = false;
  bool loadEnded_ = false;
  POINT position_{};  // the window's position as last seen, in pixels
  SettingFlags settingsRead_;
  SettingFlags settingsChanged_;
  // The clipboard hook's state: what the window learns of the clipboard.
  clipboard::ClipboardHook clipboard_{*this};
};

}  // namespace tarnwick::app
