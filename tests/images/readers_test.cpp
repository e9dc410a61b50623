// Each reader on small pictures the test builds itself, and on broken and hostile ones.

#include "images/imagecodecs.h"
#include "tests/images/picturefiles.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace tavro;
using namespace tavro::images;
using namespace tavro::test;

namespace {

// Writes the bytes to a file and reads it back as a picture.
Picture load(const std::string& bytes, const std::string& name = "picture.bin") {
  TempDir dir;
  writeFile(dir.path() / name, bytes);
  return readPicture(dir.file(name));
}

// The failure code reading the bytes gives, or 0 when they read.
int failureCode(const std::string& bytes) {
  try {
    load(bytes);
    return 0;
  } catch (const ImageFailure& e) {
    return e.code();
  }
}

bool badFormat(int code) { return code >= 3 && code <= 6; }

// Black where (x + 2y) % 3 == 0, white elsewhere: no two rows alike, so row order shows.
bool patternBlack(int x, int y) { return (x + 2 * y) % 3 == 0; }
Rgba patternPixel(int x, int y) { return patternBlack(x, y) ? Rgba{0, 0, 0} : Rgba{255, 255, 255}; }

// Rows of 'B' (black) and 'W' (white), top row first.
void expectRows(const Picture& p, const std::vector<std::string>& rows, const std::string& what = "") {
  SCOPED_TRACE(what);
  ASSERT_EQ(p.height, int(rows.size()));
  ASSERT_EQ(p.width, int(rows[0].size()));
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      EXPECT_EQ(p.at(x, y), rows[std::size_t(y)][std::size_t(x)] == 'B' ? 0 : 255) << x << "," << y;
}

void expectPattern(const Picture& p, int width, int height, const std::string& what) {
  std::vector<std::string> rows(std::size_t(height), std::string(std::size_t(width), 'W'));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (patternBlack(x, y))
        rows[std::size_t(y)][std::size_t(x)] = 'B';
  expectRows(p, rows, what);
}

} // namespace

TEST(PngReader, ReadsEveryColourTypeAndBitDepthPlainAndInterlacedGreyAsLumaAndTransparencyAsWhite) {
  const struct {
    int colorType;
    std::vector<int> depths;
  } layouts[] = {{PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},
                 {PNG_COLOR_TYPE_RGB, {8, 16}},
                 {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},
                 {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
                 {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}}};
  for (const auto& kind : layouts)
    for (int depth : kind.depths)
      for (bool interlaced : {false, true}) {
        std::string what = "type " + std::to_string(kind.colorType) + " depth " + std::to_string(depth) +
                           (interlaced ? " interlaced" : "");
        expectPattern(load(makePng({13, 11, kind.colorType, depth, interlaced}, patternPixel)), 13, 11, what);
      }

  // Pure red, green and blue give their BT.601 weights; alpha blends towards white.
  const struct {
    Rgba colour;
    int grey, tolerance;
  } pixels[] = {{{255, 0, 0}, 77, 0},   {{0, 255, 0}, 149, 0},    {{0, 0, 255}, 29, 0},
                {{0, 0, 0, 0}, 255, 0}, {{0, 0, 0, 128}, 127, 1}, {{128, 128, 128}, 128, 0}};
  Picture p = load(makePng({6, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8}, [&](int x, int) { return pixels[x].colour; }));
  for (int x = 0; x < 6; ++x)
    EXPECT_NEAR(p.at(x, 0), pixels[x].grey, pixels[x].tolerance) << "pixel " << x;

  // A palette whose transparent entry is black still shows white there.
  expectRows(load(makePng({4, 1, PNG_COLOR_TYPE_PALETTE, 8, false, true},
                          [](int x, int) {
                            return Rgba{0, 0, 0, std::uint8_t(x ? 255 : 0)};
                          })),
             {"WBBB"});

  // 16-bit samples round to the nearest 8-bit level.
  const Picture wide = load(makePng({2, 1, PNG_COLOR_TYPE_GRAY, 16}, [](int x, int) {
    return x ? Rgba{200, 200, 200} : Rgba{128, 128, 128};
  }));
  EXPECT_EQ(wide.pixels, (std::vector<std::uint8_t>{128, 200}));
}

