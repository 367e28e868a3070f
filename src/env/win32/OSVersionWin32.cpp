#include "env/win32/OSVersionWin32.h"

#include <windows.h>

#include "errors/ErrTrap.h"
#include "errors/win32/ApiCall.h"

namespace tarnwick::mOSVersion {

static_assert(sizeof(OSVERSIONINFOA) == 148, "the ANSI version record has 148 bytes");

OSVersionFacts QueryOSVersionFacts() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = 148;
  // The answer that the system gives this program (its compatibility
  // settings included) is the one wanted, so the deprecated call is right.
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
  const BOOL answer = win32::ApiCall([&] { return ::GetVersionExA(&info); });
  OSVersionFacts facts;
  facts.callSucceeded = answer == 1;
  if (!facts.callSucceeded) return facts;
  facts.platformId = info.dwPlatformId;
  facts.major = info.dwMajorVersion;
  facts.minor = info.dwMinorVersion;
  facts.build = info.dwBuildNumber;
  facts.csdVersion.assign(info.szCSDVersion, sizeof info.szCSDVersion);
  return facts;
}

bool IsWin2000() {
  mErrTrap::Trap trap(u"mOSVersion.IsWin2000", mErrTrap::TrapKind::Inner);
  return trap.Run([&] {
    const OSVersionFacts facts = trap.Step(10, [] { return QueryOSVersionFacts(); });
    return trap.Step(20, [&] { return IsWin2000Of(facts); });
  });
}

bool IsWinXP() {
  mErrTrap::Trap trap(u"mOSVersion.IsWinXP", mErrTrap::TrapKind::Inner);
  return trap.Run([&] {
    const OSVersionFacts facts = trap.Step(10, [] { return QueryOSVersionFacts(); });
    return trap.Step(20, [&] { return IsWinXPOf(facts); });
  });
}

void GetOSVersion(OSInfo& info) { DescribeOS(QueryOSVersionFacts(), info); }

}  // namespace tarnwick::mOSVersion
