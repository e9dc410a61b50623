// JPEG through libjpeg-turbo, decoded scanline by scanline straight to grey (the library
// turns YCbCr into grey by taking the luma plane, which is the BT.601 luma of the RGB).
// CMYK files are converted here, Adobe's inverted form included.
//
// libjpeg's default error handler ends the process, so errors longjmp back to the reader.
// Progressive files with thousands of scans are stopped by a scan limit.

#include "images/readers.h"

#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>
#include <new>
#include <string>

namespace tavro::images::detail {
namespace {

constexpr int maxScans = 100;
constexpr long maxDecoderMemory = 512L << 20;
constexpr int maxWarnings = 1000;

struct JpegErrors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int code = codeBadData;
  int warnings = 0;
  char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void jpegErrorExit(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  std::longjmp(errors->jump, 1);
}

void jpegEmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0)
    return;
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  // A file that ends early is refused, not padded with grey; stray bytes between markers,
  // which many real files have, are let through up to a limit.
  if (cinfo->err->msg_code == JWRN_JPEG_EOF || ++errors->warnings > maxWarnings) {
    (*cinfo->err->format_message)(cinfo, errors->message);
    errors->code = codeBadData;
    std::longjmp(errors->jump, 1);
  }
}

void jpegOutputMessage(j_common_ptr) {}

void jpegProgress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > maxScans) {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    std::snprintf(errors->message, sizeof errors->message, "more than %d scans", maxScans);
    errors->code = codeBadData;
    std::longjmp(errors->jump, 1);
  }
}

// Owns the decompressor.
class JpegDecompressor {
public:
  JpegDecompressor() { std::memset(&m_cinfo, 0, sizeof m_cinfo); }
  ~JpegDecompressor() {
    if (m_created)
      jpeg_destroy_decompress(&m_cinfo);
  }
  JpegDecompressor(const JpegDecompressor&) = delete;
  JpegDecompressor& operator=(const JpegDecompressor&) = delete;
  jpeg_decompress_struct& cinfo() { return m_cinfo; }
  void created() { m_created = true; }

private:
  jpeg_decompress_struct m_cinfo;
  bool m_created = false;
};

// The EXIF orientation (1 to 8) in a saved APP1 marker, 1 when there is none or it is
// unreadable. Every offset is checked against the marker's length.
int exifOrientation(const jpeg_decompress_struct& cinfo) {
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
    if (m->marker != JPEG_APP0 + 1 || m->data_length < 14 || std::memcmp(m->data, "Exif\0\0", 6) != 0)
      continue;
    const JOCTET* tiff = m->data + 6;
    const std::size_t size = m->data_length - 6;
    bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M'))
      return 1;
    auto u16 = [&](std::size_t at) -> unsigned {
      return little ? unsigned(tiff[at] | tiff[at + 1] << 8) : unsigned(tiff[at] << 8 | tiff[at + 1]);
    };
    auto u32 = [&](std::size_t at) -> std::uint32_t {
      return little ? std::uint32_t(u16(at)) | std::uint32_t(u16(at + 2)) << 16
                    : std::uint32_t(u16(at)) << 16 | std::uint32_t(u16(at + 2));
    };
    std::uint32_t ifd = u32(4);
    if (ifd > size || size - ifd < 2)
      return 1;
    unsigned count = u16(ifd);
    for (unsigned i = 0; i < count; ++i) {
      std::size_t entry = std::size_t(ifd) + 2 + std::size_t(i) * 12;
      if (entry + 12 > size)
        return 1;
      if (u16(entry) == 0x0112 && u16(entry + 2) == 3) {
        unsigned value = u16(entry + 8);
        return value >= 1 && value <= 8 ? int(value) : 1;
      }
    }
    return 1;
  }
  return 1;
}

