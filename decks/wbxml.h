#pragma once
// What a phone receives: a deck compiled to WBXML, the binary form a WAP gateway sends. The
// compiled deck says it is WML 1.1 (public identifier 4) in UTF-8, and a string table holds
// text that repeats where that saves bytes; libwbxml does the encoding.

#include <stdexcept>
#include <string>
#include <string_view>

namespace tavro::decks {

class WbxmlError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

/// The deck's text (valid WML 1.1, with or without a document type) compiled to WBXML, as
/// WML 1.1 whatever document type it names. Raises WbxmlError with libwbxml's reason.
std::string compileWbxml(std::string_view deckText);

/// WBXML back to the deck's XML text (compact, no indentation), for reading what was compiled.
std::string decompileWbxml(std::string_view wbxml);

} // namespace tavro::decks
