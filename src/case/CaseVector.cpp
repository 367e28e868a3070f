// SSE2 kernels. A round of all-ASCII units is converted with a few vector
// operations; from a round with any other unit on, a stretch of units goes
// through the same tables as the scalar loops, many lookups at a time. The
// UTF-8 kernels at the end work the same way on bytes.
#include "case/CaseVector.h"

#if TARNWICK_CASE_SSE2

#include <emmintrin.h>

#include <bit>
#include <cstdint>
#include <cstring>

#include "case/CaseTables.h"
#include "case/CaseUtf8Steps.h"

// Only CPUs with SSE2 reach what follows (CaseRules.cpp checks).
#include "case/Sse2TargetBegin.h"

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

  static constexpr std::size_t kLongest = 4096;

 private:
  static constexpr std::size_t kShortest = 64;
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

// The units of the first `lanes` of a round to capitalise, one bit per
// unit, and the state after them. A letter is capitalised when the run of
// non-letters right below it holds a delimiter, or reaches back to the
// round's start while capitaliseNext is set. One addition finds them all:
// shifted up by one, with the incoming state as a delimiter in a non-letter
// at bit 0, each delimiter sends a carry up through its run of non-letters
// into the letter above it; a carry out of the last lane means the round
// ends waiting for a letter. Bits of letters and delimiters from `lanes` up
// must be clear.
unsigned MarkCapitals(unsigned letters, unsigned delimiters, bool& capitaliseNext, unsigned lanes = 16) {
  const std::uint32_t nonLetters = ~letters & ((1u << lanes) - 1);
  const std::uint32_t sum = ((nonLetters << 1) | 1u) + ((delimiters << 1) | std::uint32_t(capitaliseNext));
  capitaliseNext = (sum >> (lanes + 1)) & 1u;
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

// Sentence case of a stretch beyond ASCII, 64 units a block. The capitals of
// a block are found at once, as in the ASCII rounds, from two masks that
// vector compares give: the units that may be cased letters, and the
// delimiters. Those marks go into a list, and one loop over the list of a
// stretch raises them: no branch of a block depends on where its delimiters
// fall, which in prose is nowhere predictable.

// The 64-lane form of MarkCapitals: the units to capitalise among 64 (bit
// k: unit k), and the state after them. Adding the delimiters (with the
// incoming state at bit 0) to the non-letters sends a carry from each
// delimiter up through its run of non-letters into the letter above it; a
// carry out of bit 63 leaves a capital pending. A delimiter is never a
// letter, so its bit is set in both addends.
std::uint64_t MarkCapitals64(std::uint64_t letters, std::uint64_t delimiters, bool& capitaliseNext) {
  const std::uint64_t nonLetters = ~letters;
  const std::uint64_t sum = nonLetters + (delimiters | std::uint64_t(capitaliseNext));
  capitaliseNext = sum < nonLetters;  // the carry out, portably
  return sum & letters;
}

// Lanes holding a byte in lo..hi, compared as unsigned: the addition moves
// the range to the bottom of the signed order.
__m128i InRangeUnsigned8(__m128i v, int lo, int hi) {
  return _mm_cmplt_epi8(_mm_add_epi8(v, Splat8(0x80 - lo)), Splat8(-0x80 + hi - lo + 1));
}

// Lanes of units beyond ASCII that are no cased letters, by their high
// byte: general punctuation (0x20), CJK, kana, Yi and more (0x2E..0xA5),
// Hangul, surrogates and private use (0xAC..0xFE). Known to be none without
// a lookup, they never send the capital on by the plain steps: not a quote
// or a dash after a delimiter, nor a sentence that starts in those scripts.
// (The tests convert every unit after a delimiter, so tables with a cased
// letter there would fail them.)
__m128i CaselessBytes(__m128i highBytes) {
  const __m128i punctuation = _mm_cmpeq_epi8(highBytes, Splat8(0x20));
  return _mm_or_si128(punctuation, _mm_or_si128(InRangeUnsigned8(highBytes, 0x2E, 0xA5),
                                                InRangeUnsigned8(highBytes, 0xAC, 0xFE)));
}

struct BlockClasses {
  std::uint64_t maybeLetters = 0, delimiters = 0;
};

// The units among 64 lower forms that may be cased letters, and the
// delimiters, one bit per unit. Maybe letters are the ASCII letters, the
// four ASCII units above them ({|}~ and DEL: rare, and cheaper to take in
// than to test for) and units beyond ASCII that are not known to be
// caseless; only a lookup of its flags can tell whether one of those is a
// cased letter.
BlockClasses ClassifyBlock(const char16_t* lowered) {
  BlockClasses block;
  for (unsigned q = 0; q < 64; q += 16) {
    const __m128i a = Load(lowered + q), b = Load(lowered + q + 8);
    // Signed saturation keeps ASCII as it is and makes every other unit
    // 0x7F or 0x80: neither a delimiter, both above 'z'.
    const __m128i packed = _mm_packs_epi16(a, b);
    const __m128i highBytes = _mm_packus_epi16(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8));
    const __m128i maybe = _mm_andnot_si128(CaselessBytes(highBytes), InRangeUnsigned8(packed, 'a', 0x80));
    block.maybeLetters |= std::uint64_t(Bits(maybe)) << q;
    block.delimiters |= std::uint64_t(Bits(DelimiterBytes(packed))) << q;
  }
  return block;
}

