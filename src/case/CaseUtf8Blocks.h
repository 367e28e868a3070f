// The loop of the UTF-8 block kernels (AVX2, AVX-512): blocks of a fixed
// size, every byte converted in its place, and the plain steps wherever a
// block holds a character that the block cannot convert.
//
// Each kernel includes this inside its own target region, so that the loop
// and its block are compiled together for that target: everything here has
// internal linkage, one copy for each kernel, and none is reached from code
// that runs on every CPU. The headers it includes must come first, before
// the region: their inline functions serve every path.
#pragma once

#include <cstddef>
#include <cstdint>

#include "case/CaseRules.h"
#include "case/CaseTables.h"
#include "case/CaseUtf8Steps.h"
#include "case/CaseVector.h"

// A block's steps are one long expression of registers, which the
// compilers would otherwise cut into calls that pass them through memory.
#if defined(__GNUC__)
#define TARNWICK_INLINE inline __attribute__((always_inline))
#elif defined(_MSC_VER)
#define TARNWICK_INLINE __forceinline
#else
#define TARNWICK_INLINE inline
#endif
// And a rare step kept out of the loop that it would crowd.
#if defined(__GNUC__)
#define TARNWICK_NOINLINE __attribute__((noinline))
#elif defined(_MSC_VER)
#define TARNWICK_NOINLINE __declspec(noinline)
#else
#define TARNWICK_NOINLINE
#endif

namespace tarnwick::mCase {
namespace {

// The letters among the bits of a block to capitalise, and the state after
// them: adding the delimiters (with the incoming state at bit 0) to the
// non-letters sends a carry from each delimiter up through its run of
// non-letters into the letter above it; a carry out of the top bit leaves a
// capital pending. A delimiter is never a letter, so its bit is set in both
// addends.
template <class Mask>
Mask MarkBlockCapitals(Mask letters, Mask delimiters, bool& capitaliseNext) {
  const Mask nonLetters = static_cast<Mask>(~letters);
  const Mask sum = static_cast<Mask>(nonLetters + (delimiters | Mask(capitaliseNext)));
  capitaliseNext = sum < nonLetters;  // the carry out, portably
  return static_cast<Mask>(sum & letters);
}

bool IsSeparatorByte(unsigned char byte) { return byte == 0 || byte == ' ' || (byte >= '\t' && byte <= '\r'); }

// A table for byte shuffles, by a byte's low four bits: each of `bytes` at
// its own low four bits, 0xFF (which no ASCII byte equals) elsewhere. A byte
// equal to its entry is one of them; a byte from 0x80 looks up zero and
// equals nothing. (No two of `bytes` may share their low four bits.)
struct MatchTable {
  alignas(16) unsigned char at[16];
};
constexpr MatchTable MatchTableOf(const char* bytes, std::size_t n) {
  MatchTable table{};
  for (unsigned char& entry : table.at) entry = 0xFF;
  for (std::size_t k = 0; k < n; ++k) table.at[bytes[k] & 15] = static_cast<unsigned char>(bytes[k]);
  return table;
}
constexpr MatchTable kDelimiterTable = MatchTableOf(".!?:", 4);
// NUL and TAB..CR; space shares its low four bits with NUL and is tested
// apart.
constexpr MatchTable kSeparatorTable = MatchTableOf("\0\t\n\v\f\r", 6);

// Where the character that in[i] belongs to starts, not below `floor`.
std::size_t CharacterStart(const unsigned char* in, std::size_t i, std::size_t floor) {
  std::size_t c = i;
  while (c > floor && i - c < 3 && (in[c] & 0xC0) == 0x80) --c;
  return c;
}

// The plain steps take at least the block that failed, and twice as much at
// each block that fails again, so that text the blocks cannot convert costs
// little more than the plain steps alone.
constexpr std::size_t kLongestPlainStretch = 4096;

// The plain steps' state where a block kernel hands over to them and where
// they hand back (Resume and Restart below), for each kind of rule.

// Upper, lower and toggle case have none.
struct StatelessBlocks {
  template <class UnitRule>
  void Resume(const unsigned char*, std::size_t, std::size_t, UnitRule&) const {}
  void Restart(bool) {}
};

// Proper case: the byte before a character tells whether it starts a word,
// so the blocks carry nothing.
struct WordStartBlocks {
  template <class UnitRule>
  void Resume(const unsigned char* in, std::size_t c, std::size_t, UnitRule& rule) const {
    if (c > 0) rule.state = IsSeparatorByte(in[c - 1]);
  }
  void Restart(bool) {}
};

// Sentence case carries from block to block whether a capital is pending,
// and whether the block ended with a marked lead, whose trail the next block
// holds.
struct SentenceStateBlocks {
  bool capitaliseNext = true;
  bool markedLast = false;

