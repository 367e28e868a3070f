// The SSE2 kernels behind the public ones, on targets that have SSE2.
#pragma once

#include <cstddef>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TARNWICK_CASE_SSE2 1
#else
#define TARNWICK_CASE_SSE2 0
#endif

#if TARNWICK_CASE_SSE2
namespace tarnwick::mCase::sse2 {
void UpperUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept;
void LowerUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept;
void ToggleUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept;
bool SentenceUnits(const char16_t* in, char16_t* out, std::size_t n, bool capitaliseNext) noexcept;
bool ProperUnits(const char16_t* in, char16_t* out, std::size_t n, bool atWordStart) noexcept;
}  // namespace tarnwick::mCase::sse2
#endif
