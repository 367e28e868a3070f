// The five case rules over arbitrary UTF-16 text: lengths, idempotence, the
// round trips between upper and lower case, the toggle round trip, surrogate
// halves, chunked conversion with the state carried across, in-place and
// misaligned buffers, the vector kernels against the plain loops, the UTF-8
// kernels of every path against the UTF-16 rules, and the UTF-8 kernels over
// bytes that are not well-formed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "case/CaseRules.h"
#include "case/CaseUtf8.h"
#include "case/CaseVector.h"

namespace {

using namespace tarnwick;
using namespace tarnwick::mCase;
using fuzz::Check;

// Runs a rule's kernel over n units with the state at the start; returns the
// state after them (unchanged by the stateless rules).
bool RunKernel(CaseRule rule, bool vector, const char16_t* in, char16_t* out, std::size_t n, bool state) {
  return (vector ? ConvertUnits : scalar::ConvertUnits)(rule, in, out, n, state);
}

bool IsSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Two units name the same letter when their lower forms of the upper forms
// agree: a variant form (micro sign, final sigma, long s, Kelvin sign, dotted
// and dotless i) and the usual letter do.
bool SameLetter(char16_t a, char16_t b) {
  return a == b || ToLowerUnit(ToUpperUnit(a)) == ToLowerUnit(ToUpperUnit(b));
}

void CheckSameLetters(const Text& a, const Text& b, const char* what) {
  Check(a.size() == b.size(), what);
  for (std::size_t i = 0; i < a.size(); ++i) Check(SameLetter(a[i], b[i]), what);
}

// The vector kernels against the plain loops, out of place at any alignment
// and in place, in one piece and cut at the given points.
void CheckKernels(CaseRule rule, const Text& text, std::size_t inShift, std::size_t outShift,
                  const std::vector<std::size_t>& cuts) {
  const std::size_t n = text.size();
  Text expected(n, u'\0');
  const bool expectedState = RunKernel(rule, false, text.data(), expected.data(), n, true);

  std::vector<char16_t> in(n + inShift), out(n + outShift);
  std::copy(text.begin(), text.end(), in.begin() + inShift);
  const bool state = RunKernel(rule, true, in.data() + inShift, out.data() + outShift, n, true);
  Check(state == expectedState, "vector kernel leaves another state than the plain loop");
  Check(Text(out.begin() + outShift, out.end()) == expected, "vector kernel differs from the plain loop");

  // In place, chunk by chunk, the state carried from chunk to chunk.
  bool carried = true;
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    const std::size_t to = std::min(cut, n);
    carried = RunKernel(rule, true, in.data() + inShift + from, in.data() + inShift + from, to - from, carried);
    from = to;
  }
  carried = RunKernel(rule, true, in.data() + inShift + from, in.data() + inShift + from, n - from, carried);
  Check(carried == expectedState, "chunked conversion leaves another state than one piece");
  Check(Text(in.begin() + inShift, in.end()) == expected, "chunked in-place conversion differs from one piece");
}

// The UTF-8 kernels on each path the CPU runs (plain, SSE2, AVX2, AVX-512),
// at the given shifts and cut at the cut points (moved on to a character's
// start): the UTF-8 of the UTF-16 rule (a lone surrogate half being U+FFFD
// on both sides).
void CheckUtf8(CaseRule rule, const Text& text, std::size_t inShift, std::size_t outShift,
               const std::vector<std::size_t>& cuts) {
  using detail::KernelPath;
  const std::string bytes = std::string(inShift, '#') + fuzz::Utf8(text);
  const std::string expected = fuzz::Utf8(Convert(rule, text));
  const KernelPath best = detail::ActiveKernelPath();
  for (KernelPath path : {KernelPath::Scalar, KernelPath::Sse2, KernelPath::Avx2, KernelPath::Avx512}) {
    if (!detail::UseKernelPath(path)) continue;
    std::string out(outShift + Utf8Capacity(bytes.size()), '\0');
    std::size_t written = outShift, from = inShift;
    bool state = true;
    std::vector<std::size_t> ends(cuts);
    ends.push_back(bytes.size());
    for (std::size_t to : ends) {
      to = std::min(std::max(to + inShift, from), bytes.size());
      while (to < bytes.size() && (bytes[to] & 0xC0) == 0x80) ++to;
      written += ConvertUtf8(rule, bytes.data() + from, to - from, out.data() + written, state);
      from = to;
    }
    Check(out.substr(outShift, written - outShift) == expected, "a UTF-8 kernel differs from the UTF-16 rule");
  }
  detail::UseKernelPath(best);
}