  // The characters of a block to capitalise, a bit for each byte of theirs,
  // from its letters (a bit at each character's first byte), delimiters and
  // trails of two-byte characters.
  template <class Mask>
  Mask MarkBlock(Mask letters, Mask delimiters, Mask trails) {
    const Mask marks = MarkBlockCapitals<Mask>(letters, delimiters, capitaliseNext);
    const Mask marked = static_cast<Mask>(marks | ((marks << 1 | Mask(markedLast)) & trails));
    markedLast = (marks >> (8 * sizeof(Mask) - 1)) != 0;
    return marked;
  }
  // A character that the block starts in has been through the last block;
  // if it was marked, the capital was pending before it.
  template <class UnitRule>
  void Resume(const unsigned char*, std::size_t c, std::size_t i, UnitRule& rule) const {
    rule.state = capitaliseNext || (c < i && markedLast);
  }
  void Restart(bool state) {
    capitaliseNext = state;
    markedLast = false;
  }
};

// Blocks::kBytes bytes a block. Blocks::Convert converts the block at in[i]
// into out and returns true, or returns false, with nothing changed, when
// the block needs the plain steps; it reads in[i - 2] to in[i + kBytes].
// Blocks::Resume sets the plain steps' state for the character that starts
// at in[c], c <= i (the block at in[i] starts inside it when c < i);
// Blocks::Restart takes their state where they end (one of the structs
// above). A block writes as many bytes as it reads; the plain steps may write
// more, never beyond Utf8Capacity.
template <class Blocks, class UnitRule>
std::size_t ConvertBlocks(Blocks blocks, UnitRule rule, const char* input, std::size_t n, char* output,
                          bool& state) {
  constexpr std::size_t kBytes = Blocks::kBytes;
  const auto* in = reinterpret_cast<const unsigned char*>(input);
  auto* const start = reinterpret_cast<unsigned char*>(output);
  unsigned char* out = start;
  std::size_t i = detail::MapCharacters(in, 0, n < 2 ? n : 2, n, out, rule);
  blocks.Restart(rule.state);
  std::size_t floor = i;  // the blocks wrote the output from here on, byte for byte
  std::size_t plain = kBytes;
  while (i + kBytes + 1 <= n) {
    if (blocks.Convert(in, i, out)) {
      i += kBytes;
      out += kBytes;
      plain = kBytes;
      continue;
    }
    detail::CountUtf8PlainStretch();
    const std::size_t c = CharacterStart(in, i, floor);
    out -= i - c;
    blocks.Resume(in, c, i, rule);
    i = detail::MapCharacters(in, c, n - i > plain ? i + plain : n, n, out, rule);
    blocks.Restart(rule.state);
    floor = i;
    if (plain < kLongestPlainStretch) plain *= 2;
  }
  const std::size_t c = CharacterStart(in, i, floor);
  out -= i - c;
  blocks.Resume(in, c, i, rule);
  detail::MapCharacters(in, c, n, n, out, rule);
  state = rule.state;
  return static_cast<std::size_t>(out - start);
}

// A kernel's ConvertUtf8, from its blocks of each rule.
template <class Upper, class Lower, class Toggle, class Proper, class Sentence>
std::size_t ConvertByRule(CaseRule rule, const char* in, std::size_t n, char* out, bool& state) {
  const detail::CaseTables& t = detail::Tables();
  switch (rule) {
    case CaseRule::Sentence: return ConvertBlocks(Sentence{}, detail::SentenceRule{&t, state}, in, n, out, state);
    case CaseRule::Lower: return ConvertBlocks(Lower{}, detail::MapRule{t.lower, state}, in, n, out, state);
    case CaseRule::Upper: return ConvertBlocks(Upper{}, detail::MapRule{t.upper, state}, in, n, out, state);
    case CaseRule::Proper: return ConvertBlocks(Proper{}, detail::ProperRule{&t, state}, in, n, out, state);
    case CaseRule::Toggle: break;
  }
  return ConvertBlocks(Toggle{}, detail::MapRule{t.toggled, state}, in, n, out, state);
}

}  // namespace
}  // namespace tarnwick::mCase
