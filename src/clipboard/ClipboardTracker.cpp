#include "clipboard/ClipboardTracker.h"

#include <cstring>

namespace tarnwick::clipboard {

bool IsConvertible(const ContentFacts& facts) {
  if (!facts.hasText || facts.ignoreMark || facts.excludeMark) return false;
  return !(facts.historyPermission && *facts.historyPermission == 0);
}

namespace {

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

std::uint64_t MixUnits(std::uint64_t hash, std::u16string_view text) {
  for (char16_t unit : text) {
    hash = (hash ^ (unit & 0xFFu)) * kFnvPrime;
    hash = (hash ^ (unit >> 8)) * kFnvPrime;
  }
  return hash;
}

// Eight bytes a step, as formatted versions run to megabytes: each step is
// one-to-one in its word, so blocks that differ in one word never meet.
std::uint64_t MixBlock(std::uint64_t hash, const std::optional<std::string>& block) {
  if (!block) return (hash ^ 0x1FFu) * kFnvPrime;  // absent is not empty
  const std::string& bytes = *block;
  std::size_t at = 0;
  for (std::uint64_t word; at + sizeof word <= bytes.size(); at += sizeof word) {
    std::memcpy(&word, bytes.data() + at, sizeof word);
    hash = (hash ^ word) * kFnvPrime;
  }
  std::uint64_t tail = 0;
  std::memcpy(&tail, bytes.data() + at, bytes.size() - at);
  hash = (hash ^ tail) * kFnvPrime;
  return (hash ^ bytes.size()) * kFnvPrime;
}

}  // namespace

TextFingerprint FingerprintOf(std::u16string_view text) {
  return FingerprintOf(text, std::nullopt, std::nullopt);
}

TextFingerprint FingerprintOf(std::u16string_view text, const std::optional<std::string>& html,
                              const std::optional<std::string>& rtf) {
  return {MixBlock(MixBlock(MixUnits(kFnvOffset, text), html), rtf), text.size()};
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
