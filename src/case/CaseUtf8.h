// The five rules applied to UTF-8 directly, with the same result as decoding
// to UTF-16, converting and encoding back: a character beyond the BMP passes
// unchanged (its surrogate halves have no case), every other character is
// replaced by the converted form of its one unit. A partner may need another
// number of bytes (dotless i, 2 bytes, becomes I, 1 byte; U+023A, 2 bytes,
// becomes U+2C65, 3 bytes), so the text may shrink or grow, never beyond
// half as long again.
#pragma once

#include <cstddef>

#include "case/CaseRules.h"

namespace tarnwick::mCase {

// The output room that n bytes of input may need.
constexpr std::size_t Utf8Capacity(std::size_t n) { return n + n / 2; }

// Converts n bytes of well-formed UTF-8 that end with a whole character,
// writing at most Utf8Capacity(n) bytes to `out` (which must not overlap
// `in`); returns the bytes written. `state` is that of ConvertUnits, taken
// and updated. For bytes that are not well-formed the result is unspecified
// (they may pass as they are or change), but nothing outside the two
// buffers is ever read or written.
std::size_t ConvertUtf8(CaseRule rule, const char* in, std::size_t n, char* out, bool& state) noexcept;

// The plain loop behind it, one character at a time. ConvertUtf8 takes the
// vector path that the case kernels take (SSE2 rounds of 16 bytes, AVX2
// blocks of 32, AVX-512 blocks of 64) and must give the same bytes.
namespace scalar {
std::size_t ConvertUtf8(CaseRule rule, const char* in, std::size_t n, char* out, bool& state) noexcept;
}  // namespace scalar

}  // namespace tarnwick::mCase
