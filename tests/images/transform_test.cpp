// Reduction to black and white and resizing, by the properties a user sees.

#include "images/dither.h"
#include "images/resize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

using namespace tavro::images;

namespace {

// A picture whose pixel (x, y) has the grey level(x, y).
template <typename Level>
Picture make(int width, int height, Level level) {
  Picture p;
  p.width = width;
  p.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      p.pixels.push_back(std::uint8_t(level(x, y)));
  return p;
}

Picture flat(int width, int height, std::uint8_t grey) {
  return make(width, height, [grey](int, int) { return grey; });
}

Picture reduced(Picture p, Dither dither, int threshold) {
  reduceToMonochrome(p, dither, threshold);
  return p;
}

double blackShare(const Picture& p) {
  auto black = std::count(p.pixels.begin(), p.pixels.end(), 0);
  return double(black) / double(p.pixels.size());
}

// A smooth left-to-right ramp with some vertical variation.
Picture ramp(int width, int height) {
  return make(width, height, [width](int x, int y) { return (x * 255 / (width - 1) + y) % 256; });
}

const Dither everyDither[] = {Dither::None, Dither::Random, Dither::MatrixDisplay, Dither::MatrixPrinting,
                              Dither::FloydSteinberg};

} // namespace

TEST(Monochrome, EveryDitherFollowsTheThresholdKeepsToneAndBlackAndWhiteAndGivesTheSameBitsByBands) {
  // A plain threshold makes the levels from the threshold up white.
  const int levels[] = {99, 100, 101, 255};
  const Picture p = reduced(make(4, 1, [&](int x, int) { return levels[x]; }), Dither::None, 100);
  EXPECT_EQ(p.pixels, (std::vector<std::uint8_t>{0, 255, 255, 255}));
  EXPECT_TRUE(p.monochrome);
  for (Dither d : everyDither) {
    SCOPED_TRACE(int(d));
    // Threshold 0 is all white (the ramp holds black), the top almost all black, and a higher
    // threshold never gives fewer black pixels.
    EXPECT_EQ(blackShare(reduced(ramp(64, 64), d, 0)), 0.0);
    EXPECT_GT(blackShare(reduced(flat(64, 64, 200), d, 255)), 0.95);
    EXPECT_LT(blackShare(reduced(ramp(64, 64), d, 100)), blackShare(reduced(ramp(64, 64), d, 160)));
    // Pure black and white stay as they are.
    const Picture halves = make(16, 16, [](int, int y) { return y < 8 ? 0 : 255; });
    EXPECT_EQ(reduced(halves, d, 128).pixels, halves.pixels);
    // Bands of rows give the same bits as the whole picture: an odd width, and bands that end
    // mid-way through a random number's four pixels and on rows of either serpentine direction.
    const Picture source = ramp(37, 29);
    for (int threshold : {60, 128}) {
      Picture banded = source;
      RowReducer reducer(d, threshold, banded.width);
      for (std::int32_t first = 0, band = 1; first < banded.height; first += band, band = band % 5 + 2)
        reducer.reduce(banded.pixels.data(), first, std::min(banded.height, first + band));
      EXPECT_EQ(banded.pixels, reduced(source, d, threshold).pixels) << "bands at " << threshold;
    }
    if (d == Dither::None)
      continue;
    if (d == Dither::Random) {
      // Each pixel draws a number of its own: in a flat mid grey, neighbours agree half the time.
      const Picture noise = reduced(flat(256, 64, 128), d, 128);
      int same = 0;
      for (int y = 0; y < 64; ++y)
        for (int x = 1; x < 256; ++x)
          same += noise.at(x, y) == noise.at(x - 1, y);
      EXPECT_NEAR(same / (64.0 * 255), 0.5, 0.05);
    }
    // Each dither keeps the tone of a flat grey: 25%, 50% and 75% come out 75%, 50% and 25%
    // black, within 2 points.
    for (auto [grey, black] : {std::pair{64, 0.75}, std::pair{128, 0.5}, std::pair{191, 0.25}})
      EXPECT_NEAR(blackShare(reduced(flat(256, 256, std::uint8_t(grey)), d, 128)), black, 0.02) << grey;
    // And of each 32-column band of a ramp, which a threshold would not.
    const Picture original = ramp(256, 64);
    const Picture out = reduced(original, d, 128);
    for (int band = 0; band < 8; ++band) {
      double sumIn = 0, sumOut = 0;
      for (int y = 0; y < 64; ++y)
        for (int x = band * 32; x < band * 32 + 32; ++x) {
          sumIn += original.at(x, y);
          sumOut += out.at(x, y);
        }
      EXPECT_NEAR(sumOut / sumIn, 1.0, 0.08) << "band " << band;
    }
  }
}

