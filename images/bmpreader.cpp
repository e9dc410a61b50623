// BMP, our own reader: 1, 4, 8, 16, 24 and 32 bits a pixel, RLE8 and RLE4, bit fields,
// bottom-up and top-down rows, the OS/2 headers. All size arithmetic is 64-bit and checked
// against the limits before the picture is allocated; rows are read one at a time.

#include "images/readers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>

namespace tavro::images::detail {
namespace {

enum Compression : std::uint32_t {
  biRgb = 0,
  biRle8 = 1,
  biRle4 = 2,
  biBitfields = 3,
  biJpeg = 4,
  biPng = 5,
  biAlphaBitfields = 6
};

std::uint16_t u16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t u32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

[[noreturn]] void bad(int code, const std::string& what) { throw ImageFailure(code, "BMP: " + what); }

void readExactly(std::FILE* f, void* buffer, std::size_t size, int code, const char* what) {
  if (std::fread(buffer, 1, size, f) != size)
    bad(code, what);
}

// One colour channel described by a bit mask.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;

  static Channel from(std::uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (mask == 0)
      return c;
    c.shift = std::countr_zero(mask);
    std::uint32_t bits = mask >> c.shift;
    // A mask must be one run of ones.
    if ((bits & (bits + 1)) != 0)
      bad(codeBadHeader, "colour mask is not contiguous");
    c.max = bits;
    return c;
  }
  unsigned value(std::uint32_t pixel) const {
    if (max == 0)
      return 0;
    return unsigned((std::uint64_t((pixel & mask) >> shift) * 255 + max / 2) / max);
  }
};

struct Header {
  std::int64_t width = 0, height = 0;
  bool topDown = false;
  int bits = 0;
  std::uint32_t compression = biRgb;
  std::uint64_t offBits = 0;
  bool core = false; // 3-byte palette entries
  std::uint32_t colours = 0;
  std::uint32_t headerSize = 0;
  std::array<std::uint32_t, 4> masks{}; // red, green, blue, alpha
  bool hasMasks = false;
};

Header readHeader(std::FILE* f, std::uint64_t fileSize) {
  std::uint8_t fh[14];
  readExactly(f, fh, sizeof fh, codeBadHeader, "file header cut short");
  if (fh[0] != 'B' || fh[1] != 'M')
    bad(codeUnrecognised, "not a BMP file");
  Header h;
  h.offBits = u32(fh + 10);

  std::uint8_t size[4];
  readExactly(f, size, 4, codeBadHeader, "info header cut short");
  h.headerSize = u32(size);
  switch (h.headerSize) {
  case 12:
  case 16:
  case 40:
  case 52:
  case 56:
  case 64:
  case 108:
  case 124: break;
  default: bad(codeBadHeader, "unknown info header size " + std::to_string(h.headerSize));
  }
  std::array<std::uint8_t, 124> info{};
  std::memcpy(info.data(), size, 4);
  readExactly(f, info.data() + 4, h.headerSize - 4, codeBadHeader, "info header cut short");

  if (h.headerSize == 12) {
    h.core = true;
    h.width = u16(&info[4]);
    h.height = u16(&info[6]);
    if (u16(&info[8]) != 1)
      bad(codeBadHeader, "plane count is not 1");
    h.bits = u16(&info[10]);
    if (h.width == 0 || h.height == 0)
      bad(codeBadHeader, "bad dimensions");
  } else {
    std::int32_t w = std::int32_t(u32(&info[4]));
    std::int32_t ht = std::int32_t(u32(&info[8]));
    if (w <= 0 || ht == 0 || ht == INT32_MIN)
      bad(codeBadHeader, "bad dimensions");
    h.width = w;
    h.topDown = ht < 0;
    h.height = ht < 0 ? -std::int64_t(ht) : ht;
    h.bits = u16(&info[14]);
    if (h.headerSize >= 40) {
      h.compression = u32(&info[16]);
      h.colours = u32(&info[32]);
    } else if (h.headerSize >= 20) {
      h.compression = u32(&info[16]);
    }
    // OS/2 2.x headers give 3 and 4 other meanings (Huffman, RLE24), neither read here.
    if ((h.headerSize == 16 || h.headerSize == 64) && h.compression >= biBitfields)
      bad(codeUnsupported, "OS/2 compression not supported");
    if (h.headerSize >= 56) {
      for (int i = 0; i < 4; ++i)
        h.masks[std::size_t(i)] = u32(&info[40 + 4 * i]);
      h.hasMasks = true;
    } else if (h.headerSize == 52) {
      for (int i = 0; i < 3; ++i)
        h.masks[std::size_t(i)] = u32(&info[40 + 4 * i]);
      h.hasMasks = true;
    }
  }

  switch (h.bits) {
  case 1:
  case 4:
  case 8:
  case 16:
  case 24:
  case 32: break;
  default: bad(codeBadHeader, "unsupported bit count " + std::to_string(h.bits));
  }
  switch (h.compression) {
  case biRgb: break;
  case biRle8:
    if (h.bits != 8)
      bad(codeBadHeader, "RLE8 needs 8 bits a pixel");
    break;
  case biRle4:
    if (h.bits != 4)
      bad(codeBadHeader, "RLE4 needs 4 bits a pixel");
    break;
  case biBitfields:
  case biAlphaBitfields:
    if (h.bits != 16 && h.bits != 32)
      bad(codeBadHeader, "bit fields need 16 or 32 bits a pixel");
    break;
  case biJpeg:
  case biPng: bad(codeUnsupported, "embedded JPEG or PNG not supported");
  default: bad(codeBadHeader, "unknown compression " + std::to_string(h.compression));
  }
  if ((h.compression == biRle8 || h.compression == biRle4) && h.topDown)
    bad(codeBadHeader, "compressed rows cannot be top-down");

  // Masks that follow a 40-byte header.
  if ((h.compression == biBitfields || h.compression == biAlphaBitfields) && !h.hasMasks) {
    int count = h.compression == biAlphaBitfields ? 4 : 3;
    std::uint8_t m[16];
    readExactly(f, m, std::size_t(4 * count), codeBadHeader, "colour masks cut short");
    for (int i = 0; i < count; ++i)
      h.masks[std::size_t(i)] = u32(m + 4 * i);
    h.hasMasks = true;
  }
  if (h.offBits > fileSize)
    bad(codeBadData, "pixel data starts past the end of the file");
  return h;
}

// Expands the packed indexes of one row into grey levels through the palette.
void indexedRow(const std::uint8_t* in, int bits, std::int64_t width, const std::array<std::uint8_t, 256>& grey,
                std::uint8_t* out) {
  switch (bits) {
  case 1:
    for (std::int64_t x = 0; x < width; ++x)
      out[x] = grey[(in[x >> 3] >> (7 - (x & 7))) & 1];
    break;
  case 4:
    for (std::int64_t x = 0; x < width; ++x)
      out[x] = grey[(in[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
    break;
  default:
    for (std::int64_t x = 0; x < width; ++x)
      out[x] = grey[in[x]];
    break;
  }
}

// RLE8 and RLE4. Runs that overshoot a row are cut at its end, as lenient readers do for
// the legacy encoders that write them; moves past the picture end the decoding. Pixels the
// data never sets stay white.
void decodeRle(std::FILE* f, const Header& h, std::uint64_t fileSize, const std::array<std::uint8_t, 256>& grey,
               Picture& picture) {
  // Compressed data never needs much more than two bytes a pixel (a literal run and its
  // escape per pixel at worst, an end of line per row); anything past that is not read.
  std::uint64_t room = std::uint64_t(h.width) * std::uint64_t(h.height) * 2 + std::uint64_t(h.height) * 4 + 1024;
  std::vector<std::uint8_t> data(std::size_t(std::min<std::uint64_t>(fileSize - h.offBits, room)));
  if (std::fseek(f, long(h.offBits), SEEK_SET) != 0 || std::fread(data.data(), 1, data.size(), f) != data.size())
    bad(codeBadData, "cannot read the pixel data");
  const bool rle4 = h.compression == biRle4;
  std::int64_t x = 0, row = 0; // row counts from the bottom
  std::size_t i = 0;
  auto put = [&](unsigned index) {
    if (x < h.width && row < h.height)
      picture.row(std::int32_t(h.height - 1 - row))[x] = grey[index & 0xff];
    ++x;
  };
  bool ended = false;
  while (!ended) {
    if (i + 2 > data.size())
      break;
    unsigned count = data[i], value = data[i + 1];
    i += 2;
    if (count > 0) {
      for (unsigned n = 0; n < count && x < h.width; ++n)
        put(rle4 ? ((n & 1) ? value & 15 : value >> 4) : value);
      continue;
    }
    switch (value) {
    case 0: // end of line
      x = 0;
      ++row;
      break;
    case 1: // end of bitmap
      ended = true;
      break;
    case 2: // move
      if (i + 2 > data.size()) {
        i = data.size();
        break;
      }
      x += data[i];
      row += data[i + 1];
      i += 2;
      break;
    default: { // a literal run of `value` pixels, padded to a 16-bit boundary
      std::size_t bytes = rle4 ? (value + 1) / 2 : value;
      if (i + bytes > data.size())
        bad(codeBadData, "compressed data cut short");
      for (unsigned n = 0; n < value; ++n) {
        unsigned b = data[i + (rle4 ? n / 2 : n)];
        unsigned index = rle4 ? ((n & 1) ? b & 15 : b >> 4) : b;
        if (x >= h.width)
          break;
        put(index);
      }
      i += bytes + (bytes & 1);
      break;
    }
    }
    if (row >= h.height)
      ended = true;
  }
  // Data that stops before its last row, with no end marker, is a truncated file.
  if (!ended && row < h.height - 1)
    bad(codeBadData, "compressed data cut short");
}

} // namespace

Picture readBmp(std::FILE* f, std::uint64_t fileSize) {
  Header h = readHeader(f, fileSize);
  if (!withinLimits(h.width, h.height))
    bad(codeCannotLoad, "picture too large");

  // The palette lies between the headers and the pixel data.
  std::array<std::uint8_t, 256> grey{};
  if (h.bits <= 8) {
    std::uint32_t entries = h.colours == 0 || h.colours > (1u << h.bits) ? (1u << h.bits) : h.colours;
    std::size_t entrySize = h.core ? 3 : 4;
    long here = std::ftell(f);
    std::uint64_t room = h.offBits > std::uint64_t(here) ? (h.offBits - std::uint64_t(here)) / entrySize : 0;
    if (h.offBits == 0) // some writers leave the offset out; the palette then follows the header
      room = entries;
    entries = std::uint32_t(std::min<std::uint64_t>(entries, room));
    std::vector<std::uint8_t> palette(entries * entrySize);
    if (entries > 0)
      readExactly(f, palette.data(), palette.size(), codeBadHeader, "palette cut short");
    // Indexes past the palette are black.
    for (std::uint32_t i = 0; i < entries; ++i) {
      const std::uint8_t* p = &palette[i * entrySize];
      grey[i] = luma(p[2], p[1], p[0]);
    }
    if (h.offBits == 0)
      h.offBits = std::uint64_t(std::ftell(f));
  }

  Picture picture = allocatePicture(h.width, h.height);
  if (h.compression == biRle8 || h.compression == biRle4) {
    decodeRle(f, h, fileSize, grey, picture);
    return picture;
  }

  std::uint64_t stride = (std::uint64_t(h.width) * std::uint64_t(h.bits) + 31) / 32 * 4;
  if (fileSize - h.offBits < stride * std::uint64_t(h.height))
    bad(codeBadData, "pixel data cut short");
  if (std::fseek(f, long(h.offBits), SEEK_SET) != 0)
    bad(codeBadData, "cannot reach the pixel data");

  Channel red, green, blue, alpha;
  bool useAlpha = false;
  if (h.bits == 16 || h.bits == 32) {
    if (h.compression == biBitfields || h.compression == biAlphaBitfields) {
      red = Channel::from(h.masks[0]);
      green = Channel::from(h.masks[1]);
      blue = Channel::from(h.masks[2]);
      if (red.mask == 0 && green.mask == 0 && blue.mask == 0)
        bad(codeBadHeader, "colour masks are empty");
      if ((red.mask & green.mask) || (red.mask & blue.mask) || (green.mask & blue.mask))
        bad(codeBadHeader, "colour masks overlap");
      alpha = Channel::from(h.masks[3]);
      useAlpha = alpha.mask != 0;
    } else if (h.bits == 16) {
      red = Channel::from(0x7c00);
      green = Channel::from(0x03e0);
      blue = Channel::from(0x001f);
    } else {
      red = Channel::from(0x00ff0000);
      green = Channel::from(0x0000ff00);
      blue = Channel::from(0x000000ff);
    }
  }

  std::vector<std::uint8_t> row(stride);
  for (std::int64_t r = 0; r < h.height; ++r) {
    readExactly(f, row.data(), row.size(), codeBadData, "pixel data cut short");
    std::uint8_t* out = picture.row(std::int32_t(h.topDown ? r : h.height - 1 - r));
    const std::uint8_t* in = row.data();
    switch (h.bits) {
    case 1:
    case 4:
    case 8: indexedRow(in, h.bits, h.width, grey, out); break;
    case 24:
      for (std::int64_t x = 0; x < h.width; ++x, in += 3)
        out[x] = luma(in[2], in[1], in[0]);
      break;
    case 16:
      for (std::int64_t x = 0; x < h.width; ++x, in += 2) {
        std::uint32_t p = u16(in);
        unsigned g = luma(red.value(p), green.value(p), blue.value(p));
        out[x] = useAlpha ? overWhite(g, alpha.value(p)) : std::uint8_t(g);
      }
      break;
    default:
      for (std::int64_t x = 0; x < h.width; ++x, in += 4) {
        std::uint32_t p = u32(in);
        unsigned g = luma(red.value(p), green.value(p), blue.value(p));
        out[x] = useAlpha ? overWhite(g, alpha.value(p)) : std::uint8_t(g);
      }
      break;
    }
  }
  return picture;
}

} // namespace tavro::images::detail
