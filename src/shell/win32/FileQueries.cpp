#include "shell/win32/FileQueries.h"

#include <windows.h>

#include "common/win32/Handles.h"
#include "common/win32/WideText.h"
#include "errors/ErrTrap.h"
#include "errors/win32/ApiCall.h"

namespace tarnwick::mCommon {

bool PathSearchFindsEntry(TextView path) {
  // A NUL inside the text would make the system search a shorter path.
  if (path.empty() || path.find(u'\0') != TextView::npos) return false;
  const std::wstring pattern = win32::ToWide(path);
  WIN32_FIND_DATAW found{};
  const win32::FindHandle search(
      win32::ApiCall([&] { return ::FindFirstFileW(pattern.c_str(), &found); }));
  return static_cast<bool>(search);
}

bool FileExist(TextView FilePath) {
  mErrTrap::Trap trap(u"mMain.FileExist(FilePath)", mErrTrap::TrapKind::Inner, FilePath);
  return trap.Run([&] { return trap.Step(10, [&] { return PathSearchFindsEntry(FilePath); }); });
}

}  // namespace tarnwick::mCommon

namespace tarnwick::mMain {

bool FolderExist(const Text& folderPath) {
  mErrTrap::Trap trap(u"mMain.FolderExist(folderPath)", mErrTrap::TrapKind::Inner, folderPath);
  return trap.Run([&] {
    if (trap.Step(10, [&] { return folderPath.size() == 3; })) return true;
    return trap.Step(20, [&] { return mCommon::PathSearchFindsEntry(folderPath); });
  });
}

}  // namespace tarnwick::mMain
