// One UTF-8 character at a time through the per-unit tables: the plain loop
// of the UTF-8 rules, which the SSE2 loop also takes past its ASCII rounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "case/CaseTables.h"

namespace tarnwick::mCase::detail {

// A rule as a function of one unit; the stateful ones keep their state in
// the object, so that it stays in a register through the loop.
struct MapRule {
  const char16_t* table;
  bool state;  // carried through unchanged
  char16_t operator()(char16_t c) const { return table[c]; }
};
struct SentenceRule {
  const CaseTables* t;
  bool state;  // capitaliseNext
  char16_t operator()(char16_t c) { return SentenceStep(*t, c, state); }
};
struct ProperRule {
  const CaseTables* t;
  bool state;  // atWordStart
  char16_t operator()(char16_t c) { return ProperStep(*t, c, state); }
};

// Writes the UTF-8 form of a unit; a surrogate half on its own has none and
// is written as U+FFFD (the tables never map a unit into the surrogates, so
// this is a guard for valid output, not a case that occurs).
inline unsigned char* PutUnit(unsigned char* out, char16_t u) {
  if (u < 0x80) {
    *out = static_cast<unsigned char>(u);
    return out + 1;
  }
  if (u < 0x800) {
    out[0] = static_cast<unsigned char>(0xC0 | u >> 6);
    out[1] = static_cast<unsigned char>(0x80 | (u & 0x3F));
    return out + 2;
  }
  if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
  out[0] = static_cast<unsigned char>(0xE0 | u >> 12);
  out[1] = static_cast<unsigned char>(0x80 | (u >> 6 & 0x3F));
  out[2] = static_cast<unsigned char>(0x80 | (u & 0x3F));
  return out + 3;
}

inline char16_t TwoByteUnit(const unsigned char* p) { return char16_t((p[0] & 0x1F) << 6 | (p[1] & 0x3F)); }

// The length of the sequence that a lead byte starts, by the lead byte
// alone (a stray continuation byte counts as a lead of two).
inline std::size_t SequenceLength(unsigned lead) { return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4; }

// One character of `length` bytes. A 4-byte character stands for two
// surrogate halves: the rule sees both, for its state, and they map to
// themselves, so the bytes pass as they are.
template <class UnitRule>
unsigned char* MapCharacter(const unsigned char* p, std::size_t length, unsigned char* out, UnitRule& rule) {
  switch (length) {
    case 1: return PutUnit(out, rule(char16_t(p[0])));
    case 2: return PutUnit(out, rule(TwoByteUnit(p)));
    case 3: return PutUnit(out, rule(char16_t((p[0] & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F))));
    default: break;
  }
  const unsigned above =
      ((p[0] & 0x07) << 18 | (p[1] & 0x3F) << 12 | (p[2] & 0x3F) << 6 | (p[3] & 0x3F)) - 0x10000;
  rule(char16_t(0xD800 | (above >> 10 & 0x3FF)));
  rule(char16_t(0xDC00 | (above & 0x3FF)));
  std::memcpy(out, p, 4);
  return out + 4;
}

// Converts whole characters from in[i] on, up to `stop` or just past it when
// a character straddles it (stop <= n); returns where it stopped. Bytes that
// are not well-formed UTF-8 give some output of at most half as many bytes
// again, and nothing beyond in[n - 1] is read; a sequence cut off by the end
// is copied byte by byte.
template <class UnitRule>
std::size_t MapCharacters(const unsigned char* in, std::size_t i, std::size_t stop, std::size_t n,
                          unsigned char*& output, UnitRule& unitRule) {
  // Copies in locals: stores through `out` may alias anything reached by
  // reference, which would reload them at every character.
  unsigned char* out = output;
  UnitRule rule = unitRule;
  // Up to `sure`, every sequence has all of its bytes within the input.
  const std::size_t sure = n < 3 ? 0 : stop < n - 3 ? stop : n - 3;
  // Runs of one length go through a loop of their own, so that the branch
  // on the length fails its prediction once a run rather than at random.
  while (i < sure) {
    unsigned lead = in[i];
    if (lead < 0x80) {
      do {
        out = PutUnit(out, rule(char16_t(lead)));
        ++i;
      } while (i < sure && (lead = in[i]) < 0x80);
    } else if (lead < 0xE0) {
      do {
        out = PutUnit(out, rule(TwoByteUnit(in + i)));
        i += 2;
      } while (i < sure && ((lead = in[i]) & 0xE0) == 0xC0);
    } else {
      const std::size_t length = SequenceLength(lead);
      out = MapCharacter(in + i, length, out, rule);
      i += length;
    }
  }
  while (i < stop) {
    const std::size_t length = SequenceLength(in[i]);
    if (length <= n - i) {
      out = MapCharacter(in + i, length, out, rule);
      i += length;
    } else {
      *out++ = in[i++];
    }
  }
  output = out;
  unitRule = rule;
  return i;
}

// The converted forms of the characters of one and two bytes (U+0000 to
// U+07FF) byte by byte, for the SSE2 rounds of UTF-8 that mix such
// characters. Entry [cp | half * kSecondByte] of a form holds, in its low
// eight bits, byte `half` (0 or 1) of the converted character; kOtherLength
// marks a character whose converted form has another length than its own,
// and kCasedLower (on first bytes) one whose lower form is a cased letter.
// Lower and Capitalised are neighbours, so that kWordStart picks the one or
// the other.
struct ByteForms {
  static constexpr unsigned kSecondByte = 0x800;
  static constexpr unsigned kWordStart = 0x1000;
  static constexpr std::uint16_t kOtherLength = 0x100;
  static constexpr std::uint16_t kCasedLower = 0x200;
  enum Form { Upper, Toggled, Lower, Capitalised, kForms };
  std::uint16_t entries[kForms * kWordStart];

  const std::uint16_t* Of(Form form) const { return entries + form * kWordStart; }
};

// Built on first use, thread-safe, in static storage.
const ByteForms& Utf8ByteForms();

}  // namespace tarnwick::mCase::detail
