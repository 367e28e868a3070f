#include "app/win32/Form1.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "app/SettingRules.h"
#include "app/win32/AboutHook.h"
#include "app/win32/Containers.h"
#include "app/win32/mMain.h"
#include "case/CaseRules.h"
#include "clipboard/win32/ClipboardAccess.h"
#include "common/win32/WideText.h"
#include "common/win32/WindowClass.h"
#include "env/SettingValues.h"
#include "env/win32/RegSettings.h"
#include "errors/ErrTrap.h"
#include "shell/win32/mCommon.h"

namespace tarnwick::app {

bool bFormLoaded = false;

namespace {

using mErrTrap::Trap;
using mErrTrap::TrapKind;

constexpr int kFirstControlId = 100;
constexpr int kIconResource = 1;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr char16_t kSettings[] = u"Settings";
// Edit controls stop at 30,000 characters unless told otherwise.
constexpr LPARAM kFieldTextLimit = 0x7FFFFFFE;

// Text is UTF-16 on both sides of the boundary.
const wchar_t* WideView(const Text& text) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

CaseRule OptionRule(int index) {
  static constexpr CaseRule kRules[kOptionCount] = {CaseRule::Sentence, CaseRule::Lower,
                                                     CaseRule::Upper, CaseRule::Every,
                                                     CaseRule::Toggle};
  return kRules[index];
}

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

struct WindowClassStyle {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

WindowClassStyle ClassStyleOf(const ControlDesign& design) {
  constexpr DWORD child = WS_CHILD | WS_CLIPSIBLINGS;
  switch (design.kind) {
    case ControlKind::Panel:
      return {kPanelClass, child | WS_VISIBLE, WS_EX_CONTROLPARENT};
    case ControlKind::GroupBox:
      return {kGroupBoxClass, child, WS_EX_CONTROLPARENT};  // shown in Auto mode
    case ControlKind::Label: {
      const bool hidden = design.id == ControlId::lblFontContainer;
      return {L"STATIC", child | SS_LEFT | (hidden ? 0 : WS_VISIBLE), 0};
    }
    case ControlKind::TextBox:
      return {L"EDIT",
              child | WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_VSCROLL | ES_MULTILINE |
                  ES_AUTOVSCROLL | ES_READONLY | ES_NOHIDESEL,
              WS_EX_CLIENTEDGE};
    case ControlKind::Button:
      return {L"BUTTON", child | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0};
    case ControlKind::OptionButton: {
      const bool first = design.id == ControlId::Option1_0;
      return {L"BUTTON",
              child | WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON | (first ? WS_GROUP : 0), 0};
    }
    case ControlKind::CheckBox:
      // Three states, as the settings may set grey; clicks are handled here.
      return {L"BUTTON", child | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_3STATE, 0};
  }
  return {L"STATIC", child, 0};
}

HICON LoadProgramIcon(HINSTANCE instance, int sizeMetricX, int sizeMetricY) {
  return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                         ::GetSystemMetrics(sizeMetricX),
                                         ::GetSystemMetrics(sizeMetricY), 0));
}

// The check mark of a check box or option button and the gap before its
// caption, in pixels at 96 DPI.
constexpr int kCheckMarkAndGap = 18;

// Fonts do not grow exactly with the DPI: at 120 DPI "Change automatically"
// needs more than its designed width. A check box or option button gets
// the width its caption needs in `font`, never less than designed and never
// past the right edge of its container.
int FittedWidth(const ControlDesign& design, HWND parent, HFONT font, int dpi) {
  const int designed = TwipsToPixels(design.width, dpi);
  if (design.kind != ControlKind::CheckBox && design.kind != ControlKind::OptionButton) {
    return designed;
  }
  win32::ScreenDC screen;
  if (screen.get() == nullptr || font == nullptr || design.caption == nullptr) return designed;
  const Text caption = design.caption;
  const HGDIOBJ old = ::SelectObject(screen.get(), font);
  SIZE text{};
  ::GetTextExtentPoint32W(screen.get(), WideView(caption), static_cast<int>(caption.size()), &text);
  ::SelectObject(screen.get(), old);
  // The room to the right edge of the container and of the window.
  const int left = TwipsToPixels(design.left, dpi);
  HWND window = ::GetAncestor(parent, GA_ROOT);
  RECT container{}, client{};
  ::GetClientRect(parent, &container);
  ::GetClientRect(window, &client);
  POINT origin{left, 0};
  ::MapWindowPoints(parent, window, &origin, 1);
  const int room = std::min(static_cast<int>(container.right) - left,
                            static_cast<int>(client.right - origin.x));
  const int widest = std::max(designed, room);
  // The extent ends with the spacing after the last letter, a pixel that
  // may fall outside without cutting the letter.
  const int needed = static_cast<int>(text.cx) - 1 + ::MulDiv(kCheckMarkAndGap, dpi, 96);
  return std::clamp(needed, designed, widest);
}

}  // namespace

