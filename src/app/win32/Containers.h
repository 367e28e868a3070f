// The plain containers of the main window: the background panel and the
// group box that holds the option buttons. Both pass their children's
// notifications on to their parent, so the window handles every control.
#pragma once

#include <windows.h>

namespace tarnwick::app {

inline constexpr wchar_t kPanelClass[] = L"Tarnwick.Panel";
inline constexpr wchar_t kGroupBoxClass[] = L"Tarnwick.GroupBox";

// Registers both classes once per process; true when they are available.
bool RegisterContainerClasses(HINSTANCE instance);

}  // namespace tarnwick::app
