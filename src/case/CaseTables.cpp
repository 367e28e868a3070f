#include "case/CaseTables.h"

#include <string_view>

#include "case/CaseTableData.h"

namespace tarnwick::mCase::detail {
namespace {

void Identity(char16_t* table) {
  for (std::size_t c = 0; c < kUnitCount; ++c) table[c] = char16_t(c);
}

void ApplyRuns(char16_t* table, std::span<const data::CaseRun> runs) {
  for (const data::CaseRun& run : runs) {
    for (std::size_t k = 0; k < run.count; ++k) {
      const std::size_t unit = run.first + k * run.stride;
      if (unit < kUnitCount) table[unit] = char16_t(unit + run.delta);
    }
  }
}

void MarkCased(std::uint8_t* flags) {
  for (const data::UnitRange& range : data::CasedRanges()) {
    for (std::size_t c = range.first; c <= range.last; ++c) flags[c] |= kCasedBit;
  }
}

void MarkPunctuation(std::uint8_t* flags) {
  for (char16_t c : std::u16string_view(u".!?:")) flags[c] |= kDelimiterBit;
  for (char16_t c : {u'\0', u'\t', u'\n', u'\v', u'\f', u'\r', u' '}) flags[c] |= kSeparatorBit;
}

// A cased letter that is its own upper form becomes its lower form and the
// other way round; anything else, the title-case digraphs included, stays.
char16_t Toggled(const CaseTables& t, std::size_t c) {
  if (!(t.flags[c] & kCasedBit)) return char16_t(c);
  if (t.upper[c] == c) return t.lower[c];
  if (t.lower[c] == c) return t.upper[c];
  return char16_t(c);
}

void Build(CaseTables* t) {
  char16_t* const lower = t->wordForms;
  Identity(t->upper);
  Identity(lower);
  ApplyRuns(t->upper, data::UpperRuns());
  ApplyRuns(lower, data::LowerRuns());
  for (std::uint8_t& f : t->flags) f = 0;
  MarkCased(t->flags);
  MarkPunctuation(t->flags);
  for (std::size_t c = 0; c < kUnitCount; ++c) {
    t->toggled[c] = Toggled(*t, c);
    t->wordForms[kUnitCount + c] = t->upper[lower[c]];
  }
}

}  // namespace

// Static storage, filled on first use: the kernels that first ask for the
// tables cannot throw, so building them must not need memory that may have
// run out by then.
const CaseTables& Tables() {
  static CaseTables tables;
  static const bool built = (Build(&tables), true);
  (void)built;
  return tables;
}

}  // namespace tarnwick::mCase::detail
