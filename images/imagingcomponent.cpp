#include "images/imagingcomponent.h"

#include "images/dither.h"
#include "images/imagecodecs.h"
#include "images/resize.h"

#include "util/text.h"

#include <new>

namespace tavro::images {

bool ImagingComponent::fail(std::int32_t code) {
  m_lastError = code;
  return false;
}

bool ImagingComponent::succeed() {
  m_lastError = 0;
  return true;
}

bool ImagingComponent::LoadImage(const std::string& path, const std::string&) {
  try {
    // The old picture goes first, so that two pictures are never held at once.
    m_picture = Picture();
    m_picture = readPicture(path);
    return succeed();
  } catch (const ImageFailure& e) {
    return fail(e.code());
  } catch (const std::bad_alloc&) {
    return fail(codeCannotLoad);
  }
}

bool ImagingComponent::SaveImage(const std::string& path, const std::string& format, std::int32_t) {
  const std::string f = util::toLower(format);
  if (f != "wbmp" && f != "bmp")
    return fail(codeCannotSave);
  if (m_picture.empty())
    return fail(codeNoImageToSave);
  try {
    writePicture(m_picture, path, f == "wbmp" ? SaveFormat::Wbmp : SaveFormat::Bmp);
    return succeed();
  } catch (const ImageFailure& e) {
    return fail(e.code());
  }
}

bool ImagingComponent::ConvertToMonochrome(std::int32_t dither, std::int32_t threshold) {
  if (m_picture.empty())
    return fail(codeNoImage);
  if (dither < 0 || dither > 4 || threshold < 0 || threshold > 255)
    return fail(codeConvertArgument);
  try {
    reduceToMonochrome(m_picture, Dither(dither), threshold);
    return succeed();
  } catch (const std::bad_alloc&) {
    return fail(codeConvertMemory);
  }
}

bool ImagingComponent::Resize(std::int32_t width, std::int32_t height, std::int32_t mode) {
  if (m_picture.empty())
    return fail(codeNoImage);
  if (mode != 0 && mode != 1)
    return fail(codeTransform);
  try {
    auto [w, h] = resizedSize(m_picture.width, m_picture.height, width, height, ResizeMode(mode));
    if (w != m_picture.width || h != m_picture.height)
      m_picture = resample(m_picture, w, h);
    return succeed();
  } catch (const ImageFailure& e) {
    return fail(e.code());
  }
}

bool ImagingComponent::Refresh() {
  if (m_picture.empty())
    return fail(codeNoImage);
  return succeed();
}

} // namespace tavro::images
