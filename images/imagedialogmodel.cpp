#include "images/imagedialogmodel.h"

#include "images/imagecodecs.h"
#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "platform/ui/uiservices.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace tavro::images {

namespace {
constexpr int dialogFlags = 0x200806; // long names, path must exist, hide read-only, overwrite prompt
constexpr int errInvalidPicture = 481;
} // namespace

const std::vector<DitherItem>& ditherItems() {
  static const std::vector<DitherItem> items = {
      {"No Dither", 0}, {"Random", 1}, {"Matrix display", 2}, {"Matrix printing", 3}, {"Floystein", 4}};
  return items;
}

std::optional<std::int32_t> sizeFieldValue(const std::string& text) {
  std::size_t i = 0, n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t'))
    ++i;
  std::size_t start = i;
  if (i < n && (text[i] == '+' || text[i] == '-'))
    ++i;
  std::size_t digits = 0;
  while (i < n && std::isdigit(static_cast<unsigned char>(text[i])))
    ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && std::isdigit(static_cast<unsigned char>(text[i])))
      ++i, ++digits;
  }
  if (digits == 0)
    return std::nullopt;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-'))
      ++i;
    std::size_t expDigits = 0;
    while (i < n && std::isdigit(static_cast<unsigned char>(text[i])))
      ++i, ++expDigits;
    if (expDigits == 0)
      return std::nullopt;
  }
  std::size_t end = i;
  while (i < n && (text[i] == ' ' || text[i] == '\t'))
    ++i;
  if (i != n)
    return std::nullopt;
  double value = std::strtod(text.substr(start, end - start).c_str(), nullptr);
  if (!std::isfinite(value))
    return std::nullopt;
  double rounded = std::nearbyint(value); // the default rounding mode: halves to even
  if (rounded < -2147483648.0 || rounded > 2147483647.0)
    return std::nullopt;
  return std::int32_t(rounded);
}

ImageDialogModel::ImageDialogModel() : m_pipeline(*this) {
  previewLoader = [](const std::string& path) {
    try {
      readPicture(path);
    } catch (const ImageFailure&) {
      throw com::ComError(errInvalidPicture, "Invalid picture");
    }
  };
}

void ImageDialogModel::showPreview(const std::string& bitmapPath) {
  if (previewLoader)
    previewLoader(bitmapPath);
  m_previewPicture = bitmapPath;
}

void ImageDialogModel::selectPixels() {
  setHeightUnits(SizeUnits::Pixels);
  setWidthUnits(SizeUnits::Pixels);
}

void ImageDialogModel::showSize(std::int32_t height, std::int32_t width) {
  setHeightText(std::to_string(height));
  setWidthText(std::to_string(width));
}

int ImageDialogModel::currentDither() const {
  const auto& items = ditherItems();
  return m_ditherIndex >= 0 && std::size_t(m_ditherIndex) < items.size() ? items[std::size_t(m_ditherIndex)].data : 0;
}

void ImageDialogModel::setThreshold(int value) {
  value = value < 0 ? 0 : value > 255 ? 255 : value;
  if (value == m_threshold)
    return;
  m_threshold = value;
  sldThreshold_Change();
}

void ImageDialogModel::setDitherIndex(int index) {
  if (index == m_ditherIndex || index < 0 || std::size_t(index) >= ditherItems().size())
    return;
  m_ditherIndex = index;
  cboDither_Click();
}

void ImageDialogModel::setWidthUnits(SizeUnits units) {
  if (units == m_widthUnits)
    return;
  m_widthUnits = units;
  cboWidth_Click();
}

void ImageDialogModel::setHeightUnits(SizeUnits units) {
  if (units == m_heightUnits)
    return;
  m_heightUnits = units;
  cboHeight_Click();
}

void ImageDialogModel::setWidthText(const std::string& text) {
  if (text == m_widthText)
    return;
  m_widthText = text;
  txtWidth_Change();
}

void ImageDialogModel::setHeightText(const std::string& text) {
  if (text == m_heightText)
    return;
  m_heightText = text;
  txtHeight_Change();
}

void ImageDialogModel::setKeepRatio(bool ticked) {
  if (ticked == m_keepRatio)
    return;
  m_keepRatio = ticked;
  chkRatio_Click();
}

void ImageDialogModel::Form_Load() {
  m_pipeline.pictureLoaded = false;
  m_heightUnits = SizeUnits::Pixels;
  m_widthUnits = SizeUnits::Pixels;
  m_ditherIndex = 0;
  m_heightText = "0";
  m_widthText = "0";
  m_saveEnabled = false;
}

bool ImageDialogModel::Form_Unload() {
  if (m_pipeline.pictureLoaded) {
    int answer = ui::services().msgBox("Are you sure you want to cancel?", ui::vbYesNo | ui::vbInformation, "Cancel");
    if (answer != ui::vbYes)
      return false;
  }
  m_pipeline.releaseComponent();
  return true;
}

