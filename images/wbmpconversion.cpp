#include "images/wbmpconversion.h"

#include "images/imageerrormsgs.h"
#include "images/imagingcomponent.h"
#include "images/resize.h"

#include <cstdint>

namespace tavro::images {

namespace {
ConversionResult failed(std::int32_t code) {
  ConversionResult r;
  r.code = code;
  if (!ImageErrorMsgs(code, r.message))
    r.message = "Unable to convert the picture (error " + std::to_string(code) + ").";
  return r;
}

// Loads, resizes as the options say and reduces to black and white: 0, or the code of the
// step that failed.
std::int32_t convertResized(ImagingComponent& img, const std::string& source, const ConversionOptions& options) {
  if (!img.LoadImage(source))
    return img.LastError();
  std::int64_t width = options.width, height = options.height;
  if (options.widthInPercent)
    width = percentOf(img.ImageWidth(), width);
  if (options.heightInPercent)
    height = percentOf(img.ImageHeight(), height);
  if (width > INT32_MAX || height > INT32_MAX)
    return codeTransform;
  if ((width != 0 || height != 0) && !img.Resize(std::int32_t(width), std::int32_t(height), options.keepRatio ? 0 : 1))
    return img.LastError();
  if (options.maxWidth > 0 && img.ImageWidth() > options.maxWidth && !img.Resize(options.maxWidth, 0, 0))
    return img.LastError();
  if (!img.ConvertToMonochrome(options.dither, options.threshold))
    return img.LastError();
  return 0;
}
} // namespace

ConversionResult convertToWbmpFile(const std::string& source, const std::string& target,
                                   const ConversionOptions& options) {
  ImagingComponent img;
  if (options.width == 0 && options.height == 0 && options.maxWidth == 0) {
    // Nothing to resize: the rows are reduced while the rest of the picture is decoded.
    if (!img.LoadAsMonochrome(source, options.dither, options.threshold))
      return failed(img.LastError());
  } else if (const std::int32_t code = convertResized(img, source, options)) {
    return failed(code);
  }
  if (!img.SaveImage(target, "wbmp"))
    return failed(img.LastError());
  if (!options.previewBmp.empty() && !img.SaveImage(options.previewBmp, "bmp"))
    return failed(img.LastError());
  ConversionResult r;
  r.ok = true;
  r.width = img.ImageWidth();
  r.height = img.ImageHeight();
  return r;
}

} // namespace tavro::images
