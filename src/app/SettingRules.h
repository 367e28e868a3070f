// What a stored setting must be before the main window takes it. A value
// that the window cannot take raises the run-time error that assigning it
// to the control raises.
#pragma once

#include <cstdint>

namespace tarnwick::app {

// "AutoOption": an Option1 index 0..4; any other raises 340 "Control array
// element 'N' doesn't exist".
int CheckedOptionIndex(std::int16_t index);

// "AlwaysOnTop", "Auto": a check box state 0 (unchecked), 1 (checked) or
// 2 (grey); any other raises 380 "Invalid property value".
int CheckedCheckState(std::int16_t state);
// Only a checked box counts as on.
inline bool IsOn(int checkState) { return checkState == 1; }

// "Left", "Top": a window edge in twips, as pixels at `dpi`. Off-screen
// values are kept; one beyond any window position raises 6 "Overflow".
int EdgePixelsFromTwips(float twips, int dpi);

}  // namespace tarnwick::app