TEST(JpegReader, BaselineProgressiveGreyAndAdobeCmykKeepTheirTone) {
  // Left half black, right half a 75% grey.
  auto pixel = [](int x, int) { return x < 16 ? Rgba{0, 0, 0} : Rgba{191, 191, 191}; };
  for (bool grey : {false, true})
    for (bool progressive : {false, true}) {
      Picture p = load(makeJpeg({.width = 32, .height = 16, .grey = grey, .progressive = progressive}, pixel));
      ASSERT_EQ(p.width, 32);
      ASSERT_EQ(p.height, 16);
      EXPECT_NEAR(p.at(2, 8), 0, 4) << grey << progressive;
      EXPECT_NEAR(p.at(29, 8), 191, 4) << grey << progressive;
    }
  // Colour goes through luma.
  Picture red = load(makeJpeg({}, [](int, int) { return Rgba{255, 0, 0}; }));
  EXPECT_NEAR(red.at(8, 8), 77, 4);

  // Inks in 8-column bands: no ink (white), 25% black, full cyan (red-less: green and blue
  // left) and full black.
  const struct {
    Rgba inks;
    int grey, tolerance;
  } bands[] = {{{0, 0, 0, 0}, 255, 3}, {{0, 0, 0, 64}, 191, 3}, {{255, 0, 0, 0}, 178, 4}, {{0, 0, 0, 255}, 0, 3}};
  Picture cmyk = load(makeJpeg({.width = 32, .cmyk = true}, [&](int x, int) { return bands[x / 8].inks; }));
  for (int band = 0; band < 4; ++band)
    EXPECT_NEAR(cmyk.at(band * 8 + 4, 8), bands[band].grey, bands[band].tolerance) << "band " << band;
}

TEST(JpegReader, TurnsThePictureTheWayItsExifOrientationSays) {
  // 32 x 16: a black top-left quarter on white. Where that quarter ends up shows the turn.
  auto pixel = [](int x, int y) { return x < 16 && y < 8 ? Rgba{0, 0, 0} : Rgba{255, 255, 255}; };
  struct Turn {
    int orientation;
    int width, height;
    int blackX, blackY; // a point inside the black quarter after turning
  };
  const Turn turns[] = {{1, 32, 16, 4, 4}, {2, 32, 16, 28, 4}, {3, 32, 16, 28, 12}, {4, 32, 16, 4, 12},
                        {5, 16, 32, 4, 4}, {6, 16, 32, 12, 4}, {7, 16, 32, 12, 28}, {8, 16, 32, 4, 28}};
  // Turning moves the pixels and changes none: sorted, they are the unturned picture's.
  std::vector<std::uint8_t> unturned = load(makeJpeg({.width = 32, .height = 16, .grey = true}, pixel)).pixels;
  std::sort(unturned.begin(), unturned.end());
  for (const auto& t : turns)
    for (bool bigEndian : {false, true}) {
      Picture p = load(makeJpeg(
          {.width = 32, .height = 16, .grey = true, .orientation = t.orientation, .bigEndianExif = bigEndian}, pixel));
      ASSERT_EQ(p.width, t.width) << t.orientation;
      ASSERT_EQ(p.height, t.height) << t.orientation;
      EXPECT_LT(p.at(t.blackX, t.blackY), 40) << t.orientation << (bigEndian ? " MM" : " II");
      EXPECT_GT(p.at(p.width - 1 - t.blackX, p.height - 1 - t.blackY), 215) << t.orientation;
      std::sort(p.pixels.begin(), p.pixels.end());
      EXPECT_EQ(p.pixels, unturned) << t.orientation;
    }
}

