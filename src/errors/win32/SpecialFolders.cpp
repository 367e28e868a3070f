#include "errors/win32/SpecialFolders.h"

#include <shlobj.h>


#include "common/win32/Handles.h"
#include "common/win32/WideText.h"
#include "errors/ReportFile.h"
#include "errors/win32/ApiCall.h"

namespace tarnwick::mSpecialFolders {
namespace {

inline constexpr auto kFreeIdList = [](ITEMIDLIST* list) { ::CoTaskMemFree(list); };
using IdList = win32::UniqueHandle<ITEMIDLIST*, kFreeIdList>;

// The text before the first NUL, without a trailing backslash (a drive root
// keeps its own).
Text BufferText(const wchar_t* buffer) {
  std::wstring_view text(buffer);
  if (text.size() > 3 && text.back() == L'\\') text.remove_suffix(1);
  return win32::FromWide(text);
}

Text FromIdList(HWND ownerWindow, std::int32_t folderId) {
  IdList list;
  const HRESULT found = win32::ApiCall(
      [&] { return ::SHGetSpecialFolderLocation(ownerWindow, folderId, list.put()); });
  if (FAILED(found) || !list) return {};
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!win32::ApiCall([&] { return ::SHGetPathFromIDListW(list.get(), buffer); })) return {};
  return BufferText(buffer);
}

}  // namespace

Text GetSpecialFolderPath(HWND ownerWindow, std::int32_t folderId) {
  try {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (win32::ApiCall(
            [&] { return ::SHGetSpecialFolderPathW(ownerWindow, buffer, folderId, FALSE); }) &&
        buffer[0] != L'\0') {
      return BufferText(buffer);
    }
  } catch (...) {
    // The fallback below answers instead.
  }
  return FromIdList(ownerWindow, folderId);
}

Text ReportFolder() {
  return mErrTrap::ReportFolderOf(GetSpecialFolderPath(nullptr, kPersonalFolder), kProgramTitle);
}

}  // namespace tarnwick::mSpecialFolders
