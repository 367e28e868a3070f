#include "clipboard/ClipboardTracker.h"

namespace tarnwick::clipboard {

bool IsConvertible(const ContentFacts& facts) {
  if (!facts.hasText || facts.ignoreMark || facts.excludeMark) return false;
  return !(facts.historyPermission && *facts.historyPermission == 0);
}

TextFingerprint FingerprintOf(std::u16string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char16_t unit : text) {
    hash = (hash ^ (unit & 0xFFu)) * 1099511628211ull;
    hash = (hash ^ (unit >> 8)) * 1099511628211ull;
  }
  return {hash, text.size()};
}

void ClipboardTracker::BeginOwnWrite() { writing_ = true; }

void ClipboardTracker::EndOwnWrite(std::uint32_t sequence, bool wroteText,
                                   TextFingerprint written) {
  writing_ = false;
  ownSequence_ = sequence;
  shownSequence_ = sequence;
  shownConvertible_ = wroteText;
  shownText_ = written;
}

bool ClipboardTracker::IsOwnChange(bool ownedByUs, std::uint32_t sequence) const {
  if (writing_) return true;
  return ownedByUs && ownSequence_ && *ownSequence_ == sequence;
}

void ClipboardTracker::RecordShown(std::uint32_t sequence, bool convertible,
                                   TextFingerprint text) {
  shownSequence_ = sequence;
  shownConvertible_ = convertible;
  shownText_ = text;
}

bool ClipboardTracker::MayReplace(std::uint32_t currentSequence) const {
  return shownConvertible_ && shownSequence_ && *shownSequence_ == currentSequence;
}

bool ClipboardTracker::MayReplaceSameText(TextFingerprint current) const {
  return shownConvertible_ && shownSequence_ && shownText_ == current;
}

}  // namespace tarnwick::clipboard
