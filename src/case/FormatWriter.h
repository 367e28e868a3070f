// What the HTML and RTF converters share: the output, and the rule applied
// to one character of the text stream at a time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
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

// The output of a conversion. It starts as a copy of the input, and pieces
// that keep their length are written over it in place (in most documents
// every piece does). From the first piece that changes length on, the
// output is built by appending: the input bytes up to each next piece,
// then the piece.
class FormatWriter {
 public:
  explicit FormatWriter(std::string_view in) : in_(in), out_(in) {}

  // Input [from, to) becomes `bytes`.
  void Replace(std::size_t from, std::size_t to, std::string_view bytes) {
    if (inPlace_ && bytes.size() == to - from) {
      std::memcpy(out_.data() + from, bytes.data(), bytes.size());
    } else {
      Appending(from);
      out_.append(bytes);
    }
    written_ = to;
  }

  // Input [from, to), well-formed UTF-8 ending with a whole character,
  // converted by the UTF-8 kernels.
  void ConvertText(CaseRule rule, std::size_t from, std::size_t to, bool& state) {
    const std::size_t n = to - from;
    if (inPlace_ && from + Utf8Capacity(n) <= out_.size()) {
      const std::size_t length = ConvertUtf8(rule, in_.data() + from, n, out_.data() + from, state);
      if (length != n) {
        inPlace_ = false;  // what follows in out_ is no longer the input's copy
        out_.resize(from + length);
      }
    } else {
      Appending(from);
      constexpr std::size_t kSlice = std::size_t(64) << 10;  // the room a slice may grow into stays small
      for (std::size_t at = from; at < to;) {
        std::size_t cut = std::min(to, at + kSlice);
        while (cut < to && (static_cast<unsigned char>(in_[cut]) & 0xC0) == 0x80) --cut;
        const std::size_t end = out_.size();
        out_.resize(end + Utf8Capacity(cut - at));
        out_.resize(end + ConvertUtf8(rule, in_.data() + at, cut - at, out_.data() + end, state));
        at = cut;
      }
    }
    written_ = to;
  }

  // The input bytes before this one are written (or replaced).
  std::size_t Written() const { return written_; }

  // Where input byte `at` (at or after Written()) lands in the output.
  std::size_t OutputPosition(std::size_t at) const { return inPlace_ ? at : out_.size() + (at - written_); }

  std::string Finish() {
    if (!inPlace_) out_.append(in_.substr(written_));
    return std::move(out_);
  }

 private:
  // Turns to appending (once) and writes the unchanged input up to `at`.
  void Appending(std::size_t at) {
    if (inPlace_) {
      inPlace_ = false;
      out_.resize(at);
    } else {
      out_.append(in_.data() + written_, at - written_);
    }
  }

  std::string_view in_;
  std::string out_;
  bool inPlace_ = true;
  std::size_t written_ = 0;
};

}  // namespace tarnwick::mCase::detail
