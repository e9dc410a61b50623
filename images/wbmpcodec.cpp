// WBMP type 0, read and written here: a type field and a fixed header byte, then width and
// height as multi-byte integers, then rows of one bit a pixel padded to whole bytes, with
// 1 meaning white.

#include "images/imagecodecs.h"
#include "images/readers.h"

#include <bit>
#include <cstring>
#include <string>

namespace tavro::images {

namespace detail {
namespace {

// A multi-byte integer: 7 bits an octet, most significant first, the high bit set on every
// octet but the last. Five octets hold any 32-bit value; longer ones are refused.
std::uint64_t readMultiByte(std::FILE* f, const char* what) {
  std::uint64_t value = 0;
  for (int i = 0; i < 5; ++i) {
    int c = std::fgetc(f);
    if (c == EOF)
      throw ImageFailure(codeBadHeader, std::string("WBMP: header cut short in the ") + what);
    value = (value << 7) | std::uint64_t(c & 0x7f);
    if (!(c & 0x80)) {
      if (value > 0xffffffffu)
        break;
      return value;
    }
  }
  throw ImageFailure(codeBadHeader, std::string("WBMP: ") + what + " field too long");
}

} // namespace

Picture readWbmp(std::FILE* f, std::uint64_t fileSize) {
  if (readMultiByte(f, "type") != 0)
    throw ImageFailure(codeUnrecognised, "WBMP: only type 0 is read");
  int fixHeader = std::fgetc(f);
  if (fixHeader == EOF)
    throw ImageFailure(codeBadHeader, "WBMP: header cut short");
  // Type 0 has no extension headers.
  if (fixHeader != 0)
    throw ImageFailure(codeUnsupported, "WBMP: extension headers are not read");
  std::uint64_t width = readMultiByte(f, "width");
  std::uint64_t height = readMultiByte(f, "height");
  if (width == 0 || height == 0)
    throw ImageFailure(codeBadHeader, "WBMP: empty picture");
  if (!withinLimits(std::int64_t(width), std::int64_t(height)))
    throw ImageFailure(codeCannotLoad, "WBMP: picture too large");
  std::uint64_t stride = (width + 7) / 8;
  long here = std::ftell(f);
  if (here < 0 || fileSize < std::uint64_t(here) + stride * height)
    throw ImageFailure(codeBadData, "WBMP: pixel data cut short");

  Picture picture = allocatePicture(std::int64_t(width), std::int64_t(height));
  std::vector<std::uint8_t> row(stride);
  for (std::uint64_t y = 0; y < height; ++y) {
    if (std::fread(row.data(), 1, row.size(), f) != row.size())
      throw ImageFailure(codeBadData, "WBMP: pixel data cut short");
    std::uint8_t* out = picture.row(std::int32_t(y));
    for (std::uint64_t x = 0; x < width; ++x)
      out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
  }
  picture.monochrome = true;
  return picture;
}

} // namespace detail

namespace {
void appendMultiByte(std::string& out, std::uint32_t value) {
  char groups[5];
  int n = 0;
  do {
    groups[n++] = char(value & 0x7f);
    value >>= 7;
  } while (value);
  while (n-- > 0)
    out.push_back(char(groups[n] | (n > 0 ? 0x80 : 0)));
}
} // namespace

std::string encodeWbmp(const Picture& picture) {
  std::string out;
  std::size_t stride = (std::size_t(picture.width) + 7) / 8;
  out.reserve(16 + stride * std::size_t(picture.height));
  out.push_back(0); // type 0
  out.push_back(0); // no extension headers
  appendMultiByte(out, std::uint32_t(picture.width));
  appendMultiByte(out, std::uint32_t(picture.height));
  std::size_t header = out.size();
  out.resize(header + stride * std::size_t(picture.height), 0);
  auto* data = reinterpret_cast<std::uint8_t*>(out.data() + header);
  for (std::int32_t y = 0; y < picture.height; ++y) {
    const std::uint8_t* in = picture.row(y);
    std::uint8_t* o = data + std::size_t(y) * stride;
    std::int32_t x = 0;
    // Eight pixels a byte: the high bit of each grey level (128 and up is white) is gathered
    // by one multiplication, the first pixel landing in the byte's top bit.
    for (; x + 8 <= picture.width; x += 8) {
      std::uint64_t eight;
      std::memcpy(&eight, in + x, 8);
      if constexpr (std::endian::native == std::endian::little) {
        eight = (eight >> 7) & 0x0101010101010101ull;
        o[x >> 3] = std::uint8_t((eight * 0x8040201008040201ull) >> 56);
      } else {
        unsigned b = 0;
        for (int k = 0; k < 8; ++k)
          b = (b << 1) | (in[x + k] >> 7);
        o[x >> 3] = std::uint8_t(b);
      }
    }
    if (x < picture.width) {
      unsigned b = 0;
      int k = 0;
      for (; x < picture.width; ++x, ++k)
        b = (b << 1) | (in[x] >> 7);
      o[(picture.width - 1) >> 3] = std::uint8_t(b << (8 - k));
    }
  }
  return out;
}

} // namespace tavro::images
