// A second thread for a test, started at once and joined when its owner goes.
// It sits on the Win32 thread API, which every MinGW thread model has (the
// win32 one has no std::thread).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <utility>

namespace tarnwick::test_support {

class TestThread {
 public:
  explicit TestThread(std::function<void()> body)
      : body_(std::make_unique<std::function<void()>>(std::move(body))),
        handle_(::CreateThread(nullptr, 0, &Start, body_.get(), 0, nullptr)) {}
  ~TestThread() { join(); }
  TestThread(const TestThread&) = delete;
  TestThread& operator=(const TestThread&) = delete;

  bool started() const { return handle_ != nullptr; }
  void join() {
    if (handle_ == nullptr) return;
    ::WaitForSingleObject(handle_, INFINITE);
    ::CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  // An exception leaving the body ends the process, as with std::thread.
  static DWORD WINAPI Start(LPVOID body) noexcept {
    (*static_cast<std::function<void()>*>(body))();
    return 0;
  }

  std::unique_ptr<std::function<void()>> body_;
  HANDLE handle_;
};

}  // namespace tarnwick::test_support
