// Stops Auto mode from fighting another program that converts the clipboard
// too: when the texts that keep arriving are only our own last output in
// another case (another converter undoing ours), more than kLimit of them in
// a row, each within kWindowMs of the one before, converting stops until an
// ordinary copy comes. A fight stops however slowly the machine runs it; a
// user who copies the same words again now and then never meets the limit.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/Text.h"

namespace tarnwick::clipboard {

// True when `text` differs from `previous` in letter case at most: the same
// length and equal once both are in lower case.
bool IsRecasedVersion(TextView text, TextView previous);

class RecaseBurstGuard {
 public:
  static constexpr std::size_t kLimit = 20;
  static constexpr std::uint32_t kWindowMs = 2000;

  // An incoming text is about to be converted; `nowMs` is a millisecond
  // tick count (wrapping). False while a burst of re-cased echoes lasts.
  bool AllowsConversion(TextView incoming, std::uint32_t nowMs);
  // What the last conversion wrote.
  void RecordOutput(TextView output);
  bool Stopped() const { return stopped_; }

 private:
  Text lastOutput_;
  bool hasOutput_ = false;
  std::size_t echoesInRow_ = 0;
  std::uint32_t lastEchoMs_ = 0;
  bool stopped_ = false;
};

}  // namespace tarnwick::clipboard
