// The three passes on real-world pages from the shared corpus: whatever the page, each pass
// succeeds and hands on well-formed XML, and the document a pass hands on without writing it
// out is the one its text reads back as.

#include "tests/resources/stylesheets.h"
#include "tests/support/testsupport.h"

#include "platform/html/charset.h"
#include "platform/html/htmltoxml.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <filesystem>
#include <vector>

using namespace tavro;
namespace stdfs = std::filesystem;

namespace {

/// Parses a pass's output; a failure names the pass and the file. Each pass may add a level or
/// two to a page nested as deep as the HTML model allows, so the check is for well-formedness
/// alone, without the depth limit that documents from outside meet.
xml::XmlDocument wellFormed(const std::string& text, const char* pass, const stdfs::path& file) {
  xmlDocPtr doc = xmlReadMemory(text.data(), int(text.size()), nullptr, nullptr,
                                XML_PARSE_NONET | XML_PARSE_HUGE | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  EXPECT_NE(doc, nullptr) << pass << " on " << file.filename() << " gives text that is not well-formed";
  return xml::XmlDocument(doc);
}

} // namespace

TEST(CorpusPages, EveryPageGoesThroughAllThreePasses) {
  const auto pages = test::corpusPages();
  if (pages.empty())
    GTEST_SKIP() << "the shared corpus is not here";
  xml::XslTemplate import = test::embeddedStylesheet("HTMLIMPORT");
  xml::XslTemplate tidy = test::embeddedStylesheet("TIDYWML");
  xml::XslTemplate exportSheet = test::embeddedStylesheet("WMLEXPORT");
  for (const auto& page : pages) {
    SCOPED_TRACE(page.filename().string());
    xml::XmlDocument source = html::htmlToXml(html::decodePage(test::readFile(page)).text);
    if (source.empty())
      continue;
    auto wml = import.transformToString(source);
    ASSERT_TRUE(wml) << import.lastError();
    test::expectTransformReadsBack(import, source, "HTMLIMPORT");
    xml::XmlDocument deck = wellFormed(*wml, "HTMLIMPORT", page);
    test::expectTransformReadsBack(tidy, deck, "TIDYWML");
    auto tidied = tidy.transformToString(deck);
    ASSERT_TRUE(tidied) << tidy.lastError();
    xml::XmlDocument tidyDeck = wellFormed(*tidied, "TIDYWML", page);
    EXPECT_TRUE(tidyDeck.selectNodes("/wml/card/*[not(self::p)]").empty());
    auto preview = exportSheet.transformToString(tidyDeck);
    ASSERT_TRUE(preview) << exportSheet.lastError();
    wellFormed(*preview, "WMLEXPORT", page);
  }
}
