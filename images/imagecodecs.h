#pragma once
// Reading picture files and writing WBMP, BMP and PNG files.

#include "images/picture.h"

#include <cstdint>
#include <string>

namespace tavro::images {

enum class SaveFormat { Wbmp, Bmp };

/// Reads a PNG, JPEG, GIF, BMP, WBMP or SVG file into grey, recognising the format by its content
/// whatever the file is called. Throws ImageFailure: 15 when the file cannot be read or the
/// picture is over the limits, 21 when the content is no format we read, 3 to 5 when it is
/// one but broken (3 header, 4 pixel data, 5 an unsupported variant).
Picture readPicture(const std::string& path);

/// Told, on the reading thread, as the top rows of a picture being read reach their final
/// values, so that a caller can work on them while the rest is decoded.
class RowsReady {
public:
  virtual ~RowsReady() = default;
  /// Rows [0, rows) of the width x height pixels are final; the caller may change them. The
  /// pixels stay where they are until the picture is returned.
  virtual void rowsReady(std::uint8_t* pixels, std::int32_t width, std::int32_t height, std::int32_t rows) = 0;
  /// The read failed: returns once nothing touches the rows told so far, which then go away.
  virtual void abandon() = 0;
};

/// readPicture, telling `ready` of the rows as they come; every row is told by the time the
/// picture is returned.
Picture readPicture(const std::string& path, RowsReady* ready);

/// WBMP type 0: multi-byte width and height, rows padded to whole bytes, 1 = white. Grey
/// levels from 128 up are white.
std::string encodeWbmp(const Picture& picture);
/// A BMP for display: 1 bit a pixel when the picture is black and white, else 8-bit grey.
std::string encodeBmp(const Picture& picture);
/// A PNG, for a browser (which shows no WBMP): grey, 1 bit a pixel when the picture is black
/// and white, else 8 bits.
std::string encodePng(const Picture& picture);

/// Whether the file holds a WBMP picture, told by its first bytes; false for a file that
/// cannot be read.
bool isWbmpFile(const std::string& path);

/// Writes the picture atomically. Throws ImageFailure: 1 when the file cannot be created
/// (missing folder, no permission, bad name), 9 on a device error, 10 when the disk is full,
/// 20 for any other write failure.
void writePicture(const Picture& picture, const std::string& path, SaveFormat format);

} // namespace tavro::images
