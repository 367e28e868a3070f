// A clipboard content that could not be read yet: another program held the
// clipboard open, the program that owns it did not answer or has not handed
// its text out yet, or every reading thread still waited on an owner. It is
// tried again by the window's timer until it is read or newer content takes
// its place, the tries further apart the longer it fails, so that a program
// slow to hand out its text is not asked dozens of times; after
// kGiveUpAfterMs without success it is given up, and the field shows that
// its text could not be read. No copy is dropped without a trace.
#pragma once

#include <cstdint>

namespace tarnwick::clipboard {

class ReadRetry {
 public:
  static constexpr std::uint32_t kFirstRetryMs = 250, kLongestRetryMs = 2000;
  static constexpr std::uint32_t kGiveUpAfterMs = 10000;

  // A read of the content `sequence` failed at `nowMs` (a millisecond tick
  // count, wrapping). True: try again (see NextTryInMs). False: the content
  // has been tried for kGiveUpAfterMs and is given up; a later failure of
  // the same content is given up at once, of newer content tried anew.
  bool Failed(std::uint32_t sequence, std::uint32_t nowMs) {
    if (!waiting_ || sequence != sequence_) {
      waiting_ = true;
      sequence_ = sequence;
      sinceMs_ = nowMs;
    }
    return nowMs - sinceMs_ < kGiveUpAfterMs;
  }
  // After a failure at `nowMs`: when to try next, a quarter of the time the
  // content has failed so far, from kFirstRetryMs to kLongestRetryMs.
  std::uint32_t NextTryInMs(std::uint32_t nowMs) const {
    const std::uint32_t quarter = (nowMs - sinceMs_) / 4;
    return quarter < kFirstRetryMs ? kFirstRetryMs : quarter > kLongestRetryMs ? kLongestRetryMs : quarter;
  }
  // A content was read: nothing waits any more.
  void Read() { waiting_ = false; }
  bool Waiting() const { return waiting_; }
  // True when `sequence` is the content that failed, still tried again or
  // given up; newer content is not.
  bool Retries(std::uint32_t sequence) const { return waiting_ && sequence == sequence_; }

 private:
  bool waiting_ = false;
  std::uint32_t sequence_ = 0;
  std::uint32_t sinceMs_ = 0;  // when the content first failed
};

}  // namespace tarnwick::clipboard
