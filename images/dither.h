#pragma once
// Reduction of a grey picture to black and white.

#include "images/picture.h"

namespace tavro::images {

/// The dither codes the component takes.
enum class Dither : int {
  None = 0,           // a plain threshold
  Random = 1,         // seeded noise: the same picture always gives the same bits
  MatrixDisplay = 2,  // ordered dither with an 8 x 8 Bayer matrix
  MatrixPrinting = 3, // ordered dither with an 8 x 8 clustered-dot matrix
  FloydSteinberg = 4, // error diffusion, serpentine
};

/**
 * Reduces the picture to black and white in place.
 *
 * Without dithering a grey level at or above the threshold is white. The dithered modes keep
 * the picture's tone: at the threshold 128 a flat field of grey g comes out with g/255 of its
 * pixels white. The threshold moves the mid level along a power curve (the grey that comes out
 * half black is threshold/256 of full white), so 0 gives all white and 255 almost all black.
 * Every mode is deterministic. threshold must be 0 to 255.
 */
void reduceToMonochrome(Picture& picture, Dither dither, int threshold);

} // namespace tavro::images
