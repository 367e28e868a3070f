// Prints what the version checks and the OS description make of the system
// this process was started on, one field a line:
// IsWin2000, IsWinXP, PlatformId, Name, Version, ServicePack, Build.
#include <cstdio>
#include <string>

#include "env/win32/OSVersionWin32.h"

int main() {
  using namespace tarnwick;
  mOSVersion::OSInfo info;
  info.Name = u"(unset)";
  mOSVersion::GetOSVersion(info);
  std::printf("%d\n%d\n%d\n", mOSVersion::IsWin2000() ? 1 : 0, mOSVersion::IsWinXP() ? 1 : 0,
              static_cast<int>(info.PlatformId));
  for (const Text* field : {&info.Name, &info.Version, &info.ServicePack, &info.Build})
    std::printf("%s\n", TextToAscii(*field).c_str());
  return 0;
}
