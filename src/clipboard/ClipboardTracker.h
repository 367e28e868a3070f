// What the program knows about the clipboard between notifications: which
// change it made itself, and which content the field shows. It decides
// whether a notification is our own echo and whether a conversion may
// replace the clipboard's content.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "clipboard/FormattedVersions.h"

namespace tarnwick::clipboard {

// Facts about the clipboard's content, as the platform lists its formats.
struct ContentFacts {
  bool hasText = false;
  bool ignoreMark = false;   // "Clipboard Viewer Ignore"
  bool excludeMark = false;  // "ExcludeClipboardContentFromMonitorProcessing"
  std::optional<std::uint32_t> historyPermission;  // "CanIncludeInClipboardHistory"
};

// Text that is neither marked private by its owner nor absent: only such
// content is shown and converted.
bool IsConvertible(const ContentFacts& facts);

// A short fingerprint of a text (64-bit FNV-1a over its code units and its
// length), to recognise the same text again without keeping a copy.
struct TextFingerprint {
  std::uint64_t hash = 0;
  std::uint64_t length = 0;
  friend bool operator==(const TextFingerprint&, const TextFingerprint&) = default;
};
TextFingerprint FingerprintOf(std::u16string_view text);
// The same over a content: its text and the formatted versions beside it,
// so that a copy of the same text with other formatting is other content.
// A version left out counts as absent; a text alone is a content without
// formatted versions.
TextFingerprint FingerprintOf(std::u16string_view text, const std::optional<std::string>& html,
                              const std::optional<std::string>& rtf);
inline TextFingerprint FingerprintOf(std::u16string_view text, const FormattedVersions& versions) {
  return FingerprintOf(text, versions.html, versions.rtf);
}

class ClipboardTracker {
 public:
  // Our own clear and write run between these two calls; `sequence` is the
  // clipboard's sequence number right after it, `wroteText` whether the new
  // text is on the clipboard.
  void BeginOwnWrite();
  void EndOwnWrite(std::uint32_t sequence, bool wroteText, TextFingerprint written);
  bool OwnWriteInProgress() const { return writing_; }

  // True when a notification reports a change that we made: one arriving
  // during our write, or a late one while our write is still the content.
  bool IsOwnChange(bool ownedByUs, std::uint32_t sequence) const;

  // The field now shows the content of this sequence number.
  void RecordShown(std::uint32_t sequence, bool convertible, TextFingerprint text);
  // True when the field already shows this content: announcing it again
  // (a viewer passing a notification on late, joining the chain anew) is
  // not a new copy.
  bool AlreadyShown(std::uint32_t sequence) const {
    return shownSequence_ && *shownSequence_ == sequence;
  }
  // The content of our last write, while no notification came for it.
  bool IsOwnSequence(std::uint32_t sequence) const {
    return ownSequence_ && *ownSequence_ == sequence;
  }

  // A conversion may replace the content only when it is still the one the
  // field shows and that content is convertible text.
  bool MayReplace(std::uint32_t currentSequence) const;
  // The same, when the sequence number has moved on but the platform only
  // announced the same text again (Wine's X11 bridge fetches the selection
  // anew when the clipboard is opened): the same text is not newer content.
  bool MayReplaceSameText(TextFingerprint current) const;

 private:
  bool writing_ = false;
  std::optional<std::uint32_t> ownSequence_;
  std::optional<std::uint32_t> shownSequence_;
  bool shownConvertible_ = false;
  TextFingerprint shownText_;
};

}  // namespace tarnwick::clipboard
