#include "util/utf8.h"

namespace tavro::util {

namespace {
bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
} // namespace

std::size_t characterStart(std::string_view text, std::size_t at) {
  while (at > 0 && at < text.size() && isContinuation(text[at]))
    --at;
  return at;
}

std::size_t utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80)
    return 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    return 2;
  if (lead >= 0xE0 && lead <= 0xEF)
    return 3;
  if (lead >= 0xF0 && lead <= 0xF4)
    return 4;
  return 0;
}

Utf8Char decodeUtf8(std::string_view bytes) {
  if (bytes.empty())
    return {};
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const std::size_t length = utf8SequenceLength(lead);
  if (length == 0 || length > bytes.size())
    return {};
  if (length == 1)
    return {lead, 1};
  char32_t cp = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if (!isContinuation(bytes[k]))
      return {};
    cp = (cp << 6) | (static_cast<unsigned char>(bytes[k]) & 0x3F);
  }
  // Two-byte leads start at 0xC2, so only longer forms can be overlong.
  if ((length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
      (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
    return {};
  return {cp, length};
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

bool isValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    // Fast path over ASCII.
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = decodeUtf8(bytes.substr(i)).length;
    if (length == 0)
      return false;
    i += length;
  }
  return true;
}

bool allowedInXml(char32_t c) {
  if (c < 0x20)
    return c == '\t' || c == '\n' || c == '\r';
  return c != 0xFFFE && c != 0xFFFF;
}

bool allowedInHtml(char32_t c) {
  if (c < 0x20)
    return c == '\t' || c == '\n' || c == '\f' || c == '\r';
  return !(c >= 0x7F && c <= 0x9F) && !(c >= 0xFDD0 && c <= 0xFDEF) && (c & 0xFFFE) != 0xFFFE;
}

std::string keepCharacters(std::string_view text, bool (*allowed)(char32_t)) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const Utf8Char c = decodeUtf8(text);
    const std::size_t length = c.length ? c.length : 1;
    if (!c.length || allowed(c.codePoint))
      out.append(text.substr(0, length));
    text.remove_prefix(length);
  }
  return out;
}

std::string repairUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    if (const std::size_t length = decodeUtf8(s.substr(i)).length) {
      out.append(s.substr(i, length));
      i += length;
      continue;
    }
    out += replacementCharacter;
    std::size_t announced = utf8SequenceLength(static_cast<unsigned char>(s[i]));
    ++i;
    while (i < s.size() && isContinuation(s[i]) && announced > 1) {
      ++i;
      --announced;
    }
  }
  return out;
}

} // namespace tavro::util
