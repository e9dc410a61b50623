// The page body as XML, taken straight from the document model, is the document its markup
// gives: the import converts the model directly rather than writing and reparsing it.

#include "conversion/htmltoxmldocument.h"
#include "conversion/importengine.h"
#include "htmlimport/browsertaming.h"
#include "platform/html/browser.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tavro;
namespace stdfs = std::filesystem;

namespace {
// The sample pages and the corpus's.
std::vector<stdfs::path> pages() {
  std::vector<stdfs::path> out;
  for (auto& e : stdfs::directory_iterator(test::sourceDir() / "samples" / "pages"))
    if (e.path().extension() == ".html")
      out.push_back(e.path());
  for (auto& page : test::corpusPages())
    out.push_back(page);
  return out;
}
} // namespace

// The import reads the body, and then the shown preview, back from the browser's model rather
// than parsing their markup again: both ways give one document.
TEST(BodyXml, TheModelGivesTheDocumentItsMarkupGives) {
  const auto pages = ::pages();
  ASSERT_GT(pages.size(), 3u);
  for (const auto& page : pages) {
    SCOPED_TRACE(page.string());
    html::Browser browser;
    htmlimport::BrowserTaming taming(browser);
    ASSERT_TRUE(browser.Navigate(page.string()));
    auto body = browser.Document()->body();
    if (!body->is("body"))
      continue; // a frameset is never converted: its frames are
    body->clearAttributes();
    EXPECT_EQ(conversion::BodyToXmlDocument(*body).value_or(xml::XmlDocument()).xml(),
              conversion::HtmlToXmlDocument(body->innerHTML()).value_or(xml::XmlDocument()).xml());
    conversion::ImportEngine engine(browser, host::HostProjectRef());
    engine.LoadConversionResources();
    ui::ScopedScriptedUi ui;
    if (engine.ConvertSource() != conversion::StepResult::Done)
      continue;
    ASSERT_EQ(engine.BuildPreview(), conversion::StepResult::Done);
    EXPECT_EQ(conversion::BodyToXmlDocument(*browser.Document()->body()).value_or(xml::XmlDocument()).xml(),
              conversion::HtmlToXmlDocument(engine.m_html.Preview).value_or(xml::XmlDocument()).xml());
  }
}
