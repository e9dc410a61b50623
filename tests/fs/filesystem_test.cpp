#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace tavro;
namespace stdfs = std::filesystem;

TEST(FileSystem, NameParts) {
  EXPECT_EQ(fs::getFileName("/pages/index.HTML"), "index.HTML");
  EXPECT_EQ(fs::getFileName("/pages/folder/"), "folder");
  EXPECT_EQ(fs::getFileName("/"), "");
  EXPECT_EQ(fs::getBaseName("/pages/my.page.htm"), "my.page");
  EXPECT_EQ(fs::getBaseName("/pages.old/readme"), "readme");
  EXPECT_EQ(fs::getExtensionName("/pages.old/readme"), "");
  EXPECT_EQ(fs::getExtensionName("a/b.Html"), "Html");
  EXPECT_EQ(fs::getParentFolderName("/out/page.html"), "/out");
  EXPECT_EQ(fs::getParentFolderName("/out//"), "/");
  EXPECT_EQ(fs::getParentFolderName("/page.html"), "/");
  EXPECT_EQ(fs::getParentFolderName("page.html"), "");
  EXPECT_EQ(fs::joinPath("/a/", "/b.wml"), "/a/b.wml");
  EXPECT_EQ(fs::getAbsolutePathName("/a/./b/../c/"), "/a/c");
}

