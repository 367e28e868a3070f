// The OS checks and the OS description, asked of the running system.
#pragma once

#include "env/OSVersion.h"

namespace tarnwick::mOSVersion {

// The facts of one fresh GetVersionExA query.
OSVersionFacts QueryOSVersionFacts();

bool IsWin2000();  // trap "mOSVersion.IsWin2000"
bool IsWinXP();    // trap "mOSVersion.IsWinXP"
// No trap: a failure passes to the caller.
void GetOSVersion(OSInfo& info);

}  // namespace tarnwick::mOSVersion
