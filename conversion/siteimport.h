#pragma once
// Importing a whole site into a project: every page through the one-page road (the same
// conversion, the same checks, the same atomic writes), the links between the imported pages
// pointed at their decks, and each picture converted once for every deck that shows it.
//
// The pages are converted first, on several threads when asked; nothing is written until
// every page has been tried. Then, one after the other: the links are rewritten, the pictures
// converted and copied into images/, and each deck written and added to the project. A page
// that fails (it cannot be opened or converted, or its name is taken) leaves no deck behind
// and does not stop the others. With a size limit, a deck over it is split into parts after
// its links are rewritten; a link from another deck into it then goes to the part that holds
// its id, and a part that those links push over the limit has its page split again, tighter.

#include "conversion/importengine.h"
#include "conversion/sitemap.h"
#include "host/hostproject.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavro::conversion {

/// A page opened for the road: in a browser of its own, tamed as the wizard tames it.
class OpenedPage {
public:
  virtual ~OpenedPage() = default;
  virtual ImportEngine& engine() = 0;
  /// The sources of the page's frames, as written; empty for a page that is not a frameset.
  virtual std::vector<std::string> frames() const = 0;
};

/// Opens the page at path for the project; raises an exception whose text says in one line
/// why it cannot.
using PageOpener = std::function<std::unique_ptr<OpenedPage>(const std::string& path, host::HostProjectRef project)>;

struct SiteImportOptions {
  bool overwrite = false; ///< replace decks of the same names
  bool keepLinks = false; ///< leave every link as the page wrote it
  bool images = false;    ///< convert the pictures into images/, as pictures says
  images::ConversionOptions pictures;
  int jobs = 1;
  /// When set, a deck that compiles to more WBXML than this is written as several decks
  /// ("name", "name-2" ...), each under it; links from the other decks follow their ids.
  std::size_t maxDeckBytes = 0;
  /// Called as each page has been converted: pages done, pages in all, the page.
  std::function<void(std::size_t, std::size_t, const SitePage&)> progress;
  /// With maxDeckBytes, called the same way as each page's deck has been split (which takes
  /// far longer than converting it).
  std::function<void(std::size_t, std::size_t, const SitePage&)> splitProgress;
};

struct SiteImportResult {
  struct Failure {
    std::string page; ///< its path below the site's folder
    std::string why;
  };
  std::vector<std::string> imported; ///< the documents written, in page order (parts in theirs)
  std::size_t pagesImported = 0;     ///< the pages whose documents were written
  std::vector<Failure> failed;
  std::size_t pictures = 0;          ///< pictures converted into images/
  std::vector<std::string> warnings; ///< pictures that could not be converted
  struct Said {
    std::string page; ///< its path below the site's folder
    std::string text; ///< the messages, a line each
  };
  /// What the conversion of each page said, in page order (pages that said nothing left out).
  std::vector<Said> messages;
};

SiteImportResult importSite(const SiteMap& site, host::HostProjectRef project, const PageOpener& open,
                            const SiteImportOptions& options);

} // namespace tavro::conversion
