#include "shell/win32/about/Form10.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>

#include "common/win32/WideText.h"
#include "env/MakerAddresses.h"
#include "env/UIStrings.h"
#include "errors/ErrTrap.h"
#include "errors/PlatformFacts.h"
#include "errors/win32/ApiCall.h"
#include "shell/win32/mCommon.h"

namespace tarnwick::win32 {
namespace {

using mErrTrap::Trap;
using mErrTrap::TrapKind;
namespace ui = mLanguageGobals;

constexpr int kClientWidth = 4710, kClientHeight = 3855;  // twips
constexpr int kProgramIconResource = 1;
constexpr char16_t kProgramTitle[] = u"Tarnwick";

enum class Kind { Icon, Label, TitleLabel, Link, Line, Button };

struct ControlDesign {
  int id;
  Kind kind;
  int left, top, width, height;  // twips
  const wchar_t* caption;        // design caption
};

const ControlDesign kDesign[] = {
    {Form10::Image1, Kind::Icon, 120, 120, 480, 480, L""},
    {Form10::Label6, Kind::TitleLabel, 840, 240, 3735, 255, L"Label6"},
    {Form10::Label2, Kind::Label, 120, 840, 1095, 255, L"Label2"},
    {Form10::Label3, Kind::Label, 120, 1200, 3015, 255, L"Label3"},
    {Form10::Label7, Kind::Label, 120, 1560, 1335, 255, L"Label7"},
    {Form10::Line1, Kind::Line, -120, 2040, 9120, 30, L""},
    {Form10::Label8, Kind::Label, 120, 2280, 1215, 255, L"Label8"},
    {Form10::Label4, Kind::Link, 1680, 2280, 2415, 255, L"Label4"},
    {Form10::Label9, Kind::Label, 120, 2640, 1335, 255, L"Label9"},
    {Form10::Label5, Kind::Link, 1680, 2640, 2295, 255, L"Label5"},
    {Form10::Line2, Kind::Line, -120, 3120, 9120, 30, L""},
    {Form10::bnOK, Kind::Button, 3360, 3360, 1215, 375, L"OK"},
};

HICON LoadProgramIcon(int dpi) {
  const int size = TwipsToPixels(480, dpi);
  HANDLE icon = ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIconResource),
                             IMAGE_ICON, size, size, 0);
  if (icon == nullptr) {
    icon = ::CopyIcon(::LoadIconW(nullptr, IDI_APPLICATION));
  }
  return static_cast<HICON>(icon);
}

}  // namespace

Text AboutVersionLine(TextView versionLabel, std::int32_t major, std::int32_t minor) {
  Text minorText = DecimalText(minor);
  if (minor >= 0 && minorText.size() < 2) minorText.insert(0, 1, u'0');
  return Text(versionLabel) + DecimalText(major) + u"." + minorText;
}

void ShowAboutDialog(const FormRef& owner, const ApplyFontHook& applyCommonFont) {
  auto dialog = std::make_unique<Form10>(applyCommonFont);
  dialog->ShowModal(owner.hwnd);
}

// --- Window and controls ----------------------------------------------------------

void Form10::OnLoad() {
  font_ = CreatePointFont(L"MS Sans Serif", 825, false, dpi());
  titleFont_ = CreatePointFont(L"MS Sans Serif", 975, true, dpi());
  // Centred on the owner, the main window.
  SizeClientAndCentre(kClientWidth, kClientHeight, ::GetWindow(hwnd(), GW_OWNER));
  CreateControls();
  Form_Load();
  FitLabelsToText();
}

