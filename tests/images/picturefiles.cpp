#include "tests/images/picturefiles.h"

#include "tests/support/testsupport.h"

#include <cstdio>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include <map>
#include <stdexcept>

namespace tavro::test {

std::string le16(std::uint32_t v) { return {char(v & 0xff), char((v >> 8) & 0xff)}; }
std::string le32(std::uint32_t v) { return le16(v & 0xffff) + le16(v >> 16); }
static std::string be32(std::uint32_t v) {
  return {char(v >> 24), char((v >> 16) & 0xff), char((v >> 8) & 0xff), char(v & 0xff)};
}

// --- PNG -------------------------------------------------------------------------------------

static void pngWrite(png_structp png, png_bytep data, png_size_t size) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), size);
}
static void pngFlush(png_structp) {}

std::string makePng(const PngLayout& s, const PixelFn& pixel) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("cannot write the test PNG");
  }
  png_set_write_fn(png, &out, pngWrite, pngFlush);
  png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), s.bitDepth, s.colorType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);

  // Palette: the distinct colours in order of appearance.
  std::vector<png_color> palette;
  std::vector<png_byte> alphas;
  std::map<std::uint32_t, int> indexOf;
  auto key = [](Rgba p) {
    return std::uint32_t(p.r) | std::uint32_t(p.g) << 8 | std::uint32_t(p.b) << 16 | std::uint32_t(p.a) << 24;
  };
  if (s.colorType == PNG_COLOR_TYPE_PALETTE) {
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x) {
        Rgba p = pixel(x, y);
        if (indexOf.emplace(key(p), int(palette.size())).second) {
          palette.push_back({p.r, p.g, p.b});
          alphas.push_back(p.a);
        }
      }
    png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (s.paletteAlpha)
      png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
  }
  png_write_info(png, info);
  if (s.bitDepth < 8)
    png_set_packing(png);

  int channels = png_get_channels(png, info);
  int bytes = s.bitDepth == 16 ? 2 : 1;
  std::vector<std::vector<png_byte>> rows(std::size_t(s.height),
                                          std::vector<png_byte>(std::size_t(s.width * channels * bytes)));
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      Rgba p = pixel(x, y);
      std::vector<unsigned> v;
      switch (s.colorType) {
      case PNG_COLOR_TYPE_PALETTE: v = {unsigned(indexOf[key(p)])}; break;
      case PNG_COLOR_TYPE_GRAY: v = {p.r}; break;
      case PNG_COLOR_TYPE_GRAY_ALPHA: v = {p.r, p.a}; break;
      case PNG_COLOR_TYPE_RGB: v = {p.r, p.g, p.b}; break;
      default: v = {p.r, p.g, p.b, p.a}; break;
      }
      for (int c = 0; c < channels; ++c) {
        unsigned value = v[std::size_t(c)];
        if (s.colorType != PNG_COLOR_TYPE_PALETTE && s.bitDepth < 8)
          value >>= (8 - s.bitDepth);
        png_byte* at = &rows[std::size_t(y)][std::size_t((x * channels + c) * bytes)];
        at[0] = png_byte(value); // 16-bit samples are big-endian: value * 257 in two bytes
        if (bytes == 2)
          at[1] = png_byte(value);
      }
    }
  std::vector<png_bytep> pointers;
  for (auto& r : rows)
    pointers.push_back(r.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Rgba greyRamp(int x, int y) {
  auto v = std::uint8_t((x * 7 + y * 3) % 256);
  return Rgba{v, v, v};
}

std::string writeGreyPng(const std::string& path, int width, int height) {
  writeFile(path, makePng({width, height, PNG_COLOR_TYPE_GRAY, 8}, greyRamp));
  return path;
}

std::string pngChunk(const std::string& type, const std::string& data) {
  std::string td = type + data;
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(td.data()), uInt(td.size()));
  return be32(std::uint32_t(data.size())) + td + be32(std::uint32_t(crc));
}

