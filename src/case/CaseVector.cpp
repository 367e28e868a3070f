// SSE2 kernels. A round of all-ASCII units is converted with a few vector
// operations; from a round with any other unit on, a stretch of units goes
// through the same tables as the scalar loops, many lookups at a time.
#include "case/CaseVector.h"

#if TARNWICK_CASE_SSE2

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "case/CaseTables.h"

// Where SSE2 is not part of the baseline, every function from here on is
// compiled for it; only CPUs that have it reach them (CaseRules.cpp checks).
// The headers above stay outside, so no inline function of theirs is
// compiled with SSE2 instructions for code that runs everywhere.
#if !TARNWICK_CASE_SSE2_BASELINE && defined(__clang__)
#pragma clang attribute push(__attribute__((target("sse2"))), apply_to = function)
#elif !TARNWICK_CASE_SSE2_BASELINE && defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("sse2")
#endif

namespace tarnwick::mCase::sse2 {
namespace {

using detail::CaseTables;
using detail::Tables;

__m128i Load(const char16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void Store(char16_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
__m128i Splat16(int unit) { return _mm_set1_epi16(static_cast<short>(unit)); }
__m128i Splat8(int byte) { return _mm_set1_epi8(static_cast<char>(byte)); }

// True when every unit of v is below 0x80.
bool IsAscii(__m128i v) {
  const __m128i high = _mm_and_si128(v, Splat16(0xFF80));
  return _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF;
}

// Four units read as one 64-bit word and their four forms put together in
// another: fewer loads and stores than one unit at a time, which is what
// limits a loop of lookups.
std::uint64_t MapFour(const char16_t* table, const char16_t* in) {
  std::uint64_t units;
  std::memcpy(&units, in, sizeof units);
  return std::uint64_t(table[units & 0xFFFF]) | std::uint64_t(table[units >> 16 & 0xFFFF]) << 16 |
         std::uint64_t(table[units >> 32 & 0xFFFF]) << 32 | std::uint64_t(table[units >> 48]) << 48;
}

__m128i MapEight(const char16_t* table, const char16_t* in) {
  return _mm_set_epi64x(static_cast<long long>(MapFour(table, in + 4)), static_cast<long long>(MapFour(table, in)));
}

// 32 units a round, all looked up before any is stored: more lookups on
// their way at once than a round of eight allows.
inline void MapBlock(const char16_t* table, const char16_t* in, char16_t* out, std::size_t n) {
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m128i a = MapEight(table, in + i), b = MapEight(table, in + i + 8);
    const __m128i c = MapEight(table, in + i + 16), d = MapEight(table, in + i + 24);
    Store(out + i, a);
    Store(out + i + 8, b);
    Store(out + i + 16, c);
    Store(out + i + 24, d);
  }
  for (; i + 8 <= n; i += 8) Store(out + i, MapEight(table, in + i));
  for (; i < n; ++i) out[i] = table[in[i]];
}

// Reading this far ahead keeps enough lines of input on their way from
// memory; the hardware prefetcher alone falls behind a fast loop.
constexpr std::size_t kPrefetchUnits = 4096;

void PrefetchAhead(const char16_t* in, std::size_t i, std::size_t n) {
  const std::size_t ahead = n - i > kPrefetchUnits ? i + kPrefetchUnits : n - 1;
  _mm_prefetch(reinterpret_cast<const char*>(in + ahead), _MM_HINT_T0);
}

// Text with units beyond ASCII tends to go on that way. After a round that
// needs the tables, a stretch of units goes through them without testing
// each round, which keeps the test's branch from failing its prediction on
// mixed-script text; the stretch doubles while the text stays mixed and
// shrinks back at the next all-ASCII round, so a stray accent in English
// costs little. Every length is a multiple of every round size.
class TableStretch {
 public:
  std::size_t Take(std::size_t i, std::size_t n) {
    const std::size_t run = n - i < next_ ? n - i : next_;
    if (next_ < kLongest) next_ *= 2;
    return run;
  }
  void Reset() { next_ = kShortest; }

 private:
  static constexpr std::size_t kShortest = 64;
  static constexpr std::size_t kLongest = 4096;
  std::size_t next_ = kShortest;
};

// --- Upper, lower, toggle: 16-bit lanes --------------------------------------

// Lanes holding a unit in lo..hi. The compare is signed, which is exact for
// every unit as long as hi < 0x8000 (units from 0x8000 compare as negative).
__m128i InRange16(__m128i v, int lo, int hi) {
  return _mm_and_si128(_mm_cmpgt_epi16(v, Splat16(lo - 1)), _mm_cmplt_epi16(v, Splat16(hi + 1)));
}
__m128i CaseBit16(__m128i mask) { return _mm_and_si128(mask, Splat16(0x20)); }

// The ASCII forms of the three rules, as function objects so that the round
// loop inlines them.
struct AsciiUpper {
  __m128i operator()(__m128i v) const { return _mm_sub_epi16(v, CaseBit16(InRange16(v, 'a', 'z'))); }
};
struct AsciiLower {
  __m128i operator()(__m128i v) const { return _mm_add_epi16(v, CaseBit16(InRange16(v, 'A', 'Z'))); }
};
struct AsciiToggle {
  // Only letters land in a..z when bit 0x20 is set.
  __m128i operator()(__m128i v) const {
    return _mm_xor_si128(v, CaseBit16(InRange16(_mm_or_si128(v, Splat16(0x20)), 'a', 'z')));
  }
};

// Outputs this large go past the caches anyway: streaming stores skip reading
// the destination lines before writing them, as a large memcpy does.
constexpr std::size_t kStreamingUnits = std::size_t(4) << 20;
// One round is one 64-byte line of output, so that a line is either streamed
// whole or stored plainly whole: mixing the two in one line is very slow.
constexpr std::size_t kMapRound = 32;

struct PlainStore {
  static void Put(char16_t* p, __m128i v) { Store(p, v); }
};
struct StreamingStore {  // needs a 16-byte aligned destination
  static void Put(char16_t* p, __m128i v) { _mm_stream_si128(reinterpret_cast<__m128i*>(p), v); }
};

template <class Output, class AsciiRule>
void MapRounds(const char16_t* table, AsciiRule asciiRule, const char16_t* in, char16_t* out,
               std::size_t n) {
  TableStretch stretch;
  std::size_t i = 0;
  while (i + kMapRound <= n) {
    PrefetchAhead(in, i, n);
    const __m128i a = Load(in + i), b = Load(in + i + 8), c = Load(in + i + 16), d = Load(in + i + 24);
    if (IsAscii(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d)))) {
      Output::Put(out + i, asciiRule(a));
      Output::Put(out + i + 8, asciiRule(b));
      Output::Put(out + i + 16, asciiRule(c));
      Output::Put(out + i + 24, asciiRule(d));
      i += kMapRound;
      stretch.Reset();
    } else {
      const std::size_t run = stretch.Take(i, n);
      MapBlock(table, in + i, out + i, run);
      i += run;
    }
  }
  MapBlock(table, in + i, out + i, n - i);
}

template <class AsciiRule>
void MapUnits(const char16_t* table, AsciiRule asciiRule, const char16_t* in, char16_t* out,
              std::size_t n) {
  if (n < kStreamingUnits || in == out) {
    MapRounds<PlainStore>(table, asciiRule, in, out, n);
    return;
  }
  // Align the output to a line; char16_t data is always 2-byte aligned.
  const std::size_t lineOffset = reinterpret_cast<std::uintptr_t>(out) % 64 / sizeof(char16_t);
  const std::size_t head = lineOffset == 0 ? 0 : kMapRound - lineOffset;
  MapBlock(table, in, out, head);
  MapRounds<StreamingStore>(table, asciiRule, in + head, out + head, n - head);
  _mm_sfence();
}

// --- Sentence and proper: rounds of 16 ASCII units packed into bytes -----------

constexpr std::size_t kPackedRound = 16;

// Sixteen ASCII units as sixteen bytes, and back.
__m128i PackAscii(__m128i low, __m128i high) { return _mm_packus_epi16(low, high); }
void StoreUnpacked(char16_t* out, __m128i bytes) {
  Store(out, _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
  Store(out + 8, _mm_unpackhi_epi8(bytes, _mm_setzero_si128()));
}

// Signed byte compares: exact for ASCII.
__m128i InRange8(__m128i v, int lo, int hi) {
  return _mm_and_si128(_mm_cmpgt_epi8(v, Splat8(lo - 1)), _mm_cmplt_epi8(v, Splat8(hi + 1)));
}
__m128i CaseBit8(__m128i mask) { return _mm_and_si128(mask, Splat8(0x20)); }
__m128i LowerBytes(__m128i v) { return _mm_add_epi8(v, CaseBit8(InRange8(v, 'A', 'Z'))); }
__m128i LetterBytes(__m128i lowered) { return InRange8(lowered, 'a', 'z'); }

__m128i DelimiterBytes(__m128i v) {
  const __m128i stopOrBang = _mm_or_si128(_mm_cmpeq_epi8(v, Splat8('.')), _mm_cmpeq_epi8(v, Splat8('!')));
  const __m128i askOrColon = _mm_or_si128(_mm_cmpeq_epi8(v, Splat8('?')), _mm_cmpeq_epi8(v, Splat8(':')));
  return _mm_or_si128(stopOrBang, askOrColon);
}

__m128i SeparatorBytes(__m128i v) {
  const __m128i nulOrSpace = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_setzero_si128()), _mm_cmpeq_epi8(v, Splat8(' ')));
  return _mm_or_si128(nulOrSpace, InRange8(v, '\t', '\r'));
}

