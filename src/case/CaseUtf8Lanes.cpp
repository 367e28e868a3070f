#include "case/CaseUtf8Lanes.h"

#include <bit>
#include <map>

#include "case/CaseTables.h"

namespace tarnwick::mCase::detail {
namespace {

using Lanes = Utf8LaneTables;

// The eight lead bytes, at their low three bits.
constexpr unsigned kLeads[8] = {0xD0, 0xD1, 0xC2, 0xC3, 0xC4, 0xC5, 0xCE, 0xCF};

// The delta that the lanes must give a two-byte character, or kSlow when
// its forms are not the character plus or minus one delta as the header
// describes, or when the delta would take it out of its two bytes.
int WantedDelta(const CaseTables& t, unsigned cp) {
  const auto c = char16_t(cp);
  const int delta = int(t.toggled[c]) - int(cp);
  const bool cased = (t.flags[t.lower[c]] & kCasedBit) != 0;
  bool described;
  if (delta == 0) {
    described = t.upper[c] == c && t.lower[c] == c && t.capitalised[c] == c && !cased;
  } else if (delta > 0) {
    described = t.lower[c] == t.toggled[c] && t.upper[c] == c && t.capitalised[c] == c && cased;
  } else {
    described = t.upper[c] == t.toggled[c] && t.lower[c] == c && t.capitalised[c] == t.toggled[c] && cased;
  }
  const int trail = int(cp & 0x3F), to = int(cp) + delta;
  const bool fits = trail + delta >= -64 && trail + delta <= 127 && to >= 0x80 && to < 0x800 && delta != Lanes::kIrregular;
  return described && fits ? delta : Lanes::kSlow;
}

// The even and odd deltas of a segment and where they swap, chosen to leave
// the fewest characters unfitted; misfits has a bit for each of those.
struct SegmentFit {
  int even, odd, flipAbove;
  unsigned misfits;
};

bool OddClass(int low, int flipAbove) { return ((low & 1) != 0) != (low > flipAbove); }

int MostFrequent(const std::map<int, int>& votes) {
  int best = 0, count = 0;
  for (const auto& [delta, n] : votes) {
    if (n > count) best = delta, count = n;
  }
  return best;
}

SegmentFit FitWithFlip(const int (&wanted)[16], int flipAbove) {
  std::map<int, int> votes[2];
  for (int low = 0; low < 16; ++low) {
    if (wanted[low] != 0 && wanted[low] != Lanes::kSlow) ++votes[OddClass(low, flipAbove)][wanted[low]];
  }
  SegmentFit fit{MostFrequent(votes[0]), MostFrequent(votes[1]), flipAbove, 0};
  for (int low = 0; low < 16; ++low) {
    if (wanted[low] != 0 && wanted[low] != (OddClass(low, flipAbove) ? fit.odd : fit.even)) fit.misfits |= 1u << low;
  }
  return fit;
}

// No flip first; a flip of every character (above -1) is the same as
// swapping the two deltas, which no flip already tries.
SegmentFit FitSegment(const int (&wanted)[16]) {
  SegmentFit best = FitWithFlip(wanted, 15);
  for (int flipAbove = 14; flipAbove >= 0; --flipAbove) {
    const SegmentFit fit = FitWithFlip(wanted, flipAbove);
    if (std::popcount(fit.misfits) < std::popcount(best.misfits)) best = fit;
  }
  return best;
}

void SetSegment(Lanes& lanes, unsigned lead, unsigned high, const CaseTables& t) {
  int wanted[16];
  for (unsigned low = 0; low < 16; ++low) wanted[low] = WantedDelta(t, (lead & 0x1F) << 6 | high << 4 | low);
  const unsigned half = high >> 1, index = (lead & 7) | (high & 1) << 3, leadBit = 1u << (lead & 7);
  for (unsigned low = 0; low < 16; ++low) {
    if (wanted[low] != 0) lanes.cased[high][low] |= static_cast<std::uint8_t>(leadBit);
  }
  const SegmentFit fit = FitSegment(wanted);
  const bool greekIrregular = (lead == 0xCE && (high == 0 || high == 2)) || (lead == 0xCF && high == 0);
  if (fit.misfits != 0 && greekIrregular) {
    lanes.evenDelta[half][index] = Lanes::kIrregular;
    for (unsigned low = 0; low < 16; ++low) {
      lanes.irregular[(lead & 1) | (high & 2)][low] = static_cast<std::int8_t>(wanted[low]);
    }
    return;
  }
  if (fit.misfits != 0 && high != 3) {
    lanes.evenDelta[half][index] = lanes.oddDelta[half][index] = Lanes::kSlow;
    return;
  }
  lanes.evenDelta[half][index] = static_cast<std::int8_t>(fit.even);
  lanes.oddDelta[half][index] = static_cast<std::int8_t>(fit.odd);
  lanes.flipAbove[half][index] = static_cast<std::int8_t>(fit.flipAbove);
  for (unsigned low = 0; low < 16; ++low) {
    if (fit.misfits >> low & 1) lanes.slowTop[low] |= static_cast<std::uint8_t>(leadBit);
  }
}

// All `count` code points from `first` on: no rule changes them (so none is
// cased: a cased letter has two forms).
bool Caseless(const CaseTables& t, unsigned first, unsigned count) {
  for (unsigned cp = first; cp < first + count; ++cp) {
    const auto c = char16_t(cp);
    if (t.upper[c] != c || t.lower[c] != c || t.toggled[c] != c || t.capitalised[c] != c) return false;
  }
  return true;
}

// The common route's lead bytes of two-byte characters.
constexpr unsigned kCommonLeads[6] = {0xC2, 0xC3, 0xCE, 0xCF, 0xD0, 0xD1};

// The segment's delta and exceptions on the common route: the first delta
// and set of exceptions that give every character its wanted delta and mark
// exactly the characters that only the plain steps convert; else kSlow.
void SetCommonSegment(Lanes& lanes, unsigned lead, unsigned high, const CaseTables& t) {
  const unsigned half = high >> 1, index = (lead & 15) ^ (high & 1) << 2;
  if (lanes.evenDelta[half][(lead & 7) | (high & 1) << 3] == Lanes::kIrregular) {
    lanes.commonDelta[half][index] = Lanes::kIrregular;
    return;
  }
  int wanted[16];
  for (unsigned low = 0; low < 16; ++low) wanted[low] = WantedDelta(t, (lead & 0x1F) << 6 | high << 4 | low);
  auto fits = [&](int delta, unsigned exceptions) {
    for (unsigned low = 0; low < 16; ++low) {
      const unsigned at = lanes.exceptionAt[low] & exceptions;
      const bool slow = at >= Lanes::kSlowExceptions;
      if (slow != (wanted[low] == Lanes::kSlow)) return false;
      if (!slow && lanes.exceptionSign[at] * delta != wanted[low]) return false;
    }
    return true;
  };
  for (int candidate : wanted) {
    const int delta = candidate == Lanes::kSlow ? 0 : candidate;
    for (unsigned exceptions = 0; exceptions < 64; ++exceptions) {
      if (fits(delta, exceptions)) {
        lanes.commonDelta[half][index] = static_cast<std::int8_t>(delta);
        lanes.commonExceptions[half][index] = static_cast<std::uint8_t>(exceptions);
        return;
      }
    }
  }
  lanes.commonDelta[half][index] = Lanes::kSlow;
}

void SetCommonRoute(Lanes& lanes, const CaseTables& t) {
  for (unsigned low = 0; low < 16; ++low) {
    std::uint8_t at = 0;
    if (low & 1) at |= Lanes::kOddNegated;
    if (low == 7 || low == 15) at |= Lanes::kZeroAt7AndF;
    if (low == 0) at |= Lanes::kZeroAt0;
    if (low == 15) at |= Lanes::kSlowAtF;
    if (low == 5) at |= Lanes::kSlowAt5;
    lanes.exceptionAt[low] = at;
  }
  for (unsigned bits = 0; bits < 16; ++bits) {
    const bool dropped = (bits & (Lanes::kZeroAt7AndF | Lanes::kZeroAt0)) != 0;
    lanes.exceptionSign[bits] = static_cast<std::int8_t>(dropped ? 0 : (bits & Lanes::kOddNegated) ? -1 : 1);
  }
  for (auto& half : lanes.commonDelta) {
    for (std::int8_t& delta : half) delta = Lanes::kSlow;  // the lead bytes off the route
  }
  for (unsigned lead : kCommonLeads) {
    for (unsigned high = 0; high < 4; ++high) SetCommonSegment(lanes, lead, high, t);
    lanes.acceptedLow[lead & 15] |= static_cast<std::uint8_t>(1u << ((lead >> 4) - 0xB));
  }
  for (unsigned high = 0; high < 16; ++high) {
    lanes.acceptedHigh[high] = static_cast<std::uint8_t>(high < 0xC ? 1 : 1u << (high - 0xB));
  }
  for (unsigned low = 0; low < 16; ++low) {
    lanes.acceptedLow[low] |= 1 | 1u << (0xF - 0xB);  // ASCII and trails; four-byte characters pass as they are
    if (lanes.caselessThree[0][low] == 0xFF && lanes.caselessThree[1][low] == 0xFF) {
      lanes.acceptedLow[low] |= 1u << (0xE - 0xB);
    }
  }
}

Lanes Build() {
  const CaseTables& t = Tables();
  Lanes built{};  // all zero
  Lanes* const lanes = &built;
  for (unsigned lead : kLeads) {
    lanes->leads[lead & 15] = static_cast<std::uint8_t>(lead);
    for (unsigned high = 0; high < 4; ++high) SetSegment(*lanes, lead, high, t);
  }
  for (unsigned lead = 0; lead < 16; ++lead) {
    for (unsigned group = 0; group < 16; ++group) {
      if (Caseless(t, lead << 12 | group << 8, 256)) {
        lanes->caselessThree[group >> 3][lead] |= static_cast<std::uint8_t>(1u << (group & 7));
      }
    }
  }
  for (unsigned k = 0; k < 16; ++k) lanes->bits[k] = static_cast<std::uint8_t>(1u << (k & 7));
  SetCommonRoute(*lanes, t);
  return built;
}

// The pairs' even lead bytes, the common ones first.
constexpr unsigned kPairLeads[Utf8WideTables::kPairs] = {0xC2, 0xCE, 0xD0, 0xC4, 0xC6, 0xC8, 0xD2};
static_assert(Utf8WideTables::kCommonPairs == 3);

Utf8WideTables BuildWide(const Lanes& lanes) {
  const CaseTables& t = Tables();
  Utf8WideTables built{};
  Utf8WideTables* const wide = &built;
  for (unsigned lead = 0xC0; lead < 0xE0; ++lead) {
    if (lead >= 0xC2 && Caseless(t, (lead & 0x1F) << 6, 64)) wide->kinds[lead & 0x3F] = Utf8WideTables::kCaseless;
  }
  for (int p = 0; p < Utf8WideTables::kPairs; ++p) {
    for (unsigned odd = 0; odd < 2; ++odd) {
      const unsigned lead = kPairLeads[p] + odd;
      wide->kinds[lead & 0x3F] = static_cast<std::uint8_t>(1 + p);
      for (unsigned trail = 0; trail < 64; ++trail) {
        wide->deltas[p][odd << 6 | trail] = static_cast<std::int8_t>(WantedDelta(t, (lead & 0x1F) << 6 | trail));
      }
    }
  }
  for (unsigned half = 0; half < 2; ++half) {
    for (unsigned lead = 0; lead < 16; ++lead) wide->caselessThree[half << 4 | lead] = lanes.caselessThree[half][lead];
  }
  return built;
}

}  // namespace

// Static storage, not the heap: the tables' alignment would take the
// aligned allocation functions, which the C runtime of older Windows lacks.
const Utf8LaneTables& Utf8Lanes() {
  static const Utf8LaneTables lanes = Build();
  return lanes;
}

const Utf8WideTables& Utf8Wide() {
  static const Utf8WideTables wide = BuildWide(Utf8Lanes());
  return wide;
}

}  // namespace tarnwick::mCase::detail
