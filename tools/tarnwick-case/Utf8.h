// UTF-8 <-> UTF-16 for the filter: strict validation first, then conversion of
// validated bytes piece by piece, so that huge inputs need only small buffers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick::utf8 {

// The byte offset (from 0) at which the first ill-formed sequence starts:
// a stray continuation byte, a lead byte that cannot start a sequence, an
// overlong form, an encoded surrogate, a code point above U+10FFFF, or a
// sequence cut short. Empty when every byte is well-formed.
std::optional<std::size_t> FindInvalid(std::string_view bytes);

// Decodes whole characters from the front of well-formed `bytes` into `out`
// while they fit (a character beyond the BMP takes two units, a surrogate
// pair, and is never split). Returns the units written; `consumed` is the
// number of bytes they came from. Stops early rather than read past the end
// if the bytes are not well-formed after all.
std::size_t Decode(std::string_view bytes, char16_t* out, std::size_t capacity, std::size_t& consumed);

// Appends the UTF-8 form of n UTF-16 units. A surrogate pair becomes one
// 4-byte sequence; a lone surrogate half (never produced by Decode) is
// written as U+FFFD.
void Append(const char16_t* units, std::size_t n, std::string& out);

}  // namespace tarnwick::utf8
