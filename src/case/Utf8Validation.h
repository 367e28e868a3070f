// Strict UTF-8 validation: the filter checks its input with it, the HTML
// converter its block.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace tarnwick::utf8 {

// The byte offset (from 0) at which the first ill-formed sequence starts:
// a stray continuation byte, a lead byte that cannot start a sequence, an
// overlong form, an encoded surrogate, a code point above U+10FFFF, or a
// sequence cut short. Empty when every byte is well-formed. Takes a vector
// path when the case kernels take one: SSE2, or AVX2 for theirs of AVX2 and
// AVX-512.
std::optional<std::size_t> FindInvalid(std::string_view bytes);

// The plain loop behind it, one sequence at a time.
namespace scalar {
std::optional<std::size_t> FindInvalid(std::string_view bytes);
}  // namespace scalar

// Where the last whole character of `bytes` ends: before a lead byte among
// the last three whose sequence is cut off by the end, else at the end.
std::size_t WholeCharactersEnd(std::string_view bytes);

}  // namespace tarnwick::utf8
