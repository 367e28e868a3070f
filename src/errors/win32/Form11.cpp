#include "errors/win32/Form11.h"

#include "common/win32/WideText.h"
#include "env/MakerAddresses.h"
#include "env/UIStrings.h"
#include "errors/ErrTrap.h"
#include "errors/PlatformFacts.h"
#include "errors/ReportFile.h"
#include "errors/win32/ApiCall.h"
#include "errors/win32/ReportFileWin32.h"
#include "shell/win32/mCommon.h"

namespace tarnwick::win32 {
namespace {

using mErrTrap::Trap;
using mErrTrap::TrapKind;
namespace ui = mLanguageGobals;

constexpr int kClientWidth = 7680, kClientHeight = 9810;  // twips

enum class Kind { Picture, Container, Label, BoldLabel, Link, Button };

struct ControlDesign {
  int id;
  int container;  // 0: the dialog itself
  Kind kind;
  int left, top, width, height;  // twips, relative to the container
  const wchar_t* caption;        // design caption
};

// Containers come before the controls they hold.
const ControlDesign kDesign[] = {
    {Form11::picExclamation, 0, Kind::Picture, 240, 240, 495, 495, L""},
    {Form11::Label1, 0, Kind::Label, 1080, 120, 6000, 300, L"Label1"},
    {Form11::Label2, 0, Kind::Label, 1080, 480, 6000, 600, L"Label2"},
    {Form11::Picture1, 0, Kind::Container, 1080, 1200, 6375, 2295, L""},
    {Form11::Label3, Form11::Picture1, Kind::Label, 120, 120, 6000, 300, L"Label3"},
    {Form11::Label58, Form11::Picture1, Kind::Link, 360, 480, 5760, 500, L"Label58"},
    {Form11::Label4, Form11::Picture1, Kind::Label, 120, 1080, 6000, 300, L"Label4"},
    {Form11::Label5, Form11::Picture1, Kind::Label, 120, 1440, 6000, 300, L"Label5"},
    {Form11::Label6, Form11::Picture1, Kind::Label, 120, 1800, 6000, 300, L"Label6"},
    {Form11::Label7, 0, Kind::BoldLabel, 1080, 3600, 6000, 300, L"Label7"},
    {Form11::Picture3, 0, Kind::Container, 1080, 3960, 6375, 2295, L""},
    {Form11::Label8, Form11::Picture3, Kind::Label, 120, 120, 6000, 300, L"Label8"},
    {Form11::Label55, Form11::Picture3, Kind::Link, 360, 480, 2535, 300, nullptr},
    {Form11::Label9, Form11::Picture3, Kind::Label, 120, 840, 6000, 300, L"Label9"},
    {Form11::Label56, Form11::Picture3, Kind::Link, 360, 1200, 5760, 500, L"Label56"},
    {Form11::Label10, Form11::Picture3, Kind::Label, 120, 1800, 6000, 300, L"Label10"},
    {Form11::Label11, 0, Kind::BoldLabel, 1080, 6360, 6000, 300, L"Label11"},
    {Form11::Picture2, 0, Kind::Container, 1080, 6720, 6375, 2295, L""},
    {Form11::Label12, Form11::Picture2, Kind::Label, 120, 120, 6000, 300, L"Label12"},
    {Form11::Label13, Form11::Picture2, Kind::Label, 120, 480, 6000, 300, L"Label13"},
    {Form11::Label14, Form11::Picture2, Kind::Label, 120, 840, 6000, 300, L"Label14"},
    {Form11::Label57, Form11::Picture2, Kind::Link, 360, 1200, 5760, 495, L"Label57"},
    {Form11::Label15, Form11::Picture2, Kind::Label, 120, 1800, 6000, 300, L"Label15"},
    {Form11::bnOK, 0, Kind::Button, 6240, 9240, 1215, 375, L"OK"},
};

bool IsLinkId(int id) {
  return id == Form11::Label55 || id == Form11::Label56 || id == Form11::Label57 ||
         id == Form11::Label58;
}

}  // namespace

// --- Window and controls ----------------------------------------------------------

void Form11::OnLoad() {
  font_ = CreatePointFont(L"MS Sans Serif", 825, false, dpi());
  boldFont_ = CreatePointFont(L"MS Sans Serif", 825, true, dpi());
  SizeClientAndCentre(kClientWidth, kClientHeight, nullptr);
  CreateControls();
  Form_Load();
}

void Form11::CreateControls() {
  for (const ControlDesign& d : kDesign) {
    HWND parent = d.container == 0 ? hwnd() : Control(d.container);
    const RECT at = TwipsRect(d.left, d.top, d.width, d.height);
    HWND control = nullptr;
    switch (d.kind) {
      case Kind::Container:
        control = CreateContainer(parent, d.id, at);
        break;
      case Kind::Picture:
        control = AddControl(parent, L"STATIC", SS_BITMAP, 0, d.id, at);
        break;
      case Kind::Label:
      case Kind::BoldLabel:
        control = AddControl(parent, L"STATIC", SS_LEFT | SS_NOPREFIX, 0, d.id, at);
        break;
      case Kind::Link:
        control = AddControl(parent, L"STATIC", SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0, d.id, at);
        break;
      case Kind::Button:
        control = AddControl(parent, L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, d.id, at);
        break;
    }
    if (control == nullptr) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
    HFONT font = d.kind == Kind::BoldLabel ? boldFont_.get() : font_.get();
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const std::wstring caption = d.caption ? d.caption : ToWide(SupportAddress());
    ::SetWindowTextW(control, caption.c_str());
  }
  ::SendMessageW(hwnd(), DM_SETDEFID, bnOK, 0);
}

HWND Form11::Control(int id) const {
  if (id == bnOK || id == picExclamation || id == Label1 || id == Label2 || id == Label7 ||
      id == Label11 || id == Picture1 || id == Picture2 || id == Picture3) {
    return ::GetDlgItem(hwnd(), id);
  }
  for (int container : {Picture1, Picture3, Picture2}) {
    if (HWND found = ::GetDlgItem(::GetDlgItem(hwnd(), container), id)) return found;
  }
  return nullptr;
}

void Form11::SetCaption(int id, const Text& text) {
  HWND control = Control(id);
  if (control == nullptr) mErrTrap::RaiseControlArrayElement(id);
  const std::wstring wide = ToWide(text);
  ApiCall([&] { return ::SetWindowTextW(control, wide.c_str()); });
}

bool Form11::IsLink(HWND control) const {
  return control != nullptr && IsLinkId(::GetDlgCtrlID(control)) &&
         ::GetParent(::GetParent(control)) == hwnd();
}

bool Form11::IsInContainer(HWND control) const { return ::GetParent(control) != hwnd(); }

// The icon goes onto a bitmap of the picture box's size once, so it stays
// visible however often the dialog repaints.
void Form11::DrawExclamation(HICON icon) {
  HWND picture = Control(picExclamation);
  RECT box{};
  ::GetClientRect(picture, &box);
  ScreenDC screen;
  exclamation_.reset(::CreateCompatibleBitmap(screen.get(), box.right, box.bottom));
  if (!exclamation_) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
  {
    MemoryDC surface(screen.get(), exclamation_.get());
    ::FillRect(surface.get(), &box, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    if (!ApiCall([&] { return ::DrawIcon(surface.get(), 0, 0, icon); })) {
      mErrTrap::RaiseRuntime(mErrTrap::rt::InvalidCall);
    }
  }
  ::SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(exclamation_.get()));
}

bool Form11::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_CTLCOLORDLG:
      result = reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
      return true;
    case WM_CTLCOLORSTATIC: {
      auto dc = reinterpret_cast<HDC>(wParam);
      auto control = reinterpret_cast<HWND>(lParam);
      const bool inContainer = IsInContainer(control);
      ::SetBkColor(dc, inContainer ? ::GetSysColor(COLOR_WINDOW) : RGB(255, 255, 255));
      if (IsLink(control)) ::SetTextColor(dc, kLinkBlue);
      result = reinterpret_cast<INT_PTR>(inContainer ? ::GetSysColorBrush(COLOR_WINDOW)
                                                     : ::GetStockObject(WHITE_BRUSH));
      return true;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == IDOK && code == BN_CLICKED) {
        bnOK_Click();
      } else if (id == IDCANCEL) {
        Unload();  // Esc and the close box
      } else if (code == STN_CLICKED && id == Label55) {
        Label55_Click();
      } else if (code == STN_CLICKED && id == Label56) {
        Label56_Click();
      } else if (code == STN_CLICKED && id == Label57) {
        Label57_Click();
      } else if (code == STN_CLICKED && id == Label58) {
        Label58_Click();
      } else {
        return false;
      }
      result = TRUE;
      return true;
    }
    default:
      (void)lParam;
      return false;
  }
}

