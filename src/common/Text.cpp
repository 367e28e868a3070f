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

Text TwoDigits(int value) {
  Text out = DecimalText(value);
  return value >= 0 && value < 10 ? u"0" + out : out;
}

void ReplaceAll(Text& text, TextView from, TextView to) {
  if (from.empty()) return;
  Text out;
  std::size_t start = 0;
  for (auto hit = text.find(from); hit != Text::npos; hit = text.find(from, start)) {
    out.append(text, start, hit - start);
    out.append(to);
    start = hit + from.size();
  }
  if (start == 0) return;
  out.append(text, start, Text::npos);
  text = std::move(out);
}

}  // namespace tarnwick
