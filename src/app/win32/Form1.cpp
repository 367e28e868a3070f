#include "app/win32/Form1.h"

#include <windowsx.h>

#include <memory>

#include "app/SettingRules.h"
#include "app/win32/mMain.h"
#include "case/CaseRules.h"
#include "clipboard/win32/ClipboardAccess.h"
#include "common/win32/WideText.h"
#include "env/SettingValues.h"
#include "env/win32/RegSettings.h"
#include "errors/ErrTrap.h"
#include "errors/win32/ApiCall.h"
#include "forms/win32/Form10.h"
#include "shell/win32/mCommon.h"

namespace tarnwick::app {

bool bFormLoaded = false;

namespace {

using mErrTrap::Trap;
using mErrTrap::TrapKind;

constexpr int kIconResource = 1;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr char16_t kSettings[] = u"Settings";
// Edit controls stop at 30,000 characters unless told otherwise.
constexpr LPARAM kFieldTextLimit = 0x7FFFFFFE;

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

// The keys held down, as the field's key and mouse events report them:
// 1 Shift, 2 Ctrl, 4 Alt.
std::int16_t ShiftState() {
  std::int16_t shift = 0;
  if (::GetKeyState(VK_SHIFT) < 0) shift |= 1;
  if (::GetKeyState(VK_CONTROL) < 0) shift |= 2;
  if (::GetKeyState(VK_MENU) < 0) shift |= 4;
  return shift;
}

std::int16_t MouseButtonOf(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN: return 1;
    case WM_RBUTTONDOWN: return 2;
    case WM_MBUTTONDOWN: return 4;
    default: return 0;
  }
}

// Clears bWritingClipboard on every way out of a conversion, whether or not
// the write succeeded.
class WritingClipboardReset {
 public:
  WritingClipboardReset() = default;
  ~WritingClipboardReset() { mHookClipboard::bWritingClipboard = false; }
  WritingClipboardReset(const WritingClipboardReset&) = delete;
  WritingClipboardReset& operator=(const WritingClipboardReset&) = delete;
};

HICON LoadProgramIcon(HINSTANCE instance, int sizeMetricX, int sizeMetricY) {
  return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                         ::GetSystemMetrics(sizeMetricX),
                                         ::GetSystemMetrics(sizeMetricY), 0));
}

POINT WindowPosition(HWND hwnd) {
  RECT frame{};
  ::GetWindowRect(hwnd, &frame);
  return {frame.left, frame.top};
}

}  // namespace

Form1::Form1() : Window(u"Form1"), fieldBinding_(*this) {
  mHookClipboard::SetViewerClient(this);
  mCase::BindMainTextField(&fieldBinding_);
}

Form1::~Form1() {
  mCase::BindMainTextField(nullptr);
  mHookClipboard::SetViewerClient(nullptr);
}

// --- Window and controls -------------------------------------------------------

void Form1::Show() {
  if (!IsLoaded()) {
    try {
      CreateWindowAndControls();
    } catch (...) {
      // The window was never loaded: it goes, and with it the program
      // unless something else (the report of this failure) is open.
      if (HWND half = hwnd()) ::DestroyWindow(half);
      throw;
    }
    Form_Load();
    position_ = WindowPosition(hwnd());
    loadEnded_ = true;
  }
  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  ::UpdateWindow(hwnd());
}

