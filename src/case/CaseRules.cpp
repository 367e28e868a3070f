#include "case/CaseRules.h"

#include "case/CaseTables.h"
#include "case/CaseVector.h"

#if defined(_MSC_VER) && !defined(__GNUC__)
#include <immintrin.h>  // _xgetbv
#include <intrin.h>     // __cpuid, __cpuidex
#endif

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

// --- The path the public kernels take ------------------------------------------

namespace {

struct KernelSet {
  void (*upper)(const char16_t*, char16_t*, std::size_t) noexcept;
  void (*lower)(const char16_t*, char16_t*, std::size_t) noexcept;
  void (*toggle)(const char16_t*, char16_t*, std::size_t) noexcept;
  bool (*sentence)(const char16_t*, char16_t*, std::size_t, bool) noexcept;
  bool (*proper)(const char16_t*, char16_t*, std::size_t, bool) noexcept;
};

constexpr KernelSet kScalarKernels{scalar::UpperUnits, scalar::LowerUnits, scalar::ToggleUnits,
                                   scalar::SentenceUnits, scalar::ProperUnits};
#if TARNWICK_CASE_SSE2
constexpr KernelSet kSse2Kernels{sse2::UpperUnits, sse2::LowerUnits, sse2::ToggleUnits,
                                 sse2::SentenceUnits, sse2::ProperUnits};
// The same UTF-16 kernels: the wider paths differ in their UTF-8 kernels only.
constexpr KernelSet kAvx2Kernels = kSse2Kernels;
constexpr KernelSet kAvx512Kernels = kSse2Kernels;
#endif

bool DetectSse2() noexcept {
#if !TARNWICK_CASE_SSE2
  return false;
#elif TARNWICK_CASE_SSE2_BASELINE
  return true;
#elif defined(__GNUC__)
  __builtin_cpu_init();  // the check may run before the runtime's own start-up code
  return __builtin_cpu_supports("sse2");
#elif defined(_MSC_VER)
  int registers[4] = {};
  __cpuid(registers, 1);
  return (registers[3] & (1 << 26)) != 0;  // EDX bit 26: SSE2
#else
  return false;
#endif
}

// AVX2 needs the system's support too: it must save the 256-bit registers
// (XCR0 bits 1 and 2, readable once OSXSAVE is set), which the compiler's
// own check includes.
bool DetectAvx2() noexcept {
#if !TARNWICK_CASE_SSE2
  return false;
#elif defined(__GNUC__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#elif defined(_MSC_VER)
  int registers[4] = {};
  __cpuid(registers, 0);
  if (registers[0] < 7) return false;
  __cpuid(registers, 1);
  const bool osSaves = (registers[2] & (1 << 27)) != 0 && (registers[2] & (1 << 28)) != 0;  // OSXSAVE, AVX
  if (!osSaves || (_xgetbv(0) & 6) != 6) return false;
  __cpuidex(registers, 7, 0);
  return (registers[1] & (1 << 5)) != 0;  // EBX bit 5: AVX2
#else
  return false;
#endif
}

// AVX-512 needs the opmask and the 512-bit registers saved too (XCR0 bits 5
// to 7).
bool DetectAvx512() noexcept {
#if !TARNWICK_CASE_SSE2
  return false;
#elif defined(__GNUC__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vbmi");
#elif defined(_MSC_VER)
  if (!DetectAvx2() || (_xgetbv(0) & 0xE6) != 0xE6) return false;
  int registers[4] = {};
  __cpuidex(registers, 7, 0);
  const bool foundationAndBytes = (registers[1] & (1 << 16)) != 0 && (registers[1] & (1 << 30)) != 0;  // F, BW
  return foundationAndBytes && (registers[2] & (1 << 1)) != 0;                                        // VBMI
#else
  return false;
#endif
}

const KernelSet& KernelsFor(detail::KernelPath path) noexcept {
#if TARNWICK_CASE_SSE2
  if (path == detail::KernelPath::Sse2) return kSse2Kernels;
  if (path == detail::KernelPath::Avx2) return kAvx2Kernels;
  if (path == detail::KernelPath::Avx512) return kAvx512Kernels;
#endif
  (void)path;
  return kScalarKernels;
}

detail::KernelPath BestKernelPath() noexcept {
  if (detail::CpuHasAvx512()) return detail::KernelPath::Avx512;
  if (detail::CpuHasAvx2()) return detail::KernelPath::Avx2;
  return detail::CpuHasSse2() ? detail::KernelPath::Sse2 : detail::KernelPath::Scalar;
}

// Chosen on first use; a function-local static, so that a conversion during
// another file's static initialisation finds it set.
const KernelSet*& ActiveKernels() noexcept {
  static const KernelSet* active = &KernelsFor(BestKernelPath());
  return active;
}

}  // namespace

