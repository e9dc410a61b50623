#include "images/resize.h"

#include <algorithm>
#include <new>
#include <vector>

namespace tavro::images {
namespace {

// Integer weights of the source pixels for each pixel along one side. Every pixel's weights
// add up to `total`.
struct AxisWeights {
  std::vector<std::uint32_t> start; // where each pixel's run begins in `index` and `weight`
  std::vector<std::int32_t> index;
  std::vector<std::uint32_t> weight;
  std::uint64_t total = 1;
};

AxisWeights axisWeights(std::int64_t src, std::int64_t dst) {
  AxisWeights a;
  a.start.reserve(std::size_t(dst) + 1);
  if (dst < src) {
    // Area averaging, exact in units of 1/dst of a source pixel: the new pixel x covers
    // [x*src, (x+1)*src) and source pixel i covers [i*dst, (i+1)*dst).
    a.total = std::uint64_t(src);
    for (std::int64_t x = 0; x < dst; ++x) {
      a.start.push_back(std::uint32_t(a.index.size()));
      std::int64_t lo = x * src, hi = (x + 1) * src;
      for (std::int64_t i = lo / dst; i * dst < hi; ++i) {
        std::int64_t overlap = std::min(hi, (i + 1) * dst) - std::max(lo, i * dst);
        if (overlap > 0) {
          a.index.push_back(std::int32_t(i));
          a.weight.push_back(std::uint32_t(overlap));
        }
      }
    }
  } else if (dst > src) {
    // Linear interpolation between the two nearest centres, in units of 1/(2 dst).
    a.total = std::uint64_t(2 * dst);
    for (std::int64_t x = 0; x < dst; ++x) {
      a.start.push_back(std::uint32_t(a.index.size()));
      std::int64_t n = (2 * x + 1) * src - dst; // 2 dst times the source position
      std::int64_t i = n < 0 ? 0 : n / (2 * dst);
      std::int64_t f = n < 0 ? 0 : n % (2 * dst);
      if (i + 1 >= src)
        f = 0;
      a.index.push_back(std::int32_t(i));
      a.weight.push_back(std::uint32_t(2 * dst - f));
      if (f > 0) {
        a.index.push_back(std::int32_t(i + 1));
        a.weight.push_back(std::uint32_t(f));
      }
    }
  } else {
    for (std::int64_t x = 0; x < dst; ++x) {
      a.start.push_back(std::uint32_t(x));
      a.index.push_back(std::int32_t(x));
      a.weight.push_back(1);
    }
  }
  a.start.push_back(std::uint32_t(a.index.size()));
  return a;
}

std::int64_t roundedQuotient(std::int64_t num, std::int64_t den) { return (2 * num + den) / (2 * den); }

} // namespace

std::int64_t percentOf(std::int64_t size, std::int64_t percent) {
  std::int64_t num = size * percent;
  std::int64_t q = num / 100, r = num % 100;
  if (r < 0) { // floor division for negative inputs
    q -= 1;
    r += 100;
  }
  if (r > 50 || (r == 50 && (q & 1)))
    ++q;
  // A side asked to shrink keeps at least one pixel: 0 would mean "keep this side as it is".
  if (q == 0 && size > 0 && percent > 0)
    q = 1;
  return q;
}

std::pair<std::int32_t, std::int32_t> resizedSize(std::int32_t sourceWidth, std::int32_t sourceHeight,
                                                  std::int32_t width, std::int32_t height, ResizeMode mode) {
  if (width < 0 || height < 0)
    throw ImageFailure(codeTransform, "negative size");
  std::int64_t w = sourceWidth, h = sourceHeight;
  if (width == 0 && height == 0)
    return {sourceWidth, sourceHeight};
  std::int64_t nw, nh;
  if (mode == ResizeMode::Exact) {
    nw = width ? width : w;
    nh = height ? height : h;
  } else if (height == 0 || (width != 0 && std::int64_t(width) * h <= std::int64_t(height) * w)) {
    // The width is the tighter bound.
    nw = width;
    nh = std::clamp<std::int64_t>(roundedQuotient(h * width, w), 1, height ? height : INT32_MAX);
  } else {
    nh = height;
    nw = std::clamp<std::int64_t>(roundedQuotient(w * height, h), 1, width ? width : INT32_MAX);
  }
  if (!withinLimits(nw, nh))
    throw ImageFailure(codeTransform, "resized picture over the limits");
  return {std::int32_t(nw), std::int32_t(nh)};
}

Picture resample(const Picture& source, std::int32_t width, std::int32_t height) {
  if (!withinLimits(width, height))
    throw ImageFailure(codeTransform, "resized picture over the limits");
  if (width == source.width && height == source.height)
    return source;
  try {
    AxisWeights xs = axisWeights(source.width, width);
    AxisWeights ys = axisWeights(source.height, height);
    Picture out;
    out.width = width;
    out.height = height;
    out.pixels.resize(std::size_t(width) * std::size_t(height));

    // Rows resampled across, cached by source row: each source row feeds a few new rows.
    std::vector<std::uint32_t> across[2] = {std::vector<std::uint32_t>(std::size_t(width)),
                                            std::vector<std::uint32_t>(std::size_t(width))};
    std::int32_t cachedRow[2] = {-1, -1};
    int oldest = 0;
    auto rowAcross = [&](std::int32_t sy) -> const std::vector<std::uint32_t>& {
      for (int k = 0; k < 2; ++k)
        if (cachedRow[k] == sy)
          return across[k];
      int k = oldest;
      oldest ^= 1;
      cachedRow[k] = sy;
      const std::uint8_t* in = source.row(sy);
      std::uint32_t* o = across[k].data();
      for (std::int32_t x = 0; x < width; ++x) {
        std::uint32_t sum = 0;
        for (std::uint32_t j = xs.start[std::size_t(x)]; j < xs.start[std::size_t(x) + 1]; ++j)
          sum += std::uint32_t(in[xs.index[j]]) * xs.weight[j];
        o[x] = sum;
      }
      return across[k];
    };

    const std::uint64_t total = xs.total * ys.total;
    std::vector<std::uint64_t> acc(static_cast<std::size_t>(width));
    for (std::int32_t y = 0; y < height; ++y) {
      std::fill(acc.begin(), acc.end(), 0);
      for (std::uint32_t j = ys.start[std::size_t(y)]; j < ys.start[std::size_t(y) + 1]; ++j) {
        const auto& r = rowAcross(ys.index[j]);
        const std::uint64_t wy = ys.weight[j];
        for (std::int32_t x = 0; x < width; ++x)
          acc[std::size_t(x)] += wy * r[std::size_t(x)];
      }
      std::uint8_t* o = out.row(y);
      for (std::int32_t x = 0; x < width; ++x)
        o[x] = std::uint8_t((acc[std::size_t(x)] + total / 2) / total);
    }
    return out;
  } catch (const std::bad_alloc&) {
    throw ImageFailure(codeTransform, "out of memory while resizing");
  }
}

} // namespace tavro::images