void Form1::CreateWindowAndControls() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  dpi_ = win32::SystemDpi();
  RECT frame{0, 0, TwipsToPixels(kClientWidthTwips, dpi_), TwipsToPixels(kClientHeightTwips, dpi_)};
  ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  // Outer frame at the top-left corner of the screen until settings move it.
  const RECT at{0, 0, frame.right - frame.left, frame.bottom - frame.top};
  const std::wstring caption = win32::ToWide(kProgramTitle);
  const CreateParams params{kMainWindowClass, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                        caption.c_str(), kWindowStyle, 0, at, nullptr};
  if (!win32::ApiCall([&] { return Create(params); })) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
  bigIcon_.reset(LoadProgramIcon(instance, SM_CXICON, SM_CYICON));
  smallIcon_.reset(LoadProgramIcon(instance, SM_CXSMICON, SM_CYSMICON));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  // "Microsoft Sans Serif" 8.25 points, regular, ANSI character set.
  commonFont_ = win32::CreatePointFont(L"Microsoft Sans Serif", 825, false, dpi_, false, ANSI_CHARSET);
  // The controls keep the system's font until the load gives them the
  // common one; captions are fitted for the common font.
  controls_.Build(hwnd(), Form1Controls(), dpi_, {nullptr, nullptr, nullptr, commonFont_.get()});
  ::SendMessageW(Control(ControlId::lblFontContainer), WM_SETFONT,
                 reinterpret_cast<WPARAM>(commonFont_.get()), FALSE);
  SetUpField();
  // Design state: the sentence-case option selected, nothing fired.
  ::SendMessageW(Control(OptionControl(0)), BM_SETCHECK, BST_CHECKED, 0);
  selectedOption_ = 0;
  built_ = true;
}

void Form1::SetUpField() {
  HWND field = Control(ControlId::fdClipboardText);
  ::SendMessageW(field, EM_SETLIMITTEXT, kFieldTextLimit, 0);
  ::SetWindowLongPtrW(field, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  fieldPrevProc_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FieldProc)));
}

HFONT Form1::CommonFont() const {
  HWND label = Control(ControlId::lblFontContainer);
  return label ? reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0)) : nullptr;
}

void Form1::SetFieldText(const Text& text) {
  fieldText_ = text;
  fieldViewStale_ = true;
  if (fieldViewPosted_ || hwnd() == nullptr) return;
  // Filling the edit control takes milliseconds per kilobyte, so the view
  // follows once the current event is done: a conversion reaches the
  // clipboard first, and a text that Auto mode converts at once is drawn
  // only in its converted form.
  fieldViewPosted_ = ::PostMessageW(hwnd(), kShowFieldText, 0, 0) != FALSE;
  if (!fieldViewPosted_) ShowFieldView();
}

void Form1::ShowFieldView() {
  fieldViewPosted_ = false;
  if (!fieldViewStale_) return;
  fieldViewStale_ = false;
  HWND field = Control(ControlId::fdClipboardText);
  if (field == nullptr) return;
  const std::size_t shown = FieldViewLength(fieldText_);
  if (shown == fieldText_.size()) {
    ::SetWindowTextW(field, win32::WideView(fieldText_));
  } else {
    ::SetWindowTextW(field, win32::WideView(fieldText_.substr(0, shown)));
  }
}

int Form1::CheckState(ControlId box) const {
  return static_cast<int>(::SendMessageW(Control(box), BM_GETCHECK, 0, 0));
}

void Form1::SetCheckState(ControlId box, int state) {
  if (CheckState(box) == state) return;
  ::SendMessageW(Control(box), BM_SETCHECK, static_cast<WPARAM>(state), 0);
  if (box == ControlId::chTop) chTop_Click();
  if (box == ControlId::chAuto) chAuto_Click();
}

void Form1::SelectOption(int index) {
  for (int i = 0; i < kOptionCount; ++i) {
    ::SendMessageW(Control(OptionControl(i)), BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED,
                   0);
  }
  if (selectedOption_ == index) return;
  selectedOption_ = index;
  Option1_Click(static_cast<std::int16_t>(index));
}

