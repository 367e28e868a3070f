// The filter's work apart from the process: the rule names, and converting
// validated UTF-8 piece by piece with the state of the stateful rules
// carried from piece to piece.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

namespace tarnwick::casefilter {

enum class CaseRule { Upper, Lower, Sentence, Proper, Toggle };

// "upper", "lower", "sentence", "proper" or "toggle".
std::optional<CaseRule> ParseRule(std::string_view name);

// Applies one rule to consecutive pieces of a text, remembering what the
// next piece needs to know (a pending capital, a word start).
class RuleStream {
 public:
  explicit RuleStream(CaseRule rule) : rule_(rule) {}
  void Convert(char16_t* units, std::size_t n);

 private:
  CaseRule rule_;
  bool capitaliseNext_ = true;
  bool atWordStart_ = true;
};

// Receives converted UTF-8; returns false when it cannot take more.
using Sink = std::function<bool(std::string_view)>;

inline constexpr std::size_t kDefaultChunkUnits = std::size_t(1) << 16;

// Converts well-formed UTF-8 (see utf8::FindInvalid) with `rule`, handing the
// output to `sink` one chunk of at most chunkUnits UTF-16 units (at least 2)
// at a time. Returns false when the sink refused a chunk, or when the input
// turned out not to be well-formed (nothing after that point is converted).
bool ConvertUtf8(CaseRule rule, std::string_view validInput, const Sink& sink,
                 std::size_t chunkUnits = kDefaultChunkUnits);

}  // namespace tarnwick::casefilter
