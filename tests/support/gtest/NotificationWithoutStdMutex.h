// GoogleTest's Notification for toolchains without std::mutex (MinGW's
// win32 thread model). GoogleTest uses it only to start the threads of its
// own thread tests, so a flag that the waiting thread polls is enough.
#pragma once

#include <atomic>

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true, std::memory_order_release); }
  void WaitForNotification() {
    while (!notified_.load(std::memory_order_acquire)) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
