// Stored settings are text; these read and write them as the numbers that
// the main window keeps (16-bit integers and single-precision numbers).
#pragma once

#include <cstdint>

#include "common/Text.h"

namespace tarnwick::mRegSettings {

// Accepts optional blanks, a sign, digits and a decimal fraction (rounded half
// to even). Empty or non-numeric text raises run-time error 13 "Type
// mismatch"; a value outside -32768..32767 raises 6 "Overflow".
std::int16_t ParseInt16Setting(TextView text);
// The same syntax as a single-precision number; the same errors (6 beyond the
// float range).
float ParseSingleSetting(TextView text);

// Decimal text with "." as decimal point whatever the locale, the shortest
// that reads back to the same float.
Text FormatSingleSetting(float value);
Text FormatInt16Setting(std::int16_t value);

}  // namespace tarnwick::mRegSettings
