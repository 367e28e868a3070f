// How the program hears of clipboard changes. The system's clipboard-format
// listener is the system's own and no other program can delay or break it;
// the clipboard-viewer chain depends on every viewer in front of ours
// passing each notification on. The listener is taken where the system
// offers it and says it is Windows Vista (NT 6.0) or later: a system that
// reports an older version to this program (a compatibility setting, or
// Wine's per-program version) is run as that older system, with the chain.
#pragma once

#include "env/OSVersion.h"

namespace tarnwick::clipboard {

enum class ChangeNotice { ViewerChain, FormatListener };

inline ChangeNotice ChooseChangeNotice(bool listenerOffered,
                                       const mOSVersion::OSVersionFacts& version) {
  const bool vistaOrLater = version.callSucceeded &&
                            version.platformId == mOSVersion::kPlatformNT && version.major >= 6;
  return listenerOffered && vistaOrLater ? ChangeNotice::FormatListener
                                         : ChangeNotice::ViewerChain;
}

}  // namespace tarnwick::clipboard
