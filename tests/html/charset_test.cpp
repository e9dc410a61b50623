// Decoding pages to UTF-8: byte-order marks, meta charsets, and the fallback.

#include "platform/html/charset.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

using namespace tavro::html;

TEST(Charset, ByteOrderMarkDecidesFirst) {
  auto utf8 = decodePage("\xEF\xBB\xBF<meta charset=koi8-r>caf\xC3\xA9");
  EXPECT_EQ(utf8.encoding, "UTF-8");
  EXPECT_EQ(utf8.text, "<meta charset=koi8-r>caf\xC3\xA9");

  auto le = decodePage(std::string("\xFF\xFE" "a\0\xE9\0\x3D\xD8\x00\xDE", 10));
  EXPECT_EQ(le.encoding, "UTF-16LE");
  EXPECT_EQ(le.text, "a\xC3\xA9\xF0\x9F\x98\x80");

  auto be = decodePage(std::string("\xFE\xFF\0a\xD8\x00", 6)); // an unpaired surrogate at the end
  EXPECT_EQ(be.encoding, "UTF-16BE");
  EXPECT_EQ(be.text, "a\xEF\xBF\xBD");
}

TEST(Charset, MetaCharsetNamesTheEncoding) {
  auto greek = decodePage("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-7\">"
                          "</head><body>\xE1\xE2\xE3</body>");
  EXPECT_EQ(greek.encoding, "ISO-8859-7");
  EXPECT_NE(greek.text.find("\xCE\xB1\xCE\xB2\xCE\xB3"), std::string::npos); // alpha beta gamma

  auto koi = decodePage("<meta charset='KOI8-R'><p>\xF0\xD2\xC9");
  EXPECT_EQ(koi.encoding, "KOI8-R");
  EXPECT_NE(koi.text.find("\xD0\x9F\xD1\x80\xD0\xB8"), std::string::npos);

  // Latin-1 labels mean windows-1252, whose 0x80..0x9F are printable.
  auto latin = decodePage("<meta charset=iso-8859-1>\x93q\x94 \xE9");
  EXPECT_EQ(latin.encoding, "windows-1252");
  EXPECT_NE(latin.text.find("\xE2\x80\x9Cq\xE2\x80\x9D \xC3\xA9"), std::string::npos);

  // A meta charset inside a comment, or one no decoder knows, does not count.
  EXPECT_EQ(decodePage("<!-- <meta charset=koi8-r> --><p>caf\xC3\xA9").encoding, "UTF-8");
  EXPECT_EQ(decodePage("<meta charset=no-such-thing><p>caf\xC3\xA9").encoding, "UTF-8");
  // A page that names UTF-16 but was readable as bytes is UTF-8.
  EXPECT_EQ(decodePage("<meta charset=utf-16><p>x").encoding, "UTF-8");
}

TEST(Charset, WithoutADeclarationValidUtf8StaysAndAnythingElseIsWindows1252) {
  auto utf8 = decodePage("<p>na\xC3\xAFve \xE2\x82\xAC</p>");
  EXPECT_EQ(utf8.encoding, "UTF-8");
  EXPECT_EQ(utf8.text, "<p>na\xC3\xAFve \xE2\x82\xAC</p>");

  auto cp1252 = decodePage("<p>na\xEFve \x80 \x81</p>");
  EXPECT_EQ(cp1252.encoding, "windows-1252");
  EXPECT_EQ(cp1252.text, "<p>na\xC3\xAFve \xE2\x82\xAC \xC2\x81</p>");
}

TEST(Charset, UndecodableBytesBecomeReplacementCharacters) {
  // Shift_JIS: a lead byte followed by a byte that cannot trail it, then valid text.
  auto sjis = decodePage("<meta charset=shift_jis>\x82\x20ok \x82\xA0");
  EXPECT_EQ(sjis.encoding, "Shift_JIS");
  EXPECT_NE(sjis.text.find("\xEF\xBF\xBD"), std::string::npos);
  EXPECT_NE(sjis.text.find("ok \xE3\x81\x82"), std::string::npos); // hiragana a

  auto broken = decodePage("<meta charset=utf-8>a\xFF" "b\xE2\x82" "c");
  EXPECT_EQ(broken.text, "<meta charset=utf-8>a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c");
}

TEST(Charset, CorpusPagesDecodeAsTheySay) {
  auto corpus = tavro::test::corpusDir();
  if (corpus.empty())
    GTEST_SKIP() << "no corpus";
  auto html = corpus / "html";
  auto greek = decodePage(tavro::test::readFile(html / "w3c-1574-greek-iso8859-7.html"));
  EXPECT_EQ(greek.encoding, "ISO-8859-7");
  EXPECT_TRUE(isValidUtf8(greek.text));
  auto latin = decodePage(tavro::test::readFile(html / "w3c-4520-latin1-no-meta.html"));
  EXPECT_EQ(latin.encoding, "windows-1252");
  auto word = decodePage(tavro::test::readFile(html / "tidy-1067112-word2000-windows1252.html"));
  EXPECT_EQ(word.encoding, "windows-1252");
  EXPECT_TRUE(isValidUtf8(word.text));
}
