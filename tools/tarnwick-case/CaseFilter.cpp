#include "CaseFilter.h"

#include <string>
#include <vector>

#include "Utf8.h"
#include "case/CaseRules.h"

namespace tarnwick::casefilter {

std::optional<CaseRule> ParseRule(std::string_view name) {
  if (name == "upper") return CaseRule::Upper;
  if (name == "lower") return CaseRule::Lower;
  if (name == "sentence") return CaseRule::Sentence;
  if (name == "proper") return CaseRule::Proper;
  if (name == "toggle") return CaseRule::Toggle;
  return std::nullopt;
}

void RuleStream::Convert(char16_t* units, std::size_t n) {
  switch (rule_) {
    case CaseRule::Upper: mCase::UpperInPlace(units, n); break;
    case CaseRule::Lower: mCase::LowerInPlace(units, n); break;
    case CaseRule::Toggle: mCase::ToggleInPlace(units, n); break;
    case CaseRule::Sentence: capitaliseNext_ = mCase::SentenceUnits(units, units, n, capitaliseNext_); break;
    case CaseRule::Proper: atWordStart_ = mCase::ProperUnits(units, units, n, atWordStart_); break;
  }
}

bool ConvertUtf8(CaseRule rule, std::string_view validInput, const Sink& sink, std::size_t chunkUnits) {
  if (chunkUnits < 2) chunkUnits = 2;  // room for a surrogate pair
  RuleStream stream(rule);
  std::vector<char16_t> units(chunkUnits);
  std::string bytes;
  bytes.reserve(chunkUnits * 3);  // a BMP unit takes at most 3 bytes, a pair 4
  while (!validInput.empty()) {
    std::size_t consumed = 0;
    const std::size_t n = utf8::Decode(validInput, units.data(), units.size(), consumed);
    if (consumed == 0) return false;  // not well-formed after all: never loop forever
    validInput.remove_prefix(consumed);
    stream.Convert(units.data(), n);
    bytes.clear();
    utf8::Append(units.data(), n, bytes);
    if (!sink(bytes)) return false;
  }
  return true;
}

}  // namespace tarnwick::casefilter
