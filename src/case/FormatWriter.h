// What the HTML and RTF converters share: the output, written from the
// input's unchanged stretches and the pieces that change, and the rule
// applied to one character of the text stream at a time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "case/CaseRules.h"
#include "case/CaseUtf8.h"

namespace tarnwick::mCase::detail {

// The rule applied to one unit of the text stream, its state carried.
inline char16_t ConvertUnit(CaseRule rule, char16_t unit, bool& state) {
  char16_t out;
  state = ConvertUnits(rule, &unit, &out, 1, state);
  return out;
}

// The output of a conversion. Input bytes are copied only when something
// after them changes (or at the end), in one piece each time.
class FormatWriter {
 public:
  explicit FormatWriter(std::string_view in) : in_(in) { out_.reserve(in.size() + in.size() / 8 + 256); }

  // Writes the unchanged input bytes before `at`.
  void CopyUpTo(std::size_t at) {
    if (at <= copied_) return;
    out_.append(in_.data() + copied_, at - copied_);
    copied_ = at;
  }

  // Input [from, to) becomes `bytes`.
  void Replace(std::size_t from, std::size_t to, std::string_view bytes) {
    CopyUpTo(from);
    out_.append(bytes);
    copied_ = to;
  }

  // Input [from, to), well-formed UTF-8 ending with a whole character,
  // converted by the UTF-8 kernels, a slice at a time so that the room that
  // a slice may grow into stays small.
  void ConvertText(CaseRule rule, std::size_t from, std::size_t to, bool& state) {
    CopyUpTo(from);
    constexpr std::size_t kSlice = std::size_t(64) << 10;
    while (from < to) {
      std::size_t cut = std::min(to, from + kSlice);
      while (cut < to && (static_cast<unsigned char>(in_[cut]) & 0xC0) == 0x80) --cut;
      const std::size_t at = out_.size();
      out_.resize(at + Utf8Capacity(cut - from));
      out_.resize(at + ConvertUtf8(rule, in_.data() + from, cut - from, out_.data() + at, state));
      from = cut;
    }
    copied_ = to;
  }

  // The input bytes before this one are written (or replaced).
  std::size_t Written() const { return copied_; }

  // Where input byte `at` (not yet written) lands in the output, as long
  // as nothing between the written part and it changes.
  std::size_t OutputPosition(std::size_t at) const { return out_.size() + (at - copied_); }

  std::string Finish() {
    CopyUpTo(in_.size());
    return std::move(out_);
  }

 private:
  std::string_view in_;
  std::string out_;
  std::size_t copied_ = 0;
};

}  // namespace tarnwick::mCase::detail
