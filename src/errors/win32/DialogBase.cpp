#include "errors/win32/DialogBase.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "common/win32/WindowClass.h"
#include "errors/win32/HandCursor.h"

namespace tarnwick::win32 {
namespace {

constexpr wchar_t kContainerClass[] = L"Tarnwick.Container";

// DLGTEMPLATE followed by empty menu, class and title: no controls, no font.
struct alignas(4) EmptyDialogTemplate {
  WORD words[12] = {};
  EmptyDialogTemplate() {
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
    words[0] = LOWORD(style);
    words[1] = HIWORD(style);
    // exStyle, cdit, x, y, cx, cy, menu, class, title: all zero
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words); }
};

std::vector<HWND>& ModelessDialogs() {
  static std::vector<HWND> dialogs;
  return dialogs;
}

HHOOK& KeyHook() {
  static HHOOK hook = nullptr;
  return hook;
}

// Gives open modeless dialogs their keyboard handling whatever loop
// dispatches the message.
LRESULT CALLBACK ModelessKeyHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
      const std::vector<HWND> dialogs = ModelessDialogs();
      for (HWND dialog : dialogs) {
        if (::IsWindow(dialog) && ::IsDialogMessageW(dialog, msg)) {
          msg->message = WM_NULL;
          break;
        }
      }
    }
  }
  return ::CallNextHookEx(KeyHook(), code, wParam, lParam);
}

void AddModeless(HWND dialog) {
  ModelessDialogs().push_back(dialog);
  if (KeyHook() == nullptr) {
    KeyHook() = ::SetWindowsHookExW(WH_GETMESSAGE, &ModelessKeyHook, nullptr,
                                    ::GetCurrentThreadId());
  }
}

void RemoveModeless(HWND dialog) {
  auto& dialogs = ModelessDialogs();
  dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), dialog), dialogs.end());
  if (dialogs.empty() && KeyHook() != nullptr) {
    ::UnhookWindowsHookEx(KeyHook());
    KeyHook() = nullptr;
  }
  // Wakes a loop that waits for the last modeless dialog to close.
  if (dialogs.empty()) ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);
}

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ::SendMessageW(::GetParent(hwnd), message, wParam, lParam);
    case WM_SETCURSOR:
      if (::SendMessageW(::GetParent(hwnd), message, wParam, lParam)) return TRUE;
      break;
    case WM_ERASEBKGND: {
      RECT client;
      ::GetClientRect(hwnd, &client);
      ::FillRect(reinterpret_cast<HDC>(wParam), &client, ::GetSysColorBrush(COLOR_WINDOW));
      return TRUE;
    }
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

bool RegisterContainerClass() {
  static const bool registered = RegisterWindowClass(kContainerClass, &ContainerProc, nullptr);
  return registered;
}

}  // namespace

FontHandle CreatePointFont(const wchar_t* face, int hundredthsOfPoint, bool bold, int dpi,
                           bool fixedPitch) {
  LOGFONTW font{};
  if (fixedPitch) font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  font.lfHeight = -::MulDiv(hundredthsOfPoint, dpi, 7200);
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  ::lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
  return FontHandle(::CreateFontIndirectW(&font));
}

HWND CreateContainer(HWND parent, int id, RECT pixels) {
  if (!RegisterContainerClass()) return nullptr;
  return ::CreateWindowExW(WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT, kContainerClass, L"",
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, pixels.left, pixels.top,
                           pixels.right - pixels.left, pixels.bottom - pixels.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           ::GetModuleHandleW(nullptr), nullptr);
}

DialogBase::~DialogBase() {
  if (hwnd_ != nullptr && ::IsWindow(hwnd_)) {
    HWND dialog = std::exchange(hwnd_, nullptr);
    ::SetWindowLongPtrW(dialog, DWLP_USER, 0);
    ::DestroyWindow(dialog);
  }
}

void DialogBase::ShowModal(HWND owner) {
  modal_ = true;
  dpi_ = SystemDpi();
  static const EmptyDialogTemplate kTemplate;
  ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), kTemplate.get(), owner, &DialogProc,
                            reinterpret_cast<LPARAM>(this));
  hwnd_ = nullptr;
}

void DialogBase::ShowModelessOwned(HWND owner) {
  modal_ = false;
  selfOwned_ = true;
  dpi_ = SystemDpi();
  static const EmptyDialogTemplate kTemplate;
  HWND dialog = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), kTemplate.get(), owner,
                                             &DialogProc, reinterpret_cast<LPARAM>(this));
  if (dialog == nullptr) {
    delete this;
    return;
  }
  AddModeless(dialog);
  ::ShowWindow(dialog, SW_SHOWNORMAL);
}

void DialogBase::Unload() {
  if (hwnd_ == nullptr) return;
  if (modal_) {
    ::EndDialog(hwnd_, IDOK);
  } else {
    ::DestroyWindow(hwnd_);
  }
}

bool DialogBase::AnyModelessOpen() { return !ModelessDialogs().empty(); }

RECT DialogBase::TwipsRect(int left, int top, int width, int height) const {
  return RECT{Px(left), Px(top), Px(left) + Px(width), Px(top) + Px(height)};
}

void DialogBase::SizeClientAndCentre(int widthTwips, int heightTwips, HWND centreOn) {
  RECT frame{0, 0, Px(widthTwips), Px(heightTwips)};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT area{};
  if (centreOn == nullptr || !::IsWindowVisible(centreOn) || !::GetWindowRect(centreOn, &area)) {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT screen{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
  // A dialog taller or wider than the screen (the error dialog at 150 % on
  // a small screen) keeps its caption and left edge on the screen, where
  // the user can reach them, instead of being centred past the top.
  const int x = std::max(area.left + (area.right - area.left - width) / 2, screen.left);
  const int y = std::max(area.top + (area.bottom - area.top - height) / 2, screen.top);
  ::SetWindowPos(hwnd_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND DialogBase::AddControl(HWND parent, const wchar_t* cls, DWORD style, DWORD exStyle, int id,
                            RECT pixels) {
  return ::CreateWindowExW(exStyle, cls, L"", WS_CHILD | WS_VISIBLE | style, pixels.left,
                           pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           ::GetModuleHandleW(nullptr), nullptr);
}

INT_PTR CALLBACK DialogBase::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_INITDIALOG) {
      auto* self = reinterpret_cast<DialogBase*>(lParam);
      ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
      self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<DialogBase*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr) return FALSE;
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      self->hwnd_ = nullptr;
      if (self->selfOwned_) {
        RemoveModeless(hwnd);
        delete self;
      }
      return FALSE;
    }
    return self->Dispatch(message, wParam, lParam);
  } catch (...) {
    // The forms' handlers trap and report their own failures; nothing else
    // may leave a dialog procedure.
    return FALSE;
  }
}

INT_PTR DialogBase::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    OnLoad();
    // The controls were made after the template: focus the first tab stop.
    if (HWND first = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE)) ::SetFocus(first);
    return FALSE;
  }
  // Links show the hand cursor, in every dialog alike.
  if (message == WM_SETCURSOR && IsLink(reinterpret_cast<HWND>(wParam))) {
    ::SetCursor(HandCursor());
    ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
    return TRUE;
  }
  INT_PTR result = FALSE;
  if (OnMessage(message, wParam, lParam, result)) {
    return result;
  }
  return FALSE;
}

}  // namespace tarnwick::win32