// One-line labels whose text (in the font they ended up with) is wider than
// their design width grow to the right, up to the dialog's edge, instead of
// cutting the text off or wrapping it out of sight.
void Form10::FitLabelsToText() {
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  ScreenDC screen;
  for (const ControlDesign& d : kDesign) {
    if (d.kind != Kind::Label && d.kind != Kind::TitleLabel && d.kind != Kind::Link) continue;
    HWND label = ::GetDlgItem(hwnd(), d.id);
    wchar_t buffer[512] = {};
    const int length = ::GetWindowTextW(label, buffer, 512);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(::SendMessageW(label, WM_GETFONT, 0, 0));
    HGDIOBJ old = ::SelectObject(screen.get(), font);
    SIZE extent{};
    ::GetTextExtentPoint32W(screen.get(), buffer, length, &extent);
    ::SelectObject(screen.get(), old);
    RECT at{};
    ::GetWindowRect(label, &at);
    ::MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&at), 2);
    const int wanted = std::min<int>(extent.cx + 2, client.right - at.left);
    if (wanted > at.right - at.left) {
      ::SetWindowPos(label, nullptr, 0, 0, wanted, at.bottom - at.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

void Form10::CreateControls() {
  for (const ControlDesign& d : kDesign) {
    const RECT at = TwipsRect(d.left, d.top, d.width, d.height);
    HWND control = nullptr;
    switch (d.kind) {
      case Kind::Icon:
        control = AddControl(hwnd(), L"STATIC", SS_ICON | SS_REALSIZEIMAGE, 0, d.id, at);
        break;
      case Kind::Label:
      case Kind::TitleLabel:
        control = AddControl(hwnd(), L"STATIC", SS_LEFT | SS_NOPREFIX, 0, d.id, at);
        break;
      case Kind::Link:
        control = AddControl(hwnd(), L"STATIC", SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0, d.id, at);
        break;
      case Kind::Line:
        control = AddControl(hwnd(), L"STATIC", SS_ETCHEDHORZ, 0, d.id, at);
        break;
      case Kind::Button:
        control = AddControl(hwnd(), L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, d.id, at);
        break;
    }
    if (control == nullptr) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
    HFONT font = d.kind == Kind::TitleLabel ? titleFont_.get() : font_.get();
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::SetWindowTextW(control, d.caption);
  }
  icon_.reset(LoadProgramIcon(dpi()));
  ::SendMessageW(::GetDlgItem(hwnd(), Image1), STM_SETICON,
                 reinterpret_cast<WPARAM>(icon_.get()), 0);
  ::SendMessageW(hwnd(), DM_SETDEFID, bnOK, 0);
}

void Form10::SetCaption(int id, const Text& text) {
  HWND control = ::GetDlgItem(hwnd(), id);
  if (control == nullptr) mErrTrap::RaiseControlArrayElement(id);
  const std::wstring wide = ToWide(text);
  ApiCall([&] { return ::SetWindowTextW(control, wide.c_str()); });
}

bool Form10::IsLink(HWND control) const {
  return control != nullptr && ::GetParent(control) == hwnd() &&
         (::GetDlgCtrlID(control) == Label4 || ::GetDlgCtrlID(control) == Label5);
}

void Form10::Close() {
  std::int16_t Cancel = 0;
  Form_Unload(Cancel);
  Unload();  // the unload never cancels
}

bool Form10::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_CTLCOLORSTATIC: {
      auto control = reinterpret_cast<HWND>(lParam);
      if (!IsLink(control)) return false;
      auto dc = reinterpret_cast<HDC>(wParam);
      ::SetTextColor(dc, kLinkBlue);
      ::SetBkMode(dc, TRANSPARENT);
      result = reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
      return true;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == IDOK && code == BN_CLICKED) {
        bnOK_Click();
      } else if (id == IDCANCEL) {
        Close();  // Esc and the close box
      } else if (id == Label4 && code == STN_CLICKED) {
        Label4_Click();
      } else if (id == Label5 && code == STN_CLICKED) {
        Label5_Click();
      } else {
        return false;
      }
      result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

// --- Event procedures -----------------------------------------------------------------

void Form10::Form_Load() {
  Trap trap(u"Form10.Form_Load", TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(20, [&] {
      const std::wstring caption = ToWide(ui::AboutCaption);
      ApiCall([&] { return ::SetWindowTextW(hwnd(), caption.c_str()); });
    });
    trap.Step(30, [&] { SetCaption(Label6, ui::ProductName); });
    trap.Step(40, [&] {
      const auto version = mErrTrap::Platform().AppVersion();
      SetCaption(Label2, AboutVersionLine(ui::VersionLabel, version.major, version.minor));
    });
    trap.Step(50, [&] { SetCaption(Label3, ui::LegalNotice); });
    trap.Step(60, [&] { SetCaption(Label7, ui::RightsNotice); });
    trap.Step(70, [&] { SetCaption(Label8, ui::WebsiteLabel); });
    trap.Step(80, [&] { SetCaption(Label9, ui::SupportLabel); });
    trap.Step(90, [&] { SetCaption(bnOK, ui::OKCaption); });
    trap.Step(100, [&] { SetCaption(Label4, WebsiteAddress()); });
    trap.Step(110, [&] { SetCaption(Label5, SupportAddress()); });
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
  trap.Run([&] { trap.Step(10, [&] { Close(); }); });
}

void Form10::Label4_Click() {
  Trap trap(u"Form10.Label4_Click", TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(50, [&] {
      const std::wstring address = ToWide(WebsiteAddress());
      // The shell's answer is not looked at: no message follows a failure.
      ApiCall([&] {
        return ::ShellExecuteW(nullptr, nullptr, address.c_str(), nullptr, nullptr,
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
      subject = Text(kProgramTitle) + u" v" + DecimalText(version.major) + u"." +
                DecimalText(version.minor);
    });
    trap.Step(40, [&] { mCommon::SendMail(hwnd(), address, subject, u"", u"", u"", u""); });
  });
}

}  // namespace tarnwick::win32
