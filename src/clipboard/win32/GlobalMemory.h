// The memory of a global block, locked for a scope.
#pragma once

#include <windows.h>

#include <cstddef>

#include "common/win32/Handles.h"
#include "errors/win32/ApiCall.h"

namespace tarnwick::clipboard {

// Where a locked block is and how large it really is, which may exceed what
// its writer asked for. Unlocked again at scope end.
class LockedGlobal {
 public:
  explicit LockedGlobal(HGLOBAL handle)
      : data_(handle ? win32::ApiCall([&] { return ::GlobalLock(handle); }) : nullptr),
        lock_(data_ ? handle : nullptr),
        bytes_(data_ ? ::GlobalSize(handle) : 0) {}
  void* data() const { return data_; }
  std::size_t bytes() const { return bytes_; }

 private:
  void* data_;
  win32::GlobalLockHandle lock_;
  std::size_t bytes_;
};

}  // namespace tarnwick::clipboard
