// The UTF-8 kernel for AVX-512 (F, BW and VBMI): blocks of 64 bytes, each
// byte converted in its place as in the AVX2 kernel (CaseUtf8Avx2.cpp), but
// with every two-byte character's delta looked up whole: a byte permute
// reads 128 entries, all the characters of a pair of lead bytes
// (Utf8WideTables), and a mask register keeps the bytes of each pair.
#include "case/CaseVector.h"

#if TARNWICK_CASE_SSE2

#include <immintrin.h>

#include <cstdint>

#include "case/CaseTables.h"
#include "case/CaseUtf8Lanes.h"
#include "case/CaseUtf8Steps.h"

// Only CPUs and systems with AVX-512 reach what follows (CaseUtf8.cpp
// checks). CaseUtf8Steps.h stays above: its functions serve every path.
#include "case/Avx512TargetBegin.h"

#include "case/CaseUtf8Blocks.h"

// GCC 12 takes the undefined vectors inside its own AVX-512 intrinsics for
// uninitialised values (its bug 105593, mended in GCC 13).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace tarnwick::mCase::avx512 {
namespace {

using Bytes = const unsigned char*;
using Mask = std::uint64_t;  // a bit per byte of a block
using detail::Utf8WideTables;

constexpr int kPairs = Utf8WideTables::kPairs, kCommonPairs = Utf8WideTables::kCommonPairs;

__m512i Load(Bytes p) { return _mm512_loadu_si512(p); }
void Store(unsigned char* p, __m512i v) { _mm512_storeu_si512(p, v); }
// A value the compiler cannot see through: the constants stay values in
// registers or on the stack, rather than being built again from immediates
// at every use in the loop.
__m512i Opaque(__m512i v) {
#if defined(__GNUC__)
  __asm__("" : "+v"(v));
#endif
  return v;
}
__m512i Splat(int byte) { return Opaque(_mm512_set1_epi8(static_cast<char>(byte))); }
__m512i Zero() { return _mm512_setzero_si512(); }
__m512i And(__m512i a, __m512i b) { return _mm512_and_si512(a, b); }
Mask Equal(__m512i a, __m512i b) { return _mm512_cmpeq_epi8_mask(a, b); }
// Bitwise `select ? a : b` (the three-input logic function 0xCA).
__m512i Blend(__m512i select, __m512i a, __m512i b) { return _mm512_ternarylogic_epi32(select, a, b, 0xCA); }
// ifSet in the bytes whose bit is set in `mask`, else ifClear.
__m512i Pick(Mask mask, __m512i ifSet, __m512i ifClear) { return _mm512_mask_blend_epi8(mask, ifClear, ifSet); }

// The same sixteen bytes in each quarter, for byte shuffles by a byte's low
// four bits (which give zero where the index has its top bit).
__m512i Quarters(const unsigned char (&sixteen)[16]) {
  return Opaque(_mm512_broadcast_i32x4(_mm_load_si128(reinterpret_cast<const __m128i*>(sixteen))));
}

struct Registers {
  explicit Registers(const Utf8WideTables& t)
      : kinds(_mm512_load_si512(t.kinds)), caselessThree(_mm512_load_si512(t.caselessThree)) {
    for (int p = 0; p < kPairs; ++p) {
      even[p] = _mm512_load_si512(t.deltas[p]);
      odd[p] = _mm512_load_si512(t.deltas[p] + 64);
    }
  }

  __m512i kinds, caselessThree, even[kPairs], odd[kPairs];  // even and odd lead byte of each pair
  const __m512i x07 = Splat(7), x0F = Splat(0x0F), x20 = Splat(0x20), x3F = Splat(0x3F), x80 = Splat(0x80);
  const __m512i xC0 = Splat(0xC0), xE0 = Splat(0xE0), xF0 = Splat(0xF0), one = Splat(1), space = Splat(' ');
  const __m512i smallA = Splat('a'), capitalA = Splat('A'), alphabet = Splat(26);
  const __m512i bits = Opaque(_mm512_set1_epi64(static_cast<long long>(0x8040201008040201ull)));  // 1 << (k & 7)
  const __m512i delimiters = Quarters(kDelimiterTable.at), separators = Quarters(kSeparatorTable.at);
  const __m512i pairKinds[kPairs] = {Splat(1), Splat(2), Splat(3), Splat(4), Splat(5), Splat(6), Splat(7)};
  const __m512i firstOtherKind = Splat(kCommonPairs + 1), otherKinds = Splat(kPairs - kCommonPairs);

