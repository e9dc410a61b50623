// PNG through libpng, decoded row by row into grey. Interlaced files are read pass by pass
// and each pass's pixels are put in place here, so no full-colour copy of the picture is held.

#include "images/readers.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>
#include <string>

namespace tavro::images::detail {
namespace {

struct PngErrorState {
  char message[200] = {};
};

[[noreturn]] void pngError(png_structp png, png_const_charp msg) {
  auto* state = static_cast<PngErrorState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", msg ? msg : "PNG error");
  png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

// Owns the libpng read state.
class PngReadState {
public:
  explicit PngReadState(PngErrorState* errors) {
    m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, errors, pngError, pngWarning);
    if (m_png)
      m_info = png_create_info_struct(m_png);
  }
  ~PngReadState() { png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, nullptr); }
  PngReadState(const PngReadState&) = delete;
  PngReadState& operator=(const PngReadState&) = delete;
  png_structp png() const { return m_png; }
  png_infop info() const { return m_info; }

private:
  png_structp m_png = nullptr;
  png_infop m_info = nullptr;
};

// Turns one decoded row of 8-bit samples (1 to 4 channels) into grey levels at the given
// positions: out[start + i * step] for the i-th pixel.
void rowToGrey(const png_byte* in, int channels, std::uint32_t count, std::uint8_t* out, std::uint32_t step) {
  switch (channels) {
  case 1:
    for (std::uint32_t i = 0; i < count; ++i)
      out[std::size_t(i) * step] = in[i];
    break;
  case 2:
    for (std::uint32_t i = 0; i < count; ++i, in += 2)
      out[std::size_t(i) * step] = overWhite(in[0], in[1]);
    break;
  case 3:
    for (std::uint32_t i = 0; i < count; ++i, in += 3)
      out[std::size_t(i) * step] = luma(in[0], in[1], in[2]);
    break;
  default:
    for (std::uint32_t i = 0; i < count; ++i, in += 4)
      out[std::size_t(i) * step] = overWhite(luma(in[0], in[1], in[2]), in[3]);
    break;
  }
}

// Everything that can longjmp runs here. Objects with destructors are created by the caller,
// so a jump back to setjmp skips none of them.
bool decode(png_structp png, png_infop info, std::FILE* f, Picture& picture, std::vector<png_byte>& row, int& failCode,
            RowsReady* ready) {
  if (setjmp(png_jmpbuf(png)))
    return false;

  png_init_io(png, f);
  // Text, profiles and the like carry nothing for a black-and-white picture; skipping them
  // also keeps compressed-text bombs from being inflated.
  static const png_byte ignored[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0tIME\0";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, ignored, 7);
  png_read_info(png, info);

  png_uint_32 width = png_get_image_width(png, info);
  png_uint_32 height = png_get_image_height(png, info);
  if (!withinLimits(width, height)) {
    failCode = codeCannotLoad;
    return false;
  }

  // Palette, low bit depths and tRNS become 8-bit samples with alpha; 16-bit samples are
  // rounded to 8 bits.
  png_set_expand(png);
  png_set_scale_16(png);
  bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  png_read_update_info(png, info);
  int channels = png_get_channels(png, info);
  if (channels < 1 || channels > 4 || png_get_bit_depth(png, info) != 8) {
    failCode = codeUnsupported;
    return false;
  }

  picture = allocatePicture(width, height);
  row.resize(png_get_rowbytes(png, info));

  if (!interlaced) {
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, row.data(), nullptr);
      rowToGrey(row.data(), channels, width, picture.row(std::int32_t(y)), 1);
      if (ready)
        ready->rowsReady(picture.pixels.data(), picture.width, picture.height, std::int32_t(y) + 1);
    }
  } else {
    // Without libpng's interlace handling each pass arrives as a small picture of its own;
    // its pixels are scattered to their places in the full picture.
    for (int pass = 0; pass < 7; ++pass) {
      png_uint_32 cols = PNG_PASS_COLS(width, pass);
      png_uint_32 rows = PNG_PASS_ROWS(height, pass);
      if (cols == 0 || rows == 0)
        continue;
      for (png_uint_32 r = 0; r < rows; ++r) {
        png_read_row(png, row.data(), nullptr);
        png_uint_32 y = PNG_ROW_FROM_PASS_ROW(r, pass);
        std::uint8_t* out = picture.row(std::int32_t(y)) + PNG_COL_FROM_PASS_COL(0, pass);
        rowToGrey(row.data(), channels, cols, out, 1u << PNG_PASS_COL_SHIFT(pass));
      }
    }
  }
  png_read_end(png, nullptr);
  return true;
}

} // namespace

Picture readPng(std::FILE* f, RowsReady* ready) {
  PngErrorState errors;
  PngReadState state(&errors);
  if (!state.png() || !state.info())
    throw ImageFailure(codeCannotLoad, "cannot start the PNG reader");
  Picture picture;
  std::vector<png_byte> row;
  int failCode = codeBadData;
  if (!decode(state.png(), state.info(), f, picture, row, failCode, ready)) {
    if (ready)
      ready->abandon();
    if (failCode == codeCannotLoad)
      throw ImageFailure(codeCannotLoad, "PNG picture too large");
    if (failCode == codeUnsupported)
      throw ImageFailure(codeUnsupported, "unsupported PNG layout");
    // A fault in the header is a bad format; anything later is bad or missing pixel data.
    std::string msg = errors.message;
    bool header = picture.empty() && msg.find("IHDR") != std::string::npos;
    throw ImageFailure(header ? codeBadHeader : codeBadData, "PNG: " + msg);
  }
  return picture;
}

} // namespace tavro::images::detail
