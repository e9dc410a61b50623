#pragma once
// Layouts are computed in twips and shown at a fixed 15 twips a pixel.

namespace tavro::qt {

inline constexpr int twipsPerPixel = 15;

/// The nearest whole pixel to a length in twips (halves round away from zero).
constexpr int toPixels(int twips) {
  return twips >= 0 ? (2 * twips + twipsPerPixel) / (2 * twipsPerPixel)
                    : -((-2 * twips + twipsPerPixel) / (2 * twipsPerPixel));
}

constexpr int toTwips(int pixels) { return pixels * twipsPerPixel; }

} // namespace tavro::qt
