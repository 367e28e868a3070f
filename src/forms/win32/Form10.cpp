#include "forms/win32/Form10.h"

#include <shellapi.h>

#include <algorithm>
#include <string>

#include "common/Twips.h"
#include "common/win32/WideText.h"
#include "env/MakerAddresses.h"
#include "errors/ErrTrap.h"
#include "errors/PlatformFacts.h"
#include "errors/win32/ApiCall.h"
#include "forms/FormIds.h"
#include "shell/MailtoUrl.h"
#include "shell/win32/mCommon.h"

namespace tarnwick::forms {
namespace {

using mErrTrap::Trap;
using mErrTrap::TrapKind;

constexpr int kProgramIconResource = 1;

HICON LoadProgramIcon(int dpi) {
  const int size = TwipsToPixels(480, dpi);
  HANDLE icon = ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIconResource),
                             IMAGE_ICON, size, size, 0);
  if (icon == nullptr) icon = ::CopyIcon(::LoadIconW(nullptr, IDI_APPLICATION));
  return static_cast<HICON>(icon);
}

}  // namespace

Form10::Form10(ApplyFontHook applyCommonFont)
    : Dialog(Form10Design()), applyCommonFont_(std::move(applyCommonFont)) {}

void Form10::ShowModal(HWND owner) {
  owner_ = owner;
  Form_Load();
  FitLabelsToText();
  Window::ShowModal();
}

// One-line labels whose text (in the font they ended up with) is wider than
// their design width grow to the right, up to the dialog's edge, instead of
// cutting the text off or wrapping it out of sight.
void Form10::FitLabelsToText() {
  if (hwnd() == nullptr) return;
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  const win32::ScreenDC screen = win32::GetScreenDC();
  for (const ControlDesign& d : Form10Design().controls) {
    const bool label = d.kind == ControlKind::Label || d.kind == ControlKind::TitleLabel ||
                       d.kind == ControlKind::Link;
    HWND control = FindControl(d.id);
    if (!label || control == nullptr) continue;
    // The whole caption, whatever its length.
    std::wstring caption(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    const int length = ::GetWindowTextW(control, caption.data(), static_cast<int>(caption.size()));
    SIZE extent{};
    {
      const win32::SelectedObject selected(
          screen.get(), reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
      ::GetTextExtentPoint32W(screen.get(), caption.c_str(), length, &extent);
    }
    RECT at{};
    ::GetWindowRect(control, &at);
    ::MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&at), 2);
    const int wanted = std::min<int>(extent.cx + 2, client.right - at.left);
    if (wanted > at.right - at.left) {
      ::SetWindowPos(control, nullptr, 0, 0, wanted, at.bottom - at.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

void Form10::OnClick(int id) {
  switch (id) {
    case form10::bnOK: bnOK_Click(); return;
    case form10::Label4: Label4_Click(); return;
    case form10::Label5: Label5_Click(); return;
    default: return;
  }
}

void Form10::Unload() {
  std::int16_t Cancel = 0;
  Form_Unload(Cancel);
  Close();  // the unload never cancels
}

// --- Event procedures -----------------------------------------------------------------

void Form10::Form_Load() {
  Trap trap(u"Form10.Form_Load", TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(10, [&] {
      const int dpi = win32::SystemDpi();
      font_ = win32::CreatePointFont(L"MS Sans Serif", 825, false, dpi);
      titleFont_ = win32::CreatePointFont(L"MS Sans Serif", 975, true, dpi);
      // Centred on the owner, the main window.
      CreateWindowAndControls(owner_, owner_, {font_.get(), font_.get(), titleFont_.get(), nullptr});
      icon_.reset(LoadProgramIcon(dpi));
      ::SendMessageW(Control(form10::Image1), STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
    });
    SetLoadCaptions(trap);
    trap.Step(120, [&] {
      if (applyCommonFont_) applyCommonFont_(Ref());
    });
  });
}

void Form10::Form_Unload(std::int16_t& Cancel) {
  Trap trap(u"Form10.Form_Unload(Cancel)", TrapKind::EndsChain, Cancel);
  trap.Run([] {});
}

void Form10::bnOK_Click() {
  Trap trap(u"Form10.bnOK_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(10, [&] { Unload(); }); });
}

void Form10::Label4_Click() {
  Trap trap(u"Form10.Label4_Click", TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(50, [&] {
      const Text address = WebsiteAddress();
      // The shell's answer is not looked at: no message follows a failure.
      win32::ApiCall([&] {
        return ::ShellExecuteW(nullptr, nullptr, win32::WideView(address), nullptr, nullptr,
                               SW_SHOWNORMAL);
      });
    });
  });
}

void Form10::Label5_Click() {
  Trap trap(u"Form10.Label5_Click", TrapKind::EndsChain);
  trap.Run([&] {
    Text address, subject;
    trap.Step(10, [&] { address = SupportAddress(); });
    trap.Step(20, [&] {
      const auto version = mErrTrap::Platform().AppVersion();
      subject = mCommon::SupportMailSubject(version.major, version.minor);
    });
    trap.Step(40, [&] { mCommon::SendMail(hwnd(), address, subject, u"", u"", u"", u""); });
  });
}

}  // namespace tarnwick::forms