TEST(Monochrome, OrderedDithersRepeatWithTheMatrixPeriodAndDispersedAndClusteredDiffer) {
  for (Dither d : {Dither::MatrixDisplay, Dither::MatrixPrinting}) {
    SCOPED_TRACE(int(d));
    const Picture p = reduced(flat(40, 24, 100), d, 128);
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 40; ++x)
        ASSERT_EQ(p.at(x, y), p.at(x % 8, y % 8)) << x << "," << y;
    // Each of a tile's 64 levels lights one more of its pixels.
    for (int k = 0; k < 64; ++k) {
      const auto grey = std::uint8_t(((k + 1) * 255 + 63) / 64);
      EXPECT_DOUBLE_EQ(blackShare(reduced(flat(8, 8, grey), d, 128)), (63.0 - k) / 64) << "level " << k;
    }
  }
  // The dispersed dot spreads each level as evenly as a screen can: 50% grey is a checkerboard
  // and 25% lights every other pixel of every other row, each white pixel ringed by black.
  const Picture half = reduced(flat(16, 16, 128), Dither::MatrixDisplay, 128);
  const Picture quarter = reduced(flat(16, 16, 64), Dither::MatrixDisplay, 128);
  for (int y = 0; y + 2 < 16; ++y)
    for (int x = 0; x + 2 < 16; ++x) {
      ASSERT_NE(half.at(x, y), half.at(x + 1, y)) << x << "," << y;
      ASSERT_NE(half.at(x, y), half.at(x, y + 1)) << x << "," << y;
      const bool white = quarter.at(x, y) == 255;
      ASSERT_EQ(white, quarter.at(x + 2, y) == 255 && quarter.at(x, y + 2) == 255) << x << "," << y;
      if (white) {
        ASSERT_EQ(quarter.at(x + 1, y) + quarter.at(x, y + 1) + quarter.at(x + 1, y + 1), 0) << x << "," << y;
      }
    }
  // The clustered dot gives larger dots, so far fewer black pixels have a white right-hand
  // neighbour.
  auto edges = [](const Picture& p) {
    int n = 0;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x + 1 < p.width; ++x)
        n += p.at(x, y) != p.at(x + 1, y);
    return n;
  };
  EXPECT_GT(edges(reduced(flat(64, 64, 128), Dither::MatrixDisplay, 128)),
            3 * edges(reduced(flat(64, 64, 128), Dither::MatrixPrinting, 128)));
}