// --- Event procedures -----------------------------------------------------------------

void Form11::Form_Load() {
  Trap trap(u"Form11.Form_Load", TrapKind::EndsChain);
  trap.Run([&] {
    trap.Step(20, [&] {
      const std::wstring caption = ToWide(ui::ErrorCaption);
      ApiCall([&] { return ::SetWindowTextW(hwnd(), caption.c_str()); });
    });
    trap.Step(30, [&] { SetCaption(bnOK, ui::OKCaption); });
    trap.Step(40, [&] { SetCaption(Label1, ui::ErrorSorry); });
    trap.Step(50, [&] { SetCaption(Label2, ui::ErrorIntro); });
    trap.Step(60, [&] { SetCaption(Label3, ui::FolderStep1); });
    trap.Step(70, [&] { SetCaption(Label58, mErrTrap::ReportFolder()); });
    trap.Step(80, [&] { SetCaption(Label4, ui::FolderStep2); });
    trap.Step(90, [&] { SetCaption(Label5, ui::FolderStep3); });
    trap.Step(100, [&] { SetCaption(Label6, ui::FolderStep4); });
    trap.Step(110, [&] { SetCaption(Label7, ui::OrSeparator); });
    trap.Step(120, [&] { SetCaption(Label8, ui::LinkStep1); });
    trap.Step(130, [&] { SetCaption(Label9, ui::LinkStep2); });
    trap.Step(140, [&] { SetCaption(Label56, mErrTrap::ReportFolder()); });
    trap.Step(150, [&] { SetCaption(Label10, ui::LinkStep3); });
    trap.Step(160, [&] { SetCaption(Label11, ui::OrSeparator); });
    trap.Step(170, [&] { SetCaption(Label12, ui::ManualStep1); });
    trap.Step(180, [&] { SetCaption(Label13, ui::ManualStep2); });
    trap.Step(190, [&] { SetCaption(Label14, ui::ManualStep3); });
    trap.Step(200, [&] { SetCaption(Label57, mErrTrap::ReportFolder()); });
    trap.Step(210, [&] { SetCaption(Label15, ui::ManualStep4); });
    HICON icon = nullptr;
    trap.Step(220, [&] {
      icon = ApiCall([] { return ::LoadIconW(nullptr, IDI_EXCLAMATION); });
      if (icon == nullptr) mErrTrap::RaiseRuntime(mErrTrap::rt::InvalidCall);
    });
    trap.Step(230, [&] { DrawExclamation(icon); });
  });
}

