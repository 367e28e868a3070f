// One directory search (FindFirstFileW) for a path exactly as given, closed
// again at once: true when it finds an entry of any kind.
#pragma once

#include "common/Text.h"

namespace tarnwick::mCommon {

bool PathSearchFindsEntry(TextView path);

}  // namespace tarnwick::mCommon
