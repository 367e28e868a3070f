#include "shell/win32/mCommon.h"

#include <shellapi.h>

#include "common/win32/WideText.h"
#include "env/UIStrings.h"
#include "errors/ErrTrap.h"
#include "errors/win32/ApiCall.h"
#include "errors/win32/Win32Values.h"
#include "shell/FileCheck.h"
#include "shell/MailtoUrl.h"
#include "shell/ShellErrorText.h"
#include "shell/win32/FileQueries.h"

namespace tarnwick::mCommon {
namespace {

using mErrTrap::Trap;
using mErrTrap::TrapKind;

constexpr UINT kTopmostFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW;
static_assert(kTopmostFlags == 0x53, "no move, no size, no activation, shown");
constexpr std::int16_t kVolumeLabel = 2;

// The shell's answer as a signed number: values of 32 and less are failures.
// A success is kept above 32 even where cutting it to 32 bits would not be.
std::int32_t ShellResultCode(HINSTANCE result) {
  const auto value = reinterpret_cast<std::intptr_t>(result);
  if (value > 32) return 33;
  return static_cast<std::int32_t>(value);
}

// A window handle as the report records it (32 bits are significant).
std::int32_t HandleValue(HWND hwnd) {
  return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(hwnd));
}

class SystemDriveFacts : public DriveFacts {
 public:
  std::vector<Text> DriveNames() override { return GetDriveNames(); }
  std::optional<Text> VolumeLabel(TextView root) override { return GetDriveInfo(root, kVolumeLabel); }
  bool PathExists(TextView path) override { return mMain::FolderExist(Text(path)); }
};

}  // namespace

void ShowMessage(TextView text, UINT icon, HWND owner) {
  const std::wstring wide = win32::ToWide(text), caption = win32::ToWide(kProgramTitle);
  win32::ApiCall([&] { return ::MessageBoxW(owner, wide.c_str(), caption.c_str(), MB_OK | icon); });
}

void AlwaysOnTop(const win32::FormRef& mvarForm, bool mvarOnTop) {
  Trap trap(u"mCommon.AlwaysOnTop(mvarForm,mvarOnTop)", TrapKind::Inner, mvarForm, mvarOnTop);
  trap.Run([&] {
    trap.Step(10, [&] {
      const HWND after = mvarOnTop ? HWND_TOPMOST : HWND_NOTOPMOST;
      win32::ApiCall([&] { return ::SetWindowPos(mvarForm.hwnd, after, 0, 0, 0, 0, kTopmostFlags); });
    });
  });
}

void SendMail(HWND lhWnd, TextView Address, TextView Subject, TextView Body, TextView CC,
              TextView bcc, TextView Attachement) {
  const std::int32_t lhWndValue = HandleValue(lhWnd);
  Trap trap(u"mCommon.SendMail(lhWnd,Address,Subject,Body,CC,bcc,Attachement)", TrapKind::Inner,
            lhWndValue, Address, Subject, Body, CC, bcc, Attachement);
  trap.Run([&] {
    const Text url =
        trap.Step(10, [&] { return ComposeMailtoUrl(Address, Subject, Body, CC, bcc, Attachement); });
    trap.Step(20, [&] {
      const std::wstring wide = win32::ToWide(url);
      // No mail program answering is no failure of ours: the result is ignored.
      win32::ApiCall([&] {
        return ::ShellExecuteW(lhWnd, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      });
    });
  });
}

void OpenInExplorerList(const win32::FormRef& frm, TextView pPath) {
  Trap trap(u"mCommon.OpenInExplorerList(frm,pPath)", TrapKind::Inner, frm, pPath);
  trap.Run([&] {
    if (!trap.Step(10, [&] { return FileManager(pPath); })) return;
    const std::int32_t result = trap.Step(20, [&] {
      const std::wstring parameters = L"/e,/select," + win32::ToWide(pPath);
      return ShellResultCode(win32::ApiCall([&] {
        return ::ShellExecuteW(frm.hwnd, L"open", L"explorer.exe", parameters.c_str(), nullptr,
                               SW_SHOWNORMAL);
      }));
    });
    if (result <= 32) trap.Step(30, [&] { ShellErrorMessage(result); });
  });
}

bool FileManager(TextView pName) {
  Trap trap(u"mDrive.FileManager(pName)", TrapKind::Inner, pName);
  return trap.Run([&] {
    SystemDriveFacts facts;
    const FileCheck check = trap.Step(10, [&] { return CheckFileForExplorer(pName, facts); });
    if (check == FileCheck::Ok) return true;
    trap.Step(20, [&] { ShowMessage(FileCheckMessage(check), MB_ICONERROR); });
    return false;
  });
}

std::vector<Text> GetDriveNames() {
  Trap trap(u"mDrive.GetDriveNames())", TrapKind::Inner);
  return trap.Run([&] {
    std::vector<wchar_t> buffer;
    DWORD length = 0;
    trap.Step(10, [&] {
      // Asked with no room, the system names the room it needs (final NUL
      // included); the list can grow between the calls, so ask again then.
      DWORD needed = win32::ApiCall([] { return ::GetLogicalDriveStringsW(0, nullptr); });
      for (int attempt = 0; attempt < 4 && needed > 0; ++attempt) {
        buffer.assign(needed, L'\0');
        length = win32::ApiCall([&] { return ::GetLogicalDriveStringsW(needed, buffer.data()); });
        if (length < needed) return;  // fits (0: no list)
        needed = length;
        length = 0;
      }
    });
    std::vector<Text> names;
    trap.Step(20, [&] {
      std::size_t start = 0;
      for (std::size_t i = 0; i < length && i < buffer.size(); ++i) {
        if (buffer[i] != L'\0') continue;
        if (i > start) names.push_back(win32::FromWide(buffer.data() + start, i - start));
        start = i + 1;
      }
    });
    return names;
  });
}

std::optional<Text> GetDriveInfo(TextView strDrive, std::int16_t iType) {
  Trap trap(u"mDrive.GetDriveInfo(strDrive,iType)", TrapKind::Inner, strDrive, iType);
  return trap.Run([&]() -> std::optional<Text> {
    wchar_t volumeName[256] = {};
    wchar_t fileSystemName[256] = {};
    const bool read = trap.Step(10, [&] {
      if (strDrive.find(u'\0') != TextView::npos) return false;
      const std::wstring root = win32::ToWide(strDrive);
      return win32::ApiCall([&] {
        return ::GetVolumeInformationW(root.c_str(), volumeName, 256, nullptr, nullptr, nullptr,
                                       fileSystemName, 256);
      }) != 0;
    });
    if (!read || iType != kVolumeLabel) return std::nullopt;
    return trap.Step(20, [&] { return win32::FromWide(volumeName, ::wcsnlen(volumeName, 256)); });
  });
}

void ShellErrorMessage(std::int32_t lngReturn) {
  Trap trap(u"mCommon.ShellErrorMessage(lngReturn)", TrapKind::Inner, lngReturn);
  trap.Run([&] {
    const Text text = trap.Step(10, [&] { return ShellErrorText(lngReturn); });
    if (!text.empty()) trap.Step(20, [&] { ShowMessage(text, MB_ICONWARNING); });
  });
}

}  // namespace tarnwick::mCommon
