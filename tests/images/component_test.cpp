// The imaging component, the conversion pipeline and the image dialog's state, driven as the
// dialog drives them, with a scripted user.

#include "images/imagecodecs.h"
#include "images/imagedialogmodel.h"
#include "images/imageerrormsgs.h"
#include "images/imagingcomponent.h"
#include "images/wbmpconversion.h"
#include "tests/images/picturefiles.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <optional>

using namespace tavro;
using namespace tavro::images;
using namespace tavro::test;
namespace stdfs = std::filesystem;

TEST(ImagingComponent, LoadsConvertsResizesAndSavesWithCodes) {
  TempDir dir;
  ImagingComponent img;
  // The code a call leaves: 0 for success, which must also be what the call answers.
  auto code = [&img](bool ok) {
    EXPECT_EQ(ok, img.LastError() == 0);
    return img.LastError();
  };
  EXPECT_EQ(img.ImageWidth(), 0);
  EXPECT_EQ(code(img.ConvertToMonochrome(0, 128)), 7);
  EXPECT_EQ(code(img.Resize(10, 10, 0)), 7);
  EXPECT_EQ(code(img.Refresh()), 7);
  EXPECT_EQ(code(img.SaveImage(dir.file("x.wbmp"), "wbmp", 0)), 8);

  ASSERT_EQ(code(img.LoadImage(writeGreyPng(dir.file("p.png"), 40, 20), "")), 0);
  EXPECT_EQ(img.ImageWidth(), 40);
  EXPECT_EQ(img.ImageHeight(), 20);
  EXPECT_EQ(code(img.ConvertToMonochrome(5, 128)), 12);
  EXPECT_EQ(code(img.ConvertToMonochrome(0, 256)), 12);
  EXPECT_EQ(code(img.Resize(-1, 10, 1)), 13);
  EXPECT_EQ(code(img.Resize(10, 10, 2)), 13);
  EXPECT_EQ(img.ImageWidth(), 40) << "a failed resize leaves the picture";

  EXPECT_EQ(code(img.Resize(10, 10, 0)), 0) << "success clears the code";
  EXPECT_EQ(img.ImageWidth(), 10);
  EXPECT_EQ(img.ImageHeight(), 5);
  EXPECT_EQ(code(img.ConvertToMonochrome(4, 128)), 0);
  EXPECT_EQ(code(img.Refresh()), 0);
  EXPECT_EQ(code(img.SaveImage(dir.file("x.gif"), "gif", 0)), 24);
  EXPECT_EQ(code(img.SaveImage(dir.file("no/such/folder/x.wbmp"), "wbmp", 0)), 1);
  // A folder in the way of the target cannot be replaced by the file; a file where the folder
  // should be: the file cannot be created. What was there stays.
  stdfs::create_directory(dir.path() / "taken.wbmp");
  writeFile(dir.path() / "taken.wbmp" / "inside", "old");
  EXPECT_EQ(code(img.SaveImage(dir.file("taken.wbmp"), "wbmp", 0)), 20);
  EXPECT_EQ(readFile(dir.path() / "taken.wbmp" / "inside"), "old");
  writeFile(dir.path() / "plain", "old");
  EXPECT_EQ(code(img.SaveImage(dir.file("plain/x.wbmp"), "wbmp", 0)), 1);
  EXPECT_EQ(readFile(dir.path() / "plain"), "old");
  ASSERT_EQ(code(img.SaveImage(dir.file("x.wbmp"), "WBMP", 0)), 0);

  // What was saved reads back as the same bits.
  ImagingComponent back;
  ASSERT_TRUE(back.LoadImage(dir.file("x.wbmp")));
  EXPECT_EQ(back.picture().pixels, img.picture().pixels);
  EXPECT_EQ(entriesIn(dir.path()), 4) << "p.png, x.wbmp, taken.wbmp and plain: no temporary file is left behind";

  // A failed load drops the picture it had.
  EXPECT_EQ(code(img.LoadImage(dir.file("missing.png"))), 15);
  EXPECT_EQ(img.ImageWidth(), 0);
  EXPECT_EQ(code(img.ConvertToMonochrome(0, 128)), 7);
}