void ImageDialogModel::cmdOpen_Click() {
  ui::FileDialogRequest request;
  request.title = "Open an image file";
  request.filter = "Images (*.wbmp,*.bmp,*.png,*.gif,*.jpg)|*.wbmp;*.bmp;*.png;*.gif;*.jpg|JPG images (*.jpg)|"
                   "*.jpg;*.jpeg|BMP images (*.bmp)|*.bmp|GIF images (*.gif)|*.gif|PNG images (*.png)|*.png";
  request.flags = dialogFlags;
  auto chosen = ui::services().openFile(request);
  if (!chosen || chosen->empty())
    return;
  // A new picture replaces the old one only once one was chosen: a cancelled Open keeps
  // the picture the user was working on.
  m_pipeline.newComponent();
  m_pipeline.sourceFile = *chosen;
  if (m_pipeline.ConvertAndPreview(m_threshold, currentDither(), 0, 0, false)) {
    m_pipeline.pictureLoaded = true;
    m_saveEnabled = true;
  } else {
    m_previewPicture.clear();
    m_pipeline.pictureLoaded = false;
    m_saveEnabled = false;
  }
}

void ImageDialogModel::cmdSave_Click() {
  ui::FileDialogRequest request;
  request.fileName = fs::getBaseName(m_pipeline.sourceFile) + ".wbmp";
  request.title = "Save WBMP ";
  request.filter = "WBMP Images (*.wbmp)|*.wbmp";
  request.flags = dialogFlags;
  request.defaultExtension = "wbmp";
  auto chosen = ui::services().saveFile(request);
  if (!chosen || chosen->empty())
    return;
  ImagingComponent* img = m_pipeline.component();
  if (!img)
    return;
  bool ok = img->SaveImage(*chosen, "wbmp", 0);
  m_pipeline.CheckImageResult(img->LastError(), ok);
}

void ImageDialogModel::cmdApply_Click() {
  if (!m_pipeline.pictureLoaded)
    return;
  // A value too large for a whole number is refused like text that is no number, where the
  // conversion would otherwise fail with an overflow.
  auto width = sizeFieldValue(m_widthText);
  if (!width) {
    ui::services().msgBox("The Width field is invalid, please enter a numeric value", ui::vbOKOnly | ui::vbCritical,
                          "Image Conversion");
    return;
  }
  auto height = sizeFieldValue(m_heightText);
  if (!height) {
    ui::services().msgBox("The Height field is invalid, please enter a numeric value", ui::vbOKOnly | ui::vbCritical,
                          "Image Conversion");
    return;
  }
  std::int64_t w = *width, h = *height;
  if (m_widthUnits != SizeUnits::Pixels)
    w = percentOf(m_pipeline.imageWidth, w);
  if (m_heightUnits != SizeUnits::Pixels)
    h = percentOf(m_pipeline.imageHeight, h);
  // Sizes past 32 bits cannot be pictures; they fail in the resize like any oversized one.
  auto clamp32 = [](std::int64_t v) { return std::int32_t(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v); };
  if (m_pipeline.ConvertAndPreview(m_threshold, currentDither(), clamp32(h), clamp32(w), m_keepRatio))
    m_undoEnabled = true;
  else
    cmdUndo_Click();
}

void ImageDialogModel::cmdUndo_Click() {
  if (!m_pipeline.pictureLoaded)
    return;
  m_pipeline.ConvertAndPreview(m_threshold, currentDither(), 0, 0, true);
}

void ImageDialogModel::cboWidth_Click() {
  setWidthText(m_widthUnits == SizeUnits::Pixels ? std::to_string(m_pipeline.imageWidth) : "100");
}

void ImageDialogModel::cboHeight_Click() {
  setHeightText(m_heightUnits == SizeUnits::Pixels ? std::to_string(m_pipeline.imageHeight) : "100");
}

void ImageDialogModel::txtWidth_Change() {
  m_applyEnabled = true;
  if (m_keepRatio && m_widthUnits == SizeUnits::Percent) {
    setHeightUnits(SizeUnits::Percent);
    setHeightText(m_widthText);
  }
}

void ImageDialogModel::txtHeight_Change() {
  m_applyEnabled = true;
  if (m_keepRatio && m_heightUnits == SizeUnits::Percent) {
    setWidthUnits(SizeUnits::Percent);
    setWidthText(m_heightText);
  }
}

bool ImageDialogModel::sizeKeyAccepted(int keyAscii) { return (keyAscii >= '0' && keyAscii <= '9') || keyAscii == 8; }

void ImageDialogModel::chkRatio_Click() {
  if (!m_keepRatio)
    return;
  if (m_widthUnits == SizeUnits::Percent) {
    setHeightUnits(SizeUnits::Percent);
    setHeightText(m_widthText);
  } else if (m_heightUnits == SizeUnits::Percent) {
    setWidthUnits(SizeUnits::Percent);
    setWidthText(m_heightText);
  }
}

void ImageDialogModel::rerun() {
  if (!m_pipeline.pictureLoaded)
    return;
  m_pipeline.ConvertAndPreview(m_threshold, currentDither(), m_pipeline.imageHeight, m_pipeline.imageWidth, false);
}

void ImageDialogModel::cboDither_Click() { rerun(); }
void ImageDialogModel::sldThreshold_Change() { rerun(); }

} // namespace tavro::images
