// The filter's work apart from the process: the rule names, and the whole
// run from a source of bytes to a sink: validate all of it, then convert it
// block by block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "case/CaseRules.h"

namespace tarnwick::casefilter {

using mCase::CaseRule;

// "upper", "lower", "sentence", "proper" or "toggle".
std::optional<CaseRule> ParseRule(std::string_view name);

// Where the filter's bytes come from: standard input, or a test's bytes.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to n bytes into p; 0 at the end of the input or on a read error.
  virtual std::size_t Read(char* p, std::size_t n) = 0;
  virtual bool Failed() const = 0;
  // Back to the byte that the first Read began with; false when the source
  // cannot go back (a pipe).
  virtual bool Rewind() = 0;
};

// Receives converted UTF-8; returns false when it cannot take more.
using Sink = std::function<bool(std::string_view)>;

struct FilterResult {
  enum Status { Done, Invalid, ReadFailed, WriteFailed, InputChanged, Refused } status = Done;
  std::uint64_t invalidOffset = 0;  // for Invalid: where the first ill-formed sequence starts
};

inline constexpr std::size_t kDefaultBlockBytes = std::size_t(256) << 10;

// Reads the whole source and checks that it is well-formed UTF-8; only then
// converts it with `rule`, blockBytes (at least 4) at a time, and hands the
// output to the sink. A source that can rewind is read twice, a block at a
// time, and checked again on the second reading (InputChanged when it no
// longer holds what was checked); any other is kept in memory in between.
FilterResult Filter(CaseRule rule, ByteSource& source, const Sink& sink,
                    std::size_t blockBytes = kDefaultBlockBytes);

// The formatted texts that the filter converts as a whole: the clipboard's
// "HTML Format" block and "Rich Text Format".
enum class Format { Html, Rtf };

// "--html" or "--rtf".
std::optional<Format> ParseFormat(std::string_view option);

// Reads the whole source and converts it as one block of `format`; hands
// the output to the sink only when the block converts (Refused, with
// nothing written, when the converter cannot convert it).
FilterResult FilterFormatted(CaseRule rule, Format format, ByteSource& source, const Sink& sink);

}  // namespace tarnwick::casefilter