Form1::Form1() : fieldBinding_(*this) {
  mHookClipboard::SetViewerClient(this);
  mCase::BindMainTextField(&fieldBinding_);
}

Form1::~Form1() {
  mCase::BindMainTextField(nullptr);
  mHookClipboard::SetViewerClient(nullptr);
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

// --- Window and controls -------------------------------------------------------

void Form1::Show() {
  if (!IsLoaded()) {
    CreateWindowAndControls();
    Form_Load();
  }
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd_);
}

void Form1::CreateWindowAndControls() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (!win32::RegisterWindowClass(kMainWindowClass, &WndProc) || !RegisterContainerClasses(instance)) {
    mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
  }
  dpi_ = win32::SystemDpi();
  RECT frame{0, 0, TwipsToPixels(kClientWidthTwips, dpi_), TwipsToPixels(kClientHeightTwips, dpi_)};
  ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  const std::wstring caption = win32::ToWide(kProgramTitle);
  // Outer frame at the top-left corner of the screen until settings move it.
  hwnd_ = ::CreateWindowExW(0, kMainWindowClass, caption.c_str(), kWindowStyle, 0, 0,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                            instance, this);
  if (hwnd_ == nullptr) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
  bigIcon_.reset(LoadProgramIcon(instance, SM_CXICON, SM_CYICON));
  smallIcon_.reset(LoadProgramIcon(instance, SM_CXSMICON, SM_CYSMICON));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  CreateCommonFont();
  for (const ControlDesign& design : Form1Controls()) CreateControl(design);
  // Design state: the sentence-case option selected, nothing fired.
  ::SendMessageW(Control(OptionControl(0)), BM_SETCHECK, BST_CHECKED, 0);
  selectedOption_ = 0;
  mMain::RegisterLoadedForm(Ref());
}

void Form1::CreateCommonFont() {
  // "Microsoft Sans Serif" 8.25 points, regular, ANSI character set.
  LOGFONTW font{};
  font.lfHeight = -::MulDiv(825, dpi_, 7200);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = ANSI_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  ::lstrcpynW(font.lfFaceName, L"Microsoft Sans Serif", LF_FACESIZE);
  commonFont_.reset(::CreateFontIndirectW(&font));
}

void Form1::CreateControl(const ControlDesign& design) {
  const WindowClassStyle cls = ClassStyleOf(design);
  HWND parent = design.container == ControlId::Count ? hwnd_ : Control(design.container);
  const std::wstring caption = win32::ToWide(design.caption);
  const int index = static_cast<int>(design.id);
  HWND control = ::CreateWindowExW(
      cls.exStyle, cls.className, caption.c_str(), cls.style, TwipsToPixels(design.left, dpi_),
      TwipsToPixels(design.top, dpi_), FittedWidth(design, parent, commonFont_.get(), dpi_),
      TwipsToPixels(design.height, dpi_), parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)),
      ::GetModuleHandleW(nullptr), nullptr);
  if (control == nullptr) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
  controls_[index] = control;
  if (design.id == ControlId::lblFontContainer) {
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(commonFont_.get()), FALSE);
  }
  if (design.id == ControlId::fdClipboardText) {
    ::SendMessageW(control, EM_SETLIMITTEXT, kFieldTextLimit, 0);
    ::SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    fieldPrevProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FieldProc)));
  }
}

