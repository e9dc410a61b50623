#pragma once
// Resizing grey pictures.

#include "images/picture.h"

#include <utility>

namespace tavro::images {

enum class ResizeMode : int { KeepRatio = 0, Exact = 1 };

/// percent of size, rounded to the nearest integer with halves to the even neighbour:
/// 50% of 5 is 2, 25% of 3 is 1; a positive percent of a positive size is at least 1.
std::int64_t percentOf(std::int64_t size, std::int64_t percent);

/// The size a resize gives. Exact: width x height, where a 0 keeps that side as it is.
/// KeepRatio: the largest size within width x height with the picture's proportions, where a
/// 0 leaves that side free; no side comes out below one pixel. 0 and 0 keep the size in both
/// modes. Throws ImageFailure 13 for a negative size or a result over the limits.
std::pair<std::int32_t, std::int32_t> resizedSize(std::int32_t sourceWidth, std::int32_t sourceHeight,
                                                  std::int32_t width, std::int32_t height, ResizeMode mode);

/// The picture resampled to width x height: each side that shrinks is averaged over the exact
/// area every new pixel covers; a side that grows is interpolated linearly.
Picture resample(const Picture& source, std::int32_t width, std::int32_t height);

} // namespace tavro::images