TEST(GifReader, ReadsInterlacedRowsInTheirPlaceTransparencyAsWhiteAndClipsTheFrameToTheScreen) {
  expectPattern(load(makeGif({.screenWidth = 7, .screenHeight = 13, .width = 7, .height = 13, .interlaced = true},
                             [](int x, int y) { return patternBlack(x, y) ? 0 : 1; })),
                7, 13, "interlaced");

  Picture p =
      load(makeGif({.transparent = 0, .palette = {{0, 0, 0}, {255, 0, 0}}}, [](int x, int) { return x < 4 ? 0 : 1; }));
  EXPECT_EQ(p.at(0, 0), 255);
  EXPECT_EQ(p.at(7, 0), 77);
  // A pixel that names a colour its palette of two lacks (index 3, written by hand) is white.
  EXPECT_EQ(load(std::string("GIF89a\1\0\1\0\x80\0\0\0\0\0\xff\xff\xff,\0\0\0\0\1\0\1\0\0\2\2\x5c\1\0;", 35)).at(0, 0),
            255);
  // A comment of four bytes before the frame is no graphic control block: black stays black.
  EXPECT_EQ(
      load(std::string("GIF89a\1\0\1\0\x80\0\0\0\0\0\xff\xff\xff!\xfe\4\1\0\0\0\0,\0\0\0\0\1\0\1\0\0\2\2\x44\1\0;", 43))
          .at(0, 0),
      0);

  // A black frame inside the screen, cut at its right edge, and wholly beside it.
  const struct {
    GifLayout layout;
    std::vector<std::string> rows;
  } frames[] = {
      {{.screenWidth = 6, .screenHeight = 6, .left = 2, .top = 2, .width = 2, .height = 2},
       {"WWWWWW", "WWWWWW", "WWBBWW", "WWBBWW", "WWWWWW", "WWWWWW"}},
      {{.screenWidth = 4, .screenHeight = 4, .left = 2, .width = 4, .height = 4}, {"WWBB", "WWBB", "WWBB", "WWBB"}},
      {{.screenWidth = 4, .screenHeight = 1, .left = 4, .width = 1, .height = 1}, {"WWWW"}},
  };
  for (const auto& f : frames)
    expectRows(load(makeGif(f.layout, [](int, int) { return 0; })), f.rows, f.rows[0]);
}

namespace {
const std::string blackWhite = std::string("\0\0\0\0", 4) + std::string("\xff\xff\xff\0", 4);

// The pattern's rows, bottom row first unless top-down, each padded to 4 bytes: palette indexes
// (0 black, 1 white) packed at the given depth, or the black and white pixels' bytes when given.
std::string bmpRows(int width, int height, int bits, bool topDown = false, const std::string& black = "",
                    const std::string& white = "") {
  std::string out;
  for (int r = 0; r < height; ++r) {
    const int y = topDown ? r : height - 1 - r;
    std::string row;
    for (int x = 0; x < width; ++x)
      row += patternBlack(x, y) ? black : white;
    row.resize((std::size_t(width) * std::size_t(bits) + 31) / 32 * 4, '\0');
    for (int x = 0; black.empty() && x < width; ++x) {
      const std::size_t bit = std::size_t(x) * std::size_t(bits);
      row[bit / 8] = char(row[bit / 8] | ((patternBlack(x, y) ? 0u : 1u) << (8 - bits - bit % 8)));
    }
    out += row;
  }
  return out;
}
} // namespace

