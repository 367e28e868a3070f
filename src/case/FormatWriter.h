// What the HTML and RTF converters share: the output, the stream of text
// that the rule reads, and the rule applied to one character at a time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "case/CaseRules.h"
#include "case/CaseTables.h"
#include "case/CaseUtf8.h"
#include "case/FormatScan.h"

namespace tarnwick::mCase::detail {

// The rule applied to one unit of the text stream, its state carried.
inline char16_t ConvertUnit(CaseRule rule, char16_t unit, bool& state) {
  char16_t out;
  state = ConvertUnits(rule, &unit, &out, 1, state);
  return out;
}

// UTF-8 of one unit; a surrogate half, which UTF-8 cannot hold, as U+FFFF,
// which the rules read the same way: no letter, delimiter or separator.
inline std::size_t PutUtf8(char* out, char16_t unit) {
  if (unit < 0x80) {
    out[0] = char(unit);
    return 1;
  }
  if (unit < 0x800) {
    out[0] = char(0xC0 | (unit >> 6));
    out[1] = char(0x80 | (unit & 0x3F));
    return 2;
  }
  if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFF;
  out[0] = char(0xE0 | (unit >> 12));
  out[1] = char(0x80 | ((unit >> 6) & 0x3F));
  out[2] = char(0x80 | (unit & 0x3F));
  return 3;
}

// The unit of the UTF-8 character at `in` (of at most three bytes).
inline char16_t GetUtf8(const char* in) {
  const auto lead = static_cast<unsigned char>(in[0]);
  if (lead < 0x80) return lead;
  if (lead < 0xE0) return char16_t((lead & 0x1F) << 6 | (in[1] & 0x3F));
  return char16_t((lead & 0x0F) << 12 | (in[1] & 0x3F) << 6 | (in[2] & 0x3F));
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
      CopyBytes(out_.data() + from, bytes.data(), bytes.size());
      written_ = to;
      return;
    }
    Append(from, to, bytes);
  }

  // The same, for at most sixteen bytes with sixteen readable at `bytes`.
  void ReplaceShort(std::size_t from, std::size_t to, const char* bytes, std::size_t n) {
    if (inPlace_ && n == to - from && from + 16 <= out_.size()) {
      OverwriteShort(out_.data() + from, bytes, n);
      written_ = to;
      return;
    }
    Replace(from, to, {bytes, n});
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

  // The same for a rule without state (UPPER, lower, tOGGLE), given its
  // table of units: each character is converted on its own, in place,
  // without the kernel's call (a document's runs are short). Sixteen bytes
  // at a time: their ASCII letters at once, then each other character. From
  // a character that changes its length on, the kernel takes the rest.
  void ConvertTextAlone(CaseRule rule, const char16_t* table, std::size_t from, std::size_t to) {
    if (!inPlace_) {
      bool state = true;  // no rule without state reads it
      ConvertText(rule, from, to, state);
      return;
    }
    const char* in = in_.data();
    char* out = out_.data();
    std::size_t i = from;
#if TARNWICK_CASE_SSE2_BASELINE
    for (; i < to && i + 16 <= in_.size();) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
      const std::size_t left = std::min<std::size_t>(to - i, 16);
      alignas(16) char converted[16];
      _mm_store_si128(reinterpret_cast<__m128i*>(converted), AsciiCase(rule, bytes));  // the rest as it is
      OverwriteShort(out + i, converted, left);
      const unsigned inWindow = left == 16 ? 0xFFFFu : (1u << left) - 1;
      const std::size_t end = i + left;
      // The lead bytes of the characters above ASCII: 0xC0 and up.
      const __m128i lead = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(char(0xBF))), bytes);  // signed: 0xC0-0xFF
      for (unsigned leads = unsigned(_mm_movemask_epi8(lead)) & inWindow;
           leads != 0; leads &= leads - 1) {
        const std::size_t at = i + std::size_t(std::countr_zero(leads));
        if (!ConvertCharacterAlone(rule, table, at, to)) return;
      }
      // A character that started in the window may end past it.
      i = end;
      while (i < to && (static_cast<unsigned char>(in[i]) & 0xC0) == 0x80) ++i;
    }
