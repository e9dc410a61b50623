#include "util/text.h"

#include <algorithm>
#include <cstdint>

namespace tavro::util {

namespace {
char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
} // namespace

std::string toUpper(std::string_view s) {
  std::string r(s);
  std::transform(r.begin(), r.end(), r.begin(), upper);
  return r;
}

std::string toLower(std::string_view s) {
  std::string r(s);
  std::transform(r.begin(), r.end(), r.begin(), lower);
  return r;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

int hexDigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

std::string_view trim(std::string_view s) {
  constexpr std::string_view blanks = " \t\r\n";
  auto first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos)
    return {};
  auto last = s.find_last_not_of(blanks);
  return s.substr(first, last - first + 1);
}

std::string collapseSpaces(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    const bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (!space)
      out += c;
    else if (out.empty() || out.back() != ' ')
      out += ' ';
  }
  return out;
}

std::string join(const std::vector<std::string>& items, std::string_view separator) {
  std::string out;
  for (const auto& item : items) {
    if (&item != &items.front())
      out += separator;
    out += item;
  }
  return out;
}

std::string base64(std::string_view bytes) {
  static constexpr char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k)
      group = group << 8 | (k < n ? std::uint8_t(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k)
      out += k <= n ? digits[(group >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

} // namespace tavro::util
