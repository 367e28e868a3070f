#include "Utf8.h"

#include <cstdint>
#include <cstring>

namespace tarnwick::utf8 {
namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Eight bytes at once: true when none has its top bit set.
bool NextEightAreAscii(const unsigned char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return (word & 0x8080808080808080ull) == 0;
}

// The length of the well-formed sequence at p (at most `left` bytes), or 0.
std::size_t SequenceLength(const unsigned char* p, std::size_t left) {
  const unsigned char lead = p[0];
  if (lead < 0x80) return 1;
  std::size_t length;
  unsigned char secondLow = 0x80, secondHigh = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) secondLow = 0xA0;   // overlong below U+0800
    if (lead == 0xED) secondHigh = 0x9F;  // surrogates U+D800..U+DFFF
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) secondLow = 0x90;   // overlong below U+10000
    if (lead == 0xF4) secondHigh = 0x8F;  // above U+10FFFF
  } else {
    return 0;  // continuation byte, C0/C1 (always overlong), F5..FF
  }
  if (left < length) return 0;
  if (p[1] < secondLow || p[1] > secondHigh) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (!IsContinuation(p[k])) return 0;
  }
  return length;
}

char32_t CodePointAt(const unsigned char* p, std::size_t length) {
  switch (length) {
    case 1: return p[0];
    case 2: return char32_t(p[0] & 0x1F) << 6 | (p[1] & 0x3F);
    case 3: return char32_t(p[0] & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F);
    default:
      return char32_t(p[0] & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 | char32_t(p[2] & 0x3F) << 6 |
             (p[3] & 0x3F);
  }
}

void AppendCodePoint(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | (cp >> 6)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | (cp >> 12)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (cp >> 18)));
    out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::optional<std::size_t> FindInvalid(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    if (n - i >= 8 && NextEightAreAscii(p + i)) {
      i += 8;
      continue;
    }
    const std::size_t length = SequenceLength(p + i, n - i);
    if (length == 0) return i;
    i += length;
  }
  return std::nullopt;
}

std::size_t Decode(std::string_view bytes, char16_t* out, std::size_t capacity, std::size_t& consumed) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0, written = 0;
  while (i < n && written < capacity) {
    if (p[i] < 0x80) {
      out[written++] = p[i++];
      continue;
    }
    const std::size_t length = SequenceLength(p + i, n - i);
    if (length == 0) break;
    const char32_t cp = CodePointAt(p + i, length);
    if (cp < 0x10000) {
      out[written++] = char16_t(cp);
    } else {
      if (capacity - written < 2) break;
      out[written++] = char16_t(0xD800 + ((cp - 0x10000) >> 10));
      out[written++] = char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
    i += length;
  }
  consumed = i;
  return written;
}

void Append(const char16_t* units, std::size_t n, std::string& out) {
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t u = units[i];
    if (u < 0x80) {
      out.push_back(char(u));
    } else if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(units[i + 1])) {
      AppendCodePoint(0x10000 + (char32_t(u - 0xD800) << 10) + (units[i + 1] - 0xDC00), out);
      ++i;
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      AppendCodePoint(0xFFFD, out);
    } else {
      AppendCodePoint(u, out);
    }
  }
}

}  // namespace tarnwick::utf8