TEST(BmpReader, ReadsEveryBitDepthAndRowOrderAndRunLengthData) {
  const int w = 11, h = 5;
  auto direct = [&](const std::string& black, const std::string& white) {
    return bmpRows(w, h, int(black.size()) * 8, false, black, white);
  };
  std::string v5 = bmpInfo(w, h, 32, 3, 0, 124);
  v5.replace(40, 16, le32(0x00ff0000) + le32(0x0000ff00) + le32(0x000000ff) + le32(0xff000000));
  // 6 x 3, bottom row first. Unset pixels (skipped by a move or an early end of line) are white.
  const std::string rle8 = std::string("\x03\x00\x03\x01", 4)           // row 2: 3 black, 3 white
                           + std::string("\x00\x00", 2)                 // end of line
                           + std::string("\x00\x03\x01\x00\x01\x00", 6) // row 1: literal w b w (+pad)
                           + std::string("\x00\x00", 2)                 // end of line
                           + std::string("\x00\x02\x02\x00", 4)         // move right 2
                           + std::string("\x02\x00", 2)                 // row 0: x 2..3 black
                           + std::string("\x00\x01", 2);                // end of picture
  // RLE4: a run alternates its two nibbles; a literal takes nibbles in order.
  const std::string rle4 = std::string("\x05\x01", 2) + std::string("\x00\x00", 2) +
                           std::string("\x00\x04\x10\x01\x00\x00", 6) + std::string("\x00\x01", 2);
  const auto& pal = blackWhite;
  const struct {
    const char* what;
    std::string bytes;
    std::vector<std::string> rows = {}; // none: the pattern, w x h
  } cases[] = {
      {"1 bit", makeBmp(bmpInfo(w, h, 1), pal, bmpRows(w, h, 1))},
      {"4 bits", makeBmp(bmpInfo(w, h, 4, 0, 2), pal, bmpRows(w, h, 4))},
      {"8 bits", makeBmp(bmpInfo(w, h, 8, 0, 2), pal, bmpRows(w, h, 8))},
      {"top-down", makeBmp(bmpInfo(w, -h, 8, 0, 2), pal, bmpRows(w, h, 8, true))},
      {"24 bits", makeBmp(bmpInfo(w, h, 24), "", direct(std::string(3, '\0'), std::string(3, '\xff')))},
      {"32 bits, alpha byte ignored",
       makeBmp(bmpInfo(w, h, 32), "", direct(std::string(4, '\0'), std::string("\xff\xff\xff\0", 4)))},
      {"16 bits 5-5-5", makeBmp(bmpInfo(w, h, 16), "", direct(le16(0), le16(0x7fff)))},
      {"16 bits 5-6-5 bit fields after a 40-byte header",
       makeBmp(bmpInfo(w, h, 16, 3) + le32(0xf800) + le32(0x07e0) + le32(0x001f), "", direct(le16(0), le16(0xffff)))},
      {"OS/2 2.x: 16-byte header",
       makeBmp(bmpInfo(w, h, 1).substr(0, 16).replace(0, 4, le32(16)), pal, bmpRows(w, h, 1))},
      {"OS/2 1.x: 12-byte header, 16-bit sizes, 3-byte palette entries",
       makeBmp(le32(12) + le16(w) + le16(h) + le16(1) + le16(8), std::string("\0\0\0\xff\xff\xff", 6),
               bmpRows(w, h, 8))},
      {"a V5 header whose alpha mask makes the black pixels transparent",
       makeBmp(v5, "", direct(std::string(4, '\0'), std::string(4, '\xff'))),
       std::vector<std::string>(h, std::string(w, 'W'))},
      {"rle8 runs, literals and moves", makeBmp(bmpInfo(6, 3, 8, 1, 2), pal, rle8), {"WWBBWW", "WBWWWW", "BBBWWW"}},
      {"rle4 runs and literals", makeBmp(bmpInfo(5, 2, 4, 2, 2), pal, rle4), {"WBBWW", "BWBWB"}},
  };
  for (const auto& c : cases)
    if (c.rows.empty())
      expectPattern(load(c.bytes), w, h, c.what);
    else
      expectRows(load(c.bytes), c.rows, c.what);
}

