// Real-world pictures of the shared corpus, read in place: what the readers' own test files
// cannot show (BMP and EXIF written by other programs, arithmetic coding, animation).

#include "images/imagingcomponent.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tavro;
using namespace tavro::images;
namespace stdfs = std::filesystem;

TEST(ImageCorpus, EveryPictureLoadsAtItsSizeAndEveryHostileOneIsRefusedWithACode) {
  const stdfs::path dir = test::corpusPath("images");
  if (dir.empty())
    GTEST_SKIP() << "no corpus";
  const struct {
    const char* file;
    int width, height;
  } pictures[] = {
      {"pngsuite-s01n3p01-1x1.png", 1, 1},
      {"artlung-logo.gif", 211, 41},
      {"pillow-iss634-animated-42-frames.gif", 245, 245},
      {"exif-orientation-Landscape_6-rotate90.jpg", 1800, 1200}, // shown turned, as its EXIF says
      {"pillow-cmyk-adobe.jpg", 100, 100},
      {"libjpeg-turbo-testimgari-arithmetic.jpg", 227, 149},
      {"bmpsuite-pal1.bmp", 127, 64},
      {"bmpsuite-pal4rle.bmp", 127, 64},
      {"bmpsuite-pal8rle.bmp", 127, 64},
      {"bmpsuite-pal8topdown.bmp", 127, 64},
      {"bmpsuite-rgb24.bmp", 127, 64},
      {"bmpsuite-rgb32.bmp", 127, 64},
      {"bmpsuite-pal8os2.bmp", 127, 64},
      {"artlung-logo-211x41.wbmp", 211, 41},
  };
  for (const auto& p : pictures) {
    stdfs::path file = dir / p.file;
    if (!stdfs::exists(file))
      continue;
    ImagingComponent img;
    ASSERT_TRUE(img.LoadImage(file.string())) << p.file << ": " << img.LastError();
    EXPECT_EQ(img.ImageWidth(), p.width) << p.file;
    EXPECT_EQ(img.ImageHeight(), p.height) << p.file;
  }

  if (!stdfs::is_directory(dir / "hostile"))
    return;
  for (const auto& entry : stdfs::directory_iterator(dir / "hostile")) {
    const std::string name = entry.path().filename().string();
    ImagingComponent img;
    const bool loaded = img.LoadImage(entry.path().string());
    // A good PNG behind a lying name is read by its content.
    EXPECT_EQ(loaded, name == "png-content-named.bmp") << name;
    if (loaded)
      continue;
    const int code = img.LastError();
    const int expected = name.starts_with("text-") ? 21 : name.find("reallybig") != std::string::npos ? 15 : 0;
    if (expected)
      EXPECT_EQ(code, expected) << name;
    else
      EXPECT_TRUE((code >= 3 && code <= 6) || code == 15 || code == 21) << name << ": " << code;
  }
}
