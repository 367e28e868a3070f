// Decisions about the running system, made over the facts that the platform's
// version query reports (so they can be checked without that platform).
#pragma once

#include <cstdint>
#include <string>

#include "common/Text.h"

namespace tarnwick::mOSVersion {

inline constexpr std::uint32_t kPlatformWin32s = 0;
inline constexpr std::uint32_t kPlatformWin9x = 1;
inline constexpr std::uint32_t kPlatformNT = 2;

// What one version query answered. csdVersion holds the 128 characters of the
// service-pack field exactly as returned (NULs included).
struct OSVersionFacts {
  bool callSucceeded = false;
  std::uint32_t platformId = 0, major = 0, minor = 0, build = 0;
  std::string csdVersion;
};

struct OSInfo {
  std::int32_t PlatformId = 0;
  Text Name, Version, ServicePack, Build;
};

// NT 5.0 only.
bool IsWin2000Of(const OSVersionFacts& facts);
// NT 5.1, 5.2 and every 6.x.
bool IsWinXPOf(const OSVersionFacts& facts);
// Fills the record from the facts; leaves it untouched when the query failed,
// and leaves Name (unknown platform) or ServicePack (no NUL) as they were.
void DescribeOS(const OSVersionFacts& facts, OSInfo& info);

}  // namespace tarnwick::mOSVersion
