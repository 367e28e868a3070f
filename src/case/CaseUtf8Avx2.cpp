// The UTF-8 kernel for AVX2: blocks of 32 bytes, every byte converted at
// once whatever the characters. Each byte is read with the byte before and
// the byte after it, so a byte of a two-byte character sees both of its
// character's bytes: the lead and the trail pick the character's delta out
// of the lane tables (CaseUtf8Lanes.h) by byte lookups, the rule keeps the
// delta or not by its sign, and the sum, code point plus delta, gives the
// byte its new value. A character of another length is left as it is when
// its lead and second byte show that it is caseless (three bytes) or when it
// lies beyond the BMP (four bytes). Every byte keeps its place, so a block
// may start or end inside a character.
//
// Most blocks take a shorter common route: Latin-1, Greek and Cyrillic by a
// delta a segment and a few exceptions to it, three-byte characters by
// their lead byte or, where that does not tell, by their group. A block
// with a character off it takes the full lookups of the lane tables, and
// one with a character that these do not describe (a partner of another
// length, a script with case beyond their eight lead bytes) goes to the
// plain steps instead (CaseUtf8Blocks.h).
#include "case/CaseVector.h"

#if TARNWICK_CASE_SSE2

#include <immintrin.h>

#include <cstdint>

#include "case/CaseTables.h"
#include "case/CaseUtf8Lanes.h"
#include "case/CaseUtf8Steps.h"

// Only CPUs and systems with AVX2 reach what follows (CaseUtf8.cpp checks).
// CaseUtf8Steps.h stays above: its functions serve every path.
#include "case/Avx2TargetBegin.h"

#include "case/CaseUtf8Blocks.h"

