// Text blocks as the clipboard holds them: UTF-16 code units ending in NUL.
#pragma once

#include <cstddef>

#include "common/Text.h"

namespace tarnwick::clipboard {

// The text of a block of `bytes` bytes: up to the first NUL, or the whole
// block when it has none (an odd trailing byte is not a code unit).
Text TextFromUnicodeBlock(const void* data, std::size_t bytes);

// Bytes needed to store `text` as a block with its terminating NUL.
std::size_t UnicodeBlockBytes(TextView text);

// Writes `text` and its NUL into `data`, which holds UnicodeBlockBytes(text).
void WriteUnicodeBlock(TextView text, void* data);

}  // namespace tarnwick::clipboard
