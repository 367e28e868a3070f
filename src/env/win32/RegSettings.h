// The per-user settings store: REG_SZ values under
// HKEY_CURRENT_USER\Software\Tarnwick\<section>, one value per key.
#pragma once

#include <cstddef>

#include "common/Text.h"

namespace tarnwick::mRegSettings {

inline constexpr std::size_t kMaxSettingChars = 32767;

// The stored text, or defaultValue when the section or the value is missing.
// A value that is not text (REG_DWORD, REG_BINARY, ...) or longer than
// kMaxSettingChars comes back as empty text: it is never read past its stored
// size, and a caller that parses it as a number reports a type mismatch.
Text GetSetting(TextView section, TextView key, TextView defaultValue);
// Writes the value as REG_SZ; a failure raises run-time error 75
// "Path/File access error".
void SaveSetting(TextView section, TextView key, TextView value);
// Version/Major "2", Version/Minor "0", Version/Revision "0", Path/AppPath.
// Trap "mRegSettings.SaveVersion".
void SaveVersion();

// The folder of the running executable (no trailing backslash except at a
// drive root).
Text AppFolder();

}  // namespace tarnwick::mRegSettings