namespace detail {

bool CpuHasSse2() noexcept {
  static const bool has = DetectSse2();
  return has;
}

bool CpuHasAvx2() noexcept {
  static const bool has = DetectAvx2();
  return has;
}

bool CpuHasAvx512() noexcept {
  static const bool has = DetectAvx512();
  return has;
}

KernelPath ActiveKernelPath() noexcept {
#if TARNWICK_CASE_SSE2
  if (ActiveKernels() == &kAvx512Kernels) return KernelPath::Avx512;
  if (ActiveKernels() == &kAvx2Kernels) return KernelPath::Avx2;
  if (ActiveKernels() == &kSse2Kernels) return KernelPath::Sse2;
#endif
  return KernelPath::Scalar;
}

bool UseKernelPath(KernelPath path) noexcept {
  if (path == KernelPath::Sse2 && !CpuHasSse2()) return false;
  if (path == KernelPath::Avx2 && !CpuHasAvx2()) return false;
  if (path == KernelPath::Avx512 && !CpuHasAvx512()) return false;
  ActiveKernels() = &KernelsFor(path);
  return true;
}

}  // namespace detail

bool HasVectorKernels() noexcept { return detail::ActiveKernelPath() != detail::KernelPath::Scalar; }

void UpperUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept { ActiveKernels()->upper(in, out, n); }

void LowerUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept { ActiveKernels()->lower(in, out, n); }

void ToggleUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept {
  ActiveKernels()->toggle(in, out, n);
}

bool SentenceUnits(const char16_t* in, char16_t* out, std::size_t n, bool capitaliseNext) noexcept {
  return ActiveKernels()->sentence(in, out, n, capitaliseNext);
}

bool ProperUnits(const char16_t* in, char16_t* out, std::size_t n, bool atWordStart) noexcept {
  return ActiveKernels()->proper(in, out, n, atWordStart);
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

Text Convert(CaseRule rule, TextView text) {
  return Converted(text, [rule](const char16_t* in, char16_t* out, std::size_t n) {
    ConvertUnits(rule, in, out, n, true);
  });
}

namespace {

template <class Kernels>
bool ConvertWith(CaseRule rule, const char16_t* in, char16_t* out, std::size_t n, bool state) {
  switch (rule) {
    case CaseRule::Sentence: return Kernels::sentence(in, out, n, state);
    case CaseRule::Lower: Kernels::lower(in, out, n); break;
    case CaseRule::Upper: Kernels::upper(in, out, n); break;
    case CaseRule::Proper: return Kernels::proper(in, out, n, state);
    case CaseRule::Toggle: Kernels::toggle(in, out, n); break;
  }
  return state;
}

struct PublicKernels {
  static constexpr auto upper = UpperUnits, lower = LowerUnits, toggle = ToggleUnits;
  static constexpr auto sentence = SentenceUnits, proper = ProperUnits;
};
struct ScalarKernels {
  static constexpr auto upper = scalar::UpperUnits, lower = scalar::LowerUnits, toggle = scalar::ToggleUnits;
  static constexpr auto sentence = scalar::SentenceUnits, proper = scalar::ProperUnits;
};

}  // namespace

bool ConvertUnits(CaseRule rule, const char16_t* in, char16_t* out, std::size_t n, bool state) noexcept {
  return ConvertWith<PublicKernels>(rule, in, out, n, state);
}

bool scalar::ConvertUnits(CaseRule rule, const char16_t* in, char16_t* out, std::size_t n, bool state) noexcept {
  return ConvertWith<ScalarKernels>(rule, in, out, n, state);
}

const char* CaseRuleName(CaseRule rule) noexcept {
  switch (rule) {
    case CaseRule::Sentence: return "sentence";
    case CaseRule::Lower: return "lower";
    case CaseRule::Upper: return "upper";
    case CaseRule::Proper: return "proper";
    case CaseRule::Toggle: break;
  }
  return "toggle";
}

}  // namespace tarnwick::mCase
