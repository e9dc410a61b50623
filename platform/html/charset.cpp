#include "platform/html/charset.h"

#include <uchardet/uchardet.h>

#include <memory>
#include <type_traits>

#include "util/text.h"
#include "util/utf8.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

namespace tavro::html {

namespace {

// How far into a page a meta charset is looked for.
constexpr std::size_t metaScanBytes = 4096;

std::string decodeWindows1252(std::string_view bytes) {
  // 0x80..0x9F; the five bytes the code page leaves undefined map to the C1 controls.
  static constexpr std::uint16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                             0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (unsigned char c : bytes) {
    if (c < 0x80)
      out += char(c);
    else if (c < 0xA0)
      util::appendUtf8(out, high[c - 0x80]);
    else
      util::appendUtf8(out, c);
  }
  return out;
}

std::string decodeUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  auto unit = [&](std::size_t i) -> std::uint32_t {
    auto a = static_cast<unsigned char>(bytes[i]);
    auto b = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  std::size_t i = 0;
  while (i + 1 < bytes.size()) {
    std::uint32_t u = unit(i);
    i += 2;
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 < bytes.size()) {
        std::uint32_t low = unit(i);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          i += 2;
          util::appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
          continue;
        }
      }
      out += util::replacementCharacter;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      out += util::replacementCharacter;
    } else {
      util::appendUtf8(out, u);
    }
  }
  if (i < bytes.size())
    out += util::replacementCharacter;
  return out;
}

class Iconv {
public:
  explicit Iconv(const char* from) : m_cd(iconv_open("UTF-8", from)) {}
  ~Iconv() {
    if (valid())
      iconv_close(m_cd);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return m_cd; }

private:
  iconv_t m_cd;
};

std::string iconvName(std::string_view encoding) {
  if (encoding == "Shift_JIS")
    return "CP932";
  if (encoding == "Big5")
    return "BIG5-HKSCS";
  if (encoding == "EUC-KR")
    return "CP949";
  if (encoding.starts_with("windows-"))
    return "CP" + std::string(encoding.substr(8));
  return util::toUpper(encoding);
}

// Decodes with iconv; a byte sequence it cannot map becomes U+FFFD and decoding goes on.
bool decodeWithIconv(std::string_view bytes, std::string_view encoding, std::string& out) {
  Iconv cd(iconvName(encoding).c_str());
  if (!cd.valid())
    return false;
  out.clear();
  out.reserve(bytes.size() * 2);
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char buffer[16384];
  while (true) {
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    std::size_t r = iconv(cd.get(), inLeft ? &in : nullptr, &inLeft, &dst, &dstLeft);
    out.append(buffer, sizeof buffer - dstLeft);
    if (r != std::size_t(-1)) {
      if (inLeft == 0)
        break;
      continue;
    }
    if (errno == E2BIG)
      continue;
    if (errno == EILSEQ) {
      out += util::replacementCharacter;
      ++in;
      --inLeft;
      continue;
    }
    // EINVAL: the input ends inside a sequence.
    out += util::replacementCharacter;
    break;
  }
  return true;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '/'; }

// Reads the attributes of a tag from pos (just past its name) up to ">"; returns the position
// after the tag.
std::size_t readAttributes(std::string_view s, std::size_t pos, std::vector<std::pair<std::string, std::string>>& out) {
  const std::size_t n = s.size();
  while (pos < n) {
    while (pos < n && isSpace(s[pos]))
      ++pos;
    if (pos >= n)
      break;
    if (s[pos] == '>')
      return pos + 1;
    std::size_t nameStart = pos;
    while (pos < n && !isSpace(s[pos]) && s[pos] != '>' && s[pos] != '=')
      ++pos;
    std::string name = util::toLower(s.substr(nameStart, pos - nameStart));
    while (pos < n && (s[pos] == ' ' || s[pos] == '\t' || s[pos] == '\n' || s[pos] == '\r'))
      ++pos;
    std::string value;
    if (pos < n && s[pos] == '=') {
      ++pos;
      while (pos < n && (s[pos] == ' ' || s[pos] == '\t' || s[pos] == '\n' || s[pos] == '\r'))
        ++pos;
      if (pos < n && (s[pos] == '"' || s[pos] == '\'')) {
        char q = s[pos++];
        std::size_t end = s.find(q, pos);
        if (end == std::string_view::npos)
          end = n;
        value = s.substr(pos, end - pos);
        pos = end + 1;
      } else {
        std::size_t start = pos;
        while (pos < n && !isSpace(s[pos]) && s[pos] != '>')
          ++pos;
        value = s.substr(start, pos - start);
      }
    }
    if (!name.empty())
      out.emplace_back(std::move(name), std::move(value));
  }
  return n;
}