unsigned Bits(__m128i byteMask) { return static_cast<unsigned>(_mm_movemask_epi8(byteMask)); }

// The units of one round to capitalise, one bit per unit, and the state
// after it. A letter is capitalised when the run of non-letters right below
// it holds a delimiter, or reaches back to the round's start while
// capitaliseNext is set. One addition finds them all: shifted up by one, with
// the incoming state as a delimiter in a non-letter at bit 0, each delimiter
// sends a carry up through its run of non-letters into the letter above it;
// a carry out of bit 16 means the round ends waiting for a letter.
unsigned MarkCapitals(unsigned letters, unsigned delimiters, bool& capitaliseNext) {
  const std::uint32_t nonLetters = ~letters & 0xFFFFu;
  const std::uint32_t sum = ((nonLetters << 1) | 1u) + ((delimiters << 1) | (capitaliseNext ? 1u : 0u));
  capitaliseNext = (sum >> 17) & 1u;
  return (sum >> 1) & letters;
}

// All-ones bytes where the unit's bit of a 16-bit mask is set.
__m128i BytesOf(unsigned bits) {
  const __m128i both = _mm_cvtsi32_si128(static_cast<int>(bits));  // bytes: low, high, 0, ...
  __m128i spread = _mm_unpacklo_epi8(both, both);                  // low x2, high x2
  spread = _mm_unpacklo_epi16(spread, spread);                     // low x4, high x4
  spread = _mm_unpacklo_epi32(spread, spread);                     // low x8, high x8
  const __m128i bitOfByte = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
  return _mm_cmpeq_epi8(_mm_and_si128(spread, bitOfByte), bitOfByte);
}

