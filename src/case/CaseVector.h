// The SSE2 kernels behind the public ones, and the choice between them and
// the scalar loops. Every x86 build compiles the SSE2 kernels; where the
// target's baseline lacks SSE2 (32-bit x86 for CPUs of the Pentium III era)
// they are chosen at run time, once, when the CPU has it.
#pragma once

#include <cstddef>

#include "case/CaseRules.h"

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define TARNWICK_CASE_SSE2 1
#else
#define TARNWICK_CASE_SSE2 0
#endif

// SSE2 is part of the target's baseline: no run-time check is needed.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TARNWICK_CASE_SSE2_BASELINE 1
#else
#define TARNWICK_CASE_SSE2_BASELINE 0
#endif

#if TARNWICK_CASE_SSE2
namespace tarnwick::mCase::sse2 {
// Call only where CpuHasSse2() holds.
void UpperUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept;
void LowerUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept;
void ToggleUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept;
bool SentenceUnits(const char16_t* in, char16_t* out, std::size_t n, bool capitaliseNext) noexcept;
bool ProperUnits(const char16_t* in, char16_t* out, std::size_t n, bool atWordStart) noexcept;
std::size_t ConvertUtf8(CaseRule rule, const char* in, std::size_t n, char* out, bool& state) noexcept;
}  // namespace tarnwick::mCase::sse2
#endif

namespace tarnwick::mCase::detail {

enum class KernelPath { Scalar, Sse2 };

// True when this build has the SSE2 kernels and the CPU runs them.
bool CpuHasSse2() noexcept;

// The path that the public kernels take: at first the best the CPU runs.
KernelPath ActiveKernelPath() noexcept;

// Makes the public kernels take `path` from now on, so that tests and
// benchmarks can run each path on the same CPU. False (and nothing changes)
// when the CPU or the build cannot run it. Not for use while another thread
// converts.
bool UseKernelPath(KernelPath path) noexcept;

}  // namespace tarnwick::mCase::detail
