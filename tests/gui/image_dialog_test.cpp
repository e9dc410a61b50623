// The image conversion dialog driven through its controls, offscreen, with a scripted user.

#include "images/formimages.h"
#include "tests/gui/guitest.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

using namespace tavro;

namespace {

class ImageDialog : public ::testing::Test {
protected:
  void SetUp() override {
    test::application();
    sunset = (test::sourceDir() / "samples/pages/images/sunset.png").string();
    dialog = std::make_unique<formImages>();
    dialog->PreviewLocation(app.file("tmp.bmp"));
    test::showActive(*dialog);
  }

  template <typename W = QWidget>
  W* control(const char* name) {
    return test::child<W>(*dialog, name);
  }
  void click(const char* name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
  void openPicture(const std::optional<std::string>& path) {
    ui->fileAnswers.push_back(path);
    click("cmdOpen");
  }
  QString text(const char* box) { return control<QLineEdit>(box)->text(); }
  // Replaces a size box's text by typing, as the user does.
  void type(const char* box, const char* keys) {
    QLineEdit* edit = control<QLineEdit>(box);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, keys);
  }
  QSize previewSize() { return control<PictureBox>("picPictureViewer")->size(); }
  QImage previewImage() { return control<PictureBox>("picPictureViewer")->picture(); }
  static int pixelsOf(const QImage& image, int grey) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        n += qGray(image.pixel(x, y)) == grey ? 1 : 0;
    return n;
  }
  static int blackPixels(const QImage& image) { return pixelsOf(image, 0); }

  test::TempDir app;
  std::string sunset;
  ui::ScopedScriptedUi ui;
  std::unique_ptr<formImages> dialog;
};

} // namespace

TEST_F(ImageDialog, OpenShowsThePictureInBlackAndWhiteSaveWritesItAsWbmpAndAFailedOpenClearsIt) {
  EXPECT_EQ(dialog->windowTitle(), "Image Conversion");
  openPicture(sunset);

  ASSERT_EQ(ui->fileDialogs.size(), 1u);
  EXPECT_EQ(ui->fileDialogs[0].request.title, "Open an image file");
  EXPECT_EQ(ui->fileDialogs[0].request.filter,
            "Images (*.wbmp,*.bmp,*.png,*.gif,*.jpg)|*.wbmp;*.bmp;*.png;*.gif;*.jpg|JPG images "
            "(*.jpg)|*.jpg;*.jpeg|BMP images (*.bmp)|*.bmp|GIF images (*.gif)|*.gif|PNG images "
            "(*.png)|*.png");

  EXPECT_EQ(previewSize(), QSize(96, 64));
  const QImage picture = previewImage();
  ASSERT_EQ(picture.size(), QSize(96, 64));
  const int black = blackPixels(picture), white = pixelsOf(picture, 255);
  EXPECT_EQ(black + white, 96 * 64);
  EXPECT_GT(black, 0);
  EXPECT_GT(white, 0);
  EXPECT_EQ(text("txtWidth"), "96");
  EXPECT_EQ(text("txtHeight"), "64");
  EXPECT_TRUE(control("cmdApply")->isEnabled());

  // Cancelling the next Open leaves the picture where it was.
  openPicture(std::nullopt);
  EXPECT_EQ(previewSize(), QSize(96, 64));
  ASSERT_TRUE(control("cmdSave")->isEnabled());

  const std::string target = app.file("sunset.wbmp");
  ui->fileAnswers.push_back(target);
  click("cmdSave");
  ASSERT_EQ(ui->fileDialogs.size(), 3u);
  const auto& save = ui->fileDialogs[2];
  EXPECT_TRUE(save.save);
  EXPECT_EQ(save.request.title, "Save WBMP ");
  EXPECT_EQ(save.request.fileName, "sunset.wbmp");
  EXPECT_EQ(save.request.filter, "WBMP Images (*.wbmp)|*.wbmp");
  const std::string wbmp = test::readFile(target);
  ASSERT_EQ(wbmp.size(), 4u + 12u * 64u); // type, header, width, height, 12 bytes a row
  EXPECT_EQ(wbmp.substr(0, 4), std::string("\x00\x00\x60\x40", 4));
  EXPECT_TRUE(ui->messages.empty()) << "neither the open nor the save had a fault to tell";
  EXPECT_TRUE(dialog->isVisible());

  const std::string notPicture = app.file("notes.png");
  test::writeFile(notPicture, "these are words, not pixels");
  openPicture(notPicture);
  ASSERT_EQ(ui->messages.size(), 1u) << "its text and title are the pipeline's test's";
  EXPECT_EQ(previewSize(), QSize(0, 0));
  EXPECT_TRUE(previewImage().isNull());
  EXPECT_FALSE(control("cmdSave")->isEnabled());
}