HFONT Form1::CommonFont() const {
  HWND label = Control(ControlId::lblFontContainer);
  return label ? reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0)) : nullptr;
}

void Form1::SetFieldText(const Text& text) {
  fieldText_ = text;
  fieldViewStale_ = true;
  if (fieldViewPosted_ || hwnd_ == nullptr) return;
  // Filling the edit control takes milliseconds per kilobyte, so the view
  // follows once the current event is done: a conversion reaches the
  // clipboard first, and a text that Auto mode converts at once is drawn
  // only in its converted form.
  fieldViewPosted_ = ::PostMessageW(hwnd_, kShowFieldText, 0, 0) != FALSE;
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
    ::SetWindowTextW(field, WideView(fieldText_));
  } else {
    ::SetWindowTextW(field, WideView(fieldText_.substr(0, shown)));
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
  RECT frame{};
  ::GetWindowRect(hwnd_, &frame);
  return static_cast<float>(PixelsToTwips(left ? frame.left : frame.top, dpi_));
}

void Form1::MoveEdge(bool left, float twips) {
  const int pixels = EdgePixelsFromTwips(twips, dpi_);
  RECT frame{};
  ::GetWindowRect(hwnd_, &frame);
  ::SetWindowPos(hwnd_, nullptr, left ? pixels : frame.left, left ? frame.top : pixels, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Window procedures ----------------------------------------------------------

LRESULT CALLBACK Form1::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Form1*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && self->hwnd_ == nullptr && message != WM_NCDESTROY) self->hwnd_ = hwnd;
    if (self != nullptr) return self->HandleMessage(message, wParam, lParam);
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  } catch (...) {
    // Event handlers trap and report their own failures; nothing else may
    // leave a window procedure.
    return 0;
  }
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam) - kFirstControlId, HIWORD(wParam));
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
    case WM_NCDESTROY: {
      const LRESULT result = ::DefWindowProcW(hwnd_, message, wParam, lParam);
      hwnd_ = nullptr;
      controls_.fill(nullptr);
      return result;
    }
    default:
      return ::DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

