// tavro image as a user runs it: one picture or a batch, options, messages and exit statuses.

#include "images/imagecodecs.h"
#include "tests/images/picturefiles.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tavro;
using namespace tavro::test;
namespace stdfs = std::filesystem;

TEST(CliImage, ConvertsOnePictureBesideItOrWhereTold) {
  TempDir dir;
  std::string in = writeGreyPng(dir.file("photo.png"), 120, 60);
  auto r = runTavro({"image", in});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(images::readPicture(dir.file("photo.wbmp")).width, 120);
  // The threshold is the dialog's mid-grey unless told: the ramp holds grey 128 itself.
  ASSERT_EQ(runTavro({"image", in, "-o", dir.file("mid.wbmp"), "--threshold", "128"}).exitCode, 0);
  EXPECT_EQ(images::readPicture(dir.file("mid.wbmp")).pixels, images::readPicture(dir.file("photo.wbmp")).pixels);

  auto sized = runTavro({"image", in, "-o", dir.file("small.wbmp"), "--width", "50%", "--height", "30", "--dither",
                         "floyd", "--threshold", "100", "--preview", dir.file("small.bmp")});
  ASSERT_EQ(sized.exitCode, 0) << sized.err;
  auto small = images::readPicture(dir.file("small.wbmp"));
  EXPECT_EQ(small.width, 60);
  EXPECT_EQ(small.height, 30);
  EXPECT_EQ(images::readPicture(dir.file("small.bmp")).pixels, small.pixels);

  auto kept = runTavro({"image", in, "-o", dir.file("fit.wbmp"), "--width", "40", "--height", "40", "--keep-ratio"});
  ASSERT_EQ(kept.exitCode, 0) << kept.err;
  EXPECT_EQ(images::readPicture(dir.file("fit.wbmp")).height, 20);
}

TEST(CliImage, ABatchGoesOnPastFailuresAndExitsWithOne) {
  TempDir dir;
  stdfs::create_directory(dir.path() / "out");
  std::string a = writeGreyPng(dir.file("a.png"), 10, 10);
  writeFile(dir.path() / "b.gif", "not a picture");
  std::string c = writeGreyPng(dir.file("c.png"), 20, 10);
  auto r =
      runTavro({"image", a, dir.file("b.gif"), dir.file("missing.jpg"), c, "-d", dir.file("out"), "--max-width", "15"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find(dir.file("b.gif") + ": Unrecognized file format."), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(dir.file("missing.jpg") + ": Unable to load image."), std::string::npos) << r.err;
  EXPECT_EQ(images::readPicture(dir.file("out/a.wbmp")).width, 10); // narrower than the limit
  EXPECT_EQ(images::readPicture(dir.file("out/c.wbmp")).width, 15);
  EXPECT_FALSE(stdfs::exists(dir.path() / "out" / "b.wbmp"));
  EXPECT_EQ(r.out.find("missing"), std::string::npos);
}

TEST(CliImage, BadUsageExitsWithTwoAndNoPictureIsWrittenOverAnother) {
  TempDir dir;
  std::string a = writeGreyPng(dir.file("a.png"), 10, 10);
  EXPECT_EQ(runTavro({"image"}).exitCode, 2);
  EXPECT_EQ(runTavro({"image", a, "--dither", "sideways"}).exitCode, 2);
  EXPECT_EQ(runTavro({"image", a, "--threshold", "300"}).exitCode, 2);
  EXPECT_EQ(runTavro({"image", a, "--width", "abc"}).exitCode, 2);
  EXPECT_EQ(runTavro({"image", a, a, "-o", dir.file("x.wbmp")}).exitCode, 2);
  EXPECT_EQ(runTavro({"image", a, a, "--preview", dir.file("p.bmp"), "-d", dir.str()}).exitCode, 2);
  EXPECT_EQ(runTavro({"image", a, "-o", dir.file("x.wbmp"), "-d", dir.str()}).exitCode, 2);
  EXPECT_EQ(runTavro({"image", a, "-d", dir.file("nowhere")}).exitCode, 1);

  // A picture whose output would replace it, or take another's, is refused and the rest go on.
  const std::string wbmp("\0\0\x08\x01\xff", 5);
  writeFile(dir.path() / "w.wbmp", wbmp);
  writeGreyPng(dir.file("a.jpg"), 12, 12);
  auto r = runTavro({"image", dir.file("w.wbmp"), a, dir.file("a.jpg"), "-d", dir.str()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("w.wbmp: the output would replace the input"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("a.jpg: another input has already been written to"), std::string::npos) << r.err;
  EXPECT_EQ(readFile(dir.path() / "w.wbmp"), wbmp);
  EXPECT_EQ(images::readPicture(dir.file("a.wbmp")).width, 10);
}
