#pragma once
// The picture the imaging engine works on: 8-bit grey, one byte a pixel, rows top to bottom.
// Every reader decodes straight into this form, so a picture costs one byte a pixel however it
// was stored; after a reduction to black and white each byte is 0 or 255.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavro::images {

/// Pictures larger than this are refused before anything proportional to their size is
/// allocated: a hostile header can claim any size in a few bytes.
inline constexpr std::int64_t maxSide = 16384;
inline constexpr std::int64_t maxPixels = std::int64_t(64) << 20;

/// True when a width x height picture is within the limits (sides of at least one pixel).
constexpr bool withinLimits(std::int64_t width, std::int64_t height) {
  return width >= 1 && height >= 1 && width <= maxSide && height <= maxSide && width * height <= maxPixels;
}

struct Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels; // width * height grey levels, 0 black .. 255 white
  bool monochrome = false;          // every pixel is 0 or 255

  bool empty() const { return pixels.empty(); }
  std::uint8_t* row(std::int32_t y) { return pixels.data() + std::size_t(y) * std::size_t(width); }
  const std::uint8_t* row(std::int32_t y) const { return pixels.data() + std::size_t(y) * std::size_t(width); }
  std::uint8_t at(std::int32_t x, std::int32_t y) const { return row(y)[x]; }
};

/// The imaging engine's failure codes, as the component reports them through LastError.
enum ImageErrorCode : std::int32_t {
  codeCannotCreateFile = 1, // the target's folder is missing or may not be written
  codeBadHeader = 3,        // the header contradicts itself or the format
  codeBadData = 4,          // the pixel data is truncated or corrupt
  codeUnsupported = 5,      // a legal variant of the format that is not read
  codeNoImage = 7,          // nothing loaded to work on
  codeNoImageToSave = 8,    // nothing loaded to save
  codeDiskIo = 9,           // the device failed while writing
  codeDiskFull = 10,
  codeConvertMemory = 11,   // out of memory while converting
  codeConvertArgument = 12, // dither code or threshold out of range
  codeTransform = 13,       // a resize that cannot be done (size, memory)
  codeCannotLoad = 15,      // missing, unreadable or oversized file
  codeWriteFailed = 20,     // any other failure while writing
  codeUnrecognised = 21,    // not a picture in a format the engine reads
  codeCannotSave = 24,      // the requested format cannot be written
};

/// A failure inside the engine, carrying its code. The component turns it into LastError.
class ImageFailure : public std::runtime_error {
public:
  ImageFailure(std::int32_t code, const std::string& message) : std::runtime_error(message), m_code(code) {}
  std::int32_t code() const noexcept { return m_code; }

private:
  std::int32_t m_code;
};

/// ITU-R BT.601 luma of gamma-encoded sRGB, in integers (the weights sum to 256).
inline std::uint8_t luma(unsigned r, unsigned g, unsigned b) {
  return std::uint8_t((77 * r + 150 * g + 29 * b + 128) >> 8);
}

/// A grey level seen through the given opacity over white: transparent parts count as white.
inline std::uint8_t overWhite(unsigned grey, unsigned alpha) {
  return std::uint8_t((grey * alpha + 255 * (255 - alpha) + 127) / 255);
}

} // namespace tavro::images
