#include "forms/win32/Dialog.h"

#include <algorithm>

#include "common/Twips.h"
#include "common/win32/WideText.h"
#include "errors/win32/ApiCall.h"
#include "forms/win32/HandCursor.h"

namespace tarnwick::forms {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

}  // namespace

void Dialog::CreateWindowAndControls(HWND owner, HWND centreOn, const ControlFonts& fonts) {
  dpi_ = win32::SystemDpi();
  // The window has its caption from the start, so that a dialog whose load
  // stops early is still recognisable.
  const Text caption = design_.caption != nullptr ? *design_.caption : Text();
  const CreateParams params{kDialogClass, ::GetSysColorBrush(COLOR_BTNFACE), win32::WideView(caption),
                        kStyle, kExStyle, RECT{0, 0, 0, 0}, owner};
  if (!win32::ApiCall([&] { return Create(params); })) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
  try {
    SizeAndCentre(centreOn);
    controls_.Build(hwnd(), design_.controls, dpi_, fonts);
  } catch (...) {
    ::DestroyWindow(hwnd());
    controls_ = FormControls();  // their handles went with the window
    throw;
  }
}

// A dialog taller or wider than the screen (the error dialog at 150 % on a
// small screen) keeps its caption and left edge on the screen, where the
// user can reach them, instead of being centred past the top.
void Dialog::SizeAndCentre(HWND centreOn) {
  RECT frame{0, 0, TwipsToPixels(design_.clientWidth, dpi_), TwipsToPixels(design_.clientHeight, dpi_)};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT screen{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
  RECT area = screen;
  if (centreOn != nullptr && ::IsWindowVisible(centreOn)) ::GetWindowRect(centreOn, &area);
  const int x = std::max(area.left + (area.right - area.left - width) / 2, screen.left);
  const int y = std::max(area.top + (area.bottom - area.top - height) / 2, screen.top);
  ::SetWindowPos(hwnd(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Dialog::SetLoadCaptions(mErrTrap::TrapBase& trap) {
  for (const CaptionStep& step : CaptionSteps(design_)) {
    trap.Step(step.step, [&] {
      if (step.control == nullptr) {
        const Text caption = design_.caption != nullptr ? *design_.caption : Text();
        win32::RequiredApiCall([&] { return ::SetWindowTextW(hwnd(), win32::WideView(caption)); },
                               mErrTrap::rt::OutOfMemory);
      } else {
        SetCaption(step.control->id, CaptionFor(*step.control));
      }
    });
  }
}

void Dialog::SetCaption(int id, const Text& text) {
  HWND control = Control(id);
  win32::RequiredApiCall([&] { return ::SetWindowTextW(control, win32::WideView(text)); },
                         mErrTrap::rt::OutOfMemory);
}

bool Dialog::IsLink(HWND control) const {
  const ControlDesign* design = controls_.DesignOf(control);
  return design != nullptr && design->kind == ControlKind::Link;
}

std::optional<LRESULT> Dialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (auto handled = OnFormMessage(message, wParam, lParam)) return handled;
  switch (message) {
    case WM_CTLCOLORSTATIC: {
      if (!IsLink(reinterpret_cast<HWND>(lParam))) return std::nullopt;
      auto dc = reinterpret_cast<HDC>(wParam);
      ::SetTextColor(dc, kLinkBlue);
      ::SetBkMode(dc, TRANSPARENT);
      const bool inBox = ::GetParent(reinterpret_cast<HWND>(lParam)) != hwnd();
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(inBox ? COLOR_WINDOW : COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
      if (!IsLink(reinterpret_cast<HWND>(wParam))) return std::nullopt;
      ::SetCursor(HandCursor());
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == IDCANCEL) {
        OnCancel();
      } else if ((id == IDOK && code == BN_CLICKED) ||
                 (code == STN_CLICKED && IsLink(reinterpret_cast<HWND>(lParam)))) {
        OnClick(id);
      } else {
        return std::nullopt;
      }
      return 0;
    }
    case WM_CLOSE:
      OnCancel();
      return 0;
    default:
      return std::nullopt;
  }
}

}  // namespace tarnwick::forms
