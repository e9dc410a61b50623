#include "images/dither.h"

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace tavro::images {
namespace {

// Bayer's recursive ordering: each level of the 8 x 8 matrix spreads the levels as evenly as
// it can, which makes the finest pattern a screen can show.
constexpr std::array<std::uint8_t, 64> bayer = {
    0,  32, 8,  40, 2,  34, 10, 42, 48, 16, 56, 24, 50, 18, 58, 26, 12, 44, 4,  36, 14, 46,
    6,  38, 60, 28, 52, 20, 62, 30, 54, 22, 3,  35, 11, 43, 1,  33, 9,  41, 51, 19, 59, 27,
    49, 17, 57, 25, 15, 47, 7,  39, 13, 45, 5,  37, 63, 31, 55, 23, 61, 29, 53, 21,
};

// Pixels ranked by the spot function cos(2 pi x) + cos(2 pi y): black dots grow from the cell
// corners and white ones from the centres, a 45-degree screen that prints without smearing.
constexpr std::array<std::uint8_t, 64> clustered = {
    63, 59, 47, 39, 38, 46, 58, 62, 57, 51, 37, 23, 22, 36, 50, 56, 45, 35, 15, 11, 10, 14,
    34, 44, 33, 21, 9,  3,  2,  8,  20, 32, 31, 19, 7,  1,  0,  6,  18, 30, 43, 29, 13, 5,
    4,  12, 28, 42, 55, 49, 27, 17, 16, 26, 48, 54, 61, 53, 41, 25, 24, 40, 52, 60,
};

// The tone curve of the dithered modes: grey g becomes 255 (g/255)^gamma, where gamma puts
// the half-black point at threshold/256 of white; 128 leaves every level as it is.
std::array<std::uint8_t, 256> toneCurve(int threshold) {
  std::array<std::uint8_t, 256> lut{};
  if (threshold <= 0) {
    lut.fill(255);
    return lut;
  }
  if (threshold == 128) {
    for (int g = 0; g < 256; ++g)
      lut[std::size_t(g)] = std::uint8_t(g);
    return lut;
  }
  double gamma = std::log(0.5) / std::log(threshold / 256.0);
  for (int g = 0; g < 256; ++g)
    lut[std::size_t(g)] = std::uint8_t(std::lround(255.0 * std::pow(g / 255.0, gamma)));
  return lut;
}

// An ordered dither as a table by place in the 8 x 8 cell and level: a level v is white where
// v exceeds the matrix entry's share of the range, (m + 1/2) * 255 / 64, so a flat field gets
// the nearest sixty-fourth of white.
std::vector<std::uint8_t> orderedTable(const std::array<std::uint8_t, 256>& lut,
                                       const std::array<std::uint8_t, 64>& matrix) {
  std::vector<std::uint8_t> table(64 * 256);
  for (std::size_t place = 0; place < 64; ++place)
    for (std::size_t v = 0; v < 256; ++v)
      table[place * 256 + v] = 128 * lut[v] > (2 * matrix[place] + 1) * 255 ? 255 : 0;
  return table;
}

// splitmix64 from a fixed seed, so the same picture always gives the same bits.
std::uint64_t nextRandom(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

// One row of Floyd-Steinberg in the direction Dir (+1 or -1). `cur` holds the errors this
// row has received (in sixteenths of a level, index -1 and w absorb the edges); the errors for
// the row below are written to `below` once each, the pending ones carried in registers.
template <int Dir>
void diffuseRow(std::uint8_t* row, std::int32_t w, const std::array<std::uint8_t, 256>& lut, const std::int32_t* cur,
                std::int32_t* below) {
  std::int32_t x = Dir > 0 ? 0 : w - 1;
  const std::int32_t end = Dir > 0 ? w : -1;
  std::int32_t ahead = 0;  // 7/16 of the last error, for the next pixel of this row
  std::int32_t behind = 0; // pending for below[x - Dir]
  std::int32_t under = 0;  // pending for below[x]
  below[x - Dir] = 0;
  for (; x != end; x += Dir) {
    const std::int32_t value = 16 * std::int32_t(lut[row[x]]) + cur[x] + ahead;
    const std::int32_t out = value >= 16 * 128 ? 255 : 0;
    row[x] = std::uint8_t(out);
    const std::int32_t err = value - 16 * out;
    // Split 7:3:5:1 with the rounding remainder in the last share, so nothing is lost.
    const std::int32_t e7 = (err * 7) >> 4, e3 = (err * 3) >> 4, e5 = (err * 5) >> 4;
    const std::int32_t e1 = err - e7 - e3 - e5;
    ahead = e7;
    below[x - Dir] = behind + e3;
    behind = under + e5;
    under = e1;
  }
  below[end - Dir] = behind;
  below[end] = under;
}

} // namespace

RowReducer::RowReducer(Dither dither, int threshold, std::int32_t width)
    : m_dither(dither), m_threshold(threshold), m_width(width) {
  if (dither == Dither::None)
    return;
  const auto lut = toneCurve(threshold);
  switch (dither) {
  case Dither::MatrixDisplay: m_table = orderedTable(lut, bayer); break;
  case Dither::MatrixPrinting: m_table = orderedTable(lut, clustered); break;
  case Dither::Random:
    // A level v is white with probability v/255.
    m_scaled.resize(256);
    for (int v = 0; v < 256; ++v)
      m_scaled[std::size_t(v)] = std::uint32_t(lut[std::size_t(v)]) * 65536u;
    break;
  default:
    m_lut = lut;
    m_errors.assign(2 * (std::size_t(width) + 2), 0);
    m_cur = m_errors.data() + 1;
    m_below = m_errors.data() + std::size_t(width) + 3;
    break;
  }
}

void RowReducer::reduce(std::uint8_t* pixels, std::int32_t first, std::int32_t last) {
  const std::size_t w = std::size_t(m_width);
  for (std::int32_t y = first; y < last; ++y) {
    std::uint8_t* row = pixels + std::size_t(y) * w;
    switch (m_dither) {
    case Dither::None:
      for (std::size_t x = 0; x < w; ++x)
        row[x] = row[x] >= m_threshold ? 255 : 0;
      break;
    case Dither::MatrixDisplay:
    case Dither::MatrixPrinting: {
      const std::uint8_t* cells = m_table.data() + std::size_t(y & 7) * 8 * 256;
      for (std::size_t x = 0; x < w; ++x)
        row[x] = cells[(x & 7) * 256 + row[x]];
      break;
    }
    case Dither::Random:
      // Each random number gives four pixels their 16 bits of noise, across row ends.
      for (std::size_t x = 0; x < w; ++x) {
        if (m_bitsLeft == 0) {
          m_bits = nextRandom(m_state);
          m_bitsLeft = 4;
        }
        row[x] = std::uint32_t(m_bits & 0xffff) * 255u < m_scaled[row[x]] ? 255 : 0;
        m_bits >>= 16;
        --m_bitsLeft;
      }
      break;
    default:
      // Serpentine, left to right on even rows and right to left on odd ones, so that errors
      // do not pile up along one side.
      if ((y & 1) == 0)
        diffuseRow<1>(row, m_width, m_lut, m_cur, m_below);
      else
        diffuseRow<-1>(row, m_width, m_lut, m_cur, m_below);
      std::swap(m_cur, m_below);
      break;
    }
  }
}

void reduceToMonochrome(Picture& picture, Dither dither, int threshold) {
  RowReducer(dither, threshold, picture.width).reduce(picture.pixels.data(), 0, picture.height);
  picture.monochrome = true;
}

} // namespace tavro::images