std::string compressed(const std::string& bytes) {
  uLongf size = compressBound(uLong(bytes.size()));
  std::string z(size, '\0');
  compress2(reinterpret_cast<Bytef*>(z.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
            uLong(bytes.size()), 9);
  z.resize(size);
  return z;
}

std::string pngOfZeros(std::uint32_t width, std::uint32_t height, std::uint32_t rows, const std::string& extra,
                       std::uint32_t rowBytes) {
  const std::string raw(std::size_t(rows) * (std::size_t(rowBytes ? rowBytes : width) + 1), '\0');
  std::string ihdr = be32(width) + be32(height) + std::string("\x08\x00\x00\x00\x00", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + extra + pngChunk("IDAT", compressed(raw)) +
         pngChunk("IEND", "");
}

// --- JPEG ------------------------------------------------------------------------------------

std::string makeJpeg(const JpegLayout& s, const PixelFn& pixel) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(s.width);
  cinfo.image_height = JDIMENSION(s.height);
  cinfo.input_components = s.grey ? 1 : s.cmyk ? 4 : 3;
  cinfo.in_color_space = s.grey ? JCS_GRAYSCALE : s.cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  if (s.progressive)
    jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  if (s.orientation) {
    std::string exif = std::string("Exif\0\0", 6);
    if (s.bigEndianExif)
      exif += std::string("MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 19) + char(s.orientation) +
              std::string("\0\0\0\0\0\0", 6);
    else // after a Make entry, as cameras write it: the reader must step over entries
      exif += "II*" + std::string(1, '\0') + le32(8) + le16(2) + le16(0x010F) + le16(2) + le32(4) + "Cam" +
              std::string(1, '\0') + le16(0x0112) + le16(3) + le32(1) + le16(std::uint32_t(s.orientation)) + le16(0) +
              le32(0);
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()), unsigned(exif.size()));
  }
  std::vector<JSAMPLE> row(std::size_t(s.width * cinfo.input_components));
  while (cinfo.next_scanline < cinfo.image_height) {
    int y = int(cinfo.next_scanline);
    for (int x = 0; x < s.width; ++x) {
      const Rgba p = pixel(x, y);
      const std::uint8_t samples[] = {p.r, p.g, p.b, p.a}; // grey takes the first, RGB three
      for (int c = 0; c < cinfo.input_components; ++c)
        row[std::size_t(x * cinfo.input_components + c)] = JSAMPLE(s.cmyk ? 255 - samples[c] : samples[c]);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

// --- GIF -------------------------------------------------------------------------------------

static int gifWrite(GifFileType* gif, const GifByteType* data, int size) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), std::size_t(size));
  return size;
}

std::string makeGif(const GifLayout& s, const std::function<int(int, int)>& index) {
  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, gifWrite, &error);
  int colours = 2;
  while (colours < int(s.palette.size()))
    colours *= 2;
  std::vector<GifColorType> entries(std::size_t(colours), GifColorType{0, 0, 0});
  for (std::size_t i = 0; i < s.palette.size(); ++i)
    entries[i] = {s.palette[i].r, s.palette[i].g, s.palette[i].b};
  ColorMapObject* map = GifMakeMapObject(colours, entries.data());
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, s.screenWidth, s.screenHeight, 8, 0, map);
  if (s.transparent >= 0) {
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = s.transparent;
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
  }
  EGifPutImageDesc(gif, s.left, s.top, s.width, s.height, s.interlaced, nullptr);
  std::vector<GifPixelType> line(std::size_t(s.width));
  std::vector<int> order;
  if (s.interlaced) {
    const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
    for (int p = 0; p < 4; ++p)
      for (int y = start[p]; y < s.height; y += step[p])
        order.push_back(y);
  } else {
    for (int y = 0; y < s.height; ++y)
      order.push_back(y);
  }
  for (int y : order) {
    for (int x = 0; x < s.width; ++x)
      line[std::size_t(x)] = GifPixelType(index(x, y));
    EGifPutLine(gif, line.data(), s.width);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

// --- WBMP and BMP ----------------------------------------------------------------------------

std::string multiByte(std::uint32_t value) {
  std::string groups;
  do {
    groups.insert(groups.begin(), char(value & 0x7f));
    value >>= 7;
  } while (value);
  for (std::size_t i = 0; i + 1 < groups.size(); ++i)
    groups[i] = char(groups[i] | 0x80);
  return groups;
}

std::string bmpInfo(std::int32_t width, std::int32_t height, int bits, std::uint32_t compression, std::uint32_t colours,
                    std::uint32_t hdrSize) {
  std::string info = le32(hdrSize) + le32(std::uint32_t(width)) + le32(std::uint32_t(height)) + le16(1) +
                     le16(std::uint32_t(bits)) + le32(compression) + le32(0) + le32(2835) + le32(2835) + le32(colours) +
                     le32(0);
  if (hdrSize > info.size())
    info.resize(hdrSize, '\0');
  return info;
}

std::string makeBmp(const std::string& info, const std::string& palette, const std::string& pixels,
                    std::int64_t offBits) {
  std::uint32_t off = offBits < 0 ? std::uint32_t(14 + info.size() + palette.size()) : std::uint32_t(offBits);
  return "BM" + le32(std::uint32_t(14 + info.size() + palette.size() + pixels.size())) + le32(0) + le32(off) + info +
         palette + pixels;
}

} // namespace tavro::test