__m128i SeparatorUnits(__m128i v) {
  const __m128i nulOrSpace = _mm_or_si128(_mm_cmpeq_epi16(v, _mm_setzero_si128()), _mm_cmpeq_epi16(v, Splat16(' ')));
  return _mm_or_si128(nulOrSpace, InRange16(v, '\t', '\r'));
}

__m128i DelimiterUnits(__m128i v) {
  const __m128i stopOrBang = _mm_or_si128(_mm_cmpeq_epi16(v, Splat16('.')), _mm_cmpeq_epi16(v, Splat16('!')));
  const __m128i askOrColon = _mm_or_si128(_mm_cmpeq_epi16(v, Splat16('?')), _mm_cmpeq_epi16(v, Splat16(':')));
  return _mm_or_si128(stopOrBang, askOrColon);
}

// The delimiters among 16 units, one bit each.
std::uint64_t DelimiterMask16(const char16_t* in) {
  return Bits(_mm_packs_epi16(DelimiterUnits(Load(in)), DelimiterUnits(Load(in + 8))));
}

// Sentence case of a stretch beyond ASCII in two passes: all of it lower
// case by lookups, then the steps of the rule only where they can change
// something: from each delimiter (and from the start, while a capital is
// pending) on, until a letter has taken the capital.
void SentenceTableStretch(const CaseTables& t, const char16_t* in, char16_t* out, std::size_t n,
                          bool& capitaliseNext) {
  MapBlock(t.lower, in, out, n);
  // Steps from `k` while a capital is pending; returns where they stopped.
  auto settle = [&](std::size_t k) {
    for (; k < n && capitaliseNext; ++k) out[k] = detail::SentenceStep(t, in[k], capitaliseNext);
    return k;
  };
  std::size_t settled = settle(0);
  std::size_t base = 0;
  for (; base + 64 <= n; base += 64) {
    std::uint64_t delimiters = DelimiterMask16(in + base) | DelimiterMask16(in + base + 16) << 16 |
                               DelimiterMask16(in + base + 32) << 32 | DelimiterMask16(in + base + 48) << 48;
    for (; delimiters != 0; delimiters &= delimiters - 1) {
      const std::size_t d = base + static_cast<std::size_t>(std::countr_zero(delimiters));
      if (d < settled) continue;  // stepped over already
      capitaliseNext = true;
      settled = settle(d + 1);
    }
  }
  for (std::size_t d = std::max(base, settled); d < n; ++d) {
    if (t.flags[in[d]] & detail::kDelimiterBit) {
      capitaliseNext = true;
      d = settle(d + 1) - 1;
    }
  }
}