bool Form1::OptionSelected(int index) const {
  return ::SendMessageW(Control(OptionControl(index)), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Form1::SetVisible(ControlId id, bool visible) {
  ::ShowWindow(Control(id), visible ? SW_SHOW : SW_HIDE);
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

// --- Messages -----------------------------------------------------------------------

std::optional<LRESULT> Form1::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_MOVE:
      OnMoved();
      return 0;
    case WM_CLOSE:
      Unload();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case kShowFieldText:
      ShowFieldView();
      return 0;
    default:
      return std::nullopt;
  }
}

void Form1::OnCommand(int id, int notification) {
  if (notification != BN_CLICKED) return;
  for (const ConversionCommand& command : ConversionCommands()) {
    if (id == IdOf(command.button)) return RunCommand(command);
  }
  if (id == IdOf(ControlId::bnAbout)) return bnAbout_Click();
  for (const ControlId box : {ControlId::chTop, ControlId::chAuto}) {
    if (id != IdOf(box)) continue;
    (box == ControlId::chTop ? settingsChanged_.alwaysOnTop : settingsChanged_.autoMode) = true;
    // A click checks an unchecked or grey box and unchecks a checked one.
    return SetCheckState(box, CheckState(box) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
  }
  for (int i = 0; i < kOptionCount; ++i) {
    if (id == IdOf(OptionControl(i)) && OptionSelected(i) && selectedOption_ != i) {
      settingsChanged_.autoOption = true;
      selectedOption_ = i;
      Option1_Click(static_cast<std::int16_t>(i));
    }
  }
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

void Form1::Unload() {
  std::int16_t Cancel = 0;
  Form_Unload(Cancel);
  ::DestroyWindow(hwnd());  // unloading goes on whatever Cancel says
}

void Form1::OnDestroy() {
  // An unload that failed before removing the hook still leaves the chain:
  // the viewers after this window must keep their notifications.
  if (hearsChanges_) mHookClipboard::StopClipboardNotifications(Ref());
  if (hooked_) mHookClipboard::UnhookForm(Ref());
  hearsChanges_ = hooked_ = false;
  if (built_) ::PostQuitMessage(0);
}

LRESULT CALLBACK Form1::FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Form1*>(::GetWindowLongPtrW(field, GWLP_USERDATA));
  try {
    if (self != nullptr) return self->HandleFieldMessage(field, message, wParam, lParam);
  } catch (...) {
    // As for the window: nothing leaves the field's procedure.
  }
  return ::DefWindowProcW(field, message, wParam, lParam);
}

LRESULT Form1::HandleFieldMessage(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN: {
      auto KeyCode = static_cast<std::int16_t>(wParam);
      fdClipboardText_KeyDown(KeyCode, ShiftState());
      if (KeyCode == 0) return 0;
      break;
    }
    case WM_CHAR: {
      auto KeyAscii = static_cast<std::int16_t>(wParam);
      fdClipboardText_KeyPress(KeyAscii);
      if (KeyAscii == 0) return 0;
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      std::int16_t shift = 0;
      if (wParam & MK_SHIFT) shift |= 1;
      if (wParam & MK_CONTROL) shift |= 2;
      if (::GetKeyState(VK_MENU) < 0) shift |= 4;
      fdClipboardText_MouseDown(MouseButtonOf(message), shift,
                                static_cast<float>(PixelsToTwips(GET_X_LPARAM(lParam), dpi_)),
                                static_cast<float>(PixelsToTwips(GET_Y_LPARAM(lParam), dpi_)));
      break;
    }
    case WM_CONTEXTMENU:
    case WM_COPY:
    case WM_CUT:
      // The context menu's Copy, or a copy sent by other means, would
      // defeat the refusal: the text is on the clipboard already.
      return 0;
    case WM_GETDLGCODE:
      // Tab, Enter and Esc work as in a dialog; typed characters still
      // reach the field, so Ctrl+C and Ctrl+X are refused there.
      return ::CallWindowProcW(fieldPrevProc_, field, message, wParam, lParam) &
             ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
    default:
      break;
  }
  return ::CallWindowProcW(fieldPrevProc_, field, message, wParam, lParam);
}

// --- Load and unload --------------------------------------------------------------

void Form1::Form_Load() {
  Trap trap(u"Form1.Form_Load", TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(20, [&] { SkinFramework1.ApplyWindow(hwnd()); });
    trap.Step(30, [&] { SkinFramework1.SetOptions(SkinFramework1.Options() & ~1); });
    trap.Step(40, [&] { SkinFramework1.LoadSkin(u"gui.dll", u"Normalblue.ini"); });
    trap.Step(50, [&] {
      mHookClipboard::HookForm(Ref());
      hooked_ = true;
    });
    trap.Step(60, [&] {
      hearsChanges_ = true;
      mHookClipboard::StartClipboardNotifications(Ref());
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
    trap.Step(150, [&] { mMain::ApplyCommonFont(Ref()); });
  });
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
    trap.Step(100, [&] {
      if (hearsChanges_) mHookClipboard::StopClipboardNotifications(Ref());
      hearsChanges_ = false;
      if (hooked_) mHookClipboard::UnhookForm(Ref());
      hooked_ = false;
    });
  });
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
    trap.Step(10, [&] { dialog = std::make_unique<forms::Form10>(&mMain::ApplyCommonFont); });
    trap.Step(20, [&] { dialog->ShowModal(mMain::frmMain->hwnd()); });
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
    return;
  }
  SetFieldText(rule == CaseRule::Sentence ? mCase::SCase(fieldText_) : mCase::Convert(rule, fieldText_));
}

