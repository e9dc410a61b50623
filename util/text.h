#pragma once
// Small text helpers shared by the engine: ASCII case folding and comparison, trimming, base64.

#include <string>
#include <string_view>
#include <vector>

namespace tavro::util {

std::string toUpper(std::string_view s);
std::string toLower(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);
/// The value of a hexadecimal digit (either case), or -1 for any other character.
int hexDigitValue(char c);
/// Text without leading and trailing spaces, tabs, CR and LF.
std::string_view trim(std::string_view s);
/// Text with each run of spaces, tabs, CR and LF written as one space.
std::string collapseSpaces(std::string_view s);
/// The items one after the other with separator between each two.
std::string join(const std::vector<std::string>& items, std::string_view separator);
/// The bytes in base64 (RFC 4648, with padding), as a data: URL holds them.
std::string base64(std::string_view bytes);

} // namespace tavro::util
