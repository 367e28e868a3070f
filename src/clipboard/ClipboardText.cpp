#include "clipboard/ClipboardText.h"

#include <cstring>

namespace tarnwick::clipboard {

Text TextFromUnicodeBlock(const void* data, std::size_t bytes) {
  if (data == nullptr) return {};
  const std::size_t units = bytes / sizeof(char16_t);
  Text text(units, u'\0');
  if (units != 0) std::memcpy(text.data(), data, units * sizeof(char16_t));
  const std::size_t end = text.find(u'\0');
  if (end != Text::npos) text.resize(end);
  return text;
}

std::size_t UnicodeBlockBytes(TextView text) { return (text.size() + 1) * sizeof(char16_t); }

void WriteUnicodeBlock(TextView text, void* data) {
  if (!text.empty()) std::memcpy(data, text.data(), text.size() * sizeof(char16_t));
  static constexpr char16_t kNul = u'\0';
  std::memcpy(static_cast<char*>(data) + text.size() * sizeof(char16_t), &kNul, sizeof kNul);
}

}  // namespace tarnwick::clipboard
