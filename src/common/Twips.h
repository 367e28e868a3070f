// Window positions and sizes are designed in twips (1/1440 inch) and become
// pixels at the screen's DPI (15 twips a pixel at 96 DPI).
#pragma once

namespace tarnwick {

// Twips to pixels at `dpi` dots per inch, rounded to the nearest pixel.
int TwipsToPixels(double twips, int dpi);
double PixelsToTwips(int pixels, int dpi);

}  // namespace tarnwick
