#pragma once
// Decoding a page's bytes to UTF-8. The encoding comes from a byte-order mark, else from a
// meta charset near the start of the page; when neither says, bytes that are valid UTF-8 are
// read as UTF-8, and anything else in the encoding a detector guesses from the bytes (Big5,
// Shift_JIS, KOI8-R, windows-1251 ...), else windows-1252. Bytes the encoding cannot map
// become U+FFFD; decoding never fails.

#include "util/utf8.h"

#include <string>
#include <string_view>

namespace tavro::html {

struct DecodedPage {
  std::string text;     // UTF-8, without a byte-order mark
  std::string encoding; // the encoding used: "UTF-8", "UTF-16LE", "windows-1252", "ISO-8859-7" ...
};

DecodedPage decodePage(std::string_view bytes);

/// The charset a meta element declares within the first bytes of a page, as written ("" when
/// none does).
std::string findMetaCharset(std::string_view bytes);

/// The name an encoding label stands for, as browsers read labels ("latin1" and "iso-8859-1"
/// mean windows-1252, "utf8" means UTF-8); "" for a label no decoder here knows.
std::string canonicalEncoding(std::string_view label);

using util::isValidUtf8;

/// The encoding a detector guesses from the bytes: a canonical name, or iconv's name of one
/// canonicalEncoding does not list ("" when it cannot tell). An ISO 8859 guess for bytes that
/// hold 0x80-0x9F gives the Windows code page of its script.
std::string guessEncoding(std::string_view bytes);

} // namespace tavro::html
