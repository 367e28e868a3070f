#include "clipboard/RecaseBurstGuard.h"

#include "case/CaseRules.h"

namespace tarnwick::clipboard {

bool IsRecasedVersion(TextView text, TextView previous) {
  // The length test first: an ordinary copy of another length costs nothing.
  if (text.size() != previous.size()) return false;
  return mCase::LowerCase(text) == mCase::LowerCase(previous);
}

bool RecaseBurstGuard::AllowsConversion(TextView incoming, std::uint32_t nowMs) {
  if (!hasOutput_ || !IsRecasedVersion(incoming, lastOutput_)) {
    echoTimes_.clear();
    stopped_ = false;
    return true;
  }
  if (stopped_) return false;
  ForgetEchoesBefore(nowMs);
  echoTimes_.push_back(nowMs);
  if (echoTimes_.size() > kLimit) {
    stopped_ = true;
    echoTimes_.clear();
    return false;
  }
  return true;
}

void RecaseBurstGuard::RecordOutput(TextView output) {
  lastOutput_.assign(output.begin(), output.end());
  hasOutput_ = true;
}

void RecaseBurstGuard::ForgetEchoesBefore(std::uint32_t nowMs) {
  // Unsigned differences stay right across the tick count's wrap.
  while (!echoTimes_.empty() && nowMs - echoTimes_.front() >= kWindowMs) echoTimes_.pop_front();
}

}  // namespace tarnwick::clipboard
