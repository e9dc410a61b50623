#include "util/fileurl.h"

#include "util/text.h"

#include <filesystem>

namespace tavro::util {

std::string percentEncode(std::string_view text, std::string_view keep, bool keepEscapes) {
  static constexpr const char* hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const bool escape = keepEscapes && c == '%' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 &&
                        hexDigitValue(text[i + 2]) >= 0;
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       keep.find(char(c)) != std::string_view::npos;
    if (plain || escape) {
      out += char(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string pathToFileUrl(std::string_view path) { return "file://" + percentEncode(path, "/-._~!$&'()*+,;=:@"); }

std::string relativeReference(std::string_view path, std::string_view folder) {
  const std::filesystem::path relative = std::filesystem::path(path).lexically_normal().lexically_relative(
      std::filesystem::path(folder).lexically_normal());
  return percentEncode(relative.generic_string(), "/-._~!$&'()*+,;=@");
}

std::optional<std::string> percentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 && hexDigitValue(text[i + 2]) >= 0) {
      const char c = char(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
      if (c == '\0')
        return std::nullopt;
      out += c;
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::optional<std::string> fileUrlToPath(std::string_view url) {
  url = trim(url);
  if (url.size() < 5 || !equalsNoCase(url.substr(0, 5), "file:"))
    return std::nullopt;
  std::string_view rest = url.substr(5);
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    const auto slash = rest.find('/');
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && !equalsNoCase(host, "localhost"))
      return std::nullopt;
    rest = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);
  }
  rest = rest.substr(0, rest.find_first_of("?#"));
  std::optional<std::string> decoded = percentDecode(rest);
  if (!decoded)
    return std::nullopt;
  const std::string& out = *decoded;
  if (out.empty() || out[0] != '/')
    return std::nullopt;
  return out;
}

} // namespace tavro::util
