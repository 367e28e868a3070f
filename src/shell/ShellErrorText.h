// What to tell the user when the shell could not start a program.
#pragma once

#include <cstdint>

#include "common/Text.h"

namespace tarnwick::mCommon {

// The message for a shell result code of 32 or less; empty for the codes
// that show nothing (the DDE codes, 32, and every code without a text).
Text ShellErrorText(std::int32_t code);

}  // namespace tarnwick::mCommon
