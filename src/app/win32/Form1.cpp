// Form1 as a window: its creation with its controls, the field's text and
// view, the controls' states, and the messages it answers. Its field, its
// load and unload, and its commands have files of their own.
#include "app/win32/Form1.h"

#include <utility>

#include "common/win32/WideText.h"
#include "errors/ErrTrap.h"
#include "errors/win32/ApiCall.h"

namespace tarnwick::app {

bool bFormLoaded = false;

namespace {

constexpr int kIconResource = 1;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

HICON LoadProgramIcon(HINSTANCE instance, int sizeMetricX, int sizeMetricY) {
  return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                         ::GetSystemMetrics(sizeMetricX),
                                         ::GetSystemMetrics(sizeMetricY), 0));
}

}  // namespace

Form1::Form1(forms::ApplyFontHook applyCommonFont)
    : Window(u"Form1"), applyCommonFont_(std::move(applyCommonFont)), fieldBinding_(*this) {
  mCase::BindMainTextField(&fieldBinding_);
}

Form1::~Form1() {
  mCase::BindMainTextField(nullptr);
  // A window that never unloaded still leaves the chain and drops the hook,
  // which goes with this object.
  if (hwnd() != nullptr) RemoveClipboardHook();
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
    TrackMovesFromNow();
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

// --- Messages -----------------------------------------------------------------------

std::optional<LRESULT> Form1::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // The clipboard's change notifications, the viewer chain's messages, its
  // check timer and refresh requests.
  if (const auto answer = clipboard_.OnMessage(message, wParam, lParam)) return answer;
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
    case WM_QUERYENDSESSION:
      return TRUE;  // the session may end; its end writes the settings
    case WM_ENDSESSION:
      if (wParam != FALSE) OnEndSession();
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

void Form1::Unload() {
  std::int16_t Cancel = 0;
  Form_Unload(Cancel);
  ::DestroyWindow(hwnd());  // unloading goes on whatever Cancel says
}

void Form1::OnDestroy() {
  // An unload that failed before removing the hook still leaves the chain:
  // the viewers after this window must keep their notifications.
  RemoveClipboardHook();
  if (built_) ::PostQuitMessage(0);
}

}  // namespace tarnwick::app
