#pragma once
// Percent-encoding, and file: URLs for local paths and back: one rule for the browser
// stand-in and the host's reference conversion.

#include <optional>
#include <string>
#include <string_view>

namespace tavro::util {

/// Text with every byte percent-encoded that is not an ASCII letter or digit or one of
/// `keep`; with keepEscapes, a "%" followed by two hexadecimal digits stays as it is.
std::string percentEncode(std::string_view text, std::string_view keep, bool keepEscapes = false);

/// Text with each "%" and two hexadecimal digits read as the byte they name; nothing when one
/// names a NUL.
std::optional<std::string> percentDecode(std::string_view text);

/// A file: URL for an absolute local path. Every character outside the unreserved set and
/// the path's own punctuation is percent-encoded, "?", "#" and "%" included, so that a folder
/// named "site#1" stays part of the path ("/a b#1/x.html" -> "file:///a%20b%231/x.html").
std::string pathToFileUrl(std::string_view path);

/// The reference from a document in folder to the file at path (both absolute): the relative
/// path, "." and ".." steps resolved, percent-encoded as in a file: URL but with ":" encoded
/// too, so that no first step reads as a scheme ("/a/my pic.png" from "/a/b" ->
/// "../my%20pic.png").
std::string relativeReference(std::string_view path, std::string_view folder);

/// The absolute local path a file: URL names, or nothing when it is not one: another scheme,
/// another host than "localhost", a relative path, or an encoded NUL. A query or fragment is
/// not part of the file's name.
std::optional<std::string> fileUrlToPath(std::string_view url);

} // namespace tavro::util
