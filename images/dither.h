#pragma once
// Reduction of a grey picture to black and white.

#include "images/picture.h"

#include <array>
#include <cstdint>
#include <vector>

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

/**
 * The same reduction a band of rows at a time, top to bottom, for work on the top of a
 * picture while the rest is still being decoded: the bands together give exactly what
 * reduceToMonochrome gives for the whole picture.
 */
class RowReducer {
public:
  RowReducer(Dither dither, int threshold, std::int32_t width);
  /// Reduces rows [first, last) of the width-wide pixels; each band starts where the last ended.
  void reduce(std::uint8_t* pixels, std::int32_t first, std::int32_t last);

private:
  Dither m_dither;
  int m_threshold;
  std::int32_t m_width;
  std::vector<std::uint8_t> m_table;   // ordered dithers: white or black by place and level
  std::vector<std::uint32_t> m_scaled; // random: each level's share of white, in 1/65536
  std::uint64_t m_state = 0x9e3779b97f4a7c15ull;
  std::uint64_t m_bits = 0;
  int m_bitsLeft = 0;
  std::array<std::uint8_t, 256> m_lut{}; // Floyd-Steinberg: the tone curve and two rows of errors
  std::vector<std::int32_t> m_errors;
  std::int32_t* m_cur = nullptr;
  std::int32_t* m_below = nullptr;
};

} // namespace tavro::images
