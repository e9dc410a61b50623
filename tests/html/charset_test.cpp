// Decoding pages to UTF-8: byte-order marks, meta charsets, and the fallback.

#include "platform/html/charset.h"

#include <gtest/gtest.h>

using namespace tavro::html;

TEST(Charset, AByteOrderMarkThenAMetaCharsetThenTheBytesNameTheEncoding) {
  const struct {
    const char* what;
    std::string bytes;
    const char* encoding;
    std::string text; // the whole decoded text, or a part of it when part is set
    bool part;
  } cases[] = {
      {"a UTF-8 mark wins over the meta", "\xEF\xBB\xBF<meta charset=koi8-r>caf\xC3\xA9", "UTF-8",
       "<meta charset=koi8-r>caf\xC3\xA9", false},
      {"UTF-16LE with surrogate pairs up to the last code point",
       std::string("\xFF\xFE"
                   "a\0\xE9\0\x3D\xD8\x00\xDE\xFF\xDB\xFF\xDF",
                   14),
       "UTF-16LE", "a\xC3\xA9\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", false},
      {"UTF-16BE ending in an unpaired surrogate", std::string("\xFE\xFF\0a\xD8\x00", 6), "UTF-16BE", "a\xEF\xBF\xBD",
       false},
      {"http-equiv content type, after an old Mac line end",
       "<html><head><meta http-equiv=\"Content-Type\"\rcontent=\"text/html; charset=iso-8859-7\"></head>"
       "<body>\xE1\xE2\xE3</body>",
       "ISO-8859-7", "\xCE\xB1\xCE\xB2\xCE\xB3", true},
      {"meta charset", "<meta charset='KOI8-R'><p>\xF0\xD2\xC9", "KOI8-R", "\xD0\x9F\xD1\x80\xD0\xB8", true},
      {"a quoted charset after a word that only starts with charset",
       "<meta http-equiv=content-type content=\"text/html; charsets; charset='koi8-r'\"><p>\xF0", "KOI8-R",
       "<p>\xD0\x9F", true},
      {"EUC-KR pages read as its superset, which has more syllables", "<meta charset=euc-kr><p>\xC7\xD1\x8C\x63",
       "EUC-KR", "<p>\xED\x95\x9C\xEB\x98\xA0", true},
      {"an ISO label without its dashes", "<meta charset=iso88592><p>\xB1", "ISO-8859-2", "\xC4\x85", true},
      {"Latin-1 labels mean windows-1252, whose 0x80..0x9F are printable", "<meta charset=iso-8859-1>\x93q\x94 \xE9",
       "windows-1252", "\xE2\x80\x9Cq\xE2\x80\x9D \xC3\xA9", true},
      {"a meta inside a comment does not count", "<!-- <meta charset=koi8-r> --><p>caf\xC3\xA9", "UTF-8", "caf\xC3\xA9",
       true},
      {"a meta's attributes end at its >", "<meta x><p> charset=koi8-r caf\xC3\xA9", "UTF-8", "caf\xC3\xA9", true},
      {"nor one no decoder knows", "<meta charset=no-such-thing><p>caf\xC3\xA9", "UTF-8", "caf\xC3\xA9", true},
      {"a page naming UTF-16 but readable as bytes", "<meta charset=utf-16><p>x", "UTF-8", "<p>x", true},
      // Without a mark, markup in a wide form shows itself by the zero bytes beside "<".
      {"UTF-16LE without a mark", std::string("\n\0<\0p\0>\0\xE9\0\x3D\xD8\x00\xDE", 14), "UTF-16LE",
       "\n<p>\xC3\xA9\xF0\x9F\x98\x80", false},
      {"UTF-16BE without a mark", std::string("\0<\0p\0>\0x", 8), "UTF-16BE", "<p>x", false},
      {"UTF-32LE without a mark", std::string("<\0\0\0p\0\0\0\x00\xF6\x01\0", 12), "UTF-32LE", "<p\xF0\x9F\x98\x80",
       false},
      {"UTF-32BE without a mark", std::string("\0\0\0 \0\0\0<\0\0\0p", 12), "UTF-32BE", " <p", false},
      {"undeclared valid UTF-8 stays", "<p>na\xC3\xAFve \xE2\x82\xAC</p>", "UTF-8", "<p>na\xC3\xAFve \xE2\x82\xAC</p>",
       false},
      {"seven-bit Japanese switches its set with escapes", "<p>\x1B$BF|K\\\x1B(B Tokyo</p>", "ISO-2022-JP",
       "<p>\xE6\x97\xA5\xE6\x9C\xAC Tokyo</p>", false},
      // A lead byte followed by one that cannot trail it, and broken UTF-8, give replacement characters.
      {"a broken Shift_JIS pair", "<meta charset=shift_jis>\x82\x20ok \x82\xA0", "Shift_JIS",
       "<meta charset=shift_jis>\xEF\xBF\xBD ok \xE3\x81\x82", false},
      {"broken UTF-8",
       "<meta charset=utf-8>a\xFF"
       "b\xE2\x82"
       "c",
       "UTF-8",
       "<meta charset=utf-8>a\xEF\xBF\xBD"
       "b\xEF\xBF\xBD"
       "c",
       false},
      {"anything else undeclared is windows-1252", "<p>na\xEFve \x80 \x81</p>", "windows-1252",
       "<p>na\xC3\xAFve \xE2\x82\xAC \xC2\x81</p>", false},
  };
  for (const auto& c : cases) {
    auto page = decodePage(c.bytes);
    EXPECT_EQ(page.encoding, c.encoding) << c.what;
    if (c.part)
      EXPECT_NE(page.text.find(c.text), std::string::npos) << c.what << ": " << page.text;
    else
      EXPECT_EQ(page.text, c.text) << c.what;
  }
}