TEST(SvgReader, DrawsOnWhiteAtItsSizeAndLoadsNothingItRefersTo) {
  // A black left half; on the right a black picture beside it that must not be loaded.
  TempDir dir;
  writeFile(dir.path() / "black.png", makePng({20, 20, PNG_COLOR_TYPE_GRAY, 8}, [](int, int) {
              return Rgba{0, 0, 0};
            }));
  const std::string svg = "<svg xmlns='http://www.w3.org/2000/svg' xmlns:l='http://www.w3.org/1999/xlink'";
  const std::string body = "><rect width='10' height='4' fill='#000'/><image l:href='black.png' x='10' width='10' "
                           "height='4'/><image href='file://" +
                           dir.str() +
                           "/black.png' x='10' width='10' height='4'/>"
                           "</svg>";
  expectRows(
      load("\xef\xbb\xbf<?xml version='1.0'?>\n<!-- drawn -->\n<!DOCTYPE svg>" + svg + " width='20' height='4'" + body),
      std::vector<std::string>(4, "BBBBBBBBBBWWWWWWWWWW"));
  writeFile(dir.path() / "p.svg", svg + " width='20' height='4'" + body);
  EXPECT_EQ(readPicture(dir.file("p.svg")).at(15, 2), 255);

  // The view box's size, a browser's when there is none, and no side over 2048.
  const struct {
    std::string size;
    int width, height;
  } sizes[] = {{" viewBox='0 0 30 12'", 30, 12}, {"", 300, 150}, {" width='100000' height='50000'", 2048, 1024}};
  for (const auto& s : sizes) {
    const Picture p = load(svg + s.size + "/>");
    EXPECT_EQ(p.width, s.width) << s.size;
    EXPECT_EQ(p.height, s.height) << s.size;
  }
  // A page that holds an svg is no SVG picture; a broken document has a bad format.
  EXPECT_EQ(failureCode("<html><body><svg width='4' height='4'/></body></html>"), codeUnrecognised);
  EXPECT_EQ(failureCode("<svgx width='4'/>"), codeUnrecognised);
  EXPECT_TRUE(badFormat(failureCode(svg + " width='4' height='4'><rect></svg>")));
  EXPECT_TRUE(badFormat(failureCode(svg + " width='0' height='4'/>")));
}

TEST(PictureWriters, WbmpIsTypeZeroAndBmpAndPngWriteOneBitWhenBlackAndWhiteAndGreyOtherwise) {
  for (int width : {1, 7, 8, 9, 130}) {
    SCOPED_TRACE("width " + std::to_string(width));
    Picture p;
    p.width = width;
    p.height = 3;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < width; ++x)
        p.pixels.push_back(patternBlack(x, y) ? 0 : 255);
    const std::string wbmp = encodeWbmp(p);
    const std::string header = std::string("\0\0", 2) + multiByte(std::uint32_t(width)) + multiByte(3);
    EXPECT_EQ(wbmp.substr(0, header.size()), header);
    EXPECT_EQ(wbmp.size(), header.size() + std::size_t((width + 7) / 8) * 3);
    const Picture read = load(wbmp);
    expectPattern(read, width, 3, "wbmp");
    EXPECT_TRUE(read.monochrome); // so that a preview of it is written with one bit a pixel

    for (bool mono : {true, false}) {
      p.monochrome = mono;
      p.pixels[0] = mono ? 0 : 100;
      // Where each format says its bits a pixel: the BMP's info header, the PNG's IHDR.
      const std::string bmp = encodeBmp(p);
      for (const auto& [bytes, bitsAt] : {std::pair{bmp, 28}, std::pair{encodePng(p), 24}}) {
        EXPECT_EQ(bytes[std::size_t(bitsAt)], mono ? 1 : 8) << "bits a pixel";
        EXPECT_EQ(load(bytes).pixels, p.pixels) << mono;
      }
      // The BMP's palette holds two entries or 256, and the pixels follow it.
      EXPECT_EQ(bmp.substr(10, 4), le32(mono ? 62 : 1078));
      EXPECT_EQ(bmp.substr(46, 4), le32(mono ? 2 : 256));
    }
  }
  // 1 is white, the first pixel is the high bit, and padding bits are zero.
  Picture q;
  q.width = 3;
  q.height = 1;
  q.pixels = {255, 0, 255};
  EXPECT_EQ(encodeWbmp(q), std::string("\0\0\x03\x01\xa0", 5));
}

