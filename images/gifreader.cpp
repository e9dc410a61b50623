// GIF through giflib: the first frame only, placed on the logical screen. The records are
// walked one by one (never DGifSlurp, which would read every frame) and the frame is checked
// against the limits before its pixels are read; the parts of a frame outside the screen are
// clipped, and whatever the frame does not cover stays white, as does its transparent colour.

#include "images/readers.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <string>

namespace tavro::images::detail {
namespace {

int readFromFile(GifFileType* gif, GifByteType* buffer, int size) {
  return int(std::fread(buffer, 1, std::size_t(size), static_cast<std::FILE*>(gif->UserData)));
}

class GifReader {
public:
  explicit GifReader(std::FILE* f) {
    int error = 0;
    m_gif = DGifOpen(f, readFromFile, &error);
    if (!m_gif)
      throw ImageFailure(error == D_GIF_ERR_READ_FAILED ? codeBadData : codeBadHeader,
                         std::string("GIF: ") + GifErrorString(error));
  }
  ~GifReader() {
    if (m_gif)
      DGifCloseFile(m_gif, nullptr);
  }
  GifReader(const GifReader&) = delete;
  GifReader& operator=(const GifReader&) = delete;
  GifFileType* operator->() const { return m_gif; }
  GifFileType* get() const { return m_gif; }

  [[noreturn]] void fail(int headerCode = codeBadData) const {
    int error = m_gif->Error;
    int code = error == D_GIF_ERR_READ_FAILED ? codeBadData : headerCode;
    const char* text = GifErrorString(error);
    throw ImageFailure(code, std::string("GIF: ") + (text ? text : "read error"));
  }

private:
  GifFileType* m_gif = nullptr;
};

} // namespace

Picture readGif(std::FILE* f) {
  GifReader gif(f);
  int transparent = NO_TRANSPARENT_COLOR;

  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
      gif.fail();
    if (type == TERMINATE_RECORD_TYPE)
      throw ImageFailure(codeBadData, "GIF: no picture in the file");

    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
        gif.fail();
      // The graphic control block before the first frame names its transparent colour.
      if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
          transparent = gcb.TransparentColor;
      }
      while (block) {
        if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
          gif.fail();
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE)
      continue;

    if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
      gif.fail(codeBadHeader);
    const GifImageDesc& frame = gif->Image;
    std::int64_t frameWidth = frame.Width, frameHeight = frame.Height;
    if (frameWidth <= 0 || frameHeight <= 0)
      throw ImageFailure(codeBadHeader, "GIF: empty frame");
    if (!withinLimits(frameWidth, frameHeight))
      throw ImageFailure(codeCannotLoad, "GIF: frame too large");
    // A screen of zero size takes the frame's extent.
    std::int64_t screenWidth = gif->SWidth > 0 ? gif->SWidth : frame.Left + frameWidth;
    std::int64_t screenHeight = gif->SHeight > 0 ? gif->SHeight : frame.Top + frameHeight;
    Picture picture = allocatePicture(screenWidth, screenHeight);

    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    std::array<std::uint8_t, 256> grey;
    grey.fill(255);
    if (map) {
      for (int i = 0; i < std::min(map->ColorCount, 256); ++i) {
        const GifColorType& c = map->Colors[i];
        grey[std::size_t(i)] = luma(c.Red, c.Green, c.Blue);
      }
    } else {
      for (int i = 0; i < 256; ++i)
        grey[std::size_t(i)] = std::uint8_t(i);
    }
    if (transparent >= 0 && transparent < 256)
      grey[std::size_t(transparent)] = 255;

    std::vector<GifPixelType> line(static_cast<std::size_t>(frameWidth));
    // Interlaced frames store rows in four passes.
    static const int start[] = {0, 4, 2, 1};
    static const int step[] = {8, 8, 4, 2};
    std::vector<std::int64_t> order;
    order.reserve(std::size_t(frameHeight));
    if (frame.Interlace) {
      for (int pass = 0; pass < 4; ++pass)
        for (std::int64_t y = start[pass]; y < frameHeight; y += step[pass])
          order.push_back(y);
    } else {
      for (std::int64_t y = 0; y < frameHeight; ++y)
        order.push_back(y);
    }
    std::int64_t x0 = std::max<std::int64_t>(frame.Left, 0);
    std::int64_t x1 = std::min<std::int64_t>(frame.Left + frameWidth, screenWidth);
    for (std::int64_t fy : order) {
      if (DGifGetLine(gif.get(), line.data(), int(frameWidth)) == GIF_ERROR)
        gif.fail();
      std::int64_t y = frame.Top + fy;
      if (y < 0 || y >= screenHeight)
        continue;
      std::uint8_t* out = picture.row(std::int32_t(y));
      for (std::int64_t x = x0; x < x1; ++x)
        out[x] = grey[line[std::size_t(x - frame.Left)]];
    }
    return picture;
  }
}

} // namespace tavro::images::detail
