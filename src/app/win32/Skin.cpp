#include "app/win32/Skin.h"

namespace tarnwick::app {

void SkinFramework::LoadSkin(TextView skinFile, TextView schemeName) {
  // The plain look needs no skin file: the names are kept, nothing is read,
  // and the window repaints with the system's colours.
  skinFile_ = Text(skinFile);
  schemeName_ = Text(schemeName);
  if (window_ != nullptr) ::InvalidateRect(window_, nullptr, TRUE);
}

}  // namespace tarnwick::app
