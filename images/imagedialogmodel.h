#pragma once
// The image conversion dialog's state and handlers without a window. The Qt dialog owns one,
// forwards each control event to the handler of the same name and mirrors the state into its
// controls; file dialogs and messages go through the ui services, so the whole dialog runs
// headless under a scripted ui in tests.

#include "images/conversionpipeline.h"
#include "images/resize.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavro::images {

enum class SizeUnits : int { Pixels = 0, Percent = 1 };

/// A drop-down item: its text and its item data.
struct DitherItem {
  const char* text;
  int data;
};
/// The items of the dither list in order: "No Dither" 0 ... "Floystein" 4.
const std::vector<DitherItem>& ditherItems();

/// Whether a size box's text is a number: optional blanks and sign, digits with an optional
/// decimal point and exponent. The value rounds halves to even, as the conversion to a whole
/// number does; nothing when the text is no number or the value does not fit 32 bits.
std::optional<std::int32_t> sizeFieldValue(const std::string& text);

class ImageDialogModel : private PipelineControls {
public:
  ImageDialogModel();

  // Write-only properties.
  void HelpFile(const std::string& path) { m_helpFile = path; }
  void PreviewLocation(const std::string& path) { m_pipeline.previewLocation = path; }

  // Control state, read by the window.
  int threshold() const { return m_threshold; }     // sldThreshold, 0..255
  int ditherIndex() const { return m_ditherIndex; } // cboDither's selected item
  SizeUnits widthUnits() const { return m_widthUnits; }
  SizeUnits heightUnits() const { return m_heightUnits; }
  const std::string& widthText() const { return m_widthText; }
  const std::string& heightText() const { return m_heightText; }
  bool keepRatio() const { return m_keepRatio; } // chkRatio
  bool applyEnabled() const { return m_applyEnabled; }
  bool undoEnabled() const { return m_undoEnabled; }
  bool saveEnabled() const { return m_saveEnabled; }
  /// The bitmap the preview shows, "" when it shows nothing.
  const std::string& previewPicture() const { return m_previewPicture; }
  bool pictureLoaded() const { return m_pipeline.pictureLoaded; }
  std::int32_t imageWidth() const { return m_pipeline.imageWidth; }
  std::int32_t imageHeight() const { return m_pipeline.imageHeight; }

  /// Loads the preview bitmap into the window; throws when it cannot. By default the file is
  /// only checked to be a readable picture.
  std::function<void(const std::string&)> previewLoader;

  // Changes to the controls. Each raises the control's handler when the value really changes,
  // whether the user or the dialog made it. The size boxes take at most 4 typed characters
  // (the window limits typing); the sizes the dialog writes into them are never cut.
  void setThreshold(int value);
  void setDitherIndex(int index);
  void setWidthUnits(SizeUnits units);
  void setHeightUnits(SizeUnits units);
  void setWidthText(const std::string& text);
  void setHeightText(const std::string& text);
  void setKeepRatio(bool ticked);

  // Handlers.
  void Form_Load();
  /// Closing: true when the dialog may close (it asks first when a picture is loaded).
  bool Form_Unload();
  void cmdOpen_Click();
  void cmdSave_Click();
  void cmdApply_Click();
  void cmdUndo_Click();
  void cboWidth_Click();
  void cboHeight_Click();
  void txtWidth_Change();
  void txtHeight_Change();
  /// The key filter of both size boxes: only digits and Backspace (8) reach the box.
  static bool sizeKeyAccepted(int keyAscii);
  void chkRatio_Click();
  void cboDither_Click();
  void sldThreshold_Change();

private:
  void showPreview(const std::string& bitmapPath) override;
  void selectPixels() override;
  void showSize(std::int32_t height, std::int32_t width) override;
  int currentDither() const;
  void rerun();

  ConversionPipeline m_pipeline;
  std::string m_helpFile;
  int m_threshold = 128;
  int m_ditherIndex = 0;
  SizeUnits m_widthUnits = SizeUnits::Pixels;
  SizeUnits m_heightUnits = SizeUnits::Pixels;
  std::string m_widthText = "0";
  std::string m_heightText = "0";
  bool m_keepRatio = false;
  bool m_applyEnabled = false;
  bool m_undoEnabled = false;
  bool m_saveEnabled = false;
  std::string m_previewPicture;
};

} // namespace tavro::images
