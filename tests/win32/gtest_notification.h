// GoogleTest's Notification, given to it ahead of its own (through
// GTEST_HAS_NOTIFICATION_) because its own needs std::mutex and
// std::condition_variable, which the compiler's Windows thread model lacks.
// Only GoogleTest's helper for starting threads in its own tests waits on
// one, so a plain wait on an atomic flag does.
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