// Turns the picture as EXIF orientation `o` asks: 2 mirror, 3 half turn, 4 flip, 5 transpose,
// 6 quarter turn clockwise, 7 transverse, 8 quarter turn anticlockwise.
void orient(Picture& p, int o) {
  const std::int32_t w = p.width, h = p.height;
  const bool swap = o >= 5;
  Picture out;
  out.width = swap ? h : w;
  out.height = swap ? w : h;
  out.pixels.resize(p.pixels.size());
  for (std::int32_t Y = 0; Y < out.height; ++Y) {
    std::uint8_t* dst = out.row(Y);
    for (std::int32_t X = 0; X < out.width; ++X) {
      std::int32_t x, y;
      switch (o) {
      case 2:
        x = w - 1 - X;
        y = Y;
        break;
      case 3:
        x = w - 1 - X;
        y = h - 1 - Y;
        break;
      case 4:
        x = X;
        y = h - 1 - Y;
        break;
      case 5:
        x = Y;
        y = X;
        break;
      case 6:
        x = Y;
        y = h - 1 - X;
        break;
      case 7:
        x = w - 1 - Y;
        y = h - 1 - X;
        break;
      default:
        x = w - 1 - Y;
        y = X;
        break;
      }
      dst[X] = p.at(x, y);
    }
  }
  p = std::move(out);
}

void cmykRowToGrey(const JSAMPLE* in, JDIMENSION width, bool inverted, std::uint8_t* out) {
  for (JDIMENSION x = 0; x < width; ++x, in += 4) {
    // Stored values are ink amounts; Adobe's files store 255 minus the ink.
    unsigned c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    unsigned r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
    out[x] = luma(r, g, b);
  }
}

// Everything that can longjmp runs here; the objects with destructors belong to the caller.
bool decode(JpegDecompressor& decompressor, JpegErrors& errors, jpeg_progress_mgr& progress, std::FILE* f,
            Picture& picture, std::vector<JSAMPLE>& row, int& orientation, RowsReady* ready) {
  jpeg_decompress_struct& cinfo = decompressor.cinfo();
  if (setjmp(errors.jump))
    return false;

  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = jpegErrorExit;
  errors.pub.emit_message = jpegEmitMessage;
  errors.pub.output_message = jpegOutputMessage;
  jpeg_create_decompress(&cinfo);
  decompressor.created();
  cinfo.mem->max_memory_to_use = maxDecoderMemory;
  progress.progress_monitor = jpegProgress;
  cinfo.progress = &progress;
  jpeg_stdio_src(&cinfo, f);
  jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xffff);
  jpeg_read_header(&cinfo, TRUE);

  if (!withinLimits(cinfo.image_width, cinfo.image_height)) {
    std::snprintf(errors.message, sizeof errors.message, "picture too large");
    errors.code = codeCannotLoad;
    return false;
  }

  bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  bool inverted = cmyk && cinfo.saw_Adobe_marker;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_GRAYSCALE;
  cinfo.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&cinfo);
  orientation = exifOrientation(cinfo);

  picture = allocatePicture(cinfo.output_width, cinfo.output_height);
  if (cmyk)
    row.resize(std::size_t(cinfo.output_width) * 4);
  while (cinfo.output_scanline < cinfo.output_height) {
    JDIMENSION y = cinfo.output_scanline;
    JSAMPROW target = cmyk ? row.data() : picture.row(std::int32_t(y));
    if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) {
      std::snprintf(errors.message, sizeof errors.message, "suspended decoding");
      errors.code = codeBadData;
      return false;
    }
    if (cmyk)
      cmykRowToGrey(row.data(), cinfo.output_width, inverted, picture.row(std::int32_t(y)));
    // A picture that will be turned has no final rows until it is.
    if (ready && orientation == 1)
      ready->rowsReady(picture.pixels.data(), picture.width, picture.height, std::int32_t(y) + 1);
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

} // namespace

Picture readJpeg(std::FILE* f, RowsReady* ready) {
  JpegDecompressor decompressor;
  JpegErrors errors;
  jpeg_progress_mgr progress{};
  Picture picture;
  std::vector<JSAMPLE> row;
  int orientation = 1;
  if (!decode(decompressor, errors, progress, f, picture, row, orientation, ready)) {
    if (ready)
      ready->abandon();
    int code = errors.code;
    // Errors raised before the size is known are faults of the header.
    if (code == codeBadData && decompressor.cinfo().global_state < 202 /* DSTATE_READY */)
      code = codeBadHeader;
    throw ImageFailure(code, std::string("JPEG: ") + errors.message);
  }
  // Cameras store the sensor's rows and say in EXIF how to turn them; the picture is shown
  // (and converted) the way up every viewer shows it.
  if (orientation != 1) {
    try {
      orient(picture, orientation);
    } catch (const std::bad_alloc&) {
      throw ImageFailure(codeCannotLoad, "out of memory turning the picture");
    }
  }
  return picture;
}

} // namespace tavro::images::detail