TEST(FileSystem, AtomicWritesReplaceWholeFilesKeepTheirModeAndFailLeavingNothing) {
  test::TempDir dir;
  const std::string file = dir.file("page.html");
  fs::writeFileAtomic(file, "first");
  EXPECT_EQ(test::readFile(file), "first");
  ::chmod(file.c_str(), 0640);
  fs::writeFileAtomic(file, "second, longer");
  EXPECT_EQ(test::readFile(file), "second, longer");
  struct stat st {};
  ::stat(file.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(test::entriesIn(dir.path()), 1); // no temporary left behind

  EXPECT_EQ(test::comErrorOf([&] { fs::writeFileAtomic(file, "third", false); }), 58);
  EXPECT_EQ(test::readFile(file), "second, longer");

  // Failed writes leave nothing and say why.
  EXPECT_EQ(test::comErrorOf([&] { fs::writeFileAtomic(dir.file("missing/page.html"), "x"); }), 76);
  EXPECT_EQ(test::comErrorOf([&] { fs::writeFileAtomic(dir.file(std::string(300, 'n')), "x"); }), 52);
  EXPECT_EQ(test::comErrorOf([&] { fs::writeFileAtomic(dir.str() + "/", "x"); }), 52);
  EXPECT_EQ(test::comErrorOf([&] { fs::writeFileAtomic(dir.file("a") + std::string(1, '\0') + "b", "x"); }), 52);
  stdfs::create_directory(dir.path() / "taken");
  EXPECT_NE(test::comErrorOf([&] { fs::writeFileAtomic(dir.file("taken"), "x"); }), 0);
  EXPECT_EQ(test::entriesIn(dir.path()), 2) << "page.html and taken";
  // A place that refuses even root.
  EXPECT_NE(test::comErrorOf([&] { fs::writeFileAtomic("/proc/tavro-test.html", "x"); }), 0);
}

// A project on a full disk: the write says so and the file keeps what it held.
TEST(FileSystem, AWriteThatFillsTheDiskKeepsTheOldFileWhole) {
  test::TempDir dir;
  test::SmallMount small(dir.file("small"), {{"page.html", "existing page"}}, test::SmallMount::Writable);
  if (!small.mounted())
    GTEST_SKIP() << "mounting a file system is not allowed here";
  EXPECT_EQ(test::comErrorOf([&] { fs::writeFileAtomic(dir.file("small/page.html"), std::string(1 << 20, 'x')); }), 61);
  EXPECT_EQ(test::readFile(dir.path() / "small" / "page.html"), "existing page");
  EXPECT_EQ(test::entriesIn(dir.path() / "small"), 1);
}

TEST(FileSystem, SeveralFilesAreWrittenAllOrNone) {
  test::TempDir dir;
  test::writeFile(dir.path() / "old.wml", "old");
  // The third cannot be written: what the first two held comes back.
  const std::vector<std::pair<std::string, std::string>> files{
      {dir.file("old.wml"), "new"}, {dir.file("new.wml"), "new"}, {dir.file("missing/x.wml"), "x"}};
  EXPECT_EQ(test::comErrorOf([&] { fs::writeFilesAtomic(files); }), 76);
  EXPECT_EQ(test::readFile(dir.path() / "old.wml"), "old");
  EXPECT_FALSE(stdfs::exists(dir.path() / "new.wml"));
  EXPECT_EQ(test::entriesIn(dir.path()), 1);

  fs::writeFilesAtomic({files[0], files[1]});
  EXPECT_EQ(test::readFile(dir.path() / "old.wml"), "new");
  EXPECT_EQ(test::readFile(dir.path() / "new.wml"), "new");
}

TEST(FileSystem, CopyReadAndFolders) {
  test::TempDir dir;
  test::writeFile(dir.path() / "a.bin", std::string("a\0b", 3));
  fs::copyFile(dir.file("a.bin"), dir.file("b.bin"));
  EXPECT_EQ(test::readFile(dir.path() / "b.bin"), std::string("a\0b", 3));
  EXPECT_EQ(test::comErrorOf([&] { fs::copyFile(dir.file("a.bin"), dir.file("b.bin"), false); }), 58);
  EXPECT_EQ(test::comErrorOf([&] { fs::copyFile(dir.file("none"), dir.file("c.bin")); }), 53);
  EXPECT_EQ(fs::fileSize(dir.file("a.bin")), 3u);
  EXPECT_EQ(test::comErrorOf([&] { fs::readFile(dir.file("a.bin"), 2); }), 7);
  EXPECT_NE(test::comErrorOf([&] { fs::readFile(dir.str()); }), 0); // a folder is not a file
  ::mkfifo(dir.file("fifo").c_str(), 0600);
  EXPECT_EQ(test::comErrorOf([&] { fs::readFile(dir.file("fifo")); }), 75); // refused at once, not waited on
  EXPECT_NE(test::comErrorOf([&] { fs::copyFile("/dev/zero", dir.file("zero.bin")); }), 0);

  fs::createFolder(dir.file("images"));
  EXPECT_TRUE(fs::folderExists(dir.file("images")));
  EXPECT_FALSE(fs::fileExists(dir.file("images")));
  EXPECT_FALSE(fs::folderExists(dir.file("a.bin")));
  // A name with a NUL in it is no name, whatever the part before the NUL names.
  EXPECT_FALSE(fs::fileExists(dir.file("a.bin") + std::string(1, '\0') + "x"));
  EXPECT_FALSE(fs::folderExists(dir.file("images") + std::string(1, '\0')));
  EXPECT_EQ(test::comErrorOf([&] { fs::createFolder(dir.file("images")); }), 58);
  EXPECT_EQ(test::comErrorOf([&] { fs::createFolder(dir.file("no/such")); }), 76);
}

TEST(FileSystem, OpenRegularFileSaysWhyItRefuses) {
  test::TempDir dir;
  test::writeFile(dir.path() / "four.txt", "four");
  ::mkfifo(dir.file("fifo").c_str(), 0600);
  const struct {
    std::string path;
    std::uintmax_t maxBytes;
    fs::OpenFault fault;
    int number;
  } cases[] = {
      {"", 10, fs::OpenFault::BadName, 52},
      {dir.file("a") + std::string(1, '\0'), 10, fs::OpenFault::BadName, 52},
      {dir.file("missing"), 10, fs::OpenFault::NotFound, 53},
      {dir.str(), 10, fs::OpenFault::NotRegularFile, 75},
      {dir.file("fifo"), 10, fs::OpenFault::NotRegularFile, 75},
      {dir.file("four.txt"), 3, fs::OpenFault::TooLarge, 7},
      {dir.file("four.txt/inside"), 10, fs::OpenFault::SystemError, 76},
  };
  for (const auto& c : cases) {
    try {
      fs::openRegularFile(c.path, c.maxBytes);
      ADD_FAILURE() << c.path << " opened";
    } catch (const fs::OpenError& e) {
      EXPECT_EQ(e.fault(), c.fault) << c.path;
      EXPECT_EQ(e.number(), c.number) << c.path;
    }
  }
  const fs::RegularFile file = fs::openRegularFile(dir.file("four.txt"), 4);
  EXPECT_GE(file.fd.get(), 0);
  EXPECT_EQ(file.size, 4u);
}