  // --- ASCII ---
  Mask Small(__m512i v) const { return _mm512_cmplt_epu8_mask(_mm512_sub_epi8(v, smallA), alphabet); }
  Mask Capital(__m512i v) const { return _mm512_cmplt_epu8_mask(_mm512_sub_epi8(v, capitalA), alphabet); }
  __m512i LowerBytes(__m512i v) const { return _mm512_mask_add_epi8(v, Capital(v), v, x20); }
  __m512i UpperBytes(__m512i v) const { return _mm512_mask_sub_epi8(v, Small(v), v, x20); }
  __m512i ToggledBytes(__m512i v) const { return Pick(Small(_mm512_or_si512(v, x20)), _mm512_xor_si512(v, x20), v); }
  // The ASCII letters of v (small and capital, as their masks have them) in
  // upper case where `upper` has their bit, in lower case elsewhere.
  __m512i Cased(__m512i v, Mask upper, Mask small, Mask capitals) const {
    const __m512i lowered = _mm512_mask_add_epi8(v, capitals & ~upper, v, x20);
    return _mm512_mask_sub_epi8(lowered, small & upper, lowered, x20);
  }
  // The bytes that match their entry in a MatchTable.
  Mask Matches(__m512i v, __m512i table) const { return Equal(_mm512_shuffle_epi8(table, v), v); }
  Mask Delimiters(__m512i v) const { return Matches(v, delimiters); }  // . ! ? :
  Mask Separators(__m512i v) const { return Matches(v, separators) | Equal(v, space); }  // NUL, TAB..CR, space
};

// What the lookups tell of each byte of a block.
struct BlockCase {
  __m512i lead, trail;  // the lead and the trail of the byte's character, when it has two bytes
  __m512i delta;        // its character's delta (zero for every other byte)
  Mask isTrail;         // the byte is the trail of a two-byte character
  bool slow;            // a character of the block is one for the plain steps
};

TARNWICK_INLINE BlockCase Classify(const Registers& r, __m512i before, __m512i bytes, __m512i after) {
  BlockCase b;
  b.isTrail = Equal(And(before, r.xE0), r.xC0);
  const Mask isTwo = b.isTrail | Equal(And(bytes, r.xE0), r.xC0);
  b.lead = Pick(b.isTrail, before, bytes);
  b.trail = Pick(b.isTrail, bytes, after);
  // The trail's low six bits and the lead's low bit above them; a permute
  // of 128 entries ignores bit 7, a permute of 64 entries bits 6 and 7.
  const __m512i index = Blend(r.x3F, b.trail, _mm512_slli_epi16(b.lead, 6));
  const __m512i kind = _mm512_permutexvar_epi8(b.lead, r.kinds);
  b.delta = Zero();
  auto lookUpPairs = [&](int first, int last) {
    for (int p = first; p < last; ++p) {
      const Mask inPair = Equal(kind, r.pairKinds[p]) & isTwo;
      b.delta = _mm512_or_si512(b.delta, _mm512_maskz_permutex2var_epi8(inPair, r.even[p], index, r.odd[p]));
    }
  };
  lookUpPairs(0, kCommonPairs);
  // Most text keeps to few scripts: the other pairs only for a block that
  // holds a character of theirs (kinds kCommonPairs + 1 to kPairs).
  const Mask others = _mm512_mask_cmplt_epu8_mask(isTwo, _mm512_sub_epi8(kind, r.firstOtherKind), r.otherKinds);
  if (others != 0) lookUpPairs(kCommonPairs, kPairs);
  // Kind 0: a lead byte whose characters only the plain steps convert.
  const Mask described = _mm512_test_epi8_mask(kind, kind);
  Mask slow = (isTwo & ~described) | Equal(b.delta, r.x80);  // x80: kSlow

  // A three-byte lead: its character is caseless when its group of 256 is.
  const Mask isThree = Equal(And(bytes, r.xF0), r.xE0);
  const __m512i groups = _mm512_permutexvar_epi8(Blend(r.x0F, bytes, _mm512_srli_epi16(after, 1)), r.caselessThree);
  const __m512i groupBit = _mm512_shuffle_epi8(r.bits, And(_mm512_srli_epi16(after, 2), r.x07));
  slow |= isThree & ~_mm512_test_epi8_mask(groups, groupBit);
  b.slow = slow != 0;
  return b;
}

// The block with `delta` added to the code points of its two-byte
// characters: the trail takes the sum's low six bits, the lead the carry.
TARNWICK_INLINE __m512i AddDeltas(const Registers& r, const BlockCase& b, __m512i delta) {
  const __m512i sum = _mm512_add_epi8(And(b.trail, r.x3F), delta);
  const Mask carry = _mm512_cmpgt_epi8_mask(sum, r.x3F), borrow = _mm512_movepi8_mask(sum);
  const __m512i lead = _mm512_mask_sub_epi8(_mm512_mask_add_epi8(b.lead, carry, b.lead, r.one), borrow, b.lead, r.one);
  const __m512i trail = _mm512_ternarylogic_epi32(sum, r.x3F, r.x80, 0xEA);  // (sum & 0x3F) | 0x80
  return Pick(b.isTrail, trail, lead);
}

// The deltas of upper-case letters (to lower case) and of lower-case ones
// (to upper case).
__m512i ToLower(__m512i delta) { return _mm512_max_epi8(delta, Zero()); }
__m512i ToUpper(__m512i delta) { return _mm512_min_epi8(delta, Zero()); }
__m512i ToggleAll(__m512i delta) { return delta; }

// --- The rules' blocks, for ConvertBlocks ------------------------------------------

constexpr std::size_t kBlock = 64;

using AsciiRule = __m512i (Registers::*)(__m512i) const;

template <AsciiRule kAscii, __m512i (*Keep)(__m512i)>
struct MapBlocks : StatelessBlocks {
  static constexpr std::size_t kBytes = kBlock;
  Registers r{detail::Utf8Wide()};

