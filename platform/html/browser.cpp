#include "platform/html/browser.h"

#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "platform/html/charset.h"
#include "platform/html/url.h"
#include "util/fileurl.h"
#include "util/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tavro::html {

namespace {

// Closes a file descriptor on every way out.
class FileDescriptor {
public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0)
      ::close(m_fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return m_fd; }

private:
  int m_fd;
};

} // namespace

std::string readPageFile(const std::string& path, std::uintmax_t maxBytes) {
  if (path.empty() || path.find('\0') != std::string::npos)
    throw com::ComError(com::errBadFileName, "cannot open file '" + path + "': bad file name");
  // O_NONBLOCK: opening a pipe must not wait for a writer; the type is checked right after.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0)
    fs::throwErrno(errno, "open", path);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0)
    fs::throwErrno(errno, "open", path);
  if (!S_ISREG(st.st_mode))
    throw com::ComError(com::errBadFileName, "cannot open file '" + path + "': not a regular file");
  if (std::uintmax_t(st.st_size) > maxBytes)
    throw com::ComError(7, "cannot open file '" + path + "': larger than " + std::to_string(maxBytes >> 20) + " MiB");
  std::string bytes;
  bytes.resize(std::size_t(st.st_size));
  std::size_t done = 0;
  while (true) {
    if (done == bytes.size()) {
      // The file may have grown since fstat; read on, within the limit.
      if (bytes.size() >= maxBytes) {
        char probe;
        ssize_t extra = ::read(fd.get(), &probe, 1);
        if (extra > 0)
          throw com::ComError(7, "cannot open file '" + path + "': larger than " + std::to_string(maxBytes >> 20) +
                                     " MiB");
        break;
      }
      bytes.resize(std::min<std::uintmax_t>(maxBytes, bytes.size() + 65536));
    }
    ssize_t got = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
    if (got < 0) {
      if (errno == EINTR)
        continue;
      fs::throwErrno(errno, "read", path);
    }
    if (got == 0)
      break;
    done += std::size_t(got);
  }
  bytes.resize(done);
  return bytes;
}

bool Browser::refuse(std::string reason) {
  m_lastError = std::move(reason);
  return false;
}

bool Browser::Navigate(std::string_view address) {
  m_lastError.clear();
  std::string where(util::trim(address));
  DocumentPtr doc;
  std::string scheme = urlScheme(where);
  if (scheme == "about") {
    if (!util::equalsNoCase(where, "about:blank"))
      return refuse("cannot show '" + where + "': only local files and about:blank are shown");
    doc = Document::createBlank("about:blank");
  } else {
    std::string path;
    if (scheme == "file") {
      auto local = util::fileUrlToPath(where);
      if (!local)
        return refuse("cannot show '" + where + "': not a file on this machine");
      path = std::move(*local);
    } else if (!scheme.empty()) {
      return refuse("cannot show '" + where + "': only local files and about:blank are shown");
    } else {
      if (where.empty())
        return refuse("no address was given");
      path = fs::getAbsolutePathName(where);
    }
    try {
      std::string bytes = readPageFile(path, maxPageBytes);
      DecodedPage page = decodePage(bytes);
      bytes = std::string();
      doc = Document::parse(page.text, util::pathToFileUrl(path));
      doc->setCharset(page.encoding);
    } catch (const com::ComError& e) {
      return refuse(e.what());
    }
  }

  // The new document replaces the old one; a handler that navigates again takes over.
  std::uint64_t navigation = ++m_navigation;
  std::string url = doc->url();
  m_readyState = 1;
  doc->setReadyState("interactive");
  m_document = doc;
  m_readyState = 3;
  NavigateComplete2.raise(*this, url);
  if (navigation != m_navigation)
    return true;
  doc->setReadyState("complete");
  m_readyState = 4;
  DocumentComplete.raise(*this, url);
  return true;
}

} // namespace tavro::html
