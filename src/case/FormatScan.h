// Byte scans, short copies and name lookups that the formatted-text
// converters share. A document has hundreds of thousands of short pieces,
// so the scans run sixteen bytes at a time with SSE2 where the target's
// baseline has it (x86-64), and a byte at a time elsewhere. None reads
// outside [from, to).
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "case/CaseRules.h"
#include "case/CaseVector.h"

#if TARNWICK_CASE_SSE2_BASELINE
#include <emmintrin.h>
#endif

namespace tarnwick::mCase::detail {

constexpr bool IsAsciiLetter(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Up to six byte values to stop at, and, when asked, every byte above 0x7F.
class ByteSet {
 public:
  ByteSet(std::initializer_list<unsigned char> bytes, bool high) : high_(high) {
    int k = 0;
    for (unsigned char b : bytes) {
      table_[b] = true;
      values_[k++] = b;
    }
    for (; k < kValues; ++k) values_[k] = values_[0];
    if (high) {
      for (int b = 0x80; b < 0x100; ++b) table_[b] = true;
    }
#if TARNWICK_CASE_SSE2_BASELINE
    for (k = 0; k < kValues; ++k) vectors_[k] = _mm_set1_epi8(char(values_[k]));
#endif
  }

  bool Has(char c) const { return table_[static_cast<unsigned char>(c)]; }

  // The first byte of the set in data[from, to), or `to`.
  std::size_t Find(const char* data, std::size_t from, std::size_t to) const {
#if TARNWICK_CASE_SSE2_BASELINE
    const __m128i v0 = vectors_[0], v1 = vectors_[1], v2 = vectors_[2], v3 = vectors_[3], v4 = vectors_[4],
                  v5 = vectors_[5];
    const int highMask = high_ ? 0xFFFF : 0;
    for (; from + 16 <= to; from += 16) {
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
      const __m128i hit = _mm_or_si128(
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, v0), _mm_cmpeq_epi8(b, v1)),
                       _mm_or_si128(_mm_cmpeq_epi8(b, v2), _mm_cmpeq_epi8(b, v3))),
          _mm_or_si128(_mm_cmpeq_epi8(b, v4), _mm_cmpeq_epi8(b, v5)));
      const int mask = _mm_movemask_epi8(hit) | (_mm_movemask_epi8(b) & highMask);
      if (mask != 0) return from + std::countr_zero(unsigned(mask));
    }
#endif
    while (from < to && !Has(data[from])) ++from;
    return from;
  }

#if TARNWICK_CASE_SSE2_BASELINE
  // The bytes of the set in data[at, at + 64) as a bit mask, the first in
  // the lowest bit.
  std::uint64_t Mask64(const char* data) const {
    std::uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * k));
      const __m128i hit = _mm_or_si128(
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, vectors_[0]), _mm_cmpeq_epi8(b, vectors_[1])),
                       _mm_or_si128(_mm_cmpeq_epi8(b, vectors_[2]), _mm_cmpeq_epi8(b, vectors_[3]))),
          _mm_or_si128(_mm_cmpeq_epi8(b, vectors_[4]), _mm_cmpeq_epi8(b, vectors_[5])));
      const int bits = _mm_movemask_epi8(hit) | (high_ ? _mm_movemask_epi8(b) : 0);
      mask |= std::uint64_t(unsigned(bits)) << (16 * k);
    }
    return mask;
  }
#endif

 private:
  static constexpr int kValues = 6;
  bool table_[256] = {};
  unsigned char values_[kValues] = {};
  bool high_;
#if TARNWICK_CASE_SSE2_BASELINE
  __m128i vectors_[kValues];
#endif
};

// ByteSet::Find over one block, for a walk that stops at its bytes
// hundreds of thousands of times: the stops of 64 bytes at a time are kept
// as a bit mask, so that the next stop in the same 64 bytes takes no load
// and no loop.
class ByteScanner {
 public:
  ByteScanner(const ByteSet& set, const char* data, std::size_t size) : set_(set), data_(data), size_(size) {}

  // The first byte of the set in data[from, to) (to <= size), or `to`.
  std::size_t Find(std::size_t from, std::size_t to) {
#if TARNWICK_CASE_SSE2_BASELINE
    while (from < to) {
      const std::size_t base = from & ~std::size_t(63);
      if (base + 64 > size_) break;
      if (base != base_) {
        base_ = base;
        mask_ = set_.Mask64(data_ + base);
      }
      const std::uint64_t ahead = mask_ & (~std::uint64_t(0) << (from - base));
      if (ahead != 0) return std::min(to, base + std::size_t(std::countr_zero(ahead)));
      from = base + 64;
    }
    if (from >= to) return to;
#endif
    return set_.Find(data_, from, to);
  }

