#include "case/CaseRules.h"

#include "case/CaseTables.h"
#include "case/CaseVector.h"

namespace tarnwick::mCase {

using detail::Tables;

char16_t ToUpperUnit(char16_t c) noexcept { return Tables().upper[c]; }
char16_t ToLowerUnit(char16_t c) noexcept { return Tables().lower[c]; }
bool IsCasedLetter(char16_t c) noexcept { return (Tables().flags[c] & detail::kCasedBit) != 0; }
char16_t ToggledUnit(char16_t c) noexcept { return Tables().toggled[c]; }

namespace scalar {
namespace {

void MapUnits(const char16_t* table, const char16_t* in, char16_t* out, std::size_t n) noexcept {
  for (std::size_t i = 0; i < n; ++i) out[i] = table[in[i]];
}

}  // namespace

void UpperUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept {
  MapUnits(Tables().upper, in, out, n);
}

void LowerUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept {
  MapUnits(Tables().lower, in, out, n);
}

void ToggleUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept {
  MapUnits(Tables().toggled, in, out, n);
}

bool SentenceUnits(const char16_t* in, char16_t* out, std::size_t n, bool capitaliseNext) noexcept {
  const detail::CaseTables& t = Tables();
  for (std::size_t i = 0; i < n; ++i) out[i] = detail::SentenceStep(t, in[i], capitaliseNext);
  return capitaliseNext;
}

bool ProperUnits(const char16_t* in, char16_t* out, std::size_t n, bool atWordStart) noexcept {
  const detail::CaseTables& t = Tables();
  for (std::size_t i = 0; i < n; ++i) out[i] = detail::ProperStep(t, in[i], atWordStart);
  return atWordStart;
}

}  // namespace scalar

#if TARNWICK_CASE_SSE2
namespace kernels = sse2;
#else
namespace kernels = scalar;
#endif

bool HasVectorKernels() noexcept { return TARNWICK_CASE_SSE2 != 0; }

void UpperUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept {
  kernels::UpperUnits(in, out, n);
}

void LowerUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept {
  kernels::LowerUnits(in, out, n);
}

void ToggleUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept {
  kernels::ToggleUnits(in, out, n);
}

bool SentenceUnits(const char16_t* in, char16_t* out, std::size_t n, bool capitaliseNext) noexcept {
  return kernels::SentenceUnits(in, out, n, capitaliseNext);
}

bool ProperUnits(const char16_t* in, char16_t* out, std::size_t n, bool atWordStart) noexcept {
  return kernels::ProperUnits(in, out, n, atWordStart);
}

namespace {

template <class Kernel>
Text Converted(TextView text, Kernel kernel) {
  Text result(text.size(), u'\0');
  kernel(text.data(), result.data(), text.size());
  return result;
}

}  // namespace

Text UpperCase(TextView text) { return Converted(text, UpperUnits); }
Text LowerCase(TextView text) { return Converted(text, LowerUnits); }
Text ToggledCase(TextView text) { return Converted(text, ToggleUnits); }

Text ProperCase(TextView text) {
  return Converted(text, [](const char16_t* in, char16_t* out, std::size_t n) {
    ProperUnits(in, out, n, true);
  });
}

Text SentenceCase(TextView text) {
  return Converted(text, [](const char16_t* in, char16_t* out, std::size_t n) {
    SentenceUnits(in, out, n, true);
  });
}

}  // namespace tarnwick::mCase
