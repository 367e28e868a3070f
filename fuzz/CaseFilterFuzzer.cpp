// The UTF-8 filter's library over arbitrary bytes: invalid input is found at
// the right offset and never converted into invalid output; valid input
// comes out as valid UTF-8 with as many code points, equal to the rule
// applied to the decoded text, whatever the chunk size.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "CaseFilter.h"
#include "FuzzSupport.h"
#include "Utf8.h"
#include "case/CaseRules.h"

namespace {

using namespace tarnwick;
using casefilter::CaseRule;
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

Text Apply(CaseRule rule, TextView text) {
  switch (rule) {
    case CaseRule::Upper: return mCase::UpperCase(text);
    case CaseRule::Lower: return mCase::LowerCase(text);
    case CaseRule::Sentence: return mCase::SentenceCase(text);
    case CaseRule::Proper: return mCase::ProperCase(text);
    case CaseRule::Toggle: break;
  }
  return mCase::ToggledCase(text);
}

// Converts in chunks, collecting the output; each chunk must be valid UTF-8
// on its own (a surrogate pair is never split between chunks).
bool Convert(CaseRule rule, std::string_view input, std::size_t chunkUnits, std::string& output) {
  return casefilter::ConvertUtf8(
      rule, input,
      [&](std::string_view chunk) {
        std::size_t bad = 0;
        Check(DecodeStrict(chunk, bad).has_value(), "the filter wrote a chunk that is not valid UTF-8");
        output += chunk;
        return true;
      },
      chunkUnits);
}

void CheckInvalid(CaseRule rule, std::string_view input, std::size_t badOffset, std::size_t chunkUnits) {
  const auto found = utf8::FindInvalid(input);
  Check(found.has_value(), "ill-formed UTF-8 passed validation");
  Check(*found == badOffset, "validation names the wrong offset of the ill-formed sequence");
  // Handed to the converter anyway, the bytes before the fault come out
  // converted and the call reports the failure instead of looping.
  std::string output;
  Check(!Convert(rule, input, chunkUnits, output), "conversion of ill-formed UTF-8 reported success");
  std::size_t unused = 0;
  const auto before = DecodeStrict(input.substr(0, badOffset), unused);
  std::u32string converted;
  Check(before && DecodeStrict(output, unused).has_value(), "partial output is not valid UTF-8");
  Check(DecodeStrict(output, unused)->size() <= before->size(), "more output than valid input");
}

void CheckValid(CaseRule rule, std::string_view input, const std::u32string& points, std::size_t chunkUnits) {
  Check(!utf8::FindInvalid(input).has_value(), "valid UTF-8 was rejected");
  std::string output;
  Check(Convert(rule, input, chunkUnits, output), "conversion of valid UTF-8 failed");
  std::size_t unused = 0;
  const auto outPoints = DecodeStrict(output, unused);
  Check(outPoints.has_value(), "output is not valid UTF-8");
  Check(outPoints->size() == points.size(), "output has another number of code points than the input");
  Check(ToUtf16(*outPoints) == Apply(rule, ToUtf16(points)), "filter output differs from the rule");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const CaseRule rule = in.PickValueInArray(
      {CaseRule::Upper, CaseRule::Lower, CaseRule::Sentence, CaseRule::Proper, CaseRule::Toggle});
  const std::size_t chunkUnits = in.ConsumeIntegralInRange<std::size_t>(0, 70);
  const std::string input = in.ConsumeRemainingBytesAsString();
  std::size_t badOffset = 0;
  if (const auto points = DecodeStrict(input, badOffset)) {
    CheckValid(rule, input, *points, chunkUnits);
  } else {
    CheckInvalid(rule, input, badOffset, chunkUnits);
  }
  return 0;
}
