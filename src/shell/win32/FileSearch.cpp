#include "shell/win32/FileSearch.h"

#include <windows.h>

#include "common/win32/WideText.h"
#include "errors/win32/ApiCall.h"

namespace tarnwick::mCommon {
namespace {

// A search handle, closed when it goes out of scope.
class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle() {
    if (valid()) ::FindClose(handle_);
  }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

}  // namespace

bool PathSearchFindsEntry(TextView path) {
  // A NUL inside the text would make the system search a shorter path.
  if (path.empty() || path.find(u'\0') != TextView::npos) return false;
  const std::wstring pattern = win32::ToWide(path);
  WIN32_FIND_DATAW found{};
  const FindHandle search(win32::ApiCall([&] { return ::FindFirstFileW(pattern.c_str(), &found); }));
  return search.valid();
}

}  // namespace tarnwick::mCommon
