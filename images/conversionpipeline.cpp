#include "images/conversionpipeline.h"

#include "images/imageerrormsgs.h"
#include "platform/com/comerror.h"
#include "platform/ui/uiservices.h"

#include <exception>

namespace tavro::images {

ConversionPipeline::ConversionPipeline(PipelineControls& controls) : m_controls(controls) { newComponent(); }

void ConversionPipeline::newComponent() {
  m_imaging.reset();
  m_imaging = std::make_unique<ImagingComponent>();
  m_imaging->StartupFlag(0);
  m_imaging->DialogFlag(1);
}

bool ConversionPipeline::CheckImageResult(std::int32_t code, bool flag) {
  if (flag)
    return true;
  std::string message;
  if (ImageErrorMsgs(code, message))
    ui::services().msgBox(message, ui::vbOKOnly | ui::vbCritical, "Image Error");
  return false;
}

bool ConversionPipeline::ConvertAndPreview(std::int32_t threshold, std::int32_t dither, std::int32_t height,
                                           std::int32_t width, bool keepRatio) {
  try {
    if (!m_imaging)
      throw com::ComError(com::errObjectNotSet);
    ImagingComponent& img = *m_imaging;

    bool ok = img.LoadImage(sourceFile, "");
    if (!CheckImageResult(img.LastError(), ok))
      return false;

    if (pictureLoaded) {
      ok = img.Resize(width, height, keepRatio ? 0 : 1);
      if (!CheckImageResult(img.LastError(), ok))
        return false;
    }

    ok = img.ConvertToMonochrome(dither, threshold);
    if (!CheckImageResult(img.LastError(), ok))
      return false;

    ok = img.SaveImage(previewLocation, "bmp", 0);
    if (!CheckImageResult(img.LastError(), ok))
      return false;

    ok = img.Refresh();
    if (!CheckImageResult(img.LastError(), ok))
      return false;

    m_controls.showPreview(previewLocation);
    imageHeight = img.ImageHeight();
    imageWidth = img.ImageWidth();
    m_controls.selectPixels();
    m_controls.showSize(imageHeight, imageWidth);
    return true;
  } catch (const std::exception& e) {
    ui::services().msgBox(std::string("Error Rendering Image: ") + e.what(), ui::vbOKOnly | ui::vbCritical, "Error");
    return false;
  }
}

} // namespace tavro::images
