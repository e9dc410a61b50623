#include "platform/fs/filesystem.h"

#include "platform/com/comerror.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tavro::fs {

namespace stdfs = std::filesystem;
using com::ComError;

namespace {

// Whether an error of link() says that the file system has no hard links, rather than that
// this link may not be made.
bool noHardLinks(int err) {
  return err == EPERM || err == ENOTSUP || err == EOPNOTSUPP || err == EXDEV || err == EMLINK || err == ENOSYS;
}

std::string_view stripTrailingSlashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/')
    path.remove_suffix(1);
  return path;
}

int errnoToNumber(int err) {
  switch (err) {
  case ENOENT:
  case ENOTDIR: return com::errPathNotFound;
  case EACCES:
  case EPERM:
  case EROFS: return com::errPermission;
  case EEXIST: return com::errFileExists;
  case ENAMETOOLONG:
  case EINVAL:
  case EILSEQ: return com::errBadFileName;
  case ENOSPC:
  case EDQUOT:
  case EFBIG: return com::errDiskFull;
  case EIO: return com::errDeviceIo;
  default: return com::errPathFileAccess;
  }
}

mode_t currentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  return 022;
}

// A path with a NUL cannot name a file; the C calls would silently cut it.
void checkName(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos)
    throw ComError(com::errBadFileName, "bad file name '" + std::string(path.substr(0, path.find('\0'))) + "'");
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    bytes.remove_prefix(std::size_t(n));
  }
  return true;
}

// Puts the written temporary file at target unless a file is there, also one that appeared
// since the caller looked: a hard link where the file system has them, else a rename that
// refuses to replace, else an exclusive create of the target written anew. Returns 0 or the
// errno value of the failure (EEXIST when the target exists); the temporary is gone either way.
int placeWithoutReplacing(const std::string& temp, const std::string& target, std::string_view bytes, mode_t mode) {
  auto dropTemp = [&](int err) {
    ::unlink(temp.c_str());
    return err;
  };
  if (::link(temp.c_str(), target.c_str()) == 0)
    return dropTemp(0);
  if (!noHardLinks(errno))
    return dropTemp(errno);
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
    return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != EOPNOTSUPP)
    return dropTemp(errno);
  dropTemp(0);
  int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0)
    return errno;
  int err = 0;
  if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
    err = errno;
  if (::close(fd) != 0 && err == 0)
    err = errno;
  if (err != 0)
    ::unlink(target.c_str()); // the half-written file is ours: it was created above
  return err;
}

void syncFolder(const std::string& folder) {
  int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

} // namespace

void throwErrno(int err, std::string_view action, std::string_view path) {
  throw ComError(errnoToNumber(err),
                 "cannot " + std::string(action) + " '" + std::string(path) + "': " + std::strerror(err));
}