 private:
  const ByteSet& set_;
  const char* data_;
  std::size_t size_;
  std::size_t base_ = std::size_t(-1);
  std::uint64_t mask_ = 0;
};

// The first `byte` in data[from, to), or `to`.
inline std::size_t FindByte(const char* data, std::size_t from, std::size_t to, char byte) {
#if TARNWICK_CASE_SSE2_BASELINE
  const __m128i wanted = _mm_set1_epi8(byte);
  for (; from + 16 <= to; from += 16) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(b, wanted));
    if (mask != 0) return from + std::countr_zero(unsigned(mask));
  }
#endif
  while (from < to && data[from] != byte) ++from;
  return from;
}

#if TARNWICK_CASE_SSE2_BASELINE
// The bytes of b in [lowest, lowest + count) as a bit mask; count below 128.
inline unsigned InRange(__m128i b, char lowest, int count) {
  const __m128i shifted = _mm_add_epi8(b, _mm_set1_epi8(char(0x80 - static_cast<unsigned char>(lowest))));
  return unsigned(_mm_movemask_epi8(_mm_cmplt_epi8(shifted, _mm_set1_epi8(char(-128 + count)))));
}
#endif

#if TARNWICK_CASE_SSE2_BASELINE
// ASCII bytes converted by a rule without state (UPPER, lower, tOGGLE);
// the other bytes stay.
inline __m128i AsciiCase(CaseRule rule, __m128i b) {
  const unsigned char lowest = rule == CaseRule::Upper ? 'a' : 'A';
  __m128i letters = _mm_cmplt_epi8(_mm_add_epi8(b, _mm_set1_epi8(char(0x80 - lowest))), _mm_set1_epi8(char(-128 + 26)));
  if (rule == CaseRule::Toggle) {
    const __m128i folded = _mm_or_si128(b, _mm_set1_epi8(0x20));
    letters = _mm_cmplt_epi8(_mm_add_epi8(folded, _mm_set1_epi8(char(0x80 - 'a'))), _mm_set1_epi8(char(-128 + 26)));
  }
  return _mm_xor_si128(b, _mm_and_si128(letters, _mm_set1_epi8(0x20)));
}
#endif

// Eight bytes at a time in a 64-bit word, in any build: where the bytes
// of a word lie in a range of ASCII, as the top bit of each byte.
namespace swar {

constexpr std::uint64_t kOnes = 0x0101010101010101ull, kTops = kOnes * 0x80;

// Bytes in memory order, the first in the lowest bits.
inline std::uint64_t Load(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, 8);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

// The top bit of each byte of `word` in [low, high] (both below 0x80).
constexpr std::uint64_t InRange(std::uint64_t word, unsigned char low, unsigned char high) {
  const std::uint64_t seven = word & (kOnes * 0x7F);  // no carry from one byte into the next
  return (seven + kOnes * (0x80 - low)) & ~(seven + kOnes * (0x7F - high)) & ~word & kTops;
}

constexpr std::uint64_t Letters(std::uint64_t word) { return InRange(word | kOnes * 0x20, 'a', 'z'); }
constexpr std::uint64_t Digits(std::uint64_t word) { return InRange(word, '0', '9'); }

// How many of the first bytes have their top bit in `tops`.
constexpr std::size_t Leading(std::uint64_t tops) { return std::size_t(std::countr_zero(~tops & kTops)) / 8; }

}  // namespace swar

// The number of ASCII letters from data[from] on, before `to`.
inline std::size_t CountLetters(const char* data, std::size_t from, std::size_t to) {
  const std::size_t start = from;
#if TARNWICK_CASE_SSE2_BASELINE
  for (; from + 16 <= to; from += 16) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
    const unsigned letters = InRange(_mm_or_si128(b, _mm_set1_epi8(0x20)), 'a', 26);
    if (letters != 0xFFFF) return from - start + std::countr_one(letters);
  }
#endif
  while (from < to && IsAsciiLetter(data[from])) ++from;
  return from - start;
}

