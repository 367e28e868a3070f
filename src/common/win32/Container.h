// A plain child window that holds other controls: the main window's
// background panel and option group, and the error dialog's three boxes.
// It passes its children's notifications, colour and cursor questions on
// to its parent, so the window owns the behaviour of every control.
#pragma once

#include <windows.h>

namespace tarnwick::win32 {

enum class ContainerLook {
  Plain,   // the dialog face colour
  Framed,  // the face colour inside an etched frame (a group box)
  Sunken,  // the window colour inside a sunken edge
};

inline constexpr wchar_t kContainerClass[] = L"Tarnwick.Container";

// A container of the given look at `pixels` within `parent`; null when the
// system refuses.
HWND CreateContainer(HWND parent, int id, RECT pixels, ContainerLook look, bool visible);

}  // namespace tarnwick::win32