#endif
    while (i < to) {
      const auto lead = static_cast<unsigned char>(in[i]);
      if (lead < 0x80) {
        out[i] = char(table[lead]);
        ++i;
      } else if ((lead & 0xC0) == 0x80) {
        ++i;  // inside a character that the window converted
      } else {
        if (!ConvertCharacterAlone(rule, table, i, to)) return;
        i += lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      }
    }
    written_ = to;
  }

#if TARNWICK_CASE_SSE2_BASELINE
  // The ASCII bytes among the 64 from input `at` that `chosen` has a bit
  // for (the first byte in the lowest), converted in place by a rule
  // without state. Only while InPlace(), with at + 64 in bounds.
  void ConvertAsciiMasked(CaseRule rule, std::size_t at, std::uint64_t chosen) {
    const __m128i bitOf = _mm_set_epi8(char(0x80), 64, 32, 16, 8, 4, 2, 1, char(0x80), 64, 32, 16, 8, 4, 2, 1);
    char* out = out_.data() + at;
    for (int k = 0; k < 4; ++k, chosen >>= 16) {
      if ((chosen & 0xFFFF) == 0) continue;
      const __m128i spread = _mm_unpacklo_epi64(_mm_set1_epi8(char(chosen)), _mm_set1_epi8(char(chosen >> 8)));
      const __m128i pick = _mm_cmpeq_epi8(_mm_and_si128(spread, bitOf), bitOf);
      const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + 16 * k));
      const __m128i bytes = _mm_or_si128(_mm_and_si128(pick, AsciiCase(rule, old)), _mm_andnot_si128(pick, old));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * k), bytes);
    }
  }
#endif

  // Whether the output is still the input's copy with pieces written over
  // it in place.
  bool InPlace() const { return inPlace_; }

  // While InPlace(): the output bytes from input `at` on.
  const char* InPlaceOutput(std::size_t at) const { return out_.data() + at; }

  // The input bytes before this one are written (or replaced).
  std::size_t Written() const { return written_; }

  // Where input byte `at` (at or after Written()) lands in the output.
  std::size_t OutputPosition(std::size_t at) const { return inPlace_ ? at : out_.size() + (at - written_); }

  std::string Finish() {
    if (!inPlace_) out_.append(in_.substr(written_));
    return std::move(out_);
  }

 private:
  // The character above ASCII at input `at`, in a run that ends at `to`,
  // converted in place by a rule without state; false when it changes its
  // length, and the kernel has converted the run from it on.
  bool ConvertCharacterAlone(CaseRule rule, const char16_t* table, std::size_t at, std::size_t to) {
    const auto lead = static_cast<unsigned char>(in_[at]);
    if (lead < 0xE0) {  // two bytes, the most common (Latin, Greek, Cyrillic): no branch on the lengths
      const char16_t converted = table[(lead & 0x1F) << 6 | (in_[at + 1] & 0x3F)];
      if (converted >= 0x80 && converted < 0x800) {
        out_[at] = char(0xC0 | (converted >> 6));
        out_[at + 1] = char(0x80 | (converted & 0x3F));
        return true;
      }
    }
    if (lead >= 0xF0) return true;  // beyond the BMP: no case, the bytes stay
    const std::size_t length = lead < 0xE0 ? 2 : 3;
    const char16_t unit = GetUtf8(in_.data() + at);
    const char16_t converted = table[unit];
    if (converted == unit) return true;
    char bytes[3];
    if (PutUtf8(bytes, converted) != length) {
      written_ = at;
      bool state = true;
      ConvertText(rule, at, to, state);
      return false;
    }
    std::memcpy(out_.data() + at, bytes, length);
    return true;
  }

  // Input [from, to) becomes `bytes` at the end of the output.
  void Append(std::size_t from, std::size_t to, std::string_view bytes) {
    Appending(from);
    out_.append(bytes);
    written_ = to;
  }

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