TEST(ResizeSize, ExactOrTheLargestSizeWithinThatKeepsTheRatioAndNothingOutOfRange) {
  EXPECT_EQ(resizedSize(200, 100, 100, 50, ResizeMode::Exact), std::make_pair(100, 50));
  EXPECT_EQ(resizedSize(200, 100, 30, 90, ResizeMode::Exact), std::make_pair(30, 90));
  EXPECT_EQ(resizedSize(200, 100, 0, 40, ResizeMode::Exact), std::make_pair(200, 40));
  EXPECT_EQ(resizedSize(200, 100, 100, 100, ResizeMode::KeepRatio), std::make_pair(100, 50));
  EXPECT_EQ(resizedSize(200, 100, 300, 60, ResizeMode::KeepRatio), std::make_pair(120, 60));
  EXPECT_EQ(resizedSize(200, 100, 0, 10, ResizeMode::KeepRatio), std::make_pair(20, 10));
  EXPECT_EQ(resizedSize(3, 2, 400, 400, ResizeMode::KeepRatio), std::make_pair(400, 267));
  for (auto mode : {ResizeMode::Exact, ResizeMode::KeepRatio})
    EXPECT_EQ(resizedSize(200, 100, 0, 0, mode), std::make_pair(200, 100));
  // A thin picture keeps at least one pixel across.
  EXPECT_EQ(resizedSize(1, 16000, 100, 100, ResizeMode::KeepRatio), std::make_pair(1, 100));
  // Negative and oversized requests fail with the transform code.
  for (auto [w, h] : {std::pair{-5, 10}, std::pair{10, -1}, std::pair{20000, 10}, std::pair{16384, 16384}}) {
    try {
      resizedSize(100, 100, w, h, ResizeMode::Exact);
      ADD_FAILURE() << w << "x" << h;
    } catch (const ImageFailure& e) {
      EXPECT_EQ(e.code(), codeTransform);
    }
  }
}

TEST(ResizeSize, PercentRoundsHalvesToEven) {
  // {side, percent, result}: 3.5 and 4.5 go to 4, 1.01 to 1; a side asked to shrink keeps a
  // pixel, since 0 would leave it as it is.
  const int cases[][3] = {{200, 50, 100}, {5, 50, 2},      {3, 25, 1}, {7, 50, 4}, {9, 50, 4},
                          {101, 1, 1},    {640, 100, 640}, {1, 50, 1}, {41, 1, 1}, {211, 1, 2}};
  for (const auto& c : cases)
    EXPECT_EQ(percentOf(c[0], c[1]), c[2]) << c[0] << " at " << c[1] << "%";
}

TEST(Resample, ShrinkingAveragesTheAreaEachPixelCoversAndEnlargingInterpolates) {
  // A 1-pixel checkerboard halves to even grey, where nearest neighbour would give black or white.
  const Picture half = resample(make(64, 64, [](int x, int y) { return (x + y) % 2 ? 255 : 0; }), 32, 32);
  for (auto v : half.pixels)
    ASSERT_EQ(v, 128);
  // By a third: a black column in three weighs a third of each new pixel.
  const Picture third = resample(make(9, 3, [](int x, int) { return x % 3 ? 255 : 0; }), 3, 1);
  for (auto v : third.pixels)
    EXPECT_EQ(v, 170);
  // Uneven ratios keep the mean.
  Picture r = ramp(101, 37);
  Picture small = resample(r, 33, 10);
  double meanIn = std::accumulate(r.pixels.begin(), r.pixels.end(), 0.0) / double(r.pixels.size());
  double meanOut = std::accumulate(small.pixels.begin(), small.pixels.end(), 0.0) / double(small.pixels.size());
  EXPECT_NEAR(meanIn, meanOut, 1.0);

  // Enlarging keeps flat areas flat and interpolates between pixels.
  const Picture big = resample(flat(3, 2, 77), 17, 9);
  ASSERT_EQ(big.width, 17);
  ASSERT_EQ(big.height, 9);
  for (auto v : big.pixels)
    ASSERT_EQ(v, 77);
  // Black and white, four times as wide: the two centres land on 2 and 6, and the pixels
  // between them (their centres at 2.5 ... 5.5) take the greys on the line between; outside
  // the centres each end keeps its own.
  const Picture wide = resample(make(2, 1, [](int x, int) { return x ? 255 : 0; }), 8, 1);
  EXPECT_EQ(wide.pixels, (std::vector<std::uint8_t>{0, 0, 32, 96, 159, 223, 255, 255}));
  // One pixel to many and back.
  Picture dot = flat(1, 1, 90);
  EXPECT_EQ(resample(resample(dot, 5, 300), 1, 1).pixels, dot.pixels);
}
