#include "forms/win32/frmShowError.h"

#include <algorithm>

#include "common/Twips.h"
#include "common/win32/WideText.h"
#include "errors/ErrInfo.h"
#include "errors/win32/ApiCall.h"
#include "forms/win32/Dialog.h"

namespace tarnwick::forms {
namespace {

constexpr wchar_t kClass[] = L"Tarnwick.frmShowError";
constexpr int kClientWidth = 12420, kClientHeight = 5595;  // twips
constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int kTextId = 1;

// The form is sizable: on a screen too small for it at this DPI it opens as
// large as the screen allows, all of it reachable.
RECT CentredFrame(int dpi) {
  RECT frame{0, 0, TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi)};
  ::AdjustWindowRectEx(&frame, kFormStyle, FALSE, 0);
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const int width = std::min(static_cast<int>(frame.right - frame.left),
                             static_cast<int>(area.right - area.left));
  const int height = std::min(static_cast<int>(frame.bottom - frame.top),
                              static_cast<int>(area.bottom - area.top));
  const int x = area.left + (area.right - area.left - width) / 2;
  const int y = area.top + (area.bottom - area.top - height) / 2;
  return RECT{x, y, x + width, y + height};
}

}  // namespace

frmShowError& frmShowError::Instance() {
  static frmShowError form;
  return form;
}

void frmShowError::Load() {
  const int dpi = win32::SystemDpi();
  const CreateParams params{kClass, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), L"Error Report",
                        kFormStyle, 0, CentredFrame(dpi), nullptr};
  if (!win32::ApiCall([&] { return Create(params); })) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
  txtError_ = win32::RequiredApiCall(
      [&] {
        return ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                     ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN,
                                 0, 0, 0, 0, hwnd(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)),
                                 ::GetModuleHandleW(nullptr), nullptr);
      },
      mErrTrap::rt::OutOfMemory);
  font_ = win32::CreatePointFont(L"Courier New", 825, false, dpi, /*fixedPitch=*/true);
  ::SendMessageW(txtError_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  ::SendMessageW(txtError_, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  Form_Resize();
}

void frmShowError::ErrorReport(const Text& text) {
  if (hwnd() == nullptr) Load();
  ::SetWindowTextW(txtError_, win32::WideView(text));
  if (!::IsWindowVisible(hwnd())) {
    // A modal window holds the program: a modeless one would show beside it
    // for nothing, so the form is shown modally instead.
    if (Window::ModalDepth() > 0) {
      ShowModal();
      return;
    }
    ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  }
  ::SetForegroundWindow(hwnd());
  ::SetFocus(txtError_);
}

void frmShowError::Form_Resize() {
  if (txtError_ == nullptr) return;
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  ::MoveWindow(txtError_, 0, 0, client.right, client.bottom, TRUE);
}

std::optional<LRESULT> frmShowError::OnMessage(UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_SIZE:
      Form_Resize();
      return 0;
    case WM_SETFOCUS:
      if (txtError_ != nullptr) ::SetFocus(txtError_);
      return 0;
    case WM_NCDESTROY:
      txtError_ = nullptr;
      font_.reset();
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace tarnwick::forms
