#include "clipboard/ClipboardTracker.h"

namespace tarnwick::clipboard {

bool IsConvertible(const ContentFacts& facts) {
  if (!facts.hasText || facts.ignoreMark || facts.excludeMark) return false;
  return !(facts.historyPermission && *facts.historyPermission == 0);
}

void ClipboardTracker::BeginOwnWrite() { writing_ = true; }

void ClipboardTracker::EndOwnWrite(std::uint32_t sequence, bool wroteText) {
  writing_ = false;
  ownSequence_ = sequence;
  shownSequence_ = sequence;
  shownConvertible_ = wroteText;
}

bool ClipboardTracker::IsOwnChange(bool ownedByUs, std::uint32_t sequence) const {
  if (writing_) return true;
  return ownedByUs && ownSequence_ && *ownSequence_ == sequence;
}

void ClipboardTracker::RecordShown(std::uint32_t sequence, bool convertible) {
  shownSequence_ = sequence;
  shownConvertible_ = convertible;
}

bool ClipboardTracker::MayReplace(std::uint32_t currentSequence) const {
  return shownConvertible_ && shownSequence_ && *shownSequence_ == currentSequence;
}

}  // namespace tarnwick::clipboard