// Bytes that are not well-formed UTF-8 (the HTML and RTF that other
// programs put on the clipboard may hold any): on every path the kernels
// read and write nothing outside their buffers, which are exactly as large
// as the contract asks (AddressSanitizer watches), and stay within
// Utf8Capacity.
void CheckAnyBytes(const std::string& bytes) {
  using detail::KernelPath;
  const KernelPath best = detail::ActiveKernelPath();
  for (KernelPath path : {KernelPath::Scalar, KernelPath::Sse2, KernelPath::Avx2, KernelPath::Avx512}) {
    if (!detail::UseKernelPath(path)) continue;
    for (CaseRule rule : kCaseRules) {
      const std::vector<char> in(bytes.begin(), bytes.end());
      std::vector<char> out(Utf8Capacity(in.size()));
      bool state = true;
      Check(ConvertUtf8(rule, in.data(), in.size(), out.data(), state) <= out.size(),
            "a UTF-8 kernel wrote more than Utf8Capacity");
    }
  }
  detail::UseKernelPath(best);
}

void CheckTextProperties(const Text& x) {
  const Text upper = UpperCase(x), lower = LowerCase(x), proper = ProperCase(x);
  const Text sentence = SentenceCase(x), toggled = ToggledCase(x);
  for (const Text* result : {&upper, &lower, &proper, &sentence, &toggled}) {
    Check(result->size() == x.size(), "a rule changed the length of the text");
    for (std::size_t i = 0; i < x.size(); ++i) {
      if (IsSurrogate(x[i])) Check((*result)[i] == x[i], "a rule changed a surrogate half");
    }
  }
  Check(UpperCase(upper) == upper, "upper case is not idempotent");
  Check(LowerCase(lower) == lower, "lower case is not idempotent");
  Check(ProperCase(proper) == proper, "proper case is not idempotent");
  Check(SentenceCase(sentence) == sentence, "sentence case is not idempotent");
  CheckSameLetters(LowerCase(upper), lower, "lower(upper(x)) and lower(x) name different letters");
  CheckSameLetters(UpperCase(lower), upper, "upper(lower(x)) and upper(x) name different letters");
  CheckSameLetters(LowerCase(proper), lower, "proper case changed more than letter case");
  CheckSameLetters(LowerCase(sentence), lower, "sentence case changed more than letter case");

  const Text twice = ToggledCase(toggled);
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (!IsCasedLetter(x[i])) {
      Check(toggled[i] == x[i], "toggle changed a unit that is not a cased letter");
    } else if (x[i] == ToUpperUnit(x[i]) || x[i] == ToLowerUnit(x[i])) {
      Check(SameLetter(twice[i], x[i]), "toggling twice gave another letter");
      Check(toggled[i] != x[i], "toggle left a letter that is its own upper or lower form");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::size_t inShift = in.ConsumeIntegralInRange<std::size_t>(0, 7);
  const std::size_t outShift = in.ConsumeIntegralInRange<std::size_t>(0, 7);
  std::vector<std::size_t> cuts(in.ConsumeIntegralInRange<std::size_t>(0, 4));
  for (std::size_t& cut : cuts) cut = in.ConsumeIntegralInRange<std::size_t>(0, 600);
  std::sort(cuts.begin(), cuts.end());
  // Seeds hold plain text after their control bytes are taken.
  const bool lenient = in.ConsumeBool();
  const std::string raw = lenient ? in.ConsumeRemainingBytesAsString() : std::string();
  const Text text = lenient ? fuzz::LenientUtf8(raw) : fuzz::TakeText(in, 1200);
  CheckAnyBytes(raw);

  for (CaseRule rule : kCaseRules) {
    CheckKernels(rule, text, inShift, outShift, cuts);
    CheckUtf8(rule, text, inShift, outShift, cuts);
  }
  CheckTextProperties(text);
  return 0;
}
