#include "errors/win32/SpecialFolders.h"

#include <shlobj.h>

#include <memory>
#include <type_traits>

#include "common/win32/WideText.h"
#include "errors/win32/ApiCall.h"

namespace tarnwick::mSpecialFolders {
namespace {

struct IdListFree {
  void operator()(ITEMIDLIST* list) const { ::CoTaskMemFree(list); }
};
using IdList = std::unique_ptr<ITEMIDLIST, IdListFree>;

// The text before the first NUL, without a trailing backslash (a drive root
// keeps its own).
Text BufferText(const wchar_t* buffer) {
  std::wstring_view text(buffer);
  if (text.size() > 3 && text.back() == L'\\') text.remove_suffix(1);
  return win32::FromWide(text);
}

Text FromIdList(HWND ownerWindow, std::int32_t folderId) {
  ITEMIDLIST* raw = nullptr;
  const HRESULT found = win32::ApiCall(
      [&] { return ::SHGetSpecialFolderLocation(ownerWindow, folderId, &raw); });
  IdList list(raw);
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

}  // namespace tarnwick::mSpecialFolders
