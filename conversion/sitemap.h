#pragma once
// The map of a site being imported into a project: which pages it has, the document each page
// becomes, and how a link from one imported page to another is written in the decks.
//
// Document names: a page's path below the site's folder, its ".htm"/".html" extension gone,
// each "/" written "-", and every character other than an ASCII letter, digit, "-" or "_"
// written "_" ("guide/intro.html" -> "guide-intro", "v1.2/a b.html" -> "v1_2-a_b"). Pages that
// would share a name take "-2", "-3" ... in the order of their paths, so a site gives the same
// names on every run.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <libxml/tree.h>

namespace tavro::conversion {

struct SitePage {
  std::filesystem::path file; ///< the page's file, absolute and lexically normal
  std::string relative;       ///< its path below the site's folder, with "/"
  std::string name;           ///< the document it becomes
};

class SiteMap {
public:
  /// Every .htm and .html file below folder (extensions compared without case), in the order
  /// of their paths. Folders and files reached through a symbolic link that leaves the folder
  /// are left out. Raises std::runtime_error when folder is not a readable folder.
  static SiteMap ofFolder(const std::filesystem::path& folder);
  /// The given pages, named after their paths below the deepest folder that holds them all.
  /// Raises std::runtime_error for a page that is not a regular file.
  static SiteMap ofPages(const std::vector<std::filesystem::path>& pages);

  const std::vector<SitePage>& pages() const { return m_pages; }

  /// The page at file, or nothing when it is not one of the site's pages.
  const SitePage* find(const std::filesystem::path& file) const;

  /// The document name the naming rule gives a relative path, before clashes are settled.
  static std::string documentName(const std::string& relative);

  /// Points the links of a deck made of page at the decks of the pages they lead to: an href
  /// (of `a` and `go`) that is a relative reference to an imported page becomes that page's
  /// deck, "name.wml", its query kept exactly as written and its fragment given as the target
  /// deck writes that id (ids maps each deck name to its ids as written, by the id the page
  /// had). Links to other pages, to other sites and within the deck stay as they are.
  void rewriteLinks(xmlNodePtr deck, const SitePage& page,
                    const std::map<std::string, std::map<std::string, std::string>>& ids) const;

private:
  void name();

  std::filesystem::path m_folder;
  std::vector<SitePage> m_pages;
  std::map<std::filesystem::path, std::size_t> m_byFile;
};

} // namespace tavro::conversion
