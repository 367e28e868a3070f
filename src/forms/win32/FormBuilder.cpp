#include "forms/win32/FormBuilder.h"

#include <algorithm>

#include "common/Twips.h"
#include "common/win32/Container.h"
#include "common/win32/Handles.h"
#include "common/win32/WideText.h"
#include "env/MakerAddresses.h"
#include "env/UIStrings.h"
#include "errors/ErrInfo.h"
#include "errors/PlatformFacts.h"
#include "errors/win32/ApiCall.h"
#include "errors/win32/SpecialFolders.h"

namespace tarnwick::forms {
namespace {

using win32::ContainerLook;

struct ControlClass {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr DWORD kLabel = kChild | SS_LEFT | SS_NOPREFIX;

ControlClass ClassOf(ControlKind kind, bool startsGroup) {
  switch (kind) {
    case ControlKind::Label:
    case ControlKind::BoldLabel:
    case ControlKind::TitleLabel: return {L"STATIC", kLabel, 0};
    case ControlKind::HiddenLabel: return {L"STATIC", kLabel & ~WS_VISIBLE, 0};
    case ControlKind::Link: return {L"STATIC", kLabel | SS_NOTIFY, 0};
    case ControlKind::Picture: return {L"STATIC", kChild | SS_BITMAP, 0};
    case ControlKind::Icon: return {L"STATIC", kChild | SS_ICON | SS_REALSIZEIMAGE, 0};
    case ControlKind::Line: return {L"STATIC", kChild | SS_ETCHEDHORZ, 0};
    case ControlKind::TextBox:
      return {L"EDIT",
              kChild | WS_TABSTOP | WS_GROUP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                  ES_READONLY | ES_NOHIDESEL,
              WS_EX_CLIENTEDGE};
    case ControlKind::Button: return {L"BUTTON", kChild | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0};
    case ControlKind::DefaultButton:
      return {L"BUTTON", kChild | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0};
    case ControlKind::OptionButton:
      return {L"BUTTON", kChild | WS_TABSTOP | BS_AUTORADIOBUTTON | (startsGroup ? WS_GROUP : 0), 0};
    case ControlKind::CheckBox:
      // Three states, as stored settings may set grey; clicks are the form's.
      return {L"BUTTON", kChild | WS_TABSTOP | WS_GROUP | BS_3STATE, 0};
    default: return {L"STATIC", kChild, 0};
  }
}

bool IsContainer(ControlKind kind) {
  return kind == ControlKind::Panel || kind == ControlKind::GroupBox || kind == ControlKind::Box;
}

ContainerLook LookOf(ControlKind kind) {
  if (kind == ControlKind::GroupBox) return ContainerLook::Framed;
  return kind == ControlKind::Box ? ContainerLook::Sunken : ContainerLook::Plain;
}

HFONT FontOf(ControlKind kind, const ControlFonts& fonts) {
  if (kind == ControlKind::BoldLabel) return fonts.bold;
  if (kind == ControlKind::TitleLabel) return fonts.title;
  return fonts.normal;
}

// The check mark of a check box or option button and the gap before its
// caption, in pixels at 96 DPI.
constexpr int kCheckMarkAndGap = 18;

// Fonts do not grow exactly with the DPI: at 120 DPI "Change automatically"
// needs more than its designed width. A check box or option button gets the
// width its caption needs in the font the form ends up with, never less
// than designed and never past the right edge of its container or window.
int FittedWidth(const ControlDesign& design, HWND parent, HFONT font, int dpi) {
  const int designed = TwipsToPixels(design.width, dpi);
  if (design.kind != ControlKind::CheckBox && design.kind != ControlKind::OptionButton) {
    return designed;
  }
  const win32::ScreenDC screen = win32::GetScreenDC();
  if (!screen || font == nullptr) return designed;
  const Text caption = design.caption;
  SIZE text{};
  {
    const win32::SelectedObject selected(screen.get(), font);
    ::GetTextExtentPoint32W(screen.get(), win32::WideView(caption), static_cast<int>(caption.size()),
                            &text);
  }
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

bool StartsOptionGroup(std::span<const ControlDesign> design, std::size_t index) {
  for (std::size_t i = index; i-- > 0;) {
    if (design[i].container == design[index].container) {
      return design[i].kind != ControlKind::OptionButton;
    }
  }
  return true;
}

}  // namespace

Text CaptionFor(const ControlDesign& control) {
  switch (control.source) {
    case LoadCaption::UiString: return control.uiString ? *control.uiString : Text();
    case LoadCaption::ReportFolder: return mSpecialFolders::ReportFolder();
    case LoadCaption::WebsiteAddress: return WebsiteAddress();
    case LoadCaption::SupportAddress: return SupportAddress();
    case LoadCaption::VersionLine: {
      const auto version = mErrTrap::Platform().AppVersion();
      return AboutVersionLine(mLanguageGobals::VersionLabel, version.major, version.minor);
    }
    case LoadCaption::None: break;
  }
  return control.caption ? Text(control.caption) : Text();
}

void FormControls::Build(HWND window, std::span<const ControlDesign> design, int dpi,
                         const ControlFonts& fonts) {
  design_ = design;
  handles_.assign(design.size(), nullptr);
  for (std::size_t i = 0; i < design.size(); ++i) {
    const ControlDesign& d = design[i];
    HWND parent = d.container == 0 ? window : Get(d.container);
    const RECT at{TwipsToPixels(d.left, dpi), TwipsToPixels(d.top, dpi),
                  TwipsToPixels(d.left, dpi) + FittedWidth(d, parent, fonts.fitting, dpi),
                  TwipsToPixels(d.top, dpi) + TwipsToPixels(d.height, dpi)};
    HWND control = nullptr;
    if (IsContainer(d.kind)) {
      control = win32::ApiCall([&] {
        return win32::CreateContainer(parent, d.id, at, LookOf(d.kind), d.kind != ControlKind::GroupBox);
      });
    } else {
      const ControlClass cls = ClassOf(d.kind, StartsOptionGroup(design, i));
      const Text caption = d.loadStep == 0 && d.source != LoadCaption::None ? CaptionFor(d) : Text(d.caption);
      control = win32::ApiCall([&] {
        return ::CreateWindowExW(cls.exStyle, cls.className, win32::WideView(caption), cls.style,
                                 at.left, at.top, at.right - at.left, at.bottom - at.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(d.id)),
                                 ::GetModuleHandleW(nullptr), nullptr);
      });
    }
    if (control == nullptr) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
    handles_[i] = control;
    if (HFONT font = FontOf(d.kind, fonts)) {
      ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
  }
}

HWND FormControls::Find(int id) const {
  for (std::size_t i = 0; i < design_.size() && i < handles_.size(); ++i) {
    if (design_[i].id == id) return handles_[i];
  }
  return nullptr;
}

HWND FormControls::Get(int id) const {
  HWND control = Find(id);
  if (control == nullptr) mErrTrap::RaiseControlArrayElement(id);
  return control;
}

const ControlDesign* FormControls::DesignOf(HWND control) const {
  for (std::size_t i = 0; i < design_.size() && i < handles_.size(); ++i) {
    if (handles_[i] == control && control != nullptr) return &design_[i];
  }
  return nullptr;
}

}  // namespace tarnwick::forms
