#include "conversion/sitemap.h"

#include "platform/xml/treewalk.h"
#include "util/fileurl.h"
#include "util/text.h"

#include <algorithm>
#include <set>
#include <stdexcept>
#include <system_error>

namespace tavro::conversion {

namespace stdfs = std::filesystem;

namespace {

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isPageFile(const stdfs::path& file) {
  const std::string extension = util::toLower(file.extension().string());
  return extension == ".htm" || extension == ".html";
}

// Whether path lies in folder (both absolute and normal).
bool inside(const stdfs::path& path, const stdfs::path& folder) {
  const std::string relative = path.lexically_relative(folder).generic_string();
  return !relative.empty() && relative != "." && relative.rfind("..", 0) != 0;
}

// Whether a reference names a scheme ("http:", "mailto:") and so leaves the site's files.
bool hasScheme(std::string_view href) {
  const auto colon = href.find(':');
  if (colon == std::string_view::npos || colon == 0 || !isAsciiLetter(href[0]))
    return false;
  return href.substr(0, colon).find_first_of("/?#") == std::string_view::npos;
}

std::string hrefOf(xmlNodePtr e) {
  xmlChar* value = xmlGetNoNsProp(e, BAD_CAST "href");
  std::string href = value ? reinterpret_cast<const char*>(value) : "";
  xmlFree(value);
  return href;
}

} // namespace

std::string SiteMap::documentName(const std::string& relative) {
  std::string path = relative;
  if (isPageFile(stdfs::path(path)))
    path.erase(path.size() - stdfs::path(path).extension().string().size());
  std::string name;
  for (char c : path)
    name += c == '/' ? '-' : (isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_') ? c : '_';
  return name.empty() ? "page" : name;
}

SiteMap SiteMap::ofFolder(const stdfs::path& folder) {
  std::error_code ec;
  SiteMap map;
  map.m_folder = stdfs::weakly_canonical(stdfs::absolute(folder), ec);
  if (ec || !stdfs::is_directory(map.m_folder))
    throw std::runtime_error("not a folder: '" + folder.string() + "'");
  // Folders reached through symbolic links are not entered; files are taken only where they
  // really lie in the folder.
  stdfs::recursive_directory_iterator it(map.m_folder, stdfs::directory_options::skip_permission_denied, ec), end;
  if (ec)
    throw std::runtime_error("cannot read the folder '" + folder.string() + "': " + ec.message());
  for (; it != end; it.increment(ec)) {
    if (ec)
      break;
    const stdfs::path file = it->path();
    if (!isPageFile(file) || !it->is_regular_file(ec))
      continue;
    const stdfs::path real = stdfs::weakly_canonical(file, ec);
    if (ec || !inside(real, map.m_folder))
      continue;
    map.m_pages.push_back({file.lexically_normal(), file.lexically_relative(map.m_folder).generic_string(), {}});
  }
  std::sort(map.m_pages.begin(), map.m_pages.end(),
            [](const SitePage& a, const SitePage& b) { return a.relative < b.relative; });
  map.name();
  return map;
}

SiteMap SiteMap::ofPages(const std::vector<stdfs::path>& pages) {
  SiteMap map;
  std::vector<stdfs::path> files;
  for (const auto& page : pages) {
    std::error_code ec;
    const stdfs::path file = stdfs::absolute(page).lexically_normal();
    if (stdfs::is_directory(file, ec))
      throw std::runtime_error("'" + page.string() + "' is a folder: give it alone to import every page below it");
    if (!stdfs::is_regular_file(file, ec))
      throw std::runtime_error(stdfs::exists(file, ec) ? "not a page file: '" + page.string() + "'"
                                                       : "no such file: '" + page.string() + "'");
    files.push_back(file);
  }
  // The deepest folder that holds every page.
  for (const auto& file : files) {
    const stdfs::path parent = file.parent_path();
    if (map.m_folder.empty()) {
      map.m_folder = parent;
      continue;
    }
    stdfs::path common;
    for (auto a = map.m_folder.begin(), b = parent.begin(); a != map.m_folder.end() && b != parent.end() && *a == *b;
         ++a, ++b)
      common /= *a;
    map.m_folder = common;
  }
  std::set<stdfs::path> seen;
  for (const auto& file : files) {
    if (seen.insert(file).second)
      map.m_pages.push_back({file, file.lexically_relative(map.m_folder).generic_string(), {}});
  }
  std::sort(map.m_pages.begin(), map.m_pages.end(),
            [](const SitePage& a, const SitePage& b) { return a.relative < b.relative; });
  map.name();
  return map;
}

void SiteMap::name() {
  std::set<std::string> used;
  for (std::size_t i = 0; i < m_pages.size(); ++i) {
    const std::string base = documentName(m_pages[i].relative);
    std::string name = base;
    for (int k = 2; used.count(name); ++k)
      name = base + "-" + std::to_string(k);
    used.insert(name);
    m_pages[i].name = name;
    m_byFile[m_pages[i].file] = i;
  }
}

const SitePage* SiteMap::find(const stdfs::path& file) const {
  auto it = m_byFile.find(file.lexically_normal());
  return it == m_byFile.end() ? nullptr : &m_pages[it->second];
}

void SiteMap::rewriteLinks(xmlNodePtr deck, const SitePage& page,
                           const std::map<std::string, std::map<std::string, std::string>>& ids) const {
  auto rewrite = [&](xmlNodePtr node) {
    const std::string_view element = reinterpret_cast<const char*>(node->name);
    if (element != "a" && element != "go")
      return;
    const std::string href = hrefOf(node);
    if (href.empty() || href[0] == '#' || href[0] == '?' || href[0] == '/' || hasScheme(href))
      return;
    // path ? query # fragment: the query and the fragment are kept as they are written.
    const auto hash = href.find('#');
    const auto question = href.substr(0, hash).find('?');
    const std::string path = href.substr(0, std::min(question, hash));
    const std::optional<std::string> decoded = util::percentDecode(path);
    const SitePage* target = decoded ? find(page.file.parent_path() / *decoded) : nullptr;
    if (!target)
      return;
    std::string rewritten = target->name + ".wml";
    if (question != std::string::npos)
      rewritten += href.substr(question, hash == std::string::npos ? std::string::npos : hash - question);
    if (hash != std::string::npos) {
      std::string fragment = href.substr(hash + 1);
      if (auto deckIds = ids.find(target->name); deckIds != ids.end()) {
        if (auto id = deckIds->second.find(fragment); id != deckIds->second.end())
          fragment = id->second;
      }
      rewritten += "#" + fragment;
    }
    xmlSetProp(node, BAD_CAST "href", BAD_CAST rewritten.c_str());
  };
  xml::walkTree(deck, [&](xmlNodePtr node) {
    if (node->type != XML_ELEMENT_NODE)
      return false;
    if (!node->ns)
      rewrite(node);
    return true;
  });
}

} // namespace tavro::conversion