TEST(PictureReader, RecognisesTheFormatByContentNotName) {
  std::string png = makePng({4, 4, PNG_COLOR_TYPE_GRAY, 8}, patternPixel);
  EXPECT_EQ(load(png, "looks-like.jpg").width, 4);
  EXPECT_EQ(failureCode("<html><body>not a picture</body></html>"), codeUnrecognised);
  EXPECT_EQ(failureCode(""), codeUnrecognised);
  // A missing file, a FIFO (which would block for ever if opened for reading) and a folder.
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.file("pipe.png").c_str(), 0600), 0);
  for (const std::string& path : {dir.file("missing.png"), dir.file("pipe.png"), dir.str()}) {
    try {
      readPicture(path);
      ADD_FAILURE() << path << " read";
    } catch (const ImageFailure& e) {
      EXPECT_EQ(e.code(), codeCannotLoad) << path;
    }
  }
}

namespace {
// A GIF of a w x h screen with frames of w x frameHeight whose data is one cleared code at that
// minimum code size.
std::string rawGif(std::uint32_t w, std::uint32_t h, std::uint32_t frameHeight, char codeSize = 2, int frames = 1) {
  std::string gif = "GIF89a" + le16(w) + le16(h) + std::string("\x80\0\0\0\0\0\xff\xff\xff", 9);
  for (int i = 0; i < frames; ++i)
    gif += "," + le16(0) + le16(0) + le16(w) + le16(frameHeight) + '\0' + codeSize + std::string("\x02\x4c\x01\0", 4);
  return gif + ";";
}
} // namespace

