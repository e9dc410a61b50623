#pragma once
// UTF-8 as the engine reads and writes it. Decoding is strict: overlong forms, surrogates,
// values past U+10FFFF and cut-off sequences are not characters.

#include <cstddef>
#include <string>
#include <string_view>

namespace tavro::util {

/// U+FFFD, the character that stands in for bytes that are not UTF-8.
inline constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

/// How many bytes a sequence starting with lead takes: 1 for ASCII, 2 to 4 for a byte that can
/// start a well-formed sequence (0xC2..0xF4), 0 for any other byte.
std::size_t utf8SequenceLength(unsigned char lead);

/// One character decoded from UTF-8.
struct Utf8Char {
  char32_t codePoint = 0;
  std::size_t length = 0; // bytes taken; 0 when the bytes are not a well-formed character
};

/// The character at the start of bytes; length 0 when bytes is empty or does not start with a
/// well-formed sequence.
Utf8Char decodeUtf8(std::string_view bytes);

/// Appends a code point (at most U+10FFFF) as UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);

bool isValidUtf8(std::string_view bytes);

/// Where the character that byte at belongs to starts: at, or back over the continuation bytes
/// before it; a place to cut UTF-8 text without cutting a character.
std::size_t characterStart(std::string_view text, std::size_t at);

/// The bytes with every ill-formed sequence replaced by one U+FFFD: a lead byte and the
/// continuation bytes it announced count as one error.
std::string repairUtf8(std::string_view bytes);

/// Whether an XML 1.0 document may hold the character: not a control other than tab, line feed
/// and carriage return, not U+FFFE or U+FFFF.
bool allowedInXml(char32_t codePoint);

/// Whether an HTML page may hold the character as text: not a control other than white space
/// (tab, line feed, form feed, carriage return), not U+007F..U+009F, not a noncharacter. A
/// browser's parser reads the others as errors, and shows them as nothing or as a box.
bool allowedInHtml(char32_t codePoint);

/// The UTF-8 text with only the characters that allowed takes (bytes that are no UTF-8 stay).
std::string keepCharacters(std::string_view text, bool (*allowed)(char32_t));

} // namespace tavro::util
