// PNG through libpng, for pictures a browser is to show (it shows no WBMP): grey, 1 bit a pixel
// when the picture is black and white.

#include "images/imagecodecs.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <new>
#include <vector>

namespace tavro::images {
namespace {

// libpng reports a failure by a jump out of its own frames; only running out of memory can
// fail a write into a string.
[[noreturn]] void pngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}

// The jump is taken outside the handler, so that it leaves no exception behind.
void appendToString(png_structp png, png_bytep data, png_size_t size) {
  bool failed = false;
  try {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), size);
  } catch (const std::bad_alloc&) {
    failed = true;
  }
  if (failed)
    png_error(png, "out of memory");
}

void noFlush(png_structp) {}

// The writes that libpng may jump out of, apart from anything with a destructor: false when
// it did.
bool writeRows(png_structp png, png_infop info, const Picture& picture, png_byte* row, std::size_t rowBytes) {
  if (setjmp(png_jmpbuf(png)))
    return false;
  const bool mono = picture.monochrome;
  png_set_IHDR(png, info, png_uint_32(picture.width), png_uint_32(picture.height), mono ? 1 : 8, PNG_COLOR_TYPE_GRAY,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (std::int32_t y = 0; y < picture.height; ++y) {
    const std::uint8_t* in = picture.row(y);
    if (mono) {
      std::fill(row, row + rowBytes, png_byte(0));
      for (std::int32_t x = 0; x < picture.width; ++x)
        row[std::size_t(x) >> 3] |= png_byte((in[x] >> 7) << (7 - (x & 7)));
    } else {
      std::copy(in, in + picture.width, row);
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
}

} // namespace

std::string encodePng(const Picture& picture) {
  std::string out;
  std::vector<png_byte> row(picture.monochrome ? (std::size_t(picture.width) + 7) / 8 : std::size_t(picture.width));
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool written = false;
  if (info) {
    png_set_write_fn(png, &out, appendToString, noFlush);
    written = writeRows(png, info, picture, row.data(), row.size());
  }
  png_destroy_write_struct(&png, info ? &info : nullptr);
  if (!written)
    throw std::bad_alloc();
  return out;
}

} // namespace tavro::images