TEST(Charset, WithoutADeclarationALegacyEncodingIsGuessedFromTheBytes) {
  // Natural text in each encoding, with no label anywhere.
  const struct {
    const char* encoding;
    const char* bytes;
    const char* word; // a word of the text, in UTF-8
  } cases[] = {
      {"KOI8-R",
       "<html><body><p>\xF0\xD2\xC9\xD7\xC5\xD4, \xCD\xC9\xD2! \xFC\xD4\xCF \xD0\xD2\xCF\xD7\xC5\xD2\xCB\xC1 "
       "\xCB\xCF\xC4\xC9\xD2\xCF\xD7\xCB\xC9 \xD3\xD4\xD2\xC1\xCE\xC9\xC3\xD9, "
       "\xCE\xC1\xD0\xC9\xD3\xC1\xCE\xCE\xCF\xCA \xD0\xCF-\xD2\xD5\xD3\xD3\xCB\xC9. \xED\xCF\xD3\xCB\xD7\xC1 - "
       "\xD3\xD4\xCF\xCC\xC9\xC3\xC1 \xF2\xCF\xD3\xD3\xC9\xC9.</p></body></html>",
       "Москва"},
      {"windows-1251",
       "<html><body><p>\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0! \xDD\xF2\xEE \xEF\xF0\xEE\xE2\xE5\xF0\xEA\xE0 "
       "\xEA\xEE\xE4\xE8\xF0\xEE\xE2\xEA\xE8 \xF1\xF2\xF0\xE0\xED\xE8\xF6\xFB, "
       "\xED\xE0\xEF\xE8\xF1\xE0\xED\xED\xEE\xE9 \xEF\xEE-\xF0\xF3\xF1\xF1\xEA\xE8. \xCC\xEE\xF1\xEA\xE2\xE0 - "
       "\xF1\xF2\xEE\xEB\xE8\xF6\xE0 \xD0\xEE\xF1\xF1\xE8\xE8.</p></body></html>",
       "Москва"},
      {"Shift_JIS",
       "<html><body><p>\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\x90\xA2\x8A"
       "E\x81"
       "B\x82\xB1\x82\xEA\x82\xCD\x93\xFA\x96{\x8C\xEA\x82\xCC\x83y\x81[\x83W\x82\xCC\x95\xB6\x8E\x9A\x83R\x81["
       "\x83h\x82\xF0\x8Am\x82\xA9\x82\xDF\x82\xE9\x82\xBD\x82\xDF\x82\xCC\x95\xB6\x8F\xCD\x82\xC5\x82\xB7\x81"
       "B\x93\x8C\x8B\x9E\x82\xCD\x93\xFA\x96{\x82\xCC\x8E\xF1\x93s\x82\xC5\x82\xB7\x81"
       "B</p></body></html>",
       "東京"},
      {"Big5",
       "<html><body><p>\xA7"
       "A\xA6n\xA1"
       "A\xA5@\xAC\xC9\xA1"
       "C\xB3o\xACO\xA4@\xAD\xD3\xA5\xCE\xA8\xD3\xC0\xCB\xAC"
       "d\xBA\xF4\xAD\xB6\xBDs\xBDX\xAA\xBA\xA4\xA4\xA4\xE5\xA5y\xA4l\xA1"
       "C\xBBO\xA5_\xACO\xBBO\xC6W\xB3\xCC\xA4j\xAA\xBA\xAB\xB0\xA5\xAB\xA4\xA7\xA4@\xA1"
       "C</p></body></html>",
       "臺北"},
      // Czech in ISO-8859-2, whose letters all stand above 0x9F, stays ISO-8859-2; Romanian,
      // which the detector names ISO-8859-16, shows its code page by its quotation marks.
      {"ISO-8859-2",
       "<html><body><p>P\xF8\xEDli\xB9 \xBElu\xBBou\xE8k\xFD k\xF9\xF2 \xFAp\xECl \xEF\xE1"
       "belsk\xE9 \xF3"
       "dy. \xC8"
       "esk\xE1 republika je vnitrozemsk\xFD st\xE1t ve st\xF8"
       "edn\xED Evrop\xEC.</p></body></html>",
       "\xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD"},
      {"windows-1250",
       "<html><body><p>Pre\xBA"
       "edintele Rom\xE2niei a declarat c\xE3 \x84\xFE"
       "ara are nevoie de reforme\x94. \xAA"
       "eful statului a spus c\xE3 pre\xBA"
       "edin\xFEia \xBAi guvernul vor colabora pentru combaterea corup\xFEiei. Rata \xBAomajului a sc\xE3zut la "
       "5,4\x89 \xEEn \xFE"
       "ar\xE3.</p></body></html>",
       "\xE2\x80\x9E\xC5\xA3"
       "ara are nevoie de reforme\xE2\x80\x9D"},
  };
  for (const auto& c : cases) {
    auto page = decodePage(c.bytes);
    EXPECT_EQ(page.encoding, c.encoding);
    EXPECT_NE(page.text.find(c.word), std::string::npos) << c.encoding << ": " << page.text;
  }
}
