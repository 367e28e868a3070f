#include "common/Text.h"

namespace tarnwick {

Text AsciiToText(std::string_view ascii) {
  Text out;
  out.reserve(ascii.size());
  for (unsigned char c : ascii) out.push_back(c < 0x80 ? char16_t(c) : u'?');
  return out;
}

std::string TextToAscii(TextView text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out.push_back(c < 0x80 ? char(c) : '?');
  return out;
}

Text DecimalText(long long value) { return AsciiToText(std::to_string(value)); }

}  // namespace tarnwick
