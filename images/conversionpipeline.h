#pragma once
// The image dialog's conversion pipeline without a window: it reloads the source picture,
// resizes it, reduces it to black and white, writes the preview bitmap and shows it, checking
// every step and telling the user through the ui services when one fails.

#include "images/imagingcomponent.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tavro::images {

/// What the pipeline writes into the dialog after a successful run.
class PipelineControls {
public:
  virtual ~PipelineControls() = default;
  /// Shows the bitmap file as the preview. Throws (with a description) when it cannot.
  virtual void showPreview(const std::string& bitmapPath) = 0;
  /// Both unit lists select "Pixels".
  virtual void selectPixels() = 0;
  /// The size boxes show the picture's size.
  virtual void showSize(std::int32_t height, std::int32_t width) = 0;
};

class ConversionPipeline {
public:
  explicit ConversionPipeline(PipelineControls& controls);

  // What the pipeline reads.
  std::string sourceFile;
  std::string previewLocation;
  bool pictureLoaded = false;
  // What it writes: the size of the last picture it showed.
  std::int32_t imageWidth = 0;
  std::int32_t imageHeight = 0;

  /// Releases the imaging component and creates a fresh one (flags 0 and 1), which holds no
  /// picture until the next run loads the source file again.
  void newComponent();
  ImagingComponent* component() { return m_imaging.get(); }
  void releaseComponent() { m_imaging.reset(); }

  /**
   * Runs the pipeline and returns true when every step succeeded. The picture is always read
   * again from the source file; the resize (mode 0 when keepRatio, else 1) runs only when a
   * picture was already loaded. A failed step stops the run and leaves the preview, the size
   * and the size boxes as they were.
   */
  bool ConvertAndPreview(std::int32_t threshold, std::int32_t dither, std::int32_t height, std::int32_t width,
                         bool keepRatio);

  /// True when flag is true; otherwise shows the code's message titled "Image Error" (nothing
  /// for a code without one) and returns false.
  bool CheckImageResult(std::int32_t code, bool flag);

private:
  PipelineControls& m_controls;
  std::unique_ptr<ImagingComponent> m_imaging;
};

} // namespace tavro::images
