// What every fuzzer shares: a check that stops the run with a message, and
// the decoding of the fuzzer's bytes into texts and report values that reach
// the interesting corners (variant letter forms, surrogates, delimiters,
// markers, XML-looking text) far more often than uniform bytes would.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "common/Text.h"
#include "errors/ErrValue.h"
#include "errors/PlatformFacts.h"

namespace tarnwick::fuzz {

// Prints what failed and aborts, which libFuzzer records as a crash with the
// input that caused it.
[[noreturn]] void Fail(const char* what);
inline void Check(bool holds, const char* what) {
  if (!holds) Fail(what);
}

// A text of at most maxUnits UTF-16 units, built from runs of units of one
// kind (ASCII words, controls, delimiters, Latin, Greek and Cyrillic,
// variant letter forms, surrogate halves, caseless scripts, any unit), so
// that both the all-ASCII rounds and the table paths of the kernels see use.
Text TakeText(FuzzedDataProvider& in, std::size_t maxUnits);

// Bytes read as UTF-8 where they are, as single units where they are not
// (so that any seed file can be written as plain text).
Text LenientUtf8(std::string_view bytes);

// UTF-8 of a text: a surrogate pair as one character, a lone half as U+FFFD.
std::string Utf8(TextView text);

// The fields of a plain-text seed, separated by the record separator U+001E.
std::vector<Text> SeedFields(TextView text);

// A text of at most maxPieces pieces, each one of the given tokens or a short
// run of TakeText.
Text TakeTokens(FuzzedDataProvider& in, std::size_t maxPieces, std::initializer_list<TextView> tokens);

// Any value that a trap can record, lists and nesting included.
mErrTrap::Value TakeValue(FuzzedDataProvider& in, int depth = 0);

// Platform facts chosen by the input: any computer name, executable path,
// versions, separators and clock, and any of them failing. Installed for one
// input by FactsScope.
class FuzzFacts final : public mErrTrap::PlatformFacts {
 public:
  enum Fails : unsigned {
    kComputer = 1, kExe = 2, kVersion = 4, kAdo = 8, kMessage = 16,
    kSeparators = 32, kDates = 64, kClock = 128
  };
  explicit FuzzFacts(FuzzedDataProvider& in);

  Text computer, exePath, ado;
  mErrTrap::VersionNumbers version;
  mErrTrap::RegionalSeparators separators;
  mErrTrap::DateValue now;
  unsigned fails = 0;

  Text ComputerName() override { return Answer(kComputer, computer); }
  Text ExePath() override { return Answer(kExe, exePath); }
  mErrTrap::VersionNumbers AppVersion() override;
  Text AdoVersion() override { return Answer(kAdo, ado); }
  Text SystemMessageBuffer(std::uint32_t code) override;
  mErrTrap::RegionalSeparators Separators() override;
  Text ShortDateText(const mErrTrap::DateValue& date) override;
  Text TimeText(const mErrTrap::DateValue& time) override;
  mErrTrap::DateValue LocalNow() override;

 private:
  void FailIf(unsigned which) const;
  Text Answer(unsigned which, const Text& text) const;
};

// Installs the facts and a fresh error context; puts the defaults back after.
class FactsScope {
 public:
  explicit FactsScope(FuzzFacts& facts);
  ~FactsScope();
  FactsScope(const FactsScope&) = delete;
  FactsScope& operator=(const FactsScope&) = delete;
};

}  // namespace tarnwick::fuzz
