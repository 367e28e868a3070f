#include "forms/win32/ReportFileWin32.h"

#include <string>

#include "common/win32/WideText.h"
#include "env/UIStrings.h"
#include "env/win32/OSVersionWin32.h"
#include "errors/ErrTrap.h"
#include "errors/PlatformFacts.h"
#include "errors/ReportFile.h"
#include "errors/win32/ApiCall.h"
#include "errors/win32/SpecialFolders.h"
#include "shell/win32/FileQueries.h"

namespace tarnwick::mErrTrap {
namespace {

std::string ToAnsi(TextView text) {
  if (text.empty()) return {};
  const std::wstring wide = win32::ToWide(text);
  const int size = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (size <= 0) RaiseRuntime(rt::InvalidCall);
  std::string ansi(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), size,
                        nullptr, nullptr);
  return ansi;
}

std::int64_t SystemClockSeconds() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks{};
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  return static_cast<std::int64_t>(ticks.QuadPart / 10000000ULL);
}

void CreateReportFolder(const Text& folder) {
  const std::wstring path = win32::ToWide(folder);
  if (!win32::ApiCall([&] { return ::CreateDirectoryW(path.c_str(), nullptr); })) {
    RaiseRuntime(rt::PathNotFound);
  }
}

OSLineFacts CurrentOSLineFacts() {
  mOSVersion::OSInfo info;
  mOSVersion::GetOSVersion(info);
  return {info.Name, info.Version, info.Build, info.ServicePack};
}

ReportBlockFacts CurrentBlockFacts(Text reportText) {
  const Text exePath = Platform().ExePath();
  ReportBlockFacts facts;
  facts.reportText = std::move(reportText);
  facts.programPath = FolderOfPath(exePath);
  facts.reportFolder = mSpecialFolders::ReportFolder();
  facts.fileName = FileTitle(exePath);
  facts.os = CurrentOSLineFacts();
  return facts;
}

}  // namespace

void AppendFile::Write(TextView text) {
  const std::string bytes = ToAnsi(text);
  DWORD written = 0;
  const BOOL ok = win32::ApiCall([&] {
    return ::WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr);
  });
  if (!ok) RaiseRuntime(::GetLastError() == ERROR_DISK_FULL ? rt::DiskFull : rt::PathFileAccess);
  if (written != bytes.size()) RaiseRuntime(rt::DiskFull);
}

bool ErrTryOpenForAppend(const Text& path, AppendFile& fileNumber) {
  try {
    const std::wstring wide = win32::ToWide(path);
    HANDLE file = win32::ApiCall([&] {
      return ::CreateFileW(wide.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    });
    if (file == INVALID_HANDLE_VALUE) return false;
    fileNumber.Open(win32::FileHandle(file));
    return true;
  } catch (...) {
    return false;
  }
}

bool ErrOpenForAppend(const Text& path, AppendFile& fileNumber) {
  return OpenWithRetries({[&] { return ErrTryOpenForAppend(path, fileNumber); },
                          [](std::uint32_t ms) { ::Sleep(ms); }, &SystemClockSeconds});
}

bool SaveErrorReport(const Text& fileName) {
  try {
    const Text reportText = ErrReportText();
    if (reportText.empty()) return true;
    AppendFile file;
    const Text documents =
        mSpecialFolders::GetSpecialFolderPath(nullptr, mSpecialFolders::kPersonalFolder);
    // Without a Documents folder the report folder would be "\Tarnwick", a
    // folder in the root of whatever drive is current: nothing is written.
    if (documents.empty()) RaiseRuntime(rt::PathNotFound);
    const Text folder = ReportFolderOf(documents, kProgramTitle);
    if (!mMain::FolderExist(folder)) CreateReportFolder(folder);
    const bool isNew = !mCommon::FileExist(folder + u"\\" + fileName);
    if (!ErrOpenForAppend(ReportTargetPath(folder, fileName), file)) return true;
    if (isNew) {
      for (const Text& line : ReportHeaderLines(mLanguageGobals::ReportHeader)) file.Write(line);
    }
    for (const Text& line : ReportBlockLines(CurrentBlockFacts(reportText))) file.Write(line);
    file.Close();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace tarnwick::mErrTrap