// Where the lowest set bit is; 63 when none is. With the top bit ORed in,
// the count of trailing zeros never sees zero, for which some compilers
// emit a branch.
std::size_t LowestIndex(std::uint64_t bits) {
  return static_cast<std::size_t>(std::countr_zero(bits | std::uint64_t(1) << 63));
}

// The positions of marks fit in 16 bits.
static_assert(TableStretch::kLongest <= 0x10000);

// The positions of the marked units of a stretch, in order. A block's first
// four are written whether or not it has that many (a write past its last
// mark is overwritten or never read), so that their number, which varies
// from block to block, takes no branch.
class MarkList {
 public:
  void Add(std::size_t base, std::uint64_t marks) {
    std::size_t added = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      at_[count_ + k] = LowestPosition(base, marks);
      added += marks != 0;
      marks &= marks - 1;
    }
    for (; marks != 0; marks &= marks - 1) at_[count_ + added++] = LowestPosition(base, marks);
    count_ += added;
  }
  std::size_t Count() const { return count_; }
  std::size_t operator[](std::size_t m) const { return at_[m]; }

 private:
  static std::uint16_t LowestPosition(std::size_t base, std::uint64_t marks) {
    return static_cast<std::uint16_t>(base + LowestIndex(marks));
  }

  // A mark follows a non-letter, so a block holds at most 32.
  std::uint16_t at_[TableStretch::kLongest / 2 + 4];
  std::size_t count_ = 0;
};

// Raises the marked units of n (lower forms in `out`) to capitals. A maybe
// letter that its flags show to be none passes the capital on: the plain
// steps take it from there to the next cased letter, past any marks on the
// way (maybe letters that are none either). Returns true when those steps
// run out of units with a capital pending.
bool RaiseMarks(const CaseTables& t, const char16_t* in, char16_t* out, std::size_t n, const MarkList& marks) {
  bool pending = false;
  std::size_t stepped = 0;  // the plain steps have converted the units below
  for (std::size_t m = 0; m < marks.Count(); ++m) {
    const std::size_t k = marks[m];
    if (k < stepped) continue;
    if (t.flags[out[k]] & detail::kCasedBit) {
      out[k] = t.upper[out[k]];
      continue;
    }
    pending = true;
    for (stepped = k; stepped < n && pending; ++stepped) out[stepped] = detail::SentenceStep(t, in[stepped], pending);
  }
  return pending;
}