// Every word capitalised for a stretch beyond ASCII, eight units a round:
// each unit's form is looked up in wordForms at the unit plus kUnitCount
// when the unit before it is a separator.
void ProperTableStretch(const CaseTables& t, const char16_t* in, char16_t* out, std::size_t n, bool& atWordStart) {
  __m128i carry = _mm_cvtsi32_si128(atWordStart ? 1 : 0);  // lane 0: the first unit starts a word
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i v = Load(in + i);
    const __m128i separators = _mm_srli_epi16(SeparatorUnits(v), 15);  // 1 in a separator's lane
    const __m128i starts = _mm_or_si128(_mm_slli_si128(separators, 2), carry);
    carry = _mm_srli_si128(separators, 14);
    alignas(16) std::uint32_t index[8];  // unit | start << 16
    _mm_store_si128(reinterpret_cast<__m128i*>(index), _mm_unpacklo_epi16(v, starts));
    _mm_store_si128(reinterpret_cast<__m128i*>(index + 4), _mm_unpackhi_epi16(v, starts));
    for (std::size_t k = 0; k < 8; ++k) out[i + k] = t.wordForms[index[k]];
  }
  atWordStart = _mm_cvtsi128_si32(carry) != 0;
  for (; i < n; ++i) out[i] = detail::ProperStep(t, in[i], atWordStart);
}

}  // namespace

void UpperUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept {
  MapUnits(Tables().upper, AsciiUpper{}, in, out, n);
}

void LowerUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept {
  MapUnits(Tables().lower, AsciiLower{}, in, out, n);
}

void ToggleUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept {
  MapUnits(Tables().toggled, AsciiToggle{}, in, out, n);
}

bool SentenceUnits(const char16_t* in, char16_t* out, std::size_t n, bool capitaliseNext) noexcept {
  const CaseTables& t = Tables();
  TableStretch stretch;
  std::size_t i = 0;
  while (i + kPackedRound <= n) {
    PrefetchAhead(in, i, n);
    const __m128i a = Load(in + i), b = Load(in + i + 8);
    if (!IsAscii(_mm_or_si128(a, b))) {
      const std::size_t run = stretch.Take(i, n);
      SentenceTableStretch(t, in + i, out + i, run, capitaliseNext);
      i += run;
      continue;
    }
    const __m128i lowered = LowerBytes(PackAscii(a, b));
    const unsigned marks =
        MarkCapitals(Bits(LetterBytes(lowered)), Bits(DelimiterBytes(lowered)), capitaliseNext);
    StoreUnpacked(out + i, _mm_sub_epi8(lowered, CaseBit8(BytesOf(marks))));
    i += kPackedRound;
    stretch.Reset();
  }
  for (; i < n; ++i) out[i] = detail::SentenceStep(t, in[i], capitaliseNext);
  return capitaliseNext;
}

// The word-start state travels between rounds as a vector (first byte set:
// the next unit starts a word), so the ASCII path has no branch on it.
bool ProperUnits(const char16_t* in, char16_t* out, std::size_t n, bool atWordStart) noexcept {
  const CaseTables& t = Tables();
  __m128i carry = _mm_cvtsi32_si128(atWordStart ? 0xFF : 0);
  TableStretch stretch;
  std::size_t i = 0;
  while (i + kPackedRound <= n) {
    PrefetchAhead(in, i, n);
    const __m128i a = Load(in + i), b = Load(in + i + 8);
    if (!IsAscii(_mm_or_si128(a, b))) {
      bool wordStart = _mm_cvtsi128_si32(carry) != 0;
      const std::size_t run = stretch.Take(i, n);
      ProperTableStretch(t, in + i, out + i, run, wordStart);
      i += run;
      carry = _mm_cvtsi32_si128(wordStart ? 0xFF : 0);
      continue;
    }
    const __m128i lowered = LowerBytes(PackAscii(a, b));
    const __m128i separators = SeparatorBytes(lowered);
    // A unit starts a word when the unit before it (one byte down, or the
    // last unit of the previous round) is a separator.
    const __m128i starts = _mm_or_si128(_mm_slli_si128(separators, 1), carry);
    const __m128i raise = _mm_and_si128(starts, LetterBytes(lowered));
    StoreUnpacked(out + i, _mm_sub_epi8(lowered, CaseBit8(raise)));
    carry = _mm_srli_si128(separators, 15);
    i += kPackedRound;
    stretch.Reset();
  }
  atWordStart = _mm_cvtsi128_si32(carry) != 0;
  for (; i < n; ++i) out[i] = detail::ProperStep(t, in[i], atWordStart);
  return atWordStart;
}

}  // namespace tarnwick::mCase::sse2

#if !TARNWICK_CASE_SSE2_BASELINE && defined(__clang__)
#pragma clang attribute pop
#elif !TARNWICK_CASE_SSE2_BASELINE && defined(__GNUC__)
#pragma GCC pop_options
#endif

#endif  // TARNWICK_CASE_SSE2