// The value after "charset=" in a content attribute ("text/html; charset=koi8-r").
std::string charsetFromContent(std::string_view content) {
  std::string lower = util::toLower(content);
  std::size_t pos = 0;
  while ((pos = lower.find("charset", pos)) != std::string::npos) {
    std::size_t p = pos + 7;
    while (p < lower.size() && (lower[p] == ' ' || lower[p] == '\t'))
      ++p;
    if (p >= lower.size() || lower[p] != '=') {
      pos = p;
      continue;
    }
    ++p;
    while (p < lower.size() && (lower[p] == ' ' || lower[p] == '\t'))
      ++p;
    if (p < lower.size() && (lower[p] == '"' || lower[p] == '\'')) {
      char q = lower[p];
      std::size_t end = lower.find(q, p + 1);
      if (end == std::string::npos)
        return {};
      return std::string(content.substr(p + 1, end - p - 1));
    }
    std::size_t end = p;
    while (end < lower.size() && lower[end] != ';' && lower[end] != ' ' && lower[end] != '\t')
      ++end;
    return std::string(content.substr(p, end - p));
  }
  return {};
}

} // namespace

std::string findMetaCharset(std::string_view bytes) {
  std::string_view s = bytes.substr(0, metaScanBytes);
  std::size_t pos = 0;
  const std::size_t n = s.size();
  while ((pos = s.find('<', pos)) != std::string_view::npos) {
    if (s.substr(pos, 4) == "<!--") {
      std::size_t end = s.find("-->", pos + 4);
      if (end == std::string_view::npos)
        return {};
      pos = end + 3;
      continue;
    }
    if (pos + 5 < n && util::equalsNoCase(s.substr(pos, 5), "<meta") && isSpace(s[pos + 5])) {
      std::vector<std::pair<std::string, std::string>> attributes;
      pos = readAttributes(s, pos + 5, attributes);
      std::string httpEquiv, content, charset;
      bool haveCharset = false;
      for (auto& [name, value] : attributes) {
        if (name == "charset" && !haveCharset) {
          charset = value;
          haveCharset = true;
        } else if (name == "http-equiv" && httpEquiv.empty()) {
          httpEquiv = value;
        } else if (name == "content" && content.empty()) {
          content = value;
        }
      }
      if (haveCharset && !util::trim(charset).empty())
        return std::string(util::trim(charset));
      if (util::equalsNoCase(util::trim(httpEquiv), "content-type")) {
        std::string found = charsetFromContent(content);
        if (!found.empty())
          return found;
      }
      continue;
    }
    std::size_t next = pos + 1;
    if (next < n && (std::isalpha(static_cast<unsigned char>(s[next])) || s[next] == '/')) {
      // Another tag: skip it whole, quoted values included.
      std::size_t p = next + (s[next] == '/' ? 1 : 0);
      while (p < n && !isSpace(s[p]) && s[p] != '>')
        ++p;
      std::vector<std::pair<std::string, std::string>> ignored;
      pos = readAttributes(s, p, ignored);
      continue;
    }
    if (next < n && (s[next] == '!' || s[next] == '?')) {
      std::size_t end = s.find('>', next);
      if (end == std::string_view::npos)
        return {};
      pos = end + 1;
      continue;
    }
    pos = next;
  }
  return {};
}

