// Text at the Win32 boundary: wchar_t is a UTF-16 code unit on Windows, so
// the conversions copy code units unchanged.
#pragma once

#include <string>
#include <string_view>

#include "common/Text.h"

namespace tarnwick::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 text is UTF-16");

inline std::wstring ToWide(TextView text) { return std::wstring(text.begin(), text.end()); }
inline Text FromWide(std::wstring_view text) { return Text(text.begin(), text.end()); }
inline Text FromWide(const wchar_t* text, std::size_t length) {
  return Text(text, text + length);
}
// The text as a NUL-terminated wide string, without a copy.
inline const wchar_t* WideView(const Text& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace tarnwick::win32
