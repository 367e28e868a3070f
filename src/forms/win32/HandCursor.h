// The hand-shaped pointer of the link labels: a 32 x 32 monochrome image
// stored in the program, made into a cursor on first use and kept.
#pragma once

#include <windows.h>

namespace tarnwick::forms {

HCURSOR HandCursor();

}  // namespace tarnwick::forms