std::string canonicalEncoding(std::string_view label) {
  std::string l = util::toLower(util::trim(label));
  static const std::pair<const char*, const char*> table[] = {
      {"utf-8", "UTF-8"},
      {"utf8", "UTF-8"},
      {"unicode-1-1-utf-8", "UTF-8"},
      {"utf-16", "UTF-16LE"},
      {"utf-16le", "UTF-16LE"},
      {"unicode", "UTF-16LE"},
      {"ucs-2", "UTF-16LE"},
      {"utf-16be", "UTF-16BE"},
      {"windows-1252", "windows-1252"},
      {"cp1252", "windows-1252"},
      {"x-cp1252", "windows-1252"},
      {"iso-8859-1", "windows-1252"},
      {"iso8859-1", "windows-1252"},
      {"iso_8859-1", "windows-1252"},
      {"latin1", "windows-1252"},
      {"l1", "windows-1252"},
      {"us-ascii", "windows-1252"},
      {"ascii", "windows-1252"},
      {"ansi_x3.4-1968", "windows-1252"},
      {"iso-ir-100", "windows-1252"},
      {"ibm819", "windows-1252"},
      {"cp819", "windows-1252"},
      {"csisolatin1", "windows-1252"},
      {"iso-8859-9", "windows-1254"},
      {"iso8859-9", "windows-1254"},
      {"latin5", "windows-1254"},
      {"iso-8859-11", "windows-874"},
      {"tis-620", "windows-874"},
      {"koi8-r", "KOI8-R"},
      {"koi8", "KOI8-R"},
      {"koi8-u", "KOI8-U"},
      {"shift_jis", "Shift_JIS"},
      {"shift-jis", "Shift_JIS"},
      {"sjis", "Shift_JIS"},
      {"ms_kanji", "Shift_JIS"},
      {"x-sjis", "Shift_JIS"},
      {"windows-31j", "Shift_JIS"},
      {"csshiftjis", "Shift_JIS"},
      {"euc-jp", "EUC-JP"},
      {"x-euc-jp", "EUC-JP"},
      {"iso-2022-jp", "ISO-2022-JP"},
      {"gb2312", "GBK"},
      {"gbk", "GBK"},
      {"chinese", "GBK"},
      {"x-gbk", "GBK"},
      {"csgb2312", "GBK"},
      {"gb18030", "GB18030"},
      {"big5", "Big5"},
      {"big5-hkscs", "Big5"},
      {"cn-big5", "Big5"},
      {"x-x-big5", "Big5"},
      {"euc-kr", "EUC-KR"},
      {"ks_c_5601-1987", "EUC-KR"},
      {"korean", "EUC-KR"},
      {"windows-949", "EUC-KR"},
      {"ibm866", "IBM866"},
      {"cp866", "IBM866"},
      {"macintosh", "macintosh"},
      {"mac", "macintosh"},
      {"x-mac-roman", "macintosh"},
  };
  for (const auto& [from, to] : table) {
    if (l == from)
      return to;
  }
  // windows-1250 ... windows-1258, windows-874
  for (const char* cp : {"1250", "1251", "1253", "1254", "1255", "1256", "1257", "1258", "874"}) {
    if (l == std::string("windows-") + cp || l == std::string("cp") + cp || l == std::string("x-cp") + cp)
      return std::string("windows-") + cp;
  }
  // ISO-8859-2 ... 16 (9 and 11 above)
  for (int part : {2, 3, 4, 5, 6, 7, 8, 10, 13, 14, 15, 16}) {
    std::string num = std::to_string(part);
    if (l == "iso-8859-" + num || l == "iso8859-" + num || l == "iso_8859-" + num || l == "iso8859" + num)
      return "ISO-8859-" + num;
  }
  if (l == "latin2")
    return "ISO-8859-2";
  if (l == "greek" || l == "greek8")
    return "ISO-8859-7";
  if (l == "cyrillic")
    return "ISO-8859-5";
  return {};
}

namespace {

// The wide form a page without a byte order mark is written in, when its first characters say
// so: markup starts with white space and "<", and in UTF-16 or UTF-32 each of those ASCII
// characters stands beside one or three zero bytes. Such a page is valid UTF-8 (zero bytes
// are), and read so it would show its tags as text.
std::string unmarkedWideForm(std::string_view bytes) {
  for (const auto& [width, bigEndian, name] : {std::tuple{4u, false, "UTF-32LE"}, std::tuple{4u, true, "UTF-32BE"},
                                               std::tuple{2u, false, "UTF-16LE"}, std::tuple{2u, true, "UTF-16BE"}}) {
    for (std::size_t at = 0; at + width <= bytes.size() && at < 64 * width; at += width) {
      const std::string_view unit = bytes.substr(at, width);
      const std::size_t low = bigEndian ? width - 1 : 0;
      bool zeros = true;
      for (std::size_t k = 0; k < width; ++k)
        zeros = zeros && (k == low || unit[k] == '\0');
      const char c = unit[low];
      if (!zeros || !(c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '<'))
        break;
      if (c == '<')
        return name;
    }
  }
  return {};
}

// The Windows code page of the script of an ISO 8859 encoding, for bytes that hold any of
// 0x80-0x9F: control codes in ISO 8859, which no text holds, and printable in the code pages
// (quotation marks, dashes, and Czech, Slovak and Polish letters in windows-1250). A detector
// can name the ISO form of such a page (Romanian, with its quotation marks, as ISO-8859-16).
std::string windowsFormOf(const std::string& encoding, std::string_view bytes) {
  static const std::pair<const char*, const char*> forms[] = {
      {"ISO-8859-2", "windows-1250"},  {"ISO-8859-16", "windows-1250"}, {"ISO-8859-7", "windows-1253"},
      {"ISO-8859-8", "windows-1255"},  {"ISO-8859-4", "windows-1257"},  {"ISO-8859-13", "windows-1257"},
      {"ISO-8859-15", "windows-1252"},
  };
  for (const auto& [iso, windows] : forms)
    if (encoding == iso && std::any_of(bytes.begin(), bytes.end(), [](char c) {
          const auto b = static_cast<unsigned char>(c);
          return b >= 0x80 && b <= 0x9F;
        }))
      return windows;
  return encoding;
}

} // namespace

