#include "common/Twips.h"

#include <cmath>

namespace tarnwick {

int TwipsToPixels(double twips, int dpi) {
  return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

double PixelsToTwips(int pixels, int dpi) { return pixels * 1440.0 / dpi; }

}  // namespace tarnwick
