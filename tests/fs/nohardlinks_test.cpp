// New files on file systems without hard links (FAT, exFAT, some network and FUSE mounts): the
// test binary stands in for the C library's link() and renameat2(), refusing them as such file
// systems do, and checks that a new file is still written whole and never replaces one that
// appeared meanwhile.

#include "platform/fs/filesystem.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace tavro;

namespace {

int linkError = 0;                           // what link() fails with; 0: it works
int renameError = 0;                         // what renameat2() fails with; 0: it works
std::function<void(const char*)> beforeLink; // runs as link() is called, with the target

} // namespace

extern "C" int link(const char* from, const char* to) noexcept {
  if (beforeLink)
    beforeLink(to);
  if (linkError != 0) {
    errno = linkError;
    return -1;
  }
  return int(::syscall(SYS_linkat, AT_FDCWD, from, AT_FDCWD, to, 0));
}

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) noexcept {
  if (renameError != 0) {
    errno = renameError;
    return -1;
  }
  return int(::syscall(SYS_renameat2, fromFolder, from, toFolder, to, flags));
}

namespace {

struct Refusal {
  int link;
  int rename; // 0: the kernel renames without replacing; else the exclusive create is used
};

class NoHardLinks : public ::testing::TestWithParam<Refusal> {
protected:
  void SetUp() override {
    linkError = GetParam().link;
    renameError = GetParam().rename;
  }
  void TearDown() override {
    linkError = renameError = 0;
    beforeLink = nullptr;
  }
  test::TempDir dir;
};

} // namespace

TEST_P(NoHardLinks, ANewFileIsWrittenWholeAndNeverReplacesOneThatAppeared) {
  const std::string file = dir.file("page.html");
  fs::writeFileAtomic(file, "<p>new</p>", false);
  EXPECT_EQ(test::readFile(file), "<p>new</p>");
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);
  EXPECT_EQ(test::entriesIn(dir.path()), 1); // no temporary left

  // Someone else's file appears between the check and the write: it stays as it is.
  const std::string other = dir.file("other.html");
  beforeLink = [](const char* target) { test::writeFile(target, "theirs"); };
  EXPECT_EQ(test::comErrorOf([&] { fs::writeFileAtomic(other, "ours", false); }), 58);
  EXPECT_EQ(test::readFile(other), "theirs");
  EXPECT_EQ(test::entriesIn(dir.path()), 2);
}

INSTANTIATE_TEST_SUITE_P(Refusals, NoHardLinks,
                         ::testing::Values(Refusal{EPERM, 0}, Refusal{ENOTSUP, 0}, Refusal{EXDEV, 0},
                                           Refusal{EMLINK, 0}, Refusal{EPERM, EINVAL}, Refusal{EOPNOTSUPP, ENOSYS}));

TEST(HardLinks, ARefusalThatIsNotAboutLinksFailsTheWrite) {
  test::TempDir dir;
  linkError = EACCES;
  const int number = test::comErrorOf([&] { fs::writeFileAtomic(dir.file("page.html"), "x", false); });
  linkError = 0;
  EXPECT_EQ(number, 70);
  EXPECT_EQ(test::entriesIn(dir.path()), 0);
}