DecodedPage decodePage(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF"))
    return {util::repairUtf8(bytes.substr(3)), "UTF-8"};
  if (bytes.starts_with("\xFF\xFE"))
    return {decodeUtf16(bytes.substr(2), false), "UTF-16LE"};
  if (bytes.starts_with("\xFE\xFF"))
    return {decodeUtf16(bytes.substr(2), true), "UTF-16BE"};
  if (const std::string wide = unmarkedWideForm(bytes); !wide.empty()) {
    if (wide.starts_with("UTF-16"))
      return {decodeUtf16(bytes, wide == "UTF-16BE"), wide};
    std::string out;
    if (decodeWithIconv(bytes, wide, out))
      return {std::move(out), wide};
  }
  std::string declared = canonicalEncoding(findMetaCharset(bytes));
  // A page that could be read to find its meta element is not UTF-16, whatever it says.
  if (declared == "UTF-16LE" || declared == "UTF-16BE")
    declared = "UTF-8";
  if (!declared.empty()) {
    if (declared == "UTF-8")
      return {util::repairUtf8(bytes), declared};
    if (declared == "windows-1252")
      return {decodeWindows1252(bytes), declared};
    std::string out;
    if (decodeWithIconv(bytes, declared, out))
      return {std::move(out), declared};
  }
  if (isValidUtf8(bytes)) {
    // Japanese text in its seven-bit mail form switches to JIS X 0208 with an escape, which is
    // no character of a page: read as ASCII it shows as codes among Latin letters.
    // Most pages hold no escape at all, which one search tells.
    const std::size_t escape = bytes.find('\x1B');
    std::string out;
    if (escape != std::string_view::npos &&
        (bytes.find("\x1B$B", escape) != std::string_view::npos ||
         bytes.find("\x1B$@", escape) != std::string_view::npos) &&
        std::none_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }) &&
        decodeWithIconv(bytes, "ISO-2022-JP", out))
      return {std::move(out), "ISO-2022-JP"};
    return {std::string(bytes), "UTF-8"};
  }
  // Nothing says: guess from the bytes, as browsers do, before falling back to windows-1252.
  // A few accented letters are too little to tell one single-byte encoding from another.
  constexpr std::ptrdiff_t enoughEvidence = 16;
  const auto high =
      std::count_if(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  const std::string guessed = high >= enoughEvidence ? guessEncoding(bytes) : std::string();
  if (!guessed.empty() && guessed != "UTF-8" && guessed != "windows-1252") {
    std::string out;
    if (decodeWithIconv(bytes, guessed, out))
      return {std::move(out), guessed};
  }
  return {decodeWindows1252(bytes), "windows-1252"};
}

std::string guessEncoding(std::string_view bytes) {
  // The start of a page says enough, and a detector's cost grows with what it reads.
  constexpr std::size_t sample = std::size_t(1) << 20;
  std::unique_ptr<std::remove_pointer_t<uchardet_t>, decltype(&uchardet_delete)> detector(uchardet_new(),
                                                                                          uchardet_delete);
  if (!detector)
    return {};
  const std::string_view head = bytes.substr(0, sample);
  if (uchardet_handle_data(detector.get(), head.data(), head.size()) != 0)
    return {};
  uchardet_data_end(detector.get());
  const std::string name = uchardet_get_charset(detector.get()) ? uchardet_get_charset(detector.get()) : "";
  if (name.empty())
    return {};
  // The detector's own names are iconv's ("MAC-CYRILLIC", "EUC-TW"); "UHC" is Korean.
  const std::string known = canonicalEncoding(name == "UHC" ? "euc-kr" : name);
  return known.empty() ? name : windowsFormOf(known, bytes);
}

} // namespace tavro::html
