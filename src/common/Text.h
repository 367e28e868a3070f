// Text as the program holds it: UTF-16 code units, whatever the platform's
// wchar_t width (on Linux wchar_t has 4 bytes, so the portable core uses
// char16_t; on Windows the two convert without copying a byte pattern).
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

using Text = std::u16string;
using TextView = std::u16string_view;

// The line break of every text the program writes.
inline constexpr char16_t kCrLf[] = u"\r\n";

// The program title: the main window's and every message box's caption, the
// name of the settings key and of the report folder, the product name.
inline constexpr char16_t kProgramTitle[] = u"Tarnwick";

// ASCII-only conversion for literals and numbers; non-ASCII bytes become '?'.
Text AsciiToText(std::string_view ascii);
// Keeps the low 7 bits' meaning: code units above 0x7F become '?'.
std::string TextToAscii(TextView text);

// Decimal text of a signed integer (no grouping, no locale).
Text DecimalText(long long value);
// DecimalText with a leading zero below 10 ("05"); other values unchanged.
Text TwoDigits(int value);

// Replaces every occurrence of `from` (not empty) by `to`, left to right;
// what `to` brings in is not searched again.
void ReplaceAll(Text& text, TextView from, TextView to);

}  // namespace tarnwick
