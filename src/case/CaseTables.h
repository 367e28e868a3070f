// Flat per-unit tables behind the case rules: one lookup per code unit, so the
// hot loops never branch on the kind of character.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnwick::mCase::detail {

inline constexpr std::size_t kUnitCount = 0x10000;

// Properties of a code unit, one bit each.
inline constexpr std::uint8_t kCasedBit = 1;      // a cased letter
inline constexpr std::uint8_t kDelimiterBit = 2;  // ends a sentence: . ! ? :
inline constexpr std::uint8_t kSeparatorBit = 4;  // separates words: NUL TAB LF VT FF CR space

struct CaseTables {
  char16_t upper[kUnitCount];
  char16_t toggled[kUnitCount];
  // L(c) at c, then U(L(c)) at kUnitCount + c: the form of a unit inside a
  // word and at its start, so that the start can pick one by index.
  char16_t wordForms[2 * kUnitCount];
  std::uint8_t flags[kUnitCount];

  const char16_t* const lower = wordForms;
  const char16_t* const capitalised = wordForms + kUnitCount;  // also starts a sentence

  CaseTables() = default;
  CaseTables(const CaseTables&) = delete;  // the two pointers point into this object
  CaseTables& operator=(const CaseTables&) = delete;
};

// Built from the generated data on first use, thread-safe, in static
// storage: a first use allocates nothing.
const CaseTables& Tables();

}  // namespace tarnwick::mCase::detail

namespace tarnwick::mCase::detail {

// One step of each stateful rule, shared by the scalar loops and the
// non-ASCII blocks of the vector loops.

// Sentence case: lower-case every unit; the first cased letter while
// capitaliseNext is set becomes upper case and clears it; a delimiter sets it.
inline char16_t SentenceStep(const CaseTables& t, char16_t c, bool& capitaliseNext) {
  char16_t lowered = t.lower[c];
  const std::uint8_t flags = t.flags[lowered];
  if (capitaliseNext && (flags & kCasedBit)) {
    lowered = t.upper[lowered];
    capitaliseNext = false;
  }
  if (flags & kDelimiterBit) capitaliseNext = true;
  return lowered;
}

// Every word capitalised: lower-case every unit, then upper-case the unit
// that starts a word (the first one, and each one after a separator).
// Picks the form by the state instead of branching on it: word starts come
// too irregularly for branch prediction. (A unit is a separator exactly when
// its lower form is one, so the test can read the unit itself.)
inline char16_t ProperStep(const CaseTables& t, char16_t c, bool& atWordStart) {
  const char16_t result = t.wordForms[(atWordStart ? kUnitCount : 0) + c];
  atWordStart = (t.flags[c] & kSeparatorBit) != 0;
  return result;
}

}  // namespace tarnwick::mCase::detail