// Sentence case of a stretch (at most TableStretch::kLongest units): its
// whole blocks all lower case by lookups, the marks of each block, then the
// capitals; the few units after the blocks by the plain steps. The state
// goes in and out by value: a reference would keep it in memory for the
// ASCII rounds of the caller too, a load and a store on the path from each
// round to the next.
bool SentenceTableStretch(const CaseTables& t, const char16_t* in, char16_t* out, std::size_t n,
                          bool capitaliseNext) {
  const std::size_t blocks = n / 64 * 64;
  MapBlock(t.lower, in, out, blocks);
  MarkList marks;
  for (std::size_t base = 0; base < blocks; base += 64) {
    const BlockClasses block = ClassifyBlock(out + base);
    marks.Add(base, MarkCapitals64(block.maybeLetters, block.delimiters, capitaliseNext));
  }
  // A capital pending after the blocks is left either by the last
  // delimiters or by a maybe letter that could not take it.
  capitaliseNext = RaiseMarks(t, in, out, blocks, marks) || capitaliseNext;
  for (std::size_t i = blocks; i < n; ++i) out[i] = detail::SentenceStep(t, in[i], capitaliseNext);
  return capitaliseNext;
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
      capitaliseNext = SentenceTableStretch(t, in + i, out + i, run, capitaliseNext);
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

// --- UTF-8: rounds of 16 bytes ---------------------------------------------------
//
// Three kinds of round, each starting at a character:
// - all ASCII: byte operations, as in the rounds of the stateful rules above;
// - ASCII and characters of two bytes only: every character keeps its
//   length (else the round goes to the plain steps), so each output byte is
//   looked up, branch-free, from its character and its place in it
//   (ByteForms); the round ends before a character that it would cut;
// - any longer character: the leading ASCII bytes by byte operations, the
//   rest of the round through the plain steps.
// A round may store up to 16 bytes beyond what it keeps, which the next one
// overwrites; Utf8Capacity leaves room for that, since a round starts only
// with 17 bytes of input left.

namespace {

using Bytes = const unsigned char*;
using detail::ByteForms;

void StoreBytes(unsigned char* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
__m128i LoadBytes(Bytes p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
__m128i Select(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}
// Lanes holding a byte of at least `byte`, compared as unsigned.
__m128i AtLeast8(__m128i v, int byte) { return _mm_cmpeq_epi8(_mm_max_epu8(v, Splat8(byte)), v); }
// Lanes holding the second byte of a character: 10xxxxxx.
__m128i SecondBytes(__m128i v) { return _mm_cmpeq_epi8(_mm_and_si128(v, Splat8(0xC0)), Splat8(0x80)); }
unsigned LowLanes(unsigned lanes) { return (1u << lanes) - 1; }

// The index into a ByteForms form of every byte of a round that starts at a
// character: the code point of its character, plus kSecondByte on a second
// byte, plus kWordStart where `wordStarts` is set. `next` holds the bytes
// one place on. Worked out a byte at a time (the code point's low byte and
// its high bits with the flags), then interleaved into 16-bit indices.
struct RoundIndex {
  alignas(16) std::uint16_t at[16];
};

inline void IndexRound(__m128i v, __m128i next, __m128i wordStarts, RoundIndex& index) {
  const __m128i second = SecondBytes(v);
  const __m128i lead = Select(second, _mm_slli_si128(v, 1), v);
  const __m128i trail = Select(second, v, next);
  const __m128i beyondAscii = _mm_cmplt_epi8(lead, _mm_setzero_si128());
  // Two bytes 110abcde 10fghijk make the code point 00000abc defghijk.
  const __m128i twoByteLow = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(lead, Splat8(0x03)), 6),
                                          _mm_and_si128(trail, Splat8(0x3F)));
  const __m128i low = Select(beyondAscii, twoByteLow, lead);
  __m128i high = _mm_and_si128(_mm_and_si128(_mm_srli_epi16(lead, 2), Splat8(0x07)), beyondAscii);
  high = _mm_or_si128(high, _mm_and_si128(second, Splat8(ByteForms::kSecondByte >> 8)));
  high = _mm_or_si128(high, _mm_and_si128(wordStarts, Splat8(ByteForms::kWordStart >> 8)));
  _mm_store_si128(reinterpret_cast<__m128i*>(index.at), _mm_unpacklo_epi8(low, high));
  _mm_store_si128(reinterpret_cast<__m128i*>(index.at + 8), _mm_unpackhi_epi8(low, high));
}

// The bytes of a round looked up, and their flags, one bit per byte.
struct RoundForms {
  __m128i bytes;
  unsigned otherLength;
  unsigned casedLower;
};

inline RoundForms LookUp(const std::uint16_t* form, const RoundIndex& index) {
  alignas(16) std::uint16_t entries[16];
  for (unsigned k = 0; k < 16; ++k) entries[k] = form[index.at[k]];
  const __m128i low = _mm_load_si128(reinterpret_cast<const __m128i*>(entries));
  const __m128i high = _mm_load_si128(reinterpret_cast<const __m128i*>(entries + 8));
  const __m128i byteMask = Splat16(0xFF);
  const __m128i flags = _mm_packus_epi16(_mm_srli_epi16(low, 8), _mm_srli_epi16(high, 8));
  static_assert(ByteForms::kOtherLength == 0x100 && ByteForms::kCasedLower == 0x200);
  return {_mm_packus_epi16(_mm_and_si128(low, byteMask), _mm_and_si128(high, byteMask)),
          Bits(_mm_slli_epi16(flags, 7)), Bits(_mm_slli_epi16(flags, 6))};
}

// The number of bytes of a mixed round: 15 when its last byte starts a
// character of two bytes (beyond ASCII, not a second byte), which the next
// round takes whole.
unsigned MixedRoundLength(__m128i v) { return 16 - ((Bits(v) & ~Bits(SecondBytes(v))) >> 15); }

// The byte forms of the three stateless rules. Bytes from 0x80 compare as
// negative and stay as they are.
struct BytesUpper {
  __m128i operator()(__m128i v) const { return _mm_sub_epi8(v, CaseBit8(InRange8(v, 'a', 'z'))); }
};
struct BytesLower {
  __m128i operator()(__m128i v) const { return LowerBytes(v); }
};
struct BytesToggle {
  __m128i operator()(__m128i v) const {
    return _mm_xor_si128(v, CaseBit8(InRange8(_mm_or_si128(v, Splat8(0x20)), 'a', 'z')));
  }
};

// Each rule's rounds. Ascii takes the state and the number of ASCII bytes
// (1..16) at the start of the round and returns their converted bytes;
// Mixed converts a round of `length` bytes of one- and two-byte characters
// into `out` and returns false, with the state untouched, when a character
// changes its length.
template <class ByteRule, ByteForms::Form kForm>
struct MapRoundsOf {
  const std::uint16_t* form = detail::Utf8ByteForms().Of(kForm);

  __m128i Ascii(__m128i v, bool&, unsigned) const { return ByteRule{}(v); }
  bool Mixed(__m128i v, __m128i next, unsigned char* out, bool&, unsigned) const {
    RoundIndex index;
    IndexRound(v, next, _mm_setzero_si128(), index);
    const RoundForms got = LookUp(form, index);
    StoreBytes(out, got.bytes);
    return got.otherLength == 0;
  }
};

struct SentenceRounds {
  const ByteForms& forms = detail::Utf8ByteForms();

  __m128i Ascii(__m128i v, bool& capitaliseNext, unsigned lanes) const {
    const __m128i lowered = LowerBytes(v);
    const unsigned keep = LowLanes(lanes);
    const unsigned marks = MarkCapitals(Bits(LetterBytes(lowered)) & keep, Bits(DelimiterBytes(lowered)) & keep,
                                        capitaliseNext, lanes);
    return _mm_sub_epi8(lowered, CaseBit8(BytesOf(marks)));
  }
  // Lower case first, then the capitals over it.
  bool Mixed(__m128i v, __m128i next, unsigned char* out, bool& capitaliseNext, unsigned length) const {
    RoundIndex index;
    IndexRound(v, next, _mm_setzero_si128(), index);
    const RoundForms got = LookUp(forms.Of(ByteForms::Lower), index);
    StoreBytes(out, got.bytes);
    unsigned otherLength = got.otherLength;
    const unsigned keep = LowLanes(length);
    bool state = capitaliseNext;
    const std::uint16_t* capital = forms.Of(ByteForms::Capitalised);
    for (unsigned marks = MarkCapitals(got.casedLower & keep, Bits(DelimiterBytes(v)) & keep, state, length);
         marks != 0; marks &= marks - 1) {
      const unsigned k = static_cast<unsigned>(std::countr_zero(marks));
      const unsigned first = capital[index.at[k]];
      out[k] = static_cast<unsigned char>(first);
      otherLength |= first & ByteForms::kOtherLength;
      // The second byte of a character of two (ASCII has none, entry 0).
      const auto second = static_cast<unsigned char>(capital[index.at[k] | ByteForms::kSecondByte]);
      if (second != 0) out[k + 1] = second;
    }
    if (otherLength != 0) return false;
    capitaliseNext = state;
    return true;
  }
};

struct ProperRounds {
  const std::uint16_t* lower = detail::Utf8ByteForms().Of(ByteForms::Lower);

  __m128i Ascii(__m128i v, bool& atWordStart, unsigned lanes) const {
    const __m128i lowered = LowerBytes(v);
    const __m128i separators = SeparatorBytes(lowered);
    const __m128i starts = _mm_or_si128(_mm_slli_si128(separators, 1), _mm_cvtsi32_si128(atWordStart ? 0xFF : 0));
    atWordStart = (Bits(separators) >> (lanes - 1)) & 1u;
    return _mm_sub_epi8(lowered, CaseBit8(_mm_and_si128(starts, LetterBytes(lowered))));
  }
  // A character after a separator (all of them ASCII) starts a word; its
  // second byte takes the start of its first.
  bool Mixed(__m128i v, __m128i next, unsigned char* out, bool& atWordStart, unsigned length) const {
    const __m128i separators = SeparatorBytes(v);
    __m128i starts = _mm_or_si128(_mm_slli_si128(separators, 1), _mm_cvtsi32_si128(atWordStart ? 0xFF : 0));
    starts = Select(SecondBytes(v), _mm_slli_si128(starts, 1), starts);
    RoundIndex index;
    IndexRound(v, next, starts, index);
    const RoundForms got = LookUp(lower, index);
    StoreBytes(out, got.bytes);
    if (got.otherLength != 0) return false;
    atWordStart = (Bits(separators) >> (length - 1)) & 1u;
    return true;
  }
};

template <class Rounds, class UnitRule>
std::size_t Utf8Rounds(const Rounds& rounds, UnitRule rule, const char* input, std::size_t n, char* output,
                       bool& state) {
  const auto* in = reinterpret_cast<Bytes>(input);
  auto* const start = reinterpret_cast<unsigned char*>(output);
  unsigned char* out = start;
  std::size_t i = 0;
  while (i + 17 <= n) {
    const __m128i v = LoadBytes(in + i);
    const unsigned high = Bits(v);
    if (high == 0) {
      StoreBytes(out, rounds.Ascii(v, rule.state, 16));
      out += 16;
      i += 16;
    } else if (Bits(AtLeast8(v, 0xE0)) == 0) {
      const unsigned length = MixedRoundLength(v);
      if (rounds.Mixed(v, LoadBytes(in + i + 1), out, rule.state, length)) {
        out += length;
        i += length;
      } else {
        i = detail::MapCharacters(in, i, i + length, n, out, rule);
      }
    } else {
      const unsigned ascii = static_cast<unsigned>(std::countr_zero(high));
      if (ascii != 0) {
        StoreBytes(out, rounds.Ascii(v, rule.state, ascii));
        out += ascii;
      }
      i = detail::MapCharacters(in, i + ascii, i + 16, n, out, rule);
    }
  }
  detail::MapCharacters(in, i, n, n, out, rule);
  state = rule.state;
  return static_cast<std::size_t>(out - start);
}

}  // namespace

std::size_t ConvertUtf8(CaseRule rule, const char* in, std::size_t n, char* out, bool& state) noexcept {
  const CaseTables& t = Tables();
  switch (rule) {
    case CaseRule::Sentence: return Utf8Rounds(SentenceRounds{}, detail::SentenceRule{&t, state}, in, n, out, state);
    case CaseRule::Lower:
      return Utf8Rounds(MapRoundsOf<BytesLower, ByteForms::Lower>{}, detail::MapRule{t.lower, state}, in, n, out, state);
    case CaseRule::Upper:
      return Utf8Rounds(MapRoundsOf<BytesUpper, ByteForms::Upper>{}, detail::MapRule{t.upper, state}, in, n, out, state);
    case CaseRule::Proper: return Utf8Rounds(ProperRounds{}, detail::ProperRule{&t, state}, in, n, out, state);
    case CaseRule::Toggle: break;
  }
  return Utf8Rounds(MapRoundsOf<BytesToggle, ByteForms::Toggled>{}, detail::MapRule{t.toggled, state}, in, n, out,
                    state);
}

}  // namespace tarnwick::mCase::sse2

#include "case/Sse2TargetEnd.h"

#endif  // TARNWICK_CASE_SSE2