  bool Convert(Bytes in, std::size_t i, unsigned char* out) const {
    const __m512i bytes = Load(in + i);
    if (_mm512_movepi8_mask(bytes) == 0) {
      Store(out, (r.*kAscii)(bytes));
      return true;
    }
    const BlockCase b = Classify(r, Load(in + i - 1), bytes, Load(in + i + 1));
    if (b.slow) return false;
    Store(out, (r.*kAscii)(AddDeltas(r, b, Keep(b.delta))));
    return true;
  }
};

using UpperBlocks = MapBlocks<&Registers::UpperBytes, ToUpper>;
using LowerBlocks = MapBlocks<&Registers::LowerBytes, ToLower>;
using ToggleBlocks = MapBlocks<&Registers::ToggledBytes, ToggleAll>;

// Every word capitalised: a character after a separator (all of them ASCII)
// takes its capitalised form, any other its lower-case one.
struct ProperBlocks : WordStartBlocks {
  static constexpr std::size_t kBytes = kBlock;
  Registers r{detail::Utf8Wide()};

  bool Convert(Bytes in, std::size_t i, unsigned char* out) const {
    const __m512i bytes = Load(in + i), before = Load(in + i - 1);
    Mask starts = r.Separators(before);
    __m512i converted = bytes;
    if (_mm512_movepi8_mask(bytes) != 0) {
      const BlockCase b = Classify(r, before, bytes, Load(in + i + 1));
      if (b.slow) return false;
      starts = (starts & ~b.isTrail) | (r.Separators(Load(in + i - 2)) & b.isTrail);
      converted = AddDeltas(r, b, Pick(starts, ToUpper(b.delta), ToLower(b.delta)));
    }
    Store(out, r.Cased(converted, starts, r.Small(bytes), r.Capital(bytes)));
    return true;
  }
};

// Sentence case: every letter lower case, then the first cased letter after
// a delimiter capitalised, found for the whole block by one addition
// (MarkBlock).
struct SentenceBlocks : SentenceStateBlocks {
  static constexpr std::size_t kBytes = kBlock;
  Registers r{detail::Utf8Wide()};

  bool Convert(Bytes in, std::size_t i, unsigned char* out) {
    const __m512i bytes = Load(in + i);
    const Mask delimiters = r.Delimiters(bytes), small = r.Small(bytes), capitals = r.Capital(bytes);
    if (_mm512_movepi8_mask(bytes) == 0) {
      Store(out, r.Cased(bytes, MarkBlock<Mask>(small | capitals, delimiters, 0), small, capitals));
      return true;
    }
    const BlockCase b = Classify(r, Load(in + i - 1), bytes, Load(in + i + 1));
    if (b.slow) return false;
    const Mask letters = (_mm512_test_epi8_mask(b.delta, b.delta) & ~b.isTrail) | small | capitals;
    const Mask marked = MarkBlock<Mask>(letters, delimiters, b.isTrail);
    const __m512i converted = AddDeltas(r, b, Pick(marked, ToUpper(b.delta), ToLower(b.delta)));
    Store(out, r.Cased(converted, marked, small, capitals));
    return true;
  }
};

}  // namespace

std::size_t ConvertUtf8(CaseRule rule, const char* in, std::size_t n, char* out, bool& state) noexcept {
  return ConvertByRule<UpperBlocks, LowerBlocks, ToggleBlocks, ProperBlocks, SentenceBlocks>(rule, in, n, out, state);
}

}  // namespace tarnwick::mCase::avx512

#include "case/Avx512TargetEnd.h"

#endif  // TARNWICK_CASE_SSE2
