// The real-world pictures of the shared corpus, good and hostile, read in place.

#include "images/imagingcomponent.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>

using namespace tavro;
using namespace tavro::images;
namespace stdfs = std::filesystem;

namespace {
stdfs::path corpusImages() {
  stdfs::path dir = test::corpusDir();
  return dir.empty() ? dir : dir / "images";
}
} // namespace

TEST(ImageCorpus, EveryGoodPictureLoadsAtItsSizeAndConverts) {
  stdfs::path dir = corpusImages();
  if (dir.empty() || !stdfs::exists(dir))
    GTEST_SKIP() << "no corpus";
  struct Expected {
    const char* file;
    int width, height;
  };
  const Expected pictures[] = {
      {"pngsuite-basn0g01-1bit-gray.png", 32, 32},
      {"pngsuite-basi3p08-interlaced-palette.png", 32, 32},
      {"pngsuite-basn6a08-rgba-alpha.png", 32, 32},
      {"pngsuite-basn2c16-16bit-rgb.png", 32, 32},
      {"pngsuite-s01n3p01-1x1.png", 1, 1},
      {"artlung-logo.gif", 211, 41},
      {"pillow-iss634-animated-42-frames.gif", 245, 245},
      {"imagers-interlaced.gif", 32, 32},
      {"imagers-alpha-transparent.gif", 256, 256},
      {"exif-orientation-Landscape_6-rotate90.jpg", 1800, 1200}, // shown turned, as its EXIF says
      {"pillow-cmyk-adobe.jpg", 100, 100},
      {"pillow-hopper-grayscale.jpg", 128, 128},
      {"imagers-progressive-650x470.jpg", 650, 470},
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
  // That a converted picture saves and reads back as the same bits is the component's test's.
  for (const auto& p : pictures) {
    stdfs::path file = dir / p.file;
    if (!stdfs::exists(file))
      continue;
    ImagingComponent img;
    ASSERT_TRUE(img.LoadImage(file.string())) << p.file << ": " << img.LastError();
    EXPECT_EQ(img.ImageWidth(), p.width) << p.file;
    EXPECT_EQ(img.ImageHeight(), p.height) << p.file;
    EXPECT_TRUE(img.ConvertToMonochrome(4, 128)) << p.file;
  }
}

TEST(ImageCorpus, HostileFilesAreRefusedWithACode) {
  stdfs::path dir = corpusImages() / "hostile";
  if (corpusImages().empty() || !stdfs::exists(dir))
    GTEST_SKIP() << "no corpus";
  for (const auto& entry : stdfs::directory_iterator(dir)) {
    std::string name = entry.path().filename().string();
    ImagingComponent img;
    bool loaded = img.LoadImage(entry.path().string());
    if (name == "png-content-named.bmp") {
      // A good PNG behind a lying name is read by its content.
      EXPECT_TRUE(loaded);
      EXPECT_EQ(img.ImageWidth(), 32);
      continue;
    }
    EXPECT_FALSE(loaded) << name;
    int code = img.LastError();
    EXPECT_TRUE((code >= 3 && code <= 6) || code == 15 || code == 21) << name << ": " << code;
    if (name.find("text-") == 0) {
      EXPECT_EQ(code, 21) << name;
    }
    if (name.find("reallybig") != std::string::npos) {
      EXPECT_EQ(code, 15) << name;
    }
  }
}