TEST(ImagingComponent, LoadingAsMonochromeGivesWhatLoadingThenConvertingGives) {
  TempDir dir;
  const std::string jpeg = makeJpeg({.width = 301, .height = 203}, greyRamp);
  const std::string png = makePng({57, 33, PNG_COLOR_TYPE_GRAY, 8}, greyRamp);
  const struct {
    const char* name;
    std::string bytes;
  } files[] = {
      {"plain.jpg", jpeg},
      {"turned.jpg", makeJpeg({.width = 301, .height = 203, .orientation = 6}, greyRamp)},
      {"progressive.jpg", makeJpeg({.width = 64, .height = 48, .grey = true, .progressive = true}, greyRamp)},
      {"cmyk.jpg", makeJpeg({.width = 40, .height = 24, .cmyk = true}, greyRamp)},
      {"grey.png", png},
      {"interlaced.png", makePng({57, 33, PNG_COLOR_TYPE_RGB, 8, true}, greyRamp)},
      {"truncated.png", png.substr(0, png.size() * 2 / 3)},
      {"truncated.jpg", jpeg.substr(0, jpeg.size() / 2)},
      {"header-only.jpg", jpeg.substr(0, 200)},
      {"notes.jpg", "not a picture"},
  };
  for (const auto& f : files)
    for (std::int32_t dither : {-1, 0, 1, 4, 9})
      for (std::int32_t threshold : {90, 128}) {
        SCOPED_TRACE(std::string(f.name) + " dither " + std::to_string(dither));
        writeFile(dir.file(f.name), f.bytes);
        ImagingComponent serial, streamed;
        const bool loaded = serial.LoadImage(dir.file(f.name));
        const bool ok = loaded && serial.ConvertToMonochrome(dither, threshold);
        EXPECT_EQ(streamed.LoadAsMonochrome(dir.file(f.name), dither, threshold), ok);
        EXPECT_EQ(streamed.LastError(), serial.LastError());
        EXPECT_EQ(streamed.ImageWidth(), serial.ImageWidth());
        EXPECT_EQ(streamed.picture().monochrome, serial.picture().monochrome);
        EXPECT_TRUE(streamed.picture().pixels == serial.picture().pixels);
      }
  // A missing file loaded as monochrome: the conversion's "a missing file as it is" below.
}