// The number of ASCII digits from data[from] on, before `to`.
inline std::size_t CountDigits(const char* data, std::size_t from, std::size_t to) {
  const std::size_t start = from;
#if TARNWICK_CASE_SSE2_BASELINE
  for (; from + 16 <= to; from += 16) {
    const unsigned digits = InRange(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from)), '0', 10);
    if (digits != 0xFFFF) return from - start + std::countr_one(digits);
  }
#endif
  while (from < to && IsAsciiDigit(data[from])) ++from;
  return from - start;
}

// memcpy for the short pieces of a document: up to sixteen bytes without
// a call.
inline void CopyBytes(char* to, const char* from, std::size_t n) {
  if (n >= 8 && n <= 16) {
    std::uint64_t head, tail;
    std::memcpy(&head, from, 8);
    std::memcpy(&tail, from + n - 8, 8);
    std::memcpy(to, &head, 8);
    std::memcpy(to + n - 8, &tail, 8);
  } else if (n >= 4 && n < 8) {
    std::uint32_t head, tail;
    std::memcpy(&head, from, 4);
    std::memcpy(&tail, from + n - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + n - 4, &tail, 4);
  } else if (n < 4) {
    for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
  } else {
    std::memcpy(to, from, n);
  }
}

// The first n (at most 16) bytes of `from` over those of `to`, where
// sixteen bytes of each are in bounds: one load and one store of sixteen,
// with no branch on n, which varies from piece to piece.
inline void OverwriteShort(char* to, const char* from, std::size_t n) {
#if TARNWICK_CASE_SSE2_BASELINE
  alignas(16) static constexpr unsigned char kMasks[32] = {
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kMasks + 16 - n));  // n bytes of 0xFF
  const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to));
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_or_si128(_mm_and_si128(keep, bytes), _mm_andnot_si128(keep, old)));
#else
  CopyBytes(to, from, n);
#endif
}

// True when a and b, n bytes of UTF-8 each, have their characters at the
// same places: no character changed its length.
inline bool SameCharacterBounds(const char* a, const char* b, std::size_t n) {
  std::size_t i = 0;
#if TARNWICK_CASE_SSE2_BASELINE
  const __m128i top = _mm_set1_epi8(char(0xC0)), continuation = _mm_set1_epi8(char(0x80));
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i same = _mm_cmpeq_epi8(_mm_cmpeq_epi8(_mm_and_si128(x, top), continuation),
                                        _mm_cmpeq_epi8(_mm_and_si128(y, top), continuation));
    if (_mm_movemask_epi8(same) != 0xFFFF) return false;
  }
#endif
  for (; i < n; ++i) {
    if (((a[i] & 0xC0) == 0x80) != ((b[i] & 0xC0) == 0x80)) return false;
  }
  return true;
}

// Names of up to eight bytes as numbers (longer ones by their first
// eight), each in a slot of its own under a multiplier that the
// constructor finds: the search starts from one that works for the names
// of today and goes on only when they change. A lookup is then one
// multiplication and one compare.
template <unsigned kBits>
class KeySlots {
 public:
  template <std::size_t N>
  constexpr KeySlots(const std::array<std::uint64_t, N>& keys, std::uint64_t start) {
    static_assert(N < 255 && N < (std::size_t(1) << kBits));
    for (int tries = 0; !Fill(keys, multiplier_ = start | 1); ++tries) {
      if (tries == 1000000) throw "no multiplier gives each name a slot of its own";
      start += 0x9E3779B97F4A7C16ull;
    }
  }

  // One more than the index of the only key that may equal `key`; 0 for
  // none. (Callers keep a key at 0 that no name has, so that a miss takes
  // the same compare as a hit.)
  constexpr std::size_t Candidate(std::uint64_t key) const { return slots_[Slot(key)]; }

 private:
  constexpr std::size_t Slot(std::uint64_t key) const { return std::size_t((key * multiplier_) >> (64 - kBits)); }

  template <std::size_t N>
  constexpr bool Fill(const std::array<std::uint64_t, N>& keys, std::uint64_t) {
    slots_ = {};
    for (std::size_t i = 0; i < N; ++i) {
      std::uint8_t& slot = slots_[Slot(keys[i])];
      if (slot != 0) return false;
      slot = std::uint8_t(i + 1);
    }
    return true;
  }

  std::uint64_t multiplier_ = 0;
  std::array<std::uint8_t, std::size_t(1) << kBits> slots_{};  // index + 1; 0: none
};

}  // namespace tarnwick::mCase::detail