TEST_F(ImageDialog, ThresholdAndDitherReconvertAtTheCurrentSize) {
  openPicture(sunset);
  type("txtWidth", "48");
  type("txtHeight", "32");
  click("cmdApply");
  ASSERT_EQ(previewSize(), QSize(48, 32));
  const int atMiddle = blackPixels(previewImage());

  QTest::keyClick(control("sldThreshold"), Qt::Key_Home);
  EXPECT_EQ(control<QSlider>("sldThreshold")->value(), 0);
  const int atZero = blackPixels(previewImage());
  QTest::keyClick(control("sldThreshold"), Qt::Key_End);
  EXPECT_EQ(previewSize(), QSize(48, 32));
  const int atTop = blackPixels(previewImage());
  EXPECT_LT(atZero, atMiddle);
  EXPECT_GT(atTop, atMiddle);

  control<QSlider>("sldThreshold")->setValue(128);
  ASSERT_EQ(blackPixels(previewImage()), atMiddle);
  const QImage undithered = previewImage();
  QTest::keyClick(control("cboDither"), Qt::Key_End);
  EXPECT_EQ(control<QComboBox>("cboDither")->currentText(), "Floystein");
  EXPECT_EQ(previewSize(), QSize(48, 32));
  EXPECT_EQ(text("txtWidth"), "48");
  // No Dither gives the first picture back, and each other choice a picture of its own.
  QTest::keyClick(control("cboDither"), Qt::Key_Home);
  std::vector<QImage> pictures{previewImage()};
  EXPECT_EQ(pictures[0], undithered);
  for (int item = 1; item < 5; ++item) {
    QTest::keyClick(control("cboDither"), Qt::Key_Down);
    pictures.push_back(previewImage());
    for (int other = 0; other < item; ++other)
      EXPECT_NE(pictures[item], pictures[other]) << item << " " << other;
  }
  EXPECT_TRUE(ui->messages.empty());
  // Taking the pointer back is the busy pointer's own test's.
  EXPECT_FALSE(ui->pointers.empty()) << "the conversions showed the hourglass";
}

TEST_F(ImageDialog, PercentWithTheRatioKeptMovesBothBoxesTogether) {
  openPicture(sunset);
  QTest::mouseClick(control("chkRatio"), Qt::LeftButton);
  ASSERT_TRUE(control<QCheckBox>("chkRatio")->isChecked());
  QTest::keyClick(control("cboWidth"), Qt::Key_Down);

  EXPECT_EQ(control<QComboBox>("cboWidth")->currentText(), "Percent");
  EXPECT_EQ(text("txtWidth"), "100");
  EXPECT_EQ(control<QComboBox>("cboHeight")->currentText(), "Percent");
  EXPECT_EQ(text("txtHeight"), "100");

  type("txtWidth", "50");
  EXPECT_EQ(text("txtHeight"), "50");
  click("cmdApply");
  EXPECT_EQ(previewSize(), QSize(48, 32));
  EXPECT_EQ(control<QComboBox>("cboWidth")->currentText(), "Pixels");
  EXPECT_EQ(control<QComboBox>("cboHeight")->currentText(), "Pixels");
  EXPECT_EQ(text("txtWidth"), "48");
  EXPECT_EQ(text("txtHeight"), "32");
  EXPECT_TRUE(control("cmdUndo")->isEnabled());

  click("cmdUndo");
  EXPECT_EQ(previewSize(), QSize(96, 64));
  EXPECT_EQ(text("txtWidth"), "96");
  EXPECT_TRUE(control("cmdUndo")->isEnabled());
}

TEST_F(ImageDialog, SizeBoxesTakeDigitsOnlyAndApplyRefusesOtherText) {
  openPicture(sunset);
  type("txtWidth", "4a-2");
  EXPECT_EQ(text("txtWidth"), "42");
  QTest::keyClick(control("txtWidth"), Qt::Key_Backspace);
  EXPECT_EQ(text("txtWidth"), "4");
  QTest::keyClicks(control("txtWidth"), "0123");
  EXPECT_EQ(text("txtWidth"), "4012") << "four typed characters at most";

  // Pasted text is not filtered; Apply refuses it and the picture stays as it was.
  QApplication::clipboard()->setText("x9");
  auto* width = control<QLineEdit>("txtWidth");
  width->selectAll();
  width->paste();
  ASSERT_EQ(width->text(), "x9");
  click("cmdApply");
  ASSERT_EQ(ui->messages.size(), 1u) << "the refusal's text is the model's test's";
  EXPECT_EQ(previewSize(), QSize(96, 64));
  EXPECT_FALSE(control("cmdUndo")->isEnabled());
}

TEST_F(ImageDialog, ExitAsksOnceAPictureIsLoadedAndNoKeepsEverything) {
  openPicture(sunset);
  type("txtWidth", "50");
  ui->answers.push_back(ui::vbNo);
  click("cmdCancel");

  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_EQ(ui->messages[0].text, "Are you sure you want to cancel?");
  EXPECT_EQ(ui->messages[0].title, "Cancel");
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(previewSize(), QSize(96, 64));
  EXPECT_EQ(text("txtWidth"), "50");

  // Yes, here through Esc, closes; the next showing starts afresh.
  ui->answers.push_back(ui::vbYes);
  QTest::keyClick(control("cboDither"), Qt::Key_Escape);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(ui->messages.size(), 2u);
  dialog->show();
  EXPECT_EQ(text("txtWidth"), "0");
  EXPECT_FALSE(control("cmdSave")->isEnabled());
  EXPECT_TRUE(previewImage().isNull());

  // With no picture, Exit closes at once.
  click("cmdCancel");
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(ui->messages.size(), 2u);
}
