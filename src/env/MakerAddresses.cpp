#include "env/MakerAddresses.h"

#include <array>

namespace tarnwick {
namespace {

constexpr std::array<char16_t, 24> kSupportCodes{
    115, 117, 112, 112, 111, 114, 116, 64, 116, 97, 114, 110,
    119, 105, 99, 107, 46, 101, 120, 97, 109, 112, 108, 101};
constexpr std::array<char16_t, 29> kWebsiteCodes{
    104, 116, 116, 112, 115, 58, 47, 47, 119, 119, 119, 46, 116, 97, 114,
    110, 119, 105, 99, 107, 46, 101, 120, 97, 109, 112, 108, 101, 47};

template <std::size_t N>
Text FromCodes(const std::array<char16_t, N>& codes) {
  Text text;
  text.reserve(N);
  for (char16_t code : codes) text.push_back(code);
  return text;
}

}  // namespace

Text SupportAddress() { return FromCodes(kSupportCodes); }
Text WebsiteAddress() { return FromCodes(kWebsiteCodes); }

}  // namespace tarnwick
