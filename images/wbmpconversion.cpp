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
} // namespace

ConversionResult convertToWbmpFile(const std::string& source, const std::string& target, std::int32_t threshold,
                                   std::int32_t dither) {
  ConversionOptions options;
  options.threshold = threshold;
  options.dither = dither;
  return convertToWbmpFile(source, target, options);
}

ConversionResult convertToWbmpFile(const std::string& source, const std::string& target,
                                   const ConversionOptions& options) {
  ImagingComponent img;
  if (!img.LoadImage(source))
    return failed(img.LastError());
  std::int64_t width = options.width, height = options.height;
  if (options.widthInPercent)
    width = percentOf(img.ImageWidth(), width);
  if (options.heightInPercent)
    height = percentOf(img.ImageHeight(), height);
  if (width > INT32_MAX || height > INT32_MAX)
    return failed(codeTransform);
  if ((width != 0 || height != 0) && !img.Resize(std::int32_t(width), std::int32_t(height), options.keepRatio ? 0 : 1))
    return failed(img.LastError());
  if (!img.ConvertToMonochrome(options.dither, options.threshold))
    return failed(img.LastError());
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