TEST(WbmpConversion, OneCallLoadsResizesReducesAndWritesOrSaysWhichStepFailed) {
  TempDir dir;
  const std::string picture = writeGreyPng(dir.file("p.png"), 40, 20);
  writeFile(dir.file("notes.png"), "not a picture");
  ConversionOptions half, huge, badDither, narrower, wider, withPreview, byWidth;
  half.width = half.height = 50;
  half.widthInPercent = half.heightInPercent = true;
  huge = badDither = half;
  huge.width = INT32_MAX;
  badDither.dither = 9;
  narrower.maxWidth = 10;
  wider.maxWidth = 41;
  withPreview.dither = 4;
  withPreview.previewBmp = dir.file("preview.bmp");
  byWidth.width = 30;
  byWidth.keepRatio = true;
  const struct {
    const char* what;
    std::string source, target;
    ConversionOptions options;
    std::int32_t code, width, height;
  } cases[] = {
      {"as it is, with a preview", picture, dir.file("a.wbmp"), withPreview, 0, 40, 20},
      {"at half its size", picture, dir.file("b.wbmp"), half, 0, 20, 10},
      {"shrunk to a width", picture, dir.file("i.wbmp"), narrower, 0, 10, 5},
      {"to a width, its height by the ratio", picture, dir.file("k.wbmp"), byWidth, 0, 30, 15},
      {"narrower than the width", picture, dir.file("j.wbmp"), wider, 0, 40, 20},
      {"a missing file", dir.file("none.png"), dir.file("c.wbmp"), half, 15, 0, 0},
      {"a missing file as it is", dir.file("none.png"), dir.file("h.wbmp"), {}, 15, 0, 0},
      {"not a picture", dir.file("notes.png"), dir.file("d.wbmp"), half, 21, 0, 0},
      {"a percentage beyond any size", picture, dir.file("e.wbmp"), huge, 13, 0, 0},
      {"a dither code out of range", picture, dir.file("f.wbmp"), badDither, 12, 0, 0},
      {"into a missing folder", picture, dir.file("none/g.wbmp"), half, 1, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ConversionResult r = convertToWbmpFile(c.source, c.target, c.options);
    EXPECT_EQ(r.ok, c.code == 0);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(stdfs::exists(c.target), c.code == 0);
    if (c.code == 0) {
      EXPECT_EQ(r.width, c.width);
      EXPECT_EQ(r.height, c.height);
      EXPECT_EQ(readFile(c.target).size(), 4u + std::size_t((c.width + 7) / 8 * c.height));
    } else {
      std::string message;
      ASSERT_TRUE(ImageErrorMsgs(c.code, message));
      EXPECT_EQ(r.message, message);
    }
  }
  EXPECT_EQ(readFile(dir.file("preview.bmp")).substr(0, 2), "BM");
}

TEST(ImageErrorMsgs, GivesTheTableTextsAndLeavesOtherCodesAlone) {
  std::string msg;
  for (int code : {3, 4, 5, 6}) {
    ASSERT_TRUE(ImageErrorMsgs(code, msg));
    EXPECT_EQ(msg, "Unable to read file. Bad file format.");
  }
  ASSERT_TRUE(ImageErrorMsgs(20, msg));
  EXPECT_EQ(msg, "Unable to save image. Disk I/O error, e.g. Disk Full.");
  msg = "untouched";
  for (int code : {0, 2, 14, 19, 25, -1})
    EXPECT_FALSE(ImageErrorMsgs(code, msg)) << code;
  EXPECT_EQ(msg, "untouched");
}

// --- the pipeline ----------------------------------------------------------------------------

namespace {
struct RecordingControls : PipelineControls {
  std::vector<std::string> calls;
  bool failPreview = false;
  void showPreview(const std::string& path) override {
    if (failPreview)
      throw std::runtime_error("Invalid picture");
    calls.push_back("preview " + path);
  }
  void selectPixels() override { calls.push_back("pixels"); }
  void showSize(std::int32_t h, std::int32_t w) override {
    calls.push_back("size " + std::to_string(h) + " " + std::to_string(w));
  }
};

} // namespace

// The resizes of later runs go through the dialog's Apply, in its tests below.
TEST(ConversionPipeline, FirstOpenShowsThePreviewAndAFailedStepShowsItsMessageAndLeavesIt) {
  ui::ScopedScriptedUi ui;
  TempDir dir;
  RecordingControls controls;
  ConversionPipeline pipeline{controls};
  pipeline.sourceFile = writeGreyPng(dir.file("p.png"), 20, 10);
  pipeline.previewLocation = dir.file("tmp.bmp");
  ASSERT_TRUE(pipeline.ConvertAndPreview(128, 0, 5, 5, false));
  EXPECT_EQ(pipeline.imageWidth, 20) << "no picture was loaded: the size is not applied";
  EXPECT_EQ(controls.calls, (std::vector<std::string>{"preview " + dir.file("tmp.bmp"), "pixels", "size 10 20"}));
  EXPECT_EQ(readPicture(dir.file("tmp.bmp")).width, 20);
  EXPECT_TRUE(ui->messages.empty());
  std::string preview = readFile(dir.path() / "tmp.bmp");
  controls.calls.clear();

  // Conversion fails after a good load (a dither code the component does not know).
  EXPECT_FALSE(pipeline.ConvertAndPreview(128, 9, 0, 0, false));
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_EQ(ui->messages[0].text, "an error occurred while converting (may be out of memory).");
  EXPECT_EQ(ui->messages[0].title, "Image Error");
  EXPECT_EQ(ui->messages[0].style, ui::vbOKOnly | ui::vbCritical);
  EXPECT_TRUE(controls.calls.empty());
  EXPECT_EQ(readFile(dir.path() / "tmp.bmp"), preview);
  EXPECT_EQ(pipeline.imageWidth, 20);

  // An unreadable source: code 21 and its text.
  writeFile(dir.path() / "notes.png", "just text");
  pipeline.sourceFile = dir.file("notes.png");
  EXPECT_FALSE(pipeline.ConvertAndPreview(128, 0, 0, 0, false));
  ASSERT_EQ(ui->messages.size(), 2u);
  EXPECT_EQ(ui->messages[1].text, "Unrecognized file format.");

  // A code without a message fails silently.
  EXPECT_FALSE(pipeline.CheckImageResult(2, false));
  EXPECT_TRUE(pipeline.CheckImageResult(21, true));
  EXPECT_EQ(ui->messages.size(), 2u);

  // A run-time error while showing the preview ends the run with the rendering message.
  pipeline.sourceFile = dir.file("p.png");
  controls.failPreview = true;
  EXPECT_FALSE(pipeline.ConvertAndPreview(128, 0, 0, 0, false));
  ASSERT_EQ(ui->messages.size(), 3u);
  EXPECT_EQ(ui->messages[2].text, "Error Rendering Image: Invalid picture");
  EXPECT_EQ(ui->messages[2].title, "Error");
  EXPECT_EQ(ui->messages[2].style, ui::vbOKOnly | ui::vbCritical);
  EXPECT_EQ(pipeline.imageWidth, 20);
}

// --- the dialog ------------------------------------------------------------------------------

namespace {
// A dialog that has opened a picture of that size through the scripted file dialog, or none.
struct OpenDialog {
  ui::ScopedScriptedUi ui;
  TempDir dir;
  ImageDialogModel dialog;
  explicit OpenDialog(int width = 0, int height = 0) {
    dialog.PreviewLocation(dir.file("tmp.bmp"));
    dialog.Form_Load();
    if (width == 0)
      return;
    ui->fileAnswers.push_back(writeGreyPng(dir.file("photo.png"), width, height));
    dialog.cmdOpen_Click();
  }
};
} // namespace

// Opening, the threshold and dither, Save, Exit and Undo are driven through the dialog's
// controls in the GUI tests; these are the rules the controls do not show on their own.

TEST(ImageDialog, ApplyRefusesBadSizesAndResizesByTheRatioOrEachPercent) {
  OpenDialog d(40, 20);
  ImageDialogModel& dialog = d.dialog;
  const struct {
    const char *width, *height, *message, *title;
  } cases[] = {
      {"ab", "20", "The Width field is invalid, please enter a numeric value", "Image Conversion"},
      {"30", "", "The Height field is invalid, please enter a numeric value", "Image Conversion"},
      // A pasted number too large for a whole number is refused the same way, not an overflow.
      {"30", "9e99", "The Height field is invalid, please enter a numeric value", "Image Conversion"},
      // Over the limits: the resize fails and Undo rebuilds the preview at the picture's own size.
      {"9999", "9999", "an error occurred while transforming (may be out of memory or wrong format).", "Image Error"},
  };
  for (const auto& c : cases) {
    d.ui->messages.clear();
    dialog.setWidthText(c.width);
    dialog.setHeightText(c.height);
    dialog.cmdApply_Click();
    ASSERT_EQ(d.ui->messages.size(), 1u) << c.width << " x " << c.height;
    EXPECT_EQ(d.ui->messages[0].text, c.message);
    EXPECT_EQ(d.ui->messages[0].title, c.title);
    EXPECT_EQ(dialog.imageWidth(), 40);
  }
  EXPECT_EQ(dialog.widthText(), "40");
  EXPECT_FALSE(dialog.undoEnabled());

  // A box's text reads as a whole number, halves to even.
  const std::pair<const char*, std::optional<std::int32_t>> fields[] = {
      {" 12 ", 12}, {"12.5", 12}, {"13.5", 14}, {"1e3", 1000}, {"1,5", std::nullopt}, {".", std::nullopt}};
  for (const auto& [text, value] : fields)
    EXPECT_EQ(sizeFieldValue(text), value) << text;

  // Keeping the ratio in pixels leaves the boxes apart and fits the resize within them.
  dialog.setKeepRatio(true);
  dialog.setWidthText("30");
  EXPECT_EQ(dialog.heightText(), "20");
  dialog.cmdApply_Click();
  EXPECT_EQ(dialog.imageWidth(), 30);
  EXPECT_EQ(dialog.imageHeight(), 15);

  // Ticking the box with the height in percent puts the width in percent, the two boxes alike.
  dialog.setKeepRatio(false);
  dialog.setHeightUnits(SizeUnits::Percent);
  dialog.setHeightText("50");
  dialog.setKeepRatio(true);
  EXPECT_EQ(dialog.widthUnits(), SizeUnits::Percent);
  EXPECT_EQ(dialog.widthText(), dialog.heightText());

  // Without the ratio each box's percentage goes on its own side, halves to even: 15% of 30
  // is 4 and 50% of 15 is 8.
  dialog.setKeepRatio(false);
  dialog.setWidthText("15");
  dialog.setHeightText("50");
  dialog.cmdApply_Click();
  EXPECT_EQ(dialog.imageWidth(), 4);
  EXPECT_EQ(dialog.imageHeight(), 8);
}

TEST(ImageDialog, NothingHappensBeforeAPictureIsOpened) {
  OpenDialog d;
  auto& [ui, dir, dialog] = d;
  dialog.cmdApply_Click();
  dialog.cmdUndo_Click();
  dialog.setThreshold(10);
  dialog.setDitherIndex(2);
  EXPECT_FALSE(stdfs::exists(dir.path() / "tmp.bmp"));
  EXPECT_TRUE(ui->messages.empty());
  EXPECT_TRUE(dialog.Form_Unload()) << "closes at once without a picture";
}
