#pragma once
// Addresses as the browser stand-in uses them: schemes, and references resolved against a
// page's address (file: URLs for local paths are in util/fileurl.h).

#include <string>
#include <string_view>

namespace tavro::html {

/// The scheme of an address in lower case ("file", "http" ...), or "" when it has none.
/// A single letter before ":" counts as a scheme too ("c:" is not a drive here).
std::string urlScheme(std::string_view address);

/// A reference resolved against a base address with an authority ("file:///dir/page.html",
/// "http://host/x"): "pics/a.gif" -> "file:///dir/pics/a.gif", "../a.gif", "/a.gif" and
/// "//host/a.gif" as a browser resolves them, back slashes read as "/" for file: bases.
/// References that have a scheme, and references against a base without an authority
/// ("about:blank"), come back unchanged. Characters outside the URL syntax (spaces,
/// non-ASCII bytes) are percent-encoded.
std::string resolveUrl(std::string_view base, std::string_view reference);

} // namespace tavro::html
