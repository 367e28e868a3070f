// The case mappings and the cased letters in compact form, as the generator
// (tools/casegen) writes them from the Unicode Character Database.
#pragma once

#include <cstdint>
#include <span>

namespace tarnwick::mCase::data {

// Units first, first + stride, ... (count of them) map to unit + delta,
// arithmetic modulo 0x10000.
struct CaseRun {
  char16_t first;
  std::uint16_t count;
  std::uint8_t stride;
  std::uint16_t delta;
};

// Inclusive range of code units.
struct UnitRange {
  char16_t first;
  char16_t last;
};

std::span<const CaseRun> UpperRuns();
std::span<const CaseRun> LowerRuns();
std::span<const UnitRange> CasedRanges();

}  // namespace tarnwick::mCase::data