namespace tarnwick::mCase::avx2 {
namespace {

using Bytes = const unsigned char*;
using detail::Utf8LaneTables;

constexpr std::size_t kBlock = 32;

__m256i Load(Bytes p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
void Store(unsigned char* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
__m256i Zero() { return _mm256_setzero_si256(); }
__m256i And(__m256i a, __m256i b) { return _mm256_and_si256(a, b); }
__m256i Or(__m256i a, __m256i b) { return _mm256_or_si256(a, b); }
__m256i Equal(__m256i a, __m256i b) { return _mm256_cmpeq_epi8(a, b); }
__m256i Greater(__m256i a, __m256i b) { return _mm256_cmpgt_epi8(a, b); }  // signed
unsigned Bits(__m256i v) { return static_cast<unsigned>(_mm256_movemask_epi8(v)); }
bool Any(__m256i v) { return _mm256_testz_si256(v, v) == 0; }

// A lookup in a table of sixteen bytes by the low four bits of each byte
// (zero where the index has its top bit).
__m256i Lookup(__m256i table, __m256i index) { return _mm256_shuffle_epi8(table, index); }
// ifSet in the bytes whose selector has its top bit set, else ifClear.
__m256i Pick(__m256i selector, __m256i ifSet, __m256i ifClear) {
  return _mm256_blendv_epi8(ifClear, ifSet, selector);
}
// Bit k of each byte moved to its top bit, as Pick reads it (a 16-bit shift
// moves no other byte's bit there).
template <int k>
__m256i BitOf(__m256i v) {
  return _mm256_slli_epi16(v, 7 - k);
}
// All-ones bytes where `v` has the bit that `bit` has.
__m256i HasBit(__m256i v, __m256i bit) { return Equal(And(v, bit), bit); }

// A value the compiler cannot see through: the constants below stay values
// in registers or on the stack, where an instruction reads them, rather than
// being built again from immediates at every use in the loop.
__m256i Opaque(__m256i v) {
#if defined(__GNUC__)
  __asm__("" : "+x"(v));
#endif
  return v;
}
__m256i Splat(int byte) { return Opaque(_mm256_set1_epi8(static_cast<char>(byte))); }
// A table of sixteen bytes in both halves of a register, for Lookup.
__m256i Table(const void* sixteen) {
  return Opaque(_mm256_broadcastsi128_si256(_mm_load_si128(static_cast<const __m128i*>(sixteen))));
}

// The lane tables and the constants of the blocks, made once a call.
struct Registers {
  explicit Registers(const Utf8LaneTables& t)
      : evenDelta{Table(t.evenDelta[0]), Table(t.evenDelta[1])},
        oddDelta{Table(t.oddDelta[0]), Table(t.oddDelta[1])},
        flipAbove{Table(t.flipAbove[0]), Table(t.flipAbove[1])},
        irregular{Table(t.irregular[0]), Table(t.irregular[1]), Table(t.irregular[2])},
        cased{Table(t.cased[0]), Table(t.cased[1]), Table(t.cased[2]), Table(t.cased[3])},
        slowTop(Table(t.slowTop)),
        leads(Table(t.leads)),
        caselessThree{Table(t.caselessThree[0]), Table(t.caselessThree[1])},
        bits(Table(t.bits)),
        acceptedHigh(Table(t.acceptedHigh)),
        acceptedLow(Table(t.acceptedLow)),
        commonDelta{Table(t.commonDelta[0]), Table(t.commonDelta[1])},
        commonExceptions{Table(t.commonExceptions[0]), Table(t.commonExceptions[1])},
        exceptionAt(Table(t.exceptionAt)),
        exceptionSign(Table(t.exceptionSign)) {}

  __m256i evenDelta[2], oddDelta[2], flipAbove[2], irregular[3], cased[4], slowTop, leads, caselessThree[2], bits;
  __m256i acceptedHigh, acceptedLow, commonDelta[2], commonExceptions[2], exceptionAt, exceptionSign;
  const __m256i x0F = Splat(0x0F), x07 = Splat(7), x08 = Splat(8), x04 = Splat(4), x20 = Splat(0x20), x3F = Splat(0x3F);
  const __m256i x80 = Splat(0x80), xC0 = Splat(0xC0), xE0 = Splat(0xE0), xF0 = Splat(0xF0), xB0 = Splat(0xB0);
  const __m256i irregularMark = Splat(Utf8LaneTables::kIrregular);
  const __m256i space = Splat(' ');
  // The shifts that move 'a'..'z' and 'A'..'Z' to the bottom of the signed order.
  const __m256i belowSmall = Splat(0x80 - 'a'), belowCapital = Splat(0x80 - 'A'), alphabet = Splat(-0x80 + 26);
  const __m256i delimiters = Table(kDelimiterTable.at), separators = Table(kSeparatorTable.at);
  const __m256i byteOfBit = Opaque(_mm256_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2,
                                                    2, 2, 3, 3, 3, 3, 3, 3, 3, 3));
  const __m256i bitOfByte = Opaque(_mm256_set1_epi64x(static_cast<long long>(0x8040201008040201ull)));

  // --- ASCII ---
  __m256i CaseBit(__m256i mask) const { return And(mask, x20); }
  // Lanes of 'a'..'z' and of 'A'..'Z' (compared as signed bytes, once the
  // addition moved the range to the bottom of their order).
  __m256i Small(__m256i v) const { return Greater(alphabet, _mm256_add_epi8(v, belowSmall)); }
  __m256i Capital(__m256i v) const { return Greater(alphabet, _mm256_add_epi8(v, belowCapital)); }
  __m256i LowerBytes(__m256i v) const { return _mm256_add_epi8(v, CaseBit(Capital(v))); }
  __m256i UpperBytes(__m256i v) const { return _mm256_sub_epi8(v, CaseBit(Small(v))); }
  // Only letters land in a..z when bit 0x20 is set.
  __m256i ToggledBytes(__m256i v) const { return _mm256_xor_si256(v, CaseBit(Small(Or(v, x20)))); }
  // The ASCII letters of v (small and capital, as their masks have them) in
  // upper case where `upper` is set, in lower case elsewhere.
  __m256i Cased(__m256i v, __m256i upper, __m256i small, __m256i capitals) const {
    return _mm256_sub_epi8(_mm256_add_epi8(v, CaseBit(_mm256_andnot_si256(upper, capitals))), CaseBit(And(small, upper)));
  }
  // The bytes that match their entry in a MatchTable.
  __m256i Delimiters(__m256i v) const { return Equal(Lookup(delimiters, v), v); }  // . ! ? :
  __m256i Separators(__m256i v) const {  // NUL, TAB..CR, space
    return Or(Equal(Lookup(separators, v), v), Equal(v, space));
  }
  // All-ones bytes where the byte's bit of a 32-bit mask is set.
  __m256i BytesOf(std::uint32_t mask) const {
    return HasBit(Lookup(_mm256_set1_epi32(static_cast<int>(mask)), byteOfBit), bitOfByte);
  }
};

// --- Characters of two and three bytes --------------------------------------------

// All-ones at the three-byte leads among `bytes` whose character is
// caseless, as its group of 256 is (`after`: the bytes that follow); at
// bytes from F0 and below 0x80 anything, at the others zero (their index,
// the byte minus E0, has its top bit).
TARNWICK_INLINE __m256i CaselessThreeByteLeads(const Registers& r, __m256i bytes, __m256i after) {
  const __m256i lead = _mm256_sub_epi8(bytes, r.xE0);
  const __m256i groups = Pick(BitOf<5>(after), Lookup(r.caselessThree[1], lead), Lookup(r.caselessThree[0], lead));
  const __m256i groupBit = Lookup(r.bits, And(_mm256_srli_epi16(after, 2), r.x0F));
  return HasBit(groups, groupBit);
}

// What the lookups tell of each byte of a block.
struct BlockCase {
  __m256i lead, trail;  // the lead and the trail of the byte's character, when it has two bytes
  __m256i isTrail;      // the byte is the trail of a two-byte character
  __m256i delta;        // its character's delta (zero for every other byte)
  __m256i slow;         // its character is one for the plain steps
};

// By the segment tables, for every lead byte that they know.
TARNWICK_NOINLINE BlockCase ClassifyFully(const Registers& r, const __m256i& before, const __m256i& bytes,
                                          const __m256i& after) {
  BlockCase b;
  b.isTrail = Equal(And(before, r.xE0), r.xC0);
  const __m256i isTwo = Or(b.isTrail, Equal(And(bytes, r.xE0), r.xC0));
  b.lead = Pick(b.isTrail, before, bytes);
  b.trail = Pick(b.isTrail, bytes, after);
  const __m256i trailLow = And(b.trail, r.x0F), leadLow = And(b.lead, r.x0F), leadLow3 = And(b.lead, r.x07);
  const __m256i half = BitOf<5>(b.trail), quarter = BitOf<4>(b.trail);

  // The segment's deltas: by lead and trail bit 4 in the table of trail bit 5.
  const __m256i segment = Or(leadLow3, And(_mm256_srli_epi16(b.trail, 1), r.x08));
  auto bySegment = [&](const __m256i(&tables)[2]) {
    return Pick(half, Lookup(tables[1], segment), Lookup(tables[0], segment));
  };
  const __m256i even = bySegment(r.evenDelta);
  const __m256i swapped = Greater(trailLow, bySegment(r.flipAbove));
  __m256i delta = Pick(_mm256_xor_si256(BitOf<0>(b.trail), swapped), bySegment(r.oddDelta), even);
  const __m256i leadOdd = BitOf<0>(b.lead);
  const __m256i irregular = Pick(half, Lookup(r.irregular[2], trailLow),
                                 Pick(leadOdd, Lookup(r.irregular[1], trailLow), Lookup(r.irregular[0], trailLow)));
  delta = Pick(Equal(even, r.irregularMark), irregular, delta);

  // Only cased letters (and characters for the plain steps) keep it.
  const __m256i leadBit = Lookup(r.bits, leadLow3);
  const __m256i cased = Pick(half, Pick(quarter, Lookup(r.cased[3], trailLow), Lookup(r.cased[2], trailLow)),
                             Pick(quarter, Lookup(r.cased[1], trailLow), Lookup(r.cased[0], trailLow)));
  b.delta = And(delta, And(HasBit(cased, leadBit), isTwo));

  const __m256i topSegment = Equal(And(b.trail, r.xF0), r.xB0);
  const __m256i slowTop = And(HasBit(Lookup(r.slowTop, trailLow), leadBit), topSegment);
  const __m256i otherLead = _mm256_andnot_si256(Equal(Lookup(r.leads, leadLow), b.lead), isTwo);
  const __m256i slow = Or(Or(otherLead, And(slowTop, isTwo)), Equal(b.delta, r.x80));  // x80: kSlow

  const __m256i isThree = Equal(And(bytes, r.xF0), r.xE0);
  b.slow = Or(slow, _mm256_andnot_si256(CaselessThreeByteLeads(r, bytes, after), isThree));
  return b;
}

// By the common route's tables (Utf8LaneTables): a delta a segment, and
// where its characters drop or negate it. Every character of a lead byte off
// the route is marked slow.
template <bool kGroups>
TARNWICK_INLINE void ClassifyCommon(const Registers& r, __m256i before, __m256i bytes, __m256i after, BlockCase& b) {
  b.isTrail = Equal(And(before, r.xE0), r.xC0);
  b.lead = Pick(b.isTrail, before, bytes);
  b.trail = Pick(b.isTrail, bytes, after);
  const __m256i isTwo = Or(b.isTrail, Equal(And(bytes, r.xE0), r.xC0));
  const __m256i leadLow = And(b.lead, r.x0F), trailLow = And(b.trail, r.x0F), half = BitOf<5>(b.trail);
  const __m256i accepted =
      And(Lookup(r.acceptedHigh, And(_mm256_srli_epi16(b.lead, 4), r.x0F)), Lookup(r.acceptedLow, leadLow));

  const __m256i segment = _mm256_xor_si256(leadLow, And(_mm256_srli_epi16(b.trail, 2), r.x04));
  auto bySegment = [&](const __m256i(&tables)[2]) {
    return Pick(half, Lookup(tables[1], segment), Lookup(tables[0], segment));
  };
  const __m256i delta = bySegment(r.commonDelta);
  const __m256i exceptions = And(Lookup(r.exceptionAt, trailLow), bySegment(r.commonExceptions));
  const __m256i kept = _mm256_sign_epi8(delta, Lookup(r.exceptionSign, exceptions));
  const __m256i irregular = Pick(half, Lookup(r.irregular[2], trailLow),
                                 Pick(BitOf<0>(b.lead), Lookup(r.irregular[1], trailLow), Lookup(r.irregular[0], trailLow)));
  b.delta = And(Pick(Equal(delta, r.irregularMark), irregular, kept), isTwo);
  const __m256i slowException = And(Greater(exceptions, r.x0F), isTwo);  // kSlowExceptions and up
  __m256i rejected = Equal(accepted, Zero());
  if constexpr (kGroups) rejected = _mm256_andnot_si256(CaselessThreeByteLeads(r, bytes, after), rejected);
  b.slow = Or(Or(slowException, rejected), Equal(b.delta, r.x80));  // x80: kSlow
}

// The case of the block at in[i] (`before` and `bytes` loaded from in[i -
// 1] and in[i]); false when the plain steps must convert it.
//
// Three-byte characters of lead bytes off the route (symbols, variation
// selectors) pass when their group is caseless; their bytes keep their
// place and value. Text that holds them holds many, but in few blocks in a
// row, so that a test of the groups after a failed one would mispredict
// its branch: after a block that needed it, the next kGroupBlocks blocks
// look up their groups at once (groupBlocks counts them down).
constexpr unsigned kGroupBlocks = 64;

TARNWICK_INLINE bool ClassifyBlock(const Registers& r, Bytes in, std::size_t i, __m256i before, __m256i bytes,
                                   BlockCase& b, unsigned& groupBlocks) {
  const __m256i after = Load(in + i + 1);
  if (groupBlocks > 0) {
    --groupBlocks;
    ClassifyCommon<true>(r, before, bytes, after, b);
    if (!Any(b.slow)) return true;
  } else {
    ClassifyCommon<false>(r, before, bytes, after, b);
    if (!Any(b.slow)) return true;
    b.slow = _mm256_andnot_si256(CaselessThreeByteLeads(r, bytes, after), b.slow);
    if (!Any(b.slow)) {
      groupBlocks = kGroupBlocks;
      return true;
    }
  }
  detail::CountUtf8FullLookup();
  b = ClassifyFully(r, before, bytes, after);
  return !Any(b.slow);
}

// The block with `delta` added to the code points of its two-byte
// characters: the trail takes the sum's low six bits, the lead the carry.
// Every other byte is taken from `base`: the block itself, or with its ASCII
// letters converted (its lead bytes as they are), which can then be done
// beside the lookups.
TARNWICK_INLINE __m256i AddDeltas(const Registers& r, const BlockCase& b, __m256i delta, __m256i base) {
  const __m256i sum = _mm256_add_epi8(And(b.trail, r.x3F), delta);
  const __m256i carry = Greater(sum, r.x3F), borrow = Greater(Zero(), sum);
  const __m256i lead = _mm256_add_epi8(_mm256_sub_epi8(base, carry), borrow);
  const __m256i trail = Or(And(sum, r.x3F), r.x80);
  return Pick(b.isTrail, trail, lead);
}

// The deltas of upper-case letters (to lower case) and of lower-case ones
// (to upper case).
__m256i ToLower(__m256i delta) { return _mm256_max_epi8(delta, Zero()); }
__m256i ToUpper(__m256i delta) { return _mm256_min_epi8(delta, Zero()); }
__m256i ToggleAll(__m256i delta) { return delta; }

// --- The rules' blocks, for ConvertBlocks ------------------------------------------

using AsciiRule = __m256i (Registers::*)(__m256i) const;

template <AsciiRule kAscii, __m256i (*Keep)(__m256i)>
struct MapBlocks : StatelessBlocks {
  static constexpr std::size_t kBytes = kBlock;
  Registers r{detail::Utf8Lanes()};
  unsigned groupBlocks = 0;  // ClassifyBlock

  bool Convert(Bytes in, std::size_t i, unsigned char* out) {
    const __m256i bytes = Load(in + i);
    if (Bits(bytes) == 0) {
      Store(out, (r.*kAscii)(bytes));
      return true;
    }
    BlockCase b;
    if (!ClassifyBlock(r, in, i, Load(in + i - 1), bytes, b, groupBlocks)) return false;
    Store(out, AddDeltas(r, b, Keep(b.delta), (r.*kAscii)(bytes)));
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
  Registers r{detail::Utf8Lanes()};
  unsigned groupBlocks = 0;  // ClassifyBlock

  bool Convert(Bytes in, std::size_t i, unsigned char* out) {
    const __m256i bytes = Load(in + i), before = Load(in + i - 1);
    __m256i starts = r.Separators(before);
    __m256i converted = bytes;
    if (Bits(bytes) != 0) {
      BlockCase b;
      if (!ClassifyBlock(r, in, i, before, bytes, b, groupBlocks)) return false;
      starts = Pick(b.isTrail, r.Separators(Load(in + i - 2)), starts);
      converted = AddDeltas(r, b, Pick(starts, ToUpper(b.delta), ToLower(b.delta)), bytes);
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
  Registers r{detail::Utf8Lanes()};
  unsigned groupBlocks = 0;  // ClassifyBlock

  bool Convert(Bytes in, std::size_t i, unsigned char* out) {
    const __m256i bytes = Load(in + i);
    const __m256i small = r.Small(bytes), capitals = r.Capital(bytes);
    const std::uint32_t delimiters = Bits(r.Delimiters(bytes)), asciiLetters = Bits(Or(small, capitals));
    if (Bits(bytes) == 0) {
      Store(out, r.Cased(bytes, r.BytesOf(MarkBlock<std::uint32_t>(asciiLetters, delimiters, 0)), small, capitals));
      return true;
    }
    BlockCase b;
    if (!ClassifyBlock(r, in, i, Load(in + i - 1), bytes, b, groupBlocks)) return false;
    const std::uint32_t trails = Bits(b.isTrail);
    const std::uint32_t letters = (~Bits(Equal(b.delta, Zero())) & ~trails) | asciiLetters;
    // The block in upper and in lower case while the marks are found,
    // which takes longest: only the choice between them waits for them.
    const __m256i upper = AddDeltas(r, b, ToUpper(b.delta), r.UpperBytes(bytes));
    const __m256i lower = AddDeltas(r, b, ToLower(b.delta), r.LowerBytes(bytes));
    Store(out, Pick(r.BytesOf(MarkBlock<std::uint32_t>(letters, delimiters, trails)), upper, lower));
    return true;
  }
};

}  // namespace

std::size_t ConvertUtf8(CaseRule rule, const char* in, std::size_t n, char* out, bool& state) noexcept {
  return ConvertByRule<UpperBlocks, LowerBlocks, ToggleBlocks, ProperBlocks, SentenceBlocks>(rule, in, n, out, state);
}

}  // namespace tarnwick::mCase::avx2

#include "case/Avx2TargetEnd.h"

#endif  // TARNWICK_CASE_SSE2
