// The case of UTF-8 characters as tables of sixteen bytes, for the vector
// kernels' byte lookups (a table in a register, an index of four bits).
// Built from the case tables on first use, so that they can never disagree
// with the plain steps: a character that they cannot describe is marked for
// the plain steps instead.
//
// A character's delta is its toggled form's code point minus its own. For
// the characters these tables describe, its sign tells the character's case:
// positive for an upper-case letter (whose lower and toggled forms are the
// character plus the delta, and whose capitalised form is itself), negative
// for a lower-case letter (whose upper, toggled and capitalised forms are the
// character plus the delta), zero for a character that no rule changes and
// that is no cased letter. So each of the five rules adds the delta or not,
// by its sign.
#pragma once

#include <cstdint>

namespace tarnwick::mCase::detail {

struct Utf8LaneTables {
  // Two-byte characters whose lead byte is one of eight, which their low
  // three bits tell apart: C2..C5 (Latin-1 Supplement, Latin Extended-A), CE,
  // CF (Greek), D0, D1 (Cyrillic). A segment is the sixteen code points of a
  // lead byte with trail bits 4 and 5. The delta, added to the code point,
  // keeps the character's two bytes: for its trail t (0..63) t + delta lies
  // in -64..127, which a signed byte holds.
  static constexpr std::int8_t kSlow = -128;       // a delta: only the plain steps convert the character
  static constexpr std::int8_t kIrregular = 127;  // an even delta: the segment's deltas are in `irregular`

  // Per segment, at [trail bit 5][(lead & 7) | (trail & 0x10) >> 1]: the
  // delta of its cased letters of even and of odd code point; for trail
  // bits 0..3 above flipAbove (0..15), the two swap (the pairs of Latin
  // Extended-A change step at U+0139, U+014A and U+0179).
  alignas(16) std::int8_t evenDelta[2][16];
  alignas(16) std::int8_t oddDelta[2][16];
  alignas(16) std::int8_t flipAbove[2][16];
  // The deltas of the Greek segments of irregular steps, one per character
  // at [trail & 15]: U+0380.. (capitals with accents), U+03C0.. (final
  // sigma, small letters with accents) and U+03A0.. (capitals, small letters
  // with accents), at [(lead & 1) | (trail & 0x20) >> 4].
  alignas(16) std::int8_t irregular[3][16];
  // Bit (lead & 7) of cased[(trail >> 4) & 3][trail & 15]: the character has
  // a delta (or is marked kSlow).
  alignas(16) std::uint8_t cased[4][16];
  // Bit (lead & 7) of slowTop[trail & 15], for trails B0..BF: only the plain
  // steps convert the character (micro sign, y with diaeresis, dotted and
  // dotless i, long s, capital Y with diaeresis).
  alignas(16) std::uint8_t slowTop[16];
  // The lead byte, at [lead & 15], where it is one of the eight; else 0.
  alignas(16) std::uint8_t leads[16];
  // Three-byte characters: bit ((second >> 2) & 7) of
  // caselessThree[(second >> 5) & 1][lead & 15] is set when all 256 code
  // points from the lead and the second byte's bits 2..5 on are caseless:
  // no rule changes them and none is a cased letter (CJK, kana, Hangul,
  // dingbats, private use and more).
  alignas(16) std::uint8_t caselessThree[2][16];
  // 1 << (k & 7) at [k].
  alignas(16) std::uint8_t bits[16];

  // The common route of the AVX2 blocks: text whose two-byte characters
  // have the lead bytes of Latin-1 (C2, C3), Greek (CE, CF) and Cyrillic
  // (D0, D1) and whose three-byte characters are all caseless by their lead
  // byte alone. It marks for the full lookups above whatever it cannot
  // convert itself.
  //
  // A byte is accepted where acceptedHigh[byte >> 4] & acceptedLow[byte &
  // 15] is not zero: the high nibbles C, D, E and F have a bit each, all
  // others (ASCII, trails) bit 0, which every low nibble has.
  alignas(16) std::uint8_t acceptedHigh[16];
  alignas(16) std::uint8_t acceptedLow[16];
  // Per segment, at [trail bit 5][(lead & 15) ^ (trail & 0x10) >> 2] (for
  // the six lead bytes, twelve places of sixteen): the delta of its letters
  // (kIrregular for the Greek segments of `irregular`, kSlow for one the
  // route does not convert), and the exceptions to it that apply there:
  // bits of exceptionAt.
  alignas(16) std::int8_t commonDelta[2][16];
  alignas(16) std::uint8_t commonExceptions[2][16];
  // The exceptions at each trail & 15, and what their bits do, at [bits]:
  // +1 keeps the delta, -1 negates it, 0 drops it. Bits from kSlowExceptions
  // on mark the character for the full lookups.
  static constexpr std::uint8_t kOddNegated = 1, kZeroAt7AndF = 2, kZeroAt0 = 4;
  static constexpr std::uint8_t kSlowAtF = 0x10, kSlowAt5 = 0x20, kSlowExceptions = 0x10;
  alignas(16) std::uint8_t exceptionAt[16];
  alignas(16) std::int8_t exceptionSign[16];
};

// For the AVX-512 kernel, whose byte permutes look up 128 entries at once:
// the delta of every two-byte character of seven pairs of lead bytes, which
// the eight of Utf8LaneTables belong to, with Latin Extended-B and more of
// Cyrillic.
struct Utf8WideTables {
  static constexpr int kPairs = 7;
  // The first three: Latin-1 Supplement, Greek, Cyrillic; the others
  // (Latin Extended-A and B, more of Cyrillic) only where a block holds them.
  static constexpr int kCommonPairs = 3;
  static constexpr std::uint8_t kCaseless = 0xFF;
  // The kind of each lead byte C0..DF, at [lead & 0x3F]: 1 + its pair, or
  // kCaseless when no rule changes any of its 64 characters and none is a
  // cased letter (Hebrew, Arabic and more), or 0 when only the plain steps
  // convert its characters.
  alignas(64) std::uint8_t kinds[64];
  // The deltas of the characters of pair p at [p][(lead & 1) << 6 | (trail &
  // 0x3F)], kSlow where only the plain steps convert a character.
  alignas(64) std::int8_t deltas[kPairs][128];
  // Three-byte characters: bit ((second >> 2) & 7) of caselessThree[(second
  // & 0x20) >> 1 | (lead & 15)], as in Utf8LaneTables.
  alignas(64) std::uint8_t caselessThree[64];
};

// Built on first use, thread-safe, in static storage.
const Utf8LaneTables& Utf8Lanes();
const Utf8WideTables& Utf8Wide();

}  // namespace tarnwick::mCase::detail
