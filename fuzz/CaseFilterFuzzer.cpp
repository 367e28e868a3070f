// The filter over arbitrary bytes, read from a file or a pipe in blocks of
// any size: invalid input is found at the right offset (by each vector
// path's validation and the plain one alike) and nothing is written; valid
// input comes out as valid UTF-8 with as many code points, equal to the rule
// applied to the decoded text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "CaseFilter.h"
#include "FuzzSupport.h"
#include "case/Utf8Validation.h"
#include "case/CaseRules.h"
#include "case/CaseVector.h"

namespace {

using namespace tarnwick;
using mCase::CaseRule;
using fuzz::Check;

// A decoder written for the check alone, one code point at a time from the
// definition of well-formed UTF-8; empty on the first ill-formed sequence,
// whose offset goes to badOffset.
std::optional<std::u32string> DecodeStrict(std::string_view bytes, std::size_t& badOffset) {
  std::u32string out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    bool ok = length != 0 && i + length <= bytes.size() && lead < 0xF8;
    char32_t cp = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    for (std::size_t k = 1; ok && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
      ok = (next & 0xC0) == 0x80;
      cp = cp << 6 | (next & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    ok = ok && cp >= smallest[length] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    if (!ok) {
      badOffset = i;
      return std::nullopt;
    }
    out += cp;
    i += length;
  }
  return out;
}

Text ToUtf16(const std::u32string& points) {
  Text out;
  for (char32_t cp : points) {
    if (cp < 0x10000) {
      out += static_cast<char16_t>(cp);
    } else {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
  }
  return out;
}

// The input handed out `part` bytes at a time, as a file (rewinds) or a pipe.
class Source final : public casefilter::ByteSource {
 public:
  Source(std::string_view bytes, bool file, std::size_t part) : bytes_(bytes), file_(file), part_(part) {}
  std::size_t Read(char* p, std::size_t n) override {
    n = bytes_.substr(at_).copy(p, std::min(n, part_));
    at_ += n;
    return n;
  }
  bool Failed() const override { return false; }
  bool Rewind() override {
    at_ = 0;
    return file_;
  }

 private:
  std::string_view bytes_;
  bool file_;
  std::size_t part_;
  std::size_t at_ = 0;
};

// The whole filter over the input; every piece it writes must be valid
// UTF-8 on its own (a character is never split between pieces).
casefilter::FilterResult Run(CaseRule rule, Source& source, std::size_t blockBytes, std::string& output) {
  return casefilter::Filter(
      rule, source,
      [&](std::string_view piece) {
        std::size_t bad = 0;
        Check(DecodeStrict(piece, bad).has_value(), "the filter wrote a piece that is not valid UTF-8");
        output += piece;
        return true;
      },
      blockBytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const CaseRule rule = in.PickValueInArray(mCase::kCaseRules);
  const std::size_t blockBytes = in.ConsumeIntegralInRange<std::size_t>(0, 70);
  const std::size_t part = in.ConsumeIntegralInRange<std::size_t>(1, 80);
  const bool file = in.ConsumeBool();
  const std::string input = in.ConsumeRemainingBytesAsString();

  std::size_t badOffset = 0;
  const auto points = DecodeStrict(input, badOffset);
  using mCase::detail::KernelPath;
  const KernelPath best = mCase::detail::ActiveKernelPath();
  for (KernelPath path : {KernelPath::Sse2, KernelPath::Avx2, KernelPath::Avx512}) {
    if (!mCase::detail::UseKernelPath(path)) continue;
    Check(utf8::FindInvalid(input) == utf8::scalar::FindInvalid(input), "a vector validation differs from the plain loop");
  }
  mCase::detail::UseKernelPath(best);
  Check(utf8::scalar::FindInvalid(input) == (points ? std::nullopt : std::optional<std::size_t>(badOffset)),
        "validation names the wrong offset of the ill-formed sequence");

  Source source(input, file, part);
  std::string output;
  const casefilter::FilterResult result = Run(rule, source, blockBytes, output);
  if (!points) {
    Check(result.status == casefilter::FilterResult::Invalid && result.invalidOffset == badOffset,
          "the filter reports another offset than the first ill-formed sequence");
    Check(output.empty(), "the filter wrote output for invalid input");
    return 0;
  }
  Check(result.status == casefilter::FilterResult::Done, "the filter failed on valid UTF-8");
  std::size_t unused = 0;
  const auto outPoints = DecodeStrict(output, unused);
  Check(outPoints.has_value() && outPoints->size() == points->size(),
        "output has another number of code points than the input");
  Check(ToUtf16(*outPoints) == mCase::Convert(rule, ToUtf16(*points)), "filter output differs from the rule");
  return 0;
}
