// The vector kernels behind the public ones, and the choice between them and
// the scalar loops. Every x86 build compiles the SSE2 kernels and the AVX2
// and AVX-512 kernels of UTF-8; the best that the CPU (and, for the wider
// registers, the system, which must save them) runs is chosen at run time,
// once. Where the target's baseline lacks SSE2 (32-bit x86 for CPUs of the
// Pentium III era) a CPU without it takes the scalar loops.
#pragma once

#include <cstddef>
#include <cstdint>

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

// UTF-8 in blocks of 32 and 64 bytes; these paths take the SSE2 kernels of
// UTF-16.
namespace tarnwick::mCase::avx2 {
// Call only where CpuHasAvx2() holds.
std::size_t ConvertUtf8(CaseRule rule, const char* in, std::size_t n, char* out, bool& state) noexcept;
}  // namespace tarnwick::mCase::avx2
namespace tarnwick::mCase::avx512 {
// Call only where CpuHasAvx512() holds.
std::size_t ConvertUtf8(CaseRule rule, const char* in, std::size_t n, char* out, bool& state) noexcept;
}  // namespace tarnwick::mCase::avx512
#endif

namespace tarnwick::mCase::detail {

enum class KernelPath { Scalar, Sse2, Avx2, Avx512 };

// True when this build has the SSE2 kernels and the CPU runs them.
bool CpuHasSse2() noexcept;
// The same for the AVX2 kernel, and for the AVX-512 one (AVX512F, BW and
// VBMI).
bool CpuHasAvx2() noexcept;
bool CpuHasAvx512() noexcept;

// The path that the public kernels take: at first the best the CPU runs.
KernelPath ActiveKernelPath() noexcept;

// Makes the public kernels take `path` from now on, so that tests and
// benchmarks can run each path on the same CPU. False (and nothing changes)
// when the CPU or the build cannot run it. Not for use while another thread
// converts.
bool UseKernelPath(KernelPath path) noexcept;

// How many stretches the UTF-8 block kernels (AVX2, AVX-512) have handed to
// the plain steps since the program started, for the tests: text of the
// scripts that the blocks know must never need them.
std::uint64_t Utf8PlainStretches() noexcept;
void CountUtf8PlainStretch() noexcept;

// How many blocks the AVX2 kernel's common route has left to its full
// lookups, for the tests: Latin-1, Greek, Cyrillic and the caseless
// three-byte scripts must never need them.
std::uint64_t Utf8FullLookups() noexcept;
void CountUtf8FullLookup() noexcept;

}  // namespace tarnwick::mCase::detail