TEST(PictureReader, BrokenOversizedAndHostileFilesGiveACodeNeverACrashNorAHugeAllocation) {
  const int bad = -1, bigOrBad = -2, refused = -3; // bad: a bad-format code; refused: any refusal
  const std::string png = makePng({64, 64, PNG_COLOR_TYPE_RGB, 8}, [](int x, int y) {
    return Rgba{std::uint8_t(x * 4), std::uint8_t(y * 4), std::uint8_t(x ^ y)};
  });
  std::string badCrc = png;
  badCrc[29] = char(badCrc[29] ^ 0xff);
  const std::string jpeg = makeJpeg({}, patternPixel);
  std::string hugeJpeg = jpeg;
  const std::size_t sof = jpeg.find("\xff\xc0");
  ASSERT_NE(sof, std::string::npos);
  hugeJpeg[sof + 5] = hugeJpeg[sof + 7] = char(0xff);
  hugeJpeg[sof + 6] = hugeJpeg[sof + 8] = char(0xdc); // 65500 x 65500
  const std::string gif = makeGif({}, [](int x, int y) { return patternBlack(x, y) ? 0 : 1; });
  // An RLE8 file of 2 MB that would fill 256 megapixels.
  std::string rle;
  for (int i = 0; i < 62; ++i)
    rle += std::string("\xff\x00", 2);
  rle += std::string(1, char(16000 - 62 * 255)) + std::string("\0\0\0\0\x01", 5);
  const auto& pal = blackWhite;
  const struct {
    const char* name;
    std::string bytes;
    int code;
  } cases[] = {
      {"png cut in half", png.substr(0, png.size() / 2), bad},
      {"png cut after 60 bytes", png.substr(0, 60), bad},
      {"png bad crc", badCrc, bad},
      {"jpeg cut short, refused, not padded", jpeg.substr(0, jpeg.size() - 40), bad},
      {"jpeg cut after 30 bytes", jpeg.substr(0, 30), bad},
      {"gif cut short", gif.substr(0, gif.size() - 6), bad},
      {"bmp pixels cut short", makeBmp(bmpInfo(64, 64, 24), "", std::string(100, '\0')), codeBadData},
      {"wbmp pixels cut short", std::string("\0\0", 2) + multiByte(64) + multiByte(64) + std::string(10, '\xff'),
       codeBadData},
      // Over 16384 on a side, or over 64 megapixels with both sides allowed.
      {"png 100000^2", pngOfZeros(100000, 100000, 4), codeCannotLoad},
      {"png 16385 wide", pngOfZeros(16385, 1, 1), codeCannotLoad},
      {"png 9000^2", pngOfZeros(9000, 9000, 1), codeCannotLoad},
      {"jpeg 65500^2", hugeJpeg, codeCannotLoad},
      {"gif 65535^2", rawGif(65535, 65535, 65535), bigOrBad},
      {"bmp 30000^2", makeBmp(bmpInfo(30000, 30000, 24), "", ""), codeCannotLoad},
      {"bmp width 2^31-1", makeBmp(bmpInfo(0x7fffffff, 1, 24), "", std::string(16, '\0')), codeCannotLoad},
      {"wbmp 2^28-1 squared", std::string("\0\0", 2) + multiByte(0x0fffffff) + multiByte(0x0fffffff) + "\xff",
       codeCannotLoad},
      {"bmp rle8 16000^2", makeBmp(bmpInfo(16000, 16000, 8, 1, 2), pal, rle), codeCannotLoad},
      {"png width 2^31-1", pngOfZeros(0x7fffffff, 1, 1, "", 16), refused},
      {"bmp height INT_MIN", makeBmp(bmpInfo(1, INT32_MIN, 24), "", std::string(16, '\0')), refused},
      {"bmp width -1", makeBmp(bmpInfo(-1, 2, 24), "", std::string(16, '\0')), codeBadHeader},
      {"bmp 65536^2 x 32", makeBmp(bmpInfo(65536, 65536, 32), "", std::string(16, '\0')), refused},
      {"bmp offbits past eof", makeBmp(bmpInfo(8, 2, 1), pal, std::string(8, '\0'), 0x7ffffff0), refused},
      {"bmp 7 bits", makeBmp(bmpInfo(8, 2, 7), "", std::string(16, '\0')), refused},
      {"bmp rle top-down", makeBmp(bmpInfo(4, -2, 8, 1, 2), pal, std::string("\x04\x01\0\0\x04\x01\0\x01", 8)),
       refused},
      {"bmp masks zero", makeBmp(bmpInfo(2, 1, 16, 3) + le32(0) + le32(0) + le32(0), "", std::string(4, '\0')),
       refused},
      {"bmp masks full",
       makeBmp(bmpInfo(2, 1, 32, 3) + le32(0xffffffff) + le32(0xffffffff) + le32(0xffffffff), "", std::string(8, '\0')),
       refused},
      {"bmp green and blue masks overlap",
       makeBmp(bmpInfo(2, 1, 32, 3) + le32(0xff0000) + le32(0x00ffff) + le32(0x0000ff), "", std::string(8, '\0')),
       refused},
      {"bmp header size 2^32-1", makeBmp(bmpInfo(8, 2, 1).replace(0, 4, le32(0xffffffff)), pal, std::string(8, '\0')),
       refused},
      {"bmp OS/2 65535^2",
       "BM" + le32(36) + le32(0) + le32(32) + le32(12) + le16(0xffff) + le16(0xffff) + le16(1) + le16(1) +
           std::string("\0\0\0\xff\xff\xff\0\0\0\0", 10),
       refused},
      {"wbmp endless continuation", std::string("\0\0", 2) + std::string(100000, '\xff'), refused},
      {"wbmp value overflow", std::string("\0\0", 2) + std::string(12, '\x81') + '\0' + multiByte(2) + "\xff", refused},
      {"wbmp zero size", std::string(4, '\0'), refused},
      {"wbmp type 5", std::string("\x05\0", 2) + multiByte(8) + multiByte(2) + std::string("\xff\0", 2), refused},
      {"wbmp extension header",
       std::string("\0\x80", 2) + std::string(50, '\xff') + multiByte(8) + multiByte(2) + std::string("\xff\0", 2),
       refused},
      {"gif zero height", rawGif(10, 10, 0), refused},
      {"gif code size 12", rawGif(8, 8, 8, '\x0c'), refused},
  };
  auto peakResidentKb = [] {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
  };
  const long peakBefore = peakResidentKb();
  for (const auto& c : cases) {
    const int code = failureCode(c.bytes);
    const bool tooBig = code == codeCannotLoad;
    EXPECT_TRUE(c.code == bad        ? badFormat(code)
                : c.code == bigOrBad ? badFormat(code) || tooBig
                : c.code == refused  ? badFormat(code) || tooBig || code == codeUnrecognised
                                     : code == c.code)
        << c.name << ": " << code;
  }
  // Any of the big ones allocated would have taken hundreds of megabytes.
  EXPECT_LT(peakResidentKb() - peakBefore, 64 * 1024);

  // Runs and moves that leave the picture are cut at its edge.
  expectRows(load(makeBmp(bmpInfo(4, 1, 8, 1, 2), pal,
                          std::string("\0\xff", 2) + std::string(256, '\x01') + std::string("\0\x01", 2))),
             {"WWWW"});
  expectRows(load(makeBmp(bmpInfo(4, 2, 8, 1, 2), pal, std::string("\0\x02\xff\xff\x01\x01\0\x01", 8))),
             {"WWWW", "WWWW"});
  // A 4-pixel row with an 8-pixel run and an out-of-row RLE4 run are cut at the row's end.
  expectRows(load(makeBmp(bmpInfo(4, 2, 8, 1, 2), pal, std::string("\x08\x01\0\0\x04\x00\0\x01", 8))),
             {"BBBB", "WWWW"});
  expectRows(load(makeBmp(bmpInfo(3, 1, 4, 2, 2), pal, std::string("\xff\x11\0\x01", 4))), {"WWW"});
  // A colour count of 2^32-1 reads only the palette that is there.
  expectRows(load(makeBmp(bmpInfo(8, 2, 8, 0, 0xffffffff), pal, std::string(16, '\x01'))), {"WWWWWWWW", "WWWWWWWW"});
  // A palette index past the palette is black.
  expectRows(load(makeBmp(bmpInfo(4, 1, 8, 0, 2), pal, std::string("\xff\xfe\x01\0", 4))), {"BBWB"});
}

