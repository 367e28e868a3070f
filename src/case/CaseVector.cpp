// SSE2 kernels: an all-ASCII block of 8 or 16 units is converted with a few
// vector operations; a block with any other unit goes through the tables one
// unit at a time, exactly as the scalar loops do.
#include "case/CaseVector.h"

#if TARNWICK_CASE_SSE2

#include <emmintrin.h>

#include <bit>
#include <cstdint>

#include "case/CaseTables.h"

namespace tarnwick::mCase::sse2 {
namespace {

using detail::CaseTables;
using detail::Tables;

__m128i Load(const char16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void Store(char16_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
__m128i Splat(int unit) { return _mm_set1_epi16(static_cast<short>(unit)); }

bool IsAscii(__m128i v) {
  const __m128i high = _mm_and_si128(v, Splat(0xFF80));
  return _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF;
}

// Lanes holding a unit in lo..hi. The compare is signed, which is exact for
// every unit as long as hi < 0x8000 (units from 0x8000 compare as negative).
__m128i InRange(__m128i v, int lo, int hi) {
  return _mm_and_si128(_mm_cmpgt_epi16(v, Splat(lo - 1)), _mm_cmplt_epi16(v, Splat(hi + 1)));
}

__m128i CaseBit(__m128i mask) { return _mm_and_si128(mask, Splat(0x20)); }

__m128i AsciiUpper(__m128i v) { return _mm_sub_epi16(v, CaseBit(InRange(v, 'a', 'z'))); }
__m128i AsciiLower(__m128i v) { return _mm_add_epi16(v, CaseBit(InRange(v, 'A', 'Z'))); }
__m128i AsciiToggle(__m128i v) {
  // Only letters land in a..z when bit 0x20 is set.
  return _mm_xor_si128(v, CaseBit(InRange(_mm_or_si128(v, Splat(0x20)), 'a', 'z')));
}

__m128i Delimiters(__m128i v) {
  const __m128i stopOrBang = _mm_or_si128(_mm_cmpeq_epi16(v, Splat('.')), _mm_cmpeq_epi16(v, Splat('!')));
  const __m128i askOrColon = _mm_or_si128(_mm_cmpeq_epi16(v, Splat('?')), _mm_cmpeq_epi16(v, Splat(':')));
  return _mm_or_si128(stopOrBang, askOrColon);
}

__m128i Separators(__m128i v) {
  const __m128i nulOrSpace = _mm_or_si128(_mm_cmpeq_epi16(v, _mm_setzero_si128()), _mm_cmpeq_epi16(v, Splat(' ')));
  return _mm_or_si128(nulOrSpace, InRange(v, '\t', '\r'));
}

void MapBlock(const char16_t* table, const char16_t* in, char16_t* out, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) out[i] = table[in[i]];
}

// The stateless rules: 16 units per round, so an ASCII text costs one test
// per 16 units.
template <class AsciiRule>
void MapUnits(const char16_t* table, AsciiRule asciiRule, const char16_t* in, char16_t* out,
              std::size_t n) {
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i a = Load(in + i);
    const __m128i b = Load(in + i + 8);
    if (IsAscii(_mm_or_si128(a, b))) {
      Store(out + i, asciiRule(a));
      Store(out + i + 8, asciiRule(b));
    } else {
      MapBlock(table, in + i, out + i, 16);
    }
  }
  MapBlock(table, in + i, out + i, n - i);
}

// Movemask bits come in pairs, one pair per 16-bit lane; lane j owns bits
// 2j and 2j+1. Walks the lanes of one block in order: while capitaliseNext
// is set the next letter is marked for upper case, otherwise the next
// delimiter sets it again. Returns the marks (both bits of a marked lane).
unsigned MarkCapitals(unsigned letters, unsigned delimiters, bool& capitaliseNext) {
  unsigned marks = 0;
  unsigned from = 0;
  for (;;) {
    const unsigned pending = (capitaliseNext ? letters : delimiters) & (~0u << from);
    if (pending == 0) return marks;
    const unsigned bit = static_cast<unsigned>(std::countr_zero(pending));
    if (capitaliseNext) marks |= 3u << bit;
    capitaliseNext = !capitaliseNext;
    from = bit + 2;
  }
}

// All-ones lanes where the lane's pair of mark bits is set.
__m128i LanesOf(unsigned marks) {
  const __m128i laneBits = _mm_setr_epi16(1 << 0, 1 << 2, 1 << 4, 1 << 6, 1 << 8, 1 << 10, 1 << 12,
                                          static_cast<short>(1 << 14));
  const __m128i picked = _mm_and_si128(Splat(static_cast<int>(marks)), laneBits);
  return _mm_cmpeq_epi16(picked, laneBits);
}

bool LastLaneSet(__m128i mask) { return (_mm_movemask_epi8(mask) & 0x8000) != 0; }

}  // namespace

void UpperUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept {
  MapUnits(Tables().upper, AsciiUpper, in, out, n);
}

void LowerUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept {
  MapUnits(Tables().lower, AsciiLower, in, out, n);
}

void ToggleUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept {
  MapUnits(Tables().toggled, AsciiToggle, in, out, n);
}

bool SentenceUnits(const char16_t* in, char16_t* out, std::size_t n, bool capitaliseNext) noexcept {
  const CaseTables& t = Tables();
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i v = Load(in + i);
    if (!IsAscii(v)) {
      for (std::size_t k = i; k < i + 8; ++k) out[k] = detail::SentenceStep(t, in[k], capitaliseNext);
      continue;
    }
    const __m128i lowered = AsciiLower(v);
    const unsigned delimiters = static_cast<unsigned>(_mm_movemask_epi8(Delimiters(lowered)));
    if (!capitaliseNext && delimiters == 0) {
      Store(out + i, lowered);
      continue;
    }
    const __m128i letters = InRange(lowered, 'a', 'z');
    const unsigned marks =
        MarkCapitals(static_cast<unsigned>(_mm_movemask_epi8(letters)), delimiters, capitaliseNext);
    Store(out + i, _mm_sub_epi16(lowered, CaseBit(LanesOf(marks))));
  }
  for (; i < n; ++i) out[i] = detail::SentenceStep(t, in[i], capitaliseNext);
  return capitaliseNext;
}

bool ProperUnits(const char16_t* in, char16_t* out, std::size_t n, bool atWordStart) noexcept {
  const CaseTables& t = Tables();
  const __m128i firstLane = _mm_cvtsi32_si128(0xFFFF);
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i v = Load(in + i);
    if (!IsAscii(v)) {
      for (std::size_t k = i; k < i + 8; ++k) out[k] = detail::ProperStep(t, in[k], atWordStart);
      continue;
    }
    const __m128i lowered = AsciiLower(v);
    const __m128i separators = Separators(lowered);
    // A unit starts a word when the unit before it (one lane down, or the
    // last unit of the previous block) is a separator.
    __m128i starts = _mm_slli_si128(separators, 2);
    if (atWordStart) starts = _mm_or_si128(starts, firstLane);
    const __m128i raise = _mm_and_si128(starts, InRange(lowered, 'a', 'z'));
    Store(out + i, _mm_sub_epi16(lowered, CaseBit(raise)));
    atWordStart = LastLaneSet(separators);
  }
  for (; i < n; ++i) out[i] = detail::ProperStep(t, in[i], atWordStart);
  return atWordStart;
}

}  // namespace tarnwick::mCase::sse2

#endif  // TARNWICK_CASE_SSE2
