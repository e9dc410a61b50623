#pragma once
// Addresses as the browser stand-in uses them: file: URLs for local pages, and references
// resolved against a page's address.

#include <string>
#include <string_view>

namespace tavro::html {

/// The scheme of an address in lower case ("file", "http" ...), or "" when it has none.
/// A single letter before ":" counts as a scheme too ("c:" is not a drive here).
std::string urlScheme(std::string_view address);

/// A file: URL for an absolute local path; characters outside the URL syntax are
/// percent-encoded ("/a b.html" -> "file:///a%20b.html").
std::string pathToFileUrl(std::string_view path);

/// The local path a file: URL names ("" when it is not a file: URL for this machine:
/// another host, or an encoded NUL).
std::string fileUrlToPath(std::string_view url);

/// A reference resolved against a base address with an authority ("file:///dir/page.html",
/// "http://host/x"): "pics/a.gif" -> "file:///dir/pics/a.gif", "../a.gif", "/a.gif" and
/// "//host/a.gif" as a browser resolves them, back slashes read as "/" for file: bases.
/// References that have a scheme, and references against a base without an authority
/// ("about:blank"), come back unchanged. Characters outside the URL syntax (spaces,
/// non-ASCII bytes) are percent-encoded.
std::string resolveUrl(std::string_view base, std::string_view reference);

} // namespace tavro::html
