#pragma once
// Small picture files built by the tests themselves: PNG, JPEG and GIF through their libraries,
// BMP and WBMP byte by byte, and the malformed files of the hostile-picture checklist.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavro::test {

/// A pixel of the pictures the builders write.
struct Rgba {
  std::uint8_t r, g, b, a = 255;
};
using PixelFn = std::function<Rgba(int x, int y)>;

struct PngLayout {
  int width = 8, height = 8;
  int colorType = 2; // PNG_COLOR_TYPE_*
  int bitDepth = 8;
  bool interlaced = false;
  bool paletteAlpha = false; // tRNS for palette pictures
};
/// A grey ramp that changes along both axes.
Rgba greyRamp(int x, int y);
/// Writes an 8-bit grey PNG of the ramp, of that size, to path and returns path.
std::string writeGreyPng(const std::string& path, int width, int height);

/// A PNG with the given layout. Grey types take the pixel's red, palettes are built from the
/// pixels (at most 2^bitDepth colours).
std::string makePng(const PngLayout& layout, const PixelFn& pixel);

struct JpegLayout {
  int width = 16, height = 16;
  bool grey = false;
  bool progressive = false;
  bool cmyk = false;          // 4 components, written as Photoshop does: 255 minus the ink
  int orientation = 0;        // an EXIF orientation tag (1..8) when set
  bool bigEndianExif = false; // orientation the only entry; little-endian puts a Make entry first
};
/// A JPEG. For CMYK the pixel's r, g, b, a are the inks c, m, y, k.
std::string makeJpeg(const JpegLayout& layout, const PixelFn& pixel);

struct GifLayout {
  int screenWidth = 8, screenHeight = 8;
  int left = 0, top = 0, width = 8, height = 8;
  bool interlaced = false;
  int transparent = -1;
  std::vector<Rgba> palette{{0, 0, 0}, {255, 255, 255}};
};
/// A GIF with one frame whose pixels are palette indexes.
std::string makeGif(const GifLayout& layout, const std::function<int(int x, int y)>& index);

/// A multi-byte integer as WBMP writes them.
std::string multiByte(std::uint32_t value);

/// The bytes compressed by zlib at its best level.
std::string compressed(const std::string& bytes);
/// A PNG chunk with its CRC.
std::string pngChunk(const std::string& type, const std::string& data);
/// A grey PNG whose IHDR claims width x height and whose IDAT holds `rows` rows of zeros
/// (rows of rowBytes bytes when given, else of the width), with extra chunks before IDAT.
std::string pngOfZeros(std::uint32_t width, std::uint32_t height, std::uint32_t rows, const std::string& extra = "",
                       std::uint32_t rowBytes = 0);

/// A little-endian BMP: 14-byte file header, the given info header bytes, palette and pixels.
std::string makeBmp(const std::string& info, const std::string& palette, const std::string& pixels,
                    std::int64_t offBits = -1);
/// A 40-byte BITMAPINFOHEADER (or hdrSize bytes, padded with zeros).
std::string bmpInfo(std::int32_t width, std::int32_t height, int bits, std::uint32_t compression = 0,
                    std::uint32_t colours = 0, std::uint32_t hdrSize = 40);

std::string le16(std::uint32_t v);
std::string le32(std::uint32_t v);

} // namespace tavro::test