void Form11::bnOK_Click() {
  Trap trap(u"Form11.bnOK_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(10, [&] { Unload(); }); });
}

void Form11::Label55_Click() {
  Trap trap(u"Form11.Label55_Click", TrapKind::EndsChain);
  trap.Run([&] {
    Text address, subject;
    trap.Step(20, [&] { address = SupportAddress(); });
    trap.Step(30, [&] {
      const auto version = mErrTrap::Platform().AppVersion();
      subject = Text(mErrTrap::kApplicationTitle) + u" v" + DecimalText(version.major) + u"." +
                DecimalText(version.minor) + u" Error report";
    });
    trap.Step(50, [&] { mCommon::SendMail(hwnd(), address, subject, u"", u"", u"", u""); });
  });
}

void Form11::OpenReportFileInExplorer() {
  mCommon::OpenInExplorerList(Ref(), mErrTrap::ReportFolder() + u"\\" +
                                         Text(mErrTrap::kReportFileName));
}

void Form11::Label56_Click() {
  Trap trap(u"Form11.Label56_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(10, [&] { OpenReportFileInExplorer(); }); });
}

void Form11::Label57_Click() {
  Trap trap(u"Form11.Label57_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(10, [&] { OpenReportFileInExplorer(); }); });
}

void Form11::Label58_Click() {
  Trap trap(u"Form11.Label58_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(10, [&] { OpenReportFileInExplorer(); }); });
}

}  // namespace tarnwick::win32