void Form1::RunCommand(const ConversionCommand& command) {
  Trap trap(command.signature, TrapKind::EndsChain);
  trap.Run([&] {
    clipboard::ClipboardReplacement replacement(hwnd());
    Text s;
    trap.Step(10, [&] {
      ConvertField(command.rule);
      s = fieldText_;
      replacement.Clear();
    });
    trap.Step(20, [&] {
      replacement.Put(s);
      replacement.Close();
    });
  });
}

void Form1::bnUpper_Click() { RunCommand(ConversionCommands()[2]); }
void Form1::bnLower_Click() { RunCommand(ConversionCommands()[1]); }
void Form1::bnSentence_Click() { RunCommand(ConversionCommands()[0]); }
void Form1::bnEvery_Click() { RunCommand(ConversionCommands()[3]); }
void Form1::bnToggle_Click() { RunCommand(ConversionCommands()[4]); }

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
    clipboard::ClipboardReplacement replacement(hwnd());
    Text s;
    trap.Step(90, [&] {
      mHookClipboard::bWritingClipboard = true;
      s = fieldText_;
      replacement.Clear();
    });
    trap.Step(100, [&] {
      replacement.Put(s);
      replacement.Close();
      mHookClipboard::NoteAutoOutput(s);
    });
    trap.Step(110, [] { mHookClipboard::bWritingClipboard = false; });
  });
}

// --- Copy refusal ---------------------------------------------------------------------

void Form1::ShowCopyRefusal() { mCommon::ShowMessage(kCopyRefusal, MB_ICONINFORMATION, hwnd()); }

void Form1::fdClipboardText_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) {
  if (KeyCode == VK_INSERT && Shift == 2) {
    KeyCode = 0;
    ShowCopyRefusal();
  }
  if (KeyCode == VK_DELETE && Shift == 1) {
    KeyCode = 0;
    ShowCopyRefusal();
  }
}

void Form1::fdClipboardText_KeyPress(std::int16_t& KeyAscii) {
  if (KeyAscii == 3) {  // Ctrl+C
    KeyAscii = 0;
    ShowCopyRefusal();
  }
  if (KeyAscii == 24) {  // Ctrl+X
    KeyAscii = 0;
    ShowCopyRefusal();
  }
}

void Form1::fdClipboardText_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) {
  Trap trap(u"Form1.fdClipboardText_MouseDown(Button,Shift,X,Y)", TrapKind::EndsChain, Button,
            Shift, X, Y);
  trap.Run([&] {
    if (trap.Step(10, [&] { return Button != 2; })) return;
    trap.Step(20, [&] { ShowCopyRefusal(); });
  });
}

}  // namespace tarnwick::app
