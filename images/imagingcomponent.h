#pragma once
// The imaging component: holds one picture and loads, resizes, reduces to black and white and
// saves it. Each operation returns a success flag; a failed one leaves its code in LastError
// (the codes of ImageErrorCode, which ImageErrorMsgs turns into the user's messages) and a
// successful one clears it.

#include "images/picture.h"

#include <cstdint>
#include <string>

namespace tavro::images {

class ImagingComponent {
public:
  /// Reads the file into the component, replacing the held picture. The format is recognised
  /// by content; `format` is accepted for the caller's sake and not needed.
  bool LoadImage(const std::string& path, const std::string& format = "");
  /// Writes the held picture as "wbmp" or "bmp" (any other format: code 24), atomically.
  bool SaveImage(const std::string& path, const std::string& format, std::int32_t option = 0);
  std::int32_t LastError() const { return m_lastError; }
  void StartupFlag(std::int32_t value) { m_startupFlag = value; }
  void DialogFlag(std::int32_t value) { m_dialogFlag = value; }
  /// The held picture's size in pixels; 0 without a picture.
  std::int32_t ImageWidth() const { return m_picture.width; }
  std::int32_t ImageHeight() const { return m_picture.height; }
  /// Reduces the picture to black and white: dither 0 to 4 (see Dither), threshold 0 to 255.
  bool ConvertToMonochrome(std::int32_t dither, std::int32_t threshold);
  /// LoadImage and then ConvertToMonochrome, with the same result and codes, but the rows are
  /// reduced on a second thread while the rest of the picture is decoded.
  bool LoadAsMonochrome(const std::string& path, std::int32_t dither, std::int32_t threshold);
  /// Mode 0 keeps the aspect ratio within width x height, mode 1 gives exactly that size;
  /// 0 and 0 keep the size (see resizedSize).
  bool Resize(std::int32_t width, std::int32_t height, std::int32_t mode);
  /// Confirms the picture is ready for display; fails without one.
  bool Refresh();

  /// The held picture, for callers that work on pixels directly.
  const Picture& picture() const { return m_picture; }

private:
  bool fail(std::int32_t code);
  bool succeed();

  Picture m_picture;
  std::int32_t m_lastError = 0;
  std::int32_t m_startupFlag = 0;
  std::int32_t m_dialogFlag = 0;
};

} // namespace tavro::images
