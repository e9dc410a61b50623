#include "images/imagecodecs.h"
#include "images/readers.h"

#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"

#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace tavro::images {

namespace detail {

Format sniffFormat(const unsigned char* head, std::size_t size) {
  if (size >= 8 && std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0)
    return Format::Png;
  if (size >= 3 && head[0] == 0xff && head[1] == 0xd8 && head[2] == 0xff)
    return Format::Jpeg;
  if (size >= 6 && (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0))
    return Format::Gif;
  if (size >= 14 && head[0] == 'B' && head[1] == 'M')
    return Format::Bmp;
  // WBMP has no signature: type 0 and a header byte of 0 (or one announcing extensions).
  if (size >= 4 && head[0] == 0 && (head[1] == 0 || head[1] == 0x80))
    return Format::Wbmp;
  if (looksLikeSvg(std::string_view(reinterpret_cast<const char*>(head), size)))
    return Format::Svg;
  return Format::Unknown;
}

Picture allocatePicture(std::int64_t width, std::int64_t height) {
  if (!withinLimits(width, height))
    throw ImageFailure(codeCannotLoad, "picture of " + std::to_string(width) + " x " + std::to_string(height) +
                                           " pixels is over the limits");
  Picture picture;
  try {
    picture.pixels.assign(std::size_t(width) * std::size_t(height), 255);
  } catch (const std::bad_alloc&) {
    throw ImageFailure(codeCannotLoad, "out of memory for the picture");
  }
  picture.width = std::int32_t(width);
  picture.height = std::int32_t(height);
  return picture;
}

} // namespace detail

Picture readPicture(const std::string& path) { return readPicture(path, nullptr); }

Picture readPicture(const std::string& path, RowsReady* ready) {
  using namespace detail;
  fs::RegularFile opened;
  try {
    opened = fs::openRegularFile(path);
  } catch (const fs::OpenError& e) {
    switch (e.fault()) {
    case fs::OpenFault::BadName: throw ImageFailure(codeCannotLoad, "bad file name");
    case fs::OpenFault::NotFound:
    case fs::OpenFault::SystemError:
      throw ImageFailure(codeCannotLoad, "cannot open '" + path + "': " + std::strerror(e.systemError()));
    case fs::OpenFault::NotRegularFile:
    case fs::OpenFault::TooLarge: break;
    }
    throw ImageFailure(codeCannotLoad, "'" + path + "' is not a file");
  }
  // Opened without blocking, so that a FIFO named like a picture cannot hang the reader; the
  // readers that follow want ordinary blocking reads.
  const int fd = opened.fd.get();
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  CFile file(::fdopen(fd, "rb"));
  if (!file.get())
    throw ImageFailure(codeCannotLoad, "cannot read '" + path + "'");
  opened.fd.release();
  const std::uint64_t fileSize = opened.size;

  unsigned char head[4096] = {};
  std::size_t got = std::fread(head, 1, sizeof head, file.get());
  if (std::fseek(file.get(), 0, SEEK_SET) != 0)
    throw ImageFailure(codeCannotLoad, "cannot read '" + path + "'");

  Picture picture;
  try {
    switch (sniffFormat(head, got)) {
    case Format::Png: picture = readPng(file.get(), ready); break;
    case Format::Jpeg: picture = readJpeg(file.get(), ready); break;
    case Format::Gif: picture = readGif(file.get()); break;
    case Format::Bmp: picture = readBmp(file.get(), fileSize); break;
    case Format::Wbmp: picture = readWbmp(file.get(), fileSize); break;
    case Format::Svg: picture = readSvg(file.get(), fileSize); break;
    case Format::Unknown: throw ImageFailure(codeUnrecognised, "'" + path + "' is not a picture in a known format");
    }
  } catch (const std::bad_alloc&) {
    throw ImageFailure(codeCannotLoad, "out of memory reading '" + path + "'");
  }
  if (ready)
    ready->rowsReady(picture.pixels.data(), picture.width, picture.height, picture.height);
  return picture;
}

bool isWbmpFile(const std::string& path) {
  try {
    const fs::RegularFile opened = fs::openRegularFile(path);
    unsigned char head[4] = {};
    return ::read(opened.fd.get(), head, sizeof head) == ssize_t(sizeof head) &&
           detail::sniffFormat(head, sizeof head) == detail::Format::Wbmp;
  } catch (const fs::OpenError&) {
    return false;
  }
}

std::string encodeBmp(const Picture& picture) {
  const bool mono = picture.monochrome;
  const std::uint32_t bits = mono ? 1 : 8;
  const std::uint32_t colours = mono ? 2 : 256;
  const std::uint64_t stride = (std::uint64_t(picture.width) * bits + 31) / 32 * 4;
  const std::uint64_t dataSize = stride * std::uint64_t(picture.height);
  const std::uint32_t offBits = 14 + 40 + colours * 4;

  std::string out;
  out.reserve(offBits + dataSize);
  auto put16 = [&](std::uint32_t v) {
    out.push_back(char(v & 0xff));
    out.push_back(char((v >> 8) & 0xff));
  };
  auto put32 = [&](std::uint32_t v) {
    put16(v & 0xffff);
    put16(v >> 16);
  };
  out += "BM";
  put32(std::uint32_t(offBits + dataSize));
  put32(0);
  put32(offBits);
  put32(40);
  put32(std::uint32_t(picture.width));
  put32(std::uint32_t(picture.height)); // bottom-up, which every viewer reads
  put16(1);
  put16(bits);
  put32(0);
  put32(std::uint32_t(dataSize));
  put32(2835); // 72 dots an inch
  put32(2835);
  put32(colours);
  put32(0);
  for (std::uint32_t i = 0; i < colours; ++i) {
    std::uint8_t v = mono ? std::uint8_t(i * 255) : std::uint8_t(i);
    out.push_back(char(v));
    out.push_back(char(v));
    out.push_back(char(v));
    out.push_back(0);
  }
  std::size_t start = out.size();
  out.resize(start + dataSize, 0);
  auto* data = reinterpret_cast<std::uint8_t*>(out.data() + start);
  for (std::int32_t y = 0; y < picture.height; ++y) {
    const std::uint8_t* in = picture.row(picture.height - 1 - y);
    std::uint8_t* o = data + std::size_t(y) * stride;
    if (mono) {
      for (std::int32_t x = 0; x < picture.width; ++x)
        o[x >> 3] |= std::uint8_t((in[x] >> 7) << (7 - (x & 7)));
    } else {
      std::memcpy(o, in, std::size_t(picture.width));
    }
  }
  return out;
}

void writePicture(const Picture& picture, const std::string& path, SaveFormat format) {
  std::string bytes;
  try {
    bytes = format == SaveFormat::Wbmp ? encodeWbmp(picture) : encodeBmp(picture);
  } catch (const std::bad_alloc&) {
    throw ImageFailure(codeWriteFailed, "out of memory encoding '" + path + "'");
  }
  try {
    fs::writeFileAtomic(path, bytes, true);
  } catch (const com::ComError& e) {
    int code = codeWriteFailed;
    switch (e.number()) {
    case com::errPathNotFound:
    case com::errPermission:
    case com::errBadFileName:
    case com::errFileNotFound: code = codeCannotCreateFile; break;
    case com::errDiskFull: code = codeDiskFull; break;
    case com::errDeviceIo: code = codeDiskIo; break;
    default: break;
    }
    throw ImageFailure(code, e.what());
  }
}

} // namespace tavro::images
