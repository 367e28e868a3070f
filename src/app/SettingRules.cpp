#include "app/SettingRules.h"

#include <cmath>
#include <limits>

#include "app/Form1Design.h"
#include "errors/ErrInfo.h"

namespace tarnwick::app {

int CheckedOptionIndex(std::int16_t index) {
  if (index < 0 || index >= kOptionCount) mErrTrap::RaiseControlArrayElement(index);
  return index;
}

int CheckedCheckState(std::int16_t state) {
  if (state < 0 || state > 2) mErrTrap::RaiseRuntime(mErrTrap::rt::InvalidProperty);
  return state;
}

int EdgePixelsFromTwips(float twips, int dpi) {
  const double pixels = std::round(static_cast<double>(twips) * dpi / 1440.0);
  if (!std::isfinite(pixels) || pixels < std::numeric_limits<int>::min() ||
      pixels > std::numeric_limits<int>::max()) {
    mErrTrap::RaiseRuntime(mErrTrap::rt::Overflow);
  }
  return static_cast<int>(pixels);
}

}  // namespace tarnwick::app
