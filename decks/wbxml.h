#pragma once
// What a phone receives: a deck compiled to WBXML, the binary form a WAP gateway sends. The
// compiled deck says it is WML 1.1 (public identifier 4) in UTF-8, and a string table holds
// text that repeats where that saves bytes; libwbxml does the encoding.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tavro::decks {

class WbxmlError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

/// The longest deck compiled with a string table, as the phone reads it (white space collapsed,
/// the indentation gone, WML 1.1's document type named). libwbxml's building of the table takes
/// time that grows with about the cube of the deck's size (27 ms at 6 KB, two seconds at
/// 21 KB), and no phone takes a deck of that size.
inline constexpr std::size_t maxStringTableText = 8192;

/// The longest deck text worth compiling just to tell its size. libwbxml builds its tree in
/// time that grows with the square of the number of elements side by side (1.5 s for 1 MB of
/// paragraphs), and no phone takes a deck of even a tenth of this size.
inline constexpr std::size_t maxCompiledText = std::size_t(256) << 10;

/// The deck's text (valid WML 1.1, with or without a document type) compiled to WBXML, as
/// WML 1.1 whatever document type it names; with a string table when stringTable is set, the
/// deck is at most maxStringTableText long as the phone reads it and holds no variables. Each variable reference
/// ("$name", "$(name:escape)" ...) becomes the token a phone replaces with its value, and "$$"
/// the one "$" it stands for. Raises WbxmlError with libwbxml's reason.
std::string compileWbxml(std::string_view deckText, bool stringTable = true);

/// WBXML back to the deck's XML text (compact, no indentation), for reading what was compiled:
/// a "$" of its text written "$$", a variable as "$(name:conversion)".
std::string decompileWbxml(std::string_view wbxml);

} // namespace tavro::decks
