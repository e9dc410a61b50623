#include "platform/html/url.h"

#include "util/fileurl.h"
#include "util/text.h"

#include <vector>

namespace tavro::html {

namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Keeps the URL syntax characters and existing escapes; encodes the rest.
std::string encode(std::string_view text) { return util::percentEncode(text, "/-._~!$&'()*+,;=:@?#[]", true); }

// Removes "." and ".." segments from an absolute path; ".." never climbs above the root.
std::string removeDotSegments(std::string_view path) {
  std::vector<std::string_view> segments;
  std::size_t pos = 1; // path starts with "/"
  bool trailingSlash = false;
  while (pos <= path.size()) {
    auto slash = path.find('/', pos);
    std::string_view seg = path.substr(pos, slash == std::string_view::npos ? std::string_view::npos : slash - pos);
    bool last = slash == std::string_view::npos;
    if (seg == ".") {
      trailingSlash = last;
    } else if (seg == "..") {
      if (!segments.empty())
        segments.pop_back();
      trailingSlash = last;
    } else {
      segments.push_back(seg);
      trailingSlash = false;
    }
    if (last)
      break;
    pos = slash + 1;
  }
  std::string out;
  for (auto seg : segments) {
    out += '/';
    out += seg;
  }
  if (trailingSlash || out.empty())
    out += '/';
  return out;
}

} // namespace

std::string urlScheme(std::string_view address) {
  address = util::trim(address);
  if (address.empty() || !isAlpha(address[0]))
    return {};
  for (std::size_t i = 1; i < address.size(); ++i) {
    char c = address[i];
    if (c == ':')
      return util::toLower(address.substr(0, i));
    if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.')
      return {};
  }
  return {};
}

std::string resolveUrl(std::string_view base, std::string_view reference) {
  std::string ref(util::trim(reference));
  if (!urlScheme(ref).empty())
    return ref;
  base = util::trim(base);
  std::string scheme = urlScheme(base);
  if (scheme.empty())
    return ref;
  std::string_view afterScheme = base.substr(scheme.size() + 1);
  if (!afterScheme.starts_with("//"))
    return ref;
  if (scheme == "file") {
    for (char& c : ref) {
      if (c == '\\')
        c = '/';
    }
  }
  // Split the base into authority, path and the rest.
  std::string_view rest = afterScheme.substr(2);
  auto pathStart = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, pathStart);
  std::string_view pathAndMore = pathStart == std::string_view::npos ? std::string_view() : rest.substr(pathStart);
  std::string_view basePath = pathAndMore.substr(0, pathAndMore.find_first_of("?#"));
  std::string_view baseQuery;
  if (auto q = pathAndMore.find('?'); q != std::string_view::npos)
    baseQuery = pathAndMore.substr(q, pathAndMore.find('#', q) - q);

  std::string prefix = scheme + "://";
  std::string path;
  std::string tail; // query and fragment of the reference
  if (ref.starts_with("//"))
    return encode(scheme + ":" + ref);
  if (ref.empty())
    return std::string(base.substr(0, base.find('#')));
  auto tailStart = ref.find_first_of("?#");
  std::string refPath = ref.substr(0, tailStart);
  if (tailStart != std::string::npos)
    tail = ref.substr(tailStart);
  if (refPath.empty()) {
    path = basePath.empty() ? "/" : std::string(basePath);
    if (!tail.empty() && tail[0] == '#')
      tail = std::string(baseQuery) + tail;
  } else if (refPath[0] == '/') {
    path = removeDotSegments(refPath);
  } else {
    std::string dir(basePath.substr(0, basePath.rfind('/') == std::string_view::npos ? 0 : basePath.rfind('/') + 1));
    if (dir.empty())
      dir = "/";
    path = removeDotSegments(dir + refPath);
  }
  return encode(prefix + std::string(authority) + path + tail);
}

} // namespace tavro::html
