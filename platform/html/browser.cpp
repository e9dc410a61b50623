#include "platform/html/browser.h"

#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "platform/html/charset.h"
#include "platform/html/url.h"
#include "util/fileurl.h"
#include "util/text.h"

namespace tavro::html {

std::string readPageFile(const std::string& path, std::uintmax_t maxBytes) {
  try {
    return fs::readFile(path, maxBytes);
  } catch (const fs::OpenError& e) {
    // A page names the file it could not open in words of its own.
    const std::string cannot = "cannot open file '" + path + "': ";
    switch (e.fault()) {
    case fs::OpenFault::BadName: throw com::ComError(com::errBadFileName, cannot + "bad file name");
    case fs::OpenFault::NotFound:
    case fs::OpenFault::SystemError: fs::throwErrno(e.systemError(), "open", path);
    case fs::OpenFault::NotRegularFile:
      if (e.systemError() != 0)
        fs::throwErrno(e.systemError(), "open", path);
      throw com::ComError(com::errBadFileName, cannot + "not a regular file");
    case fs::OpenFault::TooLarge:
      throw com::ComError(com::errOutOfMemory, cannot + "larger than " + std::to_string(maxBytes >> 20) + " MiB");
    }
    throw;
  }
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