std::string getFileName(std::string_view path) {
  path = stripTrailingSlashes(path);
  if (path == "/")
    return {};
  auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string getBaseName(std::string_view path) {
  std::string name = getFileName(path);
  auto dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string getExtensionName(std::string_view path) {
  std::string name = getFileName(path);
  auto dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string getParentFolderName(std::string_view path) {
  path = stripTrailingSlashes(path);
  auto slash = path.rfind('/');
  if (slash == std::string_view::npos || path == "/")
    return {};
  std::string_view parent = stripTrailingSlashes(path.substr(0, slash + 1));
  return std::string(parent);
}

std::string getAbsolutePathName(std::string_view path) {
  stdfs::path p = stdfs::absolute(stdfs::path(std::string(path))).lexically_normal();
  std::string s = p.string();
  return std::string(stripTrailingSlashes(s));
}

std::string joinPath(std::string_view folder, std::string_view name) {
  std::string out(stripTrailingSlashes(folder));
  if (out.empty() || out.back() != '/')
    out += '/';
  while (!name.empty() && name.front() == '/')
    name.remove_prefix(1);
  out += name;
  return out;
}

bool fileExists(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos)
    return false;
  struct stat st {};
  return ::stat(std::string(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool folderExists(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos)
    return false;
  struct stat st {};
  return ::stat(std::string(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::uintmax_t fileSize(std::string_view path) {
  checkName(path);
  struct stat st {};
  if (::stat(std::string(path).c_str(), &st) != 0) {
    if (errno == ENOENT)
      throw ComError(com::errFileNotFound, "file not found: '" + std::string(path) + "'");
    throwErrno(errno, "read", path);
  }
  return std::uintmax_t(st.st_size);
}

void createFolder(std::string_view path) {
  checkName(path);
  if (::mkdir(std::string(path).c_str(), 0777) != 0)
    throwErrno(errno, "create folder", path);
}

void createFolders(std::string_view path) {
  checkName(path);
  std::string partial;
  std::string_view rest = path;
  // Step by step from the top, so that the step a file stands in is the one named.
  while (!rest.empty()) {
    const auto slash = rest.find('/', 1);
    partial += rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    struct stat st {};
    if (::stat(partial.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode))
        throw ComError(com::errPathFileAccess, "not a folder: '" + partial + "'");
      continue;
    }
    if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST)
      throwErrno(errno, "create folder", partial);
  }
}

RegularFile openRegularFile(std::string_view path, std::uintmax_t maxBytes) {
  const std::string name(path);
  if (path.empty() || path.find('\0') != std::string_view::npos)
    throw OpenError(OpenFault::BadName, 0, com::errBadFileName,
                    "bad file name '" + std::string(path.substr(0, path.find('\0'))) + "'");
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below anyway.
  RegularFile file{FileDescriptor(::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY))};
  if (file.fd.get() < 0) {
    const int err = errno;
    if (err == ENOENT)
      throw OpenError(OpenFault::NotFound, err, com::errFileNotFound, "file not found: '" + name + "'");
    throw OpenError(OpenFault::SystemError, err, errnoToNumber(err),
                    "cannot open '" + name + "': " + std::strerror(err));
  }
  struct stat st {};
  const int statError = ::fstat(file.fd.get(), &st) == 0 ? 0 : errno;
  if (statError != 0 || !S_ISREG(st.st_mode))
    throw OpenError(OpenFault::NotRegularFile, statError, com::errPathFileAccess, "not a regular file: '" + name + "'");
  file.size = std::uintmax_t(st.st_size);
  if (file.size > maxBytes)
    throw OpenError(OpenFault::TooLarge, 0, com::errOutOfMemory, "file too large: '" + name + "'");
  return file;
}

std::string readFile(std::string_view path, std::uintmax_t maxBytes) {
  RegularFile file = openRegularFile(path, maxBytes);
  std::string data;
  data.reserve(std::size_t(file.size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(file.fd.get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      throwErrno(errno, "read", path);
    if (n == 0)
      break;
    data.append(buf, std::size_t(n));
    if (data.size() > maxBytes)
      throw OpenError(OpenFault::TooLarge, 0, com::errOutOfMemory, "file too large: '" + std::string(path) + "'");
  }
  return data;
}

void writeFileAtomic(std::string_view path, std::string_view bytes, bool overwrite) {
  checkName(path);
  const std::string target(path);
  // A path ending in "/" has an empty last component: it names no file.
  if (target.back() == '/' || getFileName(target).empty())
    throw ComError(com::errBadFileName, "bad file name '" + target + "'");

  mode_t mode = 0666 & ~currentUmask();
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode))
      throwErrno(EISDIR, "write", target);
    if (!overwrite)
      throw ComError(com::errFileExists, "file already exists: '" + target + "'");
    mode = st.st_mode & 07777;
  }

  const std::string folder = getParentFolderName(target);
  // A short temporary name, so that a target name near the length limit still works.
  std::string temp = joinPath(folder.empty() ? "." : folder, ".tavro.tmp.XXXXXX");
  int fd = ::mkstemp(temp.data());
  if (fd < 0)
    throwErrno(errno, "write", target);

  auto fail = [&](int err) {
    ::close(fd);
    ::unlink(temp.c_str());
    throwErrno(err, "write", target);
  };
  if (::fchmod(fd, mode) != 0 || !writeAll(fd, bytes) || ::fsync(fd) != 0)
    fail(errno);
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    throwErrno(err, "write", target);
  }
  if (!overwrite) {
    int err = placeWithoutReplacing(temp, target, bytes, mode);
    if (err == EEXIST)
      throw ComError(com::errFileExists, "file already exists: '" + target + "'");
    if (err != 0)
      throwErrno(err, "write", target);
  } else if (::rename(temp.c_str(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    throwErrno(err, "write", target);
  }
  syncFolder(folder);
}

void writeFilesAtomic(const std::vector<std::pair<std::string, std::string>>& files, bool overwrite) {
  std::vector<std::pair<std::string, std::optional<std::string>>> before; // what each written file held
  try {
    for (const auto& [path, bytes] : files) {
      std::optional<std::string> old;
      if (fileExists(path))
        old = readFile(path);
      writeFileAtomic(path, bytes, overwrite);
      before.emplace_back(path, std::move(old));
    }
  } catch (...) {
    for (auto it = before.rbegin(); it != before.rend(); ++it) {
      try {
        if (it->second)
          writeFileAtomic(it->first, *it->second, true);
        else
          ::unlink(it->first.c_str());
      } catch (const ComError&) {
        // The first failure is the one to report; this file stays as it was written.
      }
    }
    throw;
  }
}

TemporaryFolder::TemporaryFolder(std::string_view prefix) {
  const std::string base = stdfs::temp_directory_path().string();
  std::string pattern = joinPath(base, std::string(prefix) + "-XXXXXX");
  if (!::mkdtemp(pattern.data()))
    throwErrno(errno, "create a temporary folder in", base);
  m_path = pattern;
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ec;
  stdfs::remove_all(m_path, ec);
}

void copyFile(std::string_view source, std::string_view target, bool overwrite) {
  std::string bytes = readFile(source);
  writeFileAtomic(target, bytes, overwrite);
}

} // namespace tavro::fs