void Form1::OnCommand(int controlIndex, int notification) {
  if (notification != BN_CLICKED || controlIndex < 0 || controlIndex >= kControlCount) return;
  const auto id = static_cast<ControlId>(controlIndex);
  switch (id) {
    case ControlId::bnUpper: bnUpper_Click(); return;
    case ControlId::bnLower: bnLower_Click(); return;
    case ControlId::bnSentence: bnSentence_Click(); return;
    case ControlId::bnEvery: bnEvery_Click(); return;
    case ControlId::bnToggle: bnToggle_Click(); return;
    case ControlId::bnAbout: bnAbout_Click(); return;
    case ControlId::chTop:
    case ControlId::chAuto:
      // A click checks an unchecked or grey box and unchecks a checked one.
      SetCheckState(id, CheckState(id) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
      return;
    default:
      break;
  }
  for (int i = 0; i < kOptionCount; ++i) {
    if (id == OptionControl(i) && OptionSelected(i) && selectedOption_ != i) {
      selectedOption_ = i;
      Option1_Click(static_cast<std::int16_t>(i));
    }
  }
}

void Form1::Unload() {
  std::int16_t Cancel = 0;
  Form_Unload(Cancel);
  ::DestroyWindow(hwnd_);  // unloading goes on whatever Cancel says
}

void Form1::OnDestroy() {
  // An unload that failed before removing the hook still leaves the chain:
  // the viewers after this window must keep their notifications.
  if (inViewerChain_) mHookClipboard::LeaveViewerChain(Ref());
  if (hooked_) mHookClipboard::UnhookForm(Ref());
  inViewerChain_ = hooked_ = false;
  mMain::UnregisterLoadedForm(hwnd_);
  ::PostQuitMessage(0);
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
    trap.Step(20, [&] { SkinFramework1.ApplyWindow(hwnd_); });
    trap.Step(30, [&] { SkinFramework1.SetOptions(SkinFramework1.Options() & ~1); });
    trap.Step(40, [&] { SkinFramework1.LoadSkin(u"gui.dll", u"Normalblue.ini"); });
    trap.Step(50, [&] {
      mHookClipboard::HookForm(Ref());
      hooked_ = true;
    });
    trap.Step(60, [&] {
      inViewerChain_ = true;
      mHookClipboard::JoinViewerChain(Ref());
    });
    trap.Step(70, [&] {
      settingsLoadReached_ = 70;
      SelectOption(CheckedOptionIndex(ReadInt16Setting(u"AutoOption")));
    });
    trap.Step(80, [&] {
      settingsLoadReached_ = 80;
      SetCheckState(ControlId::chTop, CheckedCheckState(ReadInt16Setting(u"AlwaysOnTop")));
    });
    trap.Step(90, [&] {
      settingsLoadReached_ = 90;
      SetCheckState(ControlId::chAuto, CheckedCheckState(ReadInt16Setting(u"Auto")));
    });
    trap.Step(100, [&] {
      settingsLoadReached_ = 100;
      MoveEdge(true, ReadSingleSetting(u"Left", EdgeTwips(true)));
    });
    trap.Step(110, [&] {
      settingsLoadReached_ = 110;
      MoveEdge(false, ReadSingleSetting(u"Top", EdgeTwips(false)));
    });
    trap.Step(120, [] { bFormLoaded = true; });
    trap.Step(130, [&] { chAuto_Click(); });
    trap.Step(140, [&] { chTop_Click(); });
    trap.Step(150, [&] { mMain::ApplyCommonFont(Ref()); });
  });
}

