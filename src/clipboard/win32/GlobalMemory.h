// Owners of global memory blocks and of their locks.
#pragma once

#include <windows.h>

#include <cstddef>

namespace tarnwick::clipboard {

// A movable global block that is freed unless its ownership is handed on
// (to the clipboard, which then frees it).
class GlobalBlock {
 public:
  explicit GlobalBlock(std::size_t bytes) : handle_(::GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
  ~GlobalBlock() {
    if (handle_ != nullptr) ::GlobalFree(handle_);
  }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;

  HGLOBAL get() const { return handle_; }
  HGLOBAL release() {
    HGLOBAL handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  HGLOBAL handle_;
};

// The pointer to a locked block, unlocked again at scope end. The size is
// the block's real size, which may exceed what its writer asked for.
class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL handle)
      : handle_(handle), data_(handle ? ::GlobalLock(handle) : nullptr),
        bytes_(data_ ? ::GlobalSize(handle) : 0) {}
  ~GlobalLockGuard() {
    if (data_ != nullptr) ::GlobalUnlock(handle_);
  }
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

  void* data() const { return data_; }
  std::size_t bytes() const { return bytes_; }

 private:
  HGLOBAL handle_;
  void* data_;
  std::size_t bytes_;
};

}  // namespace tarnwick::clipboard
