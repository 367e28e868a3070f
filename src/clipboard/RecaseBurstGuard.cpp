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
    echoesInRow_ = 0;
    stopped_ = false;
    return true;
  }
  if (stopped_) return false;
  // Unsigned differences stay right across the tick count's wrap.
  if (echoesInRow_ > 0 && nowMs - lastEchoMs_ >= kWindowMs) echoesInRow_ = 0;
  lastEchoMs_ = nowMs;
  if (++echoesInRow_ > kLimit) {
    stopped_ = true;
    echoesInRow_ = 0;
    return false;
  }
  return true;
}

void RecaseBurstGuard::RecordOutput(TextView output) {
  lastOutput_.assign(output.begin(), output.end());
  hasOutput_ = true;
}

}  // namespace tarnwick::clipboard