// The text that the rule reads, in document order, gathered from the
// pieces between the markup and converted by one call of the UTF-8 kernel
// per batch: a call costs tens of nanoseconds before its first byte, and a
// document has hundreds of thousands of pieces. Each piece is then written
// back in its place: a run of text as the kernel converted it, a unit that
// the format wrote in a form of its own (a reference, an escape) by
// Format::WriteUnit(const Piece&, char16_t converted), called only when
// the rule changed it.
//
// The rules that carry no state (UPPER, lower, tOGGLE) gather nothing:
// each piece is converted in its place as it comes (the output holds every
// piece before it), and what is only read is skipped.
template <class Format>
class TextStream {
 public:
  enum class Kind : std::uint8_t {
    Run,        // input bytes, UTF-8, written back in place
    Read,       // units that the rule reads, not written back
    Unit,       // one unit, written back by the format
  };

  struct Piece {
    std::size_t at;        // Run: its input bytes; Unit: where what the format rewrites starts
    std::size_t end;       // Unit: where it ends
    std::uint32_t length;  // its bytes in the batch
    Kind kind;
    std::uint8_t form;     // Unit: the format's own (which form it was written in)
    std::uint16_t count;   // Unit: the format's own
    char16_t unit;         // Unit: what the rule reads
    const void* context;   // Unit: the format's own
  };

  TextStream(CaseRule rule, std::string_view in, FormatWriter& writer, Format& format)
      : rule_(rule),
        in_(in),
        writer_(writer),
        format_(format),
        stateless_(rule == CaseRule::Upper || rule == CaseRule::Lower || rule == CaseRule::Toggle),
        table_(rule == CaseRule::Upper   ? Tables().upper
               : rule == CaseRule::Lower ? Tables().lower
                                         : Tables().toggled),
        capacity_(stateless_ ? 0 : std::min(kBatchBytes, in.size() + 16)),
        buffer_(new char[capacity_ + kSlack]),
        converted_(new char[Utf8Capacity(capacity_) + kSlack]) {
    if (!stateless_) pieces_.reserve(std::min(kBatchPieces, in.size() / 2 + 1));
  }

  // Input [from, to): well-formed UTF-8 that ends with a whole character.
  void Run(std::size_t from, std::size_t to) {
    const std::size_t n = to - from;
    if (n == 0) return;
    if (stateless_) {
      writer_.ConvertTextAlone(rule_, table_, from, to);
      return;
    }
    if (n > capacity_ / 4) {  // long enough to be worth a call of its own
      Flush();
      writer_.ConvertText(rule_, from, to, state_);
      return;
    }
    Room(n);
    if (!pieces_.empty() && pieces_.back().kind == Kind::Run && pieces_.back().at + pieces_.back().length == from) {
      pieces_.back().length += std::uint32_t(n);
    } else {
      pieces_.push_back({from, to, std::uint32_t(n), Kind::Run, 0, 0, 0, nullptr});
    }
    if (n <= 16 && from + 16 <= in_.size()) {
      std::memcpy(buffer_.get() + size_, in_.data() + from, 16);  // what lies past n is written over next
    } else {
      CopyBytes(buffer_.get() + size_, in_.data() + from, n);
    }
    size_ += n;
  }

  void Read(char16_t unit) {
    if (stateless_) return;
    Room(3);
    const std::size_t n = PutUtf8(buffer_.get() + size_, unit);
    size_ += n;
    if (!pieces_.empty() && pieces_.back().kind == Kind::Read) {
      pieces_.back().length += std::uint32_t(n);
    } else {
      pieces_.push_back({0, 0, std::uint32_t(n), Kind::Read, 0, 0, 0, nullptr});
    }
  }

  // Input bytes [from, to) of ASCII that the rule reads, not written back.
  void ReadBytes(std::size_t from, std::size_t to) {
    if (stateless_) return;
    for (std::size_t at = from; at < to;) {
      Room(1);
      const std::size_t n = std::min(to - at, capacity_ - size_);
      CopyBytes(buffer_.get() + size_, in_.data() + at, n);
      size_ += n;
      if (!pieces_.empty() && pieces_.back().kind == Kind::Read) {
        pieces_.back().length += std::uint32_t(n);
      } else {
        pieces_.push_back({0, 0, std::uint32_t(n), Kind::Read, 0, 0, 0, nullptr});
      }
      at += n;
    }
  }