TEST(PictureReader, BombsInsideGoodFilesStayBounded) {
  // Text chunks are skipped: a 100 MB compressed comment and many chunks leave the picture readable.
  const std::string packed = compressed(std::string(20'000'000, 'Z'));
  EXPECT_EQ(load(pngOfZeros(16, 16, 16, pngChunk("zTXt", std::string("Comment\0\0", 9) + packed))).width, 16);
  std::string many;
  for (int i = 0; i < 20000; ++i)
    many += pngChunk("tEXt", std::string("k\0v", 3));
  EXPECT_EQ(load(pngOfZeros(16, 16, 16, many)).width, 16);

  // A progressive JPEG with hundreds of repeated scans stops at the scan limit.
  std::string prog = makeJpeg({.width = 256, .height = 256, .progressive = true}, [](int, int) {
    return Rgba{128, 64, 32};
  });
  std::size_t lastScan = prog.rfind("\xff\xda");
  std::string scan = prog.substr(lastScan, prog.size() - 2 - lastScan);
  std::string bomb = prog.substr(0, prog.size() - 2);
  for (int i = 0; i < 300; ++i)
    bomb += scan;
  bomb += "\xff\xd9";
  EXPECT_TRUE(badFormat(failureCode(bomb)));

  // Only the first of many frames is read.
  EXPECT_EQ(load(rawGif(1, 1, 1, 2, 20000)).width, 1);
}
