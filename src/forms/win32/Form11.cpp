#include "forms/win32/Form11.h"

#include <memory>

#include "env/MakerAddresses.h"
#include "errors/PlatformFacts.h"
#include "errors/ReportFile.h"
#include "errors/win32/ApiCall.h"
#include "errors/win32/SpecialFolders.h"
#include "forms/FormIds.h"
#include "shell/MailtoUrl.h"
#include "shell/win32/mCommon.h"

namespace tarnwick::forms {
namespace {

using mErrTrap::Trap;
using mErrTrap::TrapKind;

constexpr COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

Form11::Form11() : Dialog(Form11Design()) {}

Form11::~Form11() { ReleaseExclamation(); }

void Form11::ShowModal(HWND owner) {
  Form11 dialog;
  dialog.owner_ = owner;
  dialog.Form_Load();
  if (dialog.loadEnded_) dialog.Window::ShowModal();
}

void Form11::ShowModeless(HWND owner) {
  auto dialog = std::make_unique<Form11>();
  dialog->owner_ = owner;
  dialog->Form_Load();
  if (dialog->loadEnded_) Window::ShowModeless(std::move(dialog));
}

// --- Window and controls -----------------------------------------------------------

// The icon goes onto a bitmap of the picture box's size once, so it stays
// visible however often the dialog repaints.
void Form11::DrawExclamation(HICON icon) {
  HWND picture = Control(form11::picExclamation);
  RECT box{};
  ::GetClientRect(picture, &box);
  const win32::ScreenDC screen = win32::GetScreenDC();
  exclamation_.reset(win32::RequiredApiCall(
      [&] { return ::CreateCompatibleBitmap(screen.get(), box.right, box.bottom); },
      mErrTrap::rt::OutOfMemory));
  {
    const win32::MemoryDC surface(::CreateCompatibleDC(screen.get()));
    const win32::SelectedObject selected(surface.get(), exclamation_.get());
    ::FillRect(surface.get(), &box, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    win32::RequiredApiCall([&] { return ::DrawIcon(surface.get(), 0, 0, icon); },
                           mErrTrap::rt::InvalidCall);
  }
  ReleaseExclamation();
  ::SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(exclamation_.get()));
}

// A picture control of the common controls 6 may keep a copy of the bitmap
// it is given, and hands that copy back when the picture changes: the copy
// is the caller's to delete, the original stays ours.
void Form11::ReleaseExclamation() {
  HWND picture = FindControl(form11::picExclamation);
  if (picture == nullptr || !::IsWindow(picture)) return;
  const auto previous = reinterpret_cast<HBITMAP>(
      ::SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, 0));
  if (previous != nullptr && previous != exclamation_.get()) ::DeleteObject(previous);
}

std::optional<LRESULT> Form11::OnFormMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      ReleaseExclamation();  // while the picture control still exists
      return std::nullopt;
    case WM_ERASEBKGND: {
      RECT client;
      ::GetClientRect(hwnd(), &client);
      ::FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      auto dc = reinterpret_cast<HDC>(wParam);
      auto control = reinterpret_cast<HWND>(lParam);
      const bool inBox = ::GetParent(control) != hwnd();
      ::SetBkColor(dc, inBox ? ::GetSysColor(COLOR_WINDOW) : kWhite);
      if (IsLink(control)) ::SetTextColor(dc, kLinkBlue);
      return reinterpret_cast<LRESULT>(inBox ? ::GetSysColorBrush(COLOR_WINDOW)
                                             : static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    }
    default:
      return std::nullopt;
  }
}

void Form11::OnClick(int id) {
  switch (id) {
    case form11::bnOK: bnOK_Click(); return;
    case form11::Label55: Label55_Click(); return;
    case form11::Label56: Label56_Click(); return;
    case form11::Label57: Label57_Click(); return;
    case form11::Label58: Label58_Click(); return;
    default: return;
  }
}

// --- Event procedures -----------------------------------------------------------------

void Form11::Form_Load() {
  Trap trap(u"Form11.Form_Load", TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(10, [&] {
      const int dpi = win32::SystemDpi();
      font_ = win32::CreatePointFont(L"MS Sans Serif", 825, false, dpi);
      boldFont_ = win32::CreatePointFont(L"MS Sans Serif", 825, true, dpi);
      CreateWindowAndControls(owner_, nullptr, {font_.get(), boldFont_.get(), nullptr, nullptr});
    });
    SetLoadCaptions(trap);
    HICON icon = nullptr;
    trap.Step(220, [&] {
      icon = win32::RequiredApiCall([] { return ::LoadIconW(nullptr, IDI_EXCLAMATION); },
                                    mErrTrap::rt::InvalidCall);
    });
    trap.Step(230, [&] { DrawExclamation(icon); });
    loadEnded_ = true;
  });
}

void Form11::bnOK_Click() {
  Trap trap(u"Form11.bnOK_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(10, [&] { Close(); }); });
}

void Form11::Label55_Click() {
  Trap trap(u"Form11.Label55_Click", TrapKind::EndsChain);
  trap.Run([&] {
    Text address, subject;
    trap.Step(20, [&] { address = SupportAddress(); });
    trap.Step(30, [&] {
      const auto version = mErrTrap::Platform().AppVersion();
      subject = mCommon::SupportMailSubject(version.major, version.minor) + u" Error report";
    });
    trap.Step(50, [&] { mCommon::SendMail(hwnd(), address, subject, u"", u"", u"", u""); });
  });
}

// The three folder links do the same under their own names.
void Form11::OpenReportFileFrom(const char16_t* signature) {
  Trap trap(signature, TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(10, [&] {
      mCommon::OpenInExplorerList(Ref(), mSpecialFolders::ReportFolder() + u"\\" +
                                             Text(mErrTrap::kReportFileName));
    });
  });
}

void Form11::Label56_Click() { OpenReportFileFrom(u"Form11.Label56_Click"); }
void Form11::Label57_Click() { OpenReportFileFrom(u"Form11.Label57_Click"); }
void Form11::Label58_Click() { OpenReportFileFrom(u"Form11.Label58_Click"); }

}  // namespace tarnwick::forms