  // A unit read from input [at, end) that the format writes back.
  void Unit(std::size_t at, std::size_t end, char16_t unit, std::uint8_t form, std::uint16_t count = 0,
            const void* context = nullptr) {
    if (stateless_) {
      const char16_t converted = UnitOnItsOwn(unit);
      if (converted != unit) format_.WriteUnit({at, end, 0, Kind::Unit, form, count, unit, context}, converted);
      return;
    }
    Room(3);
    const std::size_t n = PutUtf8(buffer_.get() + size_, unit);
    if (n == 3 && unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFF;  // what the rule reads for it
    size_ += n;
    pieces_.push_back({at, end, std::uint32_t(n), Kind::Unit, form, count, unit, context});
  }

  // Converts what was gathered and writes it back; the output then holds
  // every piece before this point.
  void Flush() {
    if (pieces_.empty()) return;
    const bool start = state_;
    const std::size_t length = ConvertUtf8(rule_, buffer_.get(), size_, converted_.get(), state_);
    if (length == size_ && SameCharacterBounds(buffer_.get(), converted_.get(), size_)) {
      WriteBack();
    } else {
      state_ = start;
      ConvertPieceByPiece();
    }
    pieces_.clear();
    size_ = 0;
  }

  // The rule's state (see ConvertUnits) after what was gathered; changing
  // it takes a Flush first.
  bool& State() { return state_; }

 private:
  static constexpr std::size_t kBatchBytes = std::size_t(32) << 10;
  static constexpr std::size_t kBatchPieces = 4096;
  static constexpr std::size_t kSlack = 16;  // so that a short piece takes one copy of sixteen bytes

  void Room(std::size_t n) {
    if (size_ + n > capacity_ || pieces_.size() == kBatchPieces) Flush();
  }

  // A rule without state on one unit: what its kernel does to each.
  char16_t UnitOnItsOwn(char16_t unit) const { return table_[unit]; }

  // Every character kept its length: each piece lies in the converted
  // batch where it lay in the gathered one.
  void WriteBack() {
    const char* converted = converted_.get();
    for (const Piece& piece : pieces_) {
      if (piece.kind == Kind::Run) {
        if (piece.length <= 16) {
          writer_.ReplaceShort(piece.at, piece.at + piece.length, converted, piece.length);
        } else {
          writer_.Replace(piece.at, piece.at + piece.length, {converted, piece.length});
        }
      } else if (piece.kind == Kind::Unit) {
        const char16_t unit = GetUtf8(converted);
        if (unit != piece.unit) format_.WriteUnit(piece, unit);
      }
      converted += piece.length;
    }
  }

  // A character changed its length (dotless i into I, U+023A into U+2C65):
  // the batch again, one piece at a time.
  void ConvertPieceByPiece() {
    const char* gathered = buffer_.get();
    for (const Piece& piece : pieces_) {
      if (piece.kind == Kind::Run) {
        writer_.ConvertText(rule_, piece.at, piece.at + piece.length, state_);
      } else if (piece.kind == Kind::Unit) {
        const char16_t unit = ConvertUnit(rule_, piece.unit, state_);
        if (unit != piece.unit) format_.WriteUnit(piece, unit);
      } else {
        ConvertUtf8(rule_, gathered, piece.length, converted_.get(), state_);
      }
      gathered += piece.length;
    }
  }

  CaseRule rule_;
  std::string_view in_;
  FormatWriter& writer_;
  Format& format_;
  bool stateless_;
  const char16_t* table_;  // a rule without state: its units
  std::size_t capacity_;  // none for a rule without state, which gathers nothing
  std::unique_ptr<char[]> buffer_, converted_;
  std::size_t size_ = 0;
  std::vector<Piece> pieces_;
  bool state_ = true;
};

}  // namespace tarnwick::mCase::detail
