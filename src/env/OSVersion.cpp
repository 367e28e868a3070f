#include "env/OSVersion.h"

namespace tarnwick::mOSVersion {
namespace {

// The first matching row names the system; nullptr leaves the name unchanged.
const char16_t* NameOf(const OSVersionFacts& f) {
  switch (f.platformId) {
    case kPlatformWin32s:
      return u"Win32s";
    case kPlatformWin9x:
      if (f.minor == 0) return u"Windows 95";
      if (f.minor == 90) return u"Windows ME";
      return u"Windows 98";
    case kPlatformNT:
      if (f.major == 5 && f.minor == 0) return u"Windows 2000";
      if (f.major == 5 && f.minor == 1) return u"Windows XP";
      return u"Windows NT";
    default:
      return nullptr;
  }
}

// Service-pack field bytes are ANSI; the systems name their service packs in
// ASCII, and any other byte is kept as its Latin-1 code point.
Text ServicePackBefore(std::string::size_type nul, const std::string& csd) {
  Text text;
  text.reserve(nul);
  for (std::string::size_type i = 0; i < nul; ++i) text.push_back(static_cast<unsigned char>(csd[i]));
  return text;
}

}  // namespace

bool IsWin2000Of(const OSVersionFacts& f) {
  return f.callSucceeded && f.platformId == kPlatformNT && f.major == 5 && f.minor == 0;
}

bool IsWinXPOf(const OSVersionFacts& f) {
  if (!f.callSucceeded || f.platformId != kPlatformNT) return false;
  return (f.major == 5 && (f.minor == 1 || f.minor == 2)) || f.major == 6;
}

void DescribeOS(const OSVersionFacts& f, OSInfo& info) {
  if (!f.callSucceeded) return;
  info.PlatformId = static_cast<std::int32_t>(f.platformId);
  if (const char16_t* name = NameOf(f)) info.Name = name;
  info.Version = DecimalText(f.major) + u"." + DecimalText(f.minor);
  info.Build = DecimalText(f.build & 0xFFFFu);
  const auto nul = f.csdVersion.find('\0');
  if (nul != std::string::npos) info.ServicePack = ServicePackBefore(nul, f.csdVersion);
}

}  // namespace tarnwick::mOSVersion
