// What the case tests share: UTF-8 of a text, the five rules as their
// definitions state them, one unit at a time through the unit mappings, and
// a run on each kernel path.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "case/CaseRules.h"
#include "case/CaseVector.h"

namespace tarnwick::mCase::testing {

inline const char* PathName(detail::KernelPath path) {
  const char* const kNames[] = {"plain loops", "SSE2", "AVX2", "AVX-512"};
  return kNames[static_cast<int>(path)];
}

// Runs check(path) with the public kernels on each path that the CPU runs,
// the plain loops first (or on the vector paths only), and puts the path of
// the start back.
template <class Check>
void OnEachPath(Check check, bool vectorOnly = false) {
  using detail::KernelPath;
  const KernelPath start = detail::ActiveKernelPath();
  for (KernelPath path : {KernelPath::Scalar, KernelPath::Sse2, KernelPath::Avx2, KernelPath::Avx512}) {
    if ((vectorOnly && path == KernelPath::Scalar) || !detail::UseKernelPath(path)) continue;
    SCOPED_TRACE(PathName(path));
    check(path);
  }
  detail::UseKernelPath(start);
}

// A long document: `first`, then `rest` until `count` parts in all, then
// `tail`.
inline std::string Repeated(std::string_view first, std::string_view rest, int count,
                            std::string_view tail) {
  std::string text(first);
  for (int k = 1; k < count; ++k) text += rest;
  return text.append(tail);
}

// UTF-8 of UTF-16 text: a surrogate pair as one character, a lone half as
// U+FFFD.
inline std::string Utf8(TextView text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                      text[i + 1] <= 0xDFFF;
    if (pair) c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    const int tail = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    bytes += char(tail == 0 ? c : (0xFF80 >> tail) | (c >> (6 * tail)));  // lead: C0, E0 or F0
    for (int k = tail - 1; k >= 0; --k) bytes += char(0x80 | (c >> (6 * k) & 0x3F));
  }
  return bytes;
}

inline bool IsWordSeparator(char16_t c) { return c == 0 || (c >= u'\t' && c <= u'\r') || c == u' '; }
inline bool IsDelimiter(char16_t c) { return c == u'.' || c == u'!' || c == u'?' || c == u':'; }

inline Text Defined(CaseRule rule, TextView text) {
  Text out(text);
  bool capitalise = true, wordStart = true;
  for (char16_t& c : out) {
    const char16_t upper = ToUpperUnit(c), lower = ToLowerUnit(c);
    switch (rule) {
      case CaseRule::Upper: c = upper; break;
      case CaseRule::Lower: c = lower; break;
      case CaseRule::Toggle:
        if (IsCasedLetter(c)) c = upper == c ? lower : lower == c ? upper : c;
        break;
      case CaseRule::Proper:
        c = wordStart ? ToUpperUnit(lower) : lower;
        wordStart = IsWordSeparator(lower);
        break;
      case CaseRule::Sentence:
        c = lower;
        if (capitalise && IsCasedLetter(c)) {
          c = ToUpperUnit(c);
          capitalise = false;
        }
        if (IsDelimiter(c)) capitalise = true;
        break;
    }
  }
  return out;
}

}  // namespace tarnwick::mCase::testing