void Form1::Form_Unload(std::int16_t& Cancel) {
  Trap trap(u"Form1.Form_Unload(Cancel)", TrapKind::EndsChain, Cancel);
  trap.Run([&] {
    const int reached = settingsLoadReached_;
    if (reached >= 80) {
      trap.Step(10, [&] { WriteSetting(u"AlwaysOnTop", DecimalText(CheckState(ControlId::chTop))); });
    }
    if (reached >= 90) {
      trap.Step(20, [&] { WriteSetting(u"Auto", DecimalText(CheckState(ControlId::chAuto))); });
    }
    if (reached >= 70) {
      for (int i = 0; i < kOptionCount; ++i) {
        trap.Step(30 + 10 * i, [&] {
          if (OptionSelected(i)) WriteSetting(u"AutoOption", DecimalText(i));
        });
      }
    }
    if (reached >= 100) {
      trap.Step(80, [&] {
        WriteSetting(u"Left", mRegSettings::FormatSingleSetting(EdgeTwips(true)));
      });
    }
    if (reached >= 110) {
      trap.Step(90, [&] {
        WriteSetting(u"Top", mRegSettings::FormatSingleSetting(EdgeTwips(false)));
      });
    }
    trap.Step(100, [&] {
      if (inViewerChain_) mHookClipboard::LeaveViewerChain(Ref());
      inViewerChain_ = false;
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
    std::unique_ptr<ModalDialog> dialog;
    trap.Step(10, [&] { dialog = CreateAboutDialog(); });
    trap.Step(20, [&] {
      if (dialog) dialog->ShowModal(mMain::frmMain->Ref());
    });
    trap.Step(30, [&] { dialog.reset(); });
  });
}

void Form1::chAuto_Click() {
  static constexpr ControlId kButtons[] = {ControlId::bnSentence, ControlId::bnLower,
                                           ControlId::bnUpper, ControlId::bnEvery,
                                           ControlId::bnToggle};
  Trap trap(u"Form1.chAuto_Click", TrapKind::EndsChain);
  trap.Run([&] {
    if (!trap.Step(10, [] { return bFormLoaded; })) return;
    if (trap.Step(20, [&] { return IsOn(CheckState(ControlId::chAuto)); })) {
      for (int i = 0; i < 5; ++i) trap.Step(30 + 10 * i, [&] { SetVisible(kButtons[i], false); });
      trap.Step(80, [&] { SetVisible(ControlId::Frame1, true); });
      for (int i = 0; i < kOptionCount; ++i) {
        trap.Step(90 + 10 * i, [&] {
          if (OptionSelected(i)) Option1_Click(static_cast<std::int16_t>(i));
        });
      }
      return;
    }
    trap.Step(150, [&] { SetVisible(ControlId::Frame1, false); });
    for (int i = 0; i < 5; ++i) trap.Step(160 + 10 * i, [&] { SetVisible(kButtons[i], true); });
  });
}

// --- Conversions ------------------------------------------------------------------------

void Form1::ConvertField(CaseRule rule) {
  switch (rule) {
    case CaseRule::Upper: SetFieldText(mCase::UpperCase(fieldText_)); return;
    case CaseRule::Lower: SetFieldText(mCase::LowerCase(fieldText_)); return;
    case CaseRule::Every: SetFieldText(mCase::ProperCase(fieldText_)); return;
    case CaseRule::Sentence: SetFieldText(mCase::SCase(fieldText_)); return;
    case CaseRule::Toggle: mCase::ToggleCase(); return;
  }
}

void Form1::RunCommand(const char16_t* signature, CaseRule rule) {
  Trap trap(signature, TrapKind::EndsChain);
  trap.Run([&] {
    clipboard::ClipboardReplacement replacement(hwnd_);
    Text s;
    trap.Step(10, [&] {
      ConvertField(rule);
      s = fieldText_;
      replacement.Clear();
    });
    trap.Step(20, [&] {
      replacement.Put(s);
      replacement.Close();
    });
  });
}

void Form1::bnUpper_Click() { RunCommand(u"Form1.bnUpper_Click", CaseRule::Upper); }
void Form1::bnLower_Click() { RunCommand(u"Form1.bnLower_Click", CaseRule::Lower); }
void Form1::bnSentence_Click() { RunCommand(u"Form1.bnSentence_Click", CaseRule::Sentence); }
void Form1::bnEvery_Click() { RunCommand(u"Form1.bnEvery_Click", CaseRule::Every); }
void Form1::bnToggle_Click() { RunCommand(u"Form1.bnToggle_Click", CaseRule::Toggle); }

void Form1::Option1_Click(std::int16_t Index) {
  Trap trap(u"Form1.Option1_Click(Index)", TrapKind::EndsChain, Index);
  trap.Run([&] {
    if (!trap.Step(10, [] { return bFormLoaded; })) return;
    if (!trap.Step(20, [&] { return IsOn(CheckState(ControlId::chAuto)); })) return;
    if (Index >= 0 && Index < kOptionCount) {
      trap.Step(30 + 10 * Index, [&] { ConvertField(OptionRule(Index)); });
    }
    WritingClipboardReset writingReset;  // declared first: cleared after the clipboard closes
    clipboard::ClipboardReplacement replacement(hwnd_);
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

void Form1::ShowCopyRefusal() {
  const std::wstring message = win32::ToWide(kCopyRefusal);
  const std::wstring caption = win32::ToWide(kProgramTitle);
  ::MessageBoxW(hwnd_, message.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
}

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
