// Classification against the catalogue, the name lists, the report pages and table pruning.

#include "tests/conversion/importfixture.h"

using namespace tavro;
using conversion::ImportEngine;
using conversion::NameList;

namespace {

using Classify = test::ImportFixture;

std::vector<std::string> childTags(const html::Element& e) {
  std::vector<std::string> out;
  for (const auto& n : e.childNodes())
    out.push_back(n->isElement() ? static_cast<html::Element&>(*n).tagName() : "#text");
  return out;
}

} // namespace

// The analysis log has a section, four names a row, for each list that is not empty, and a
// line break after the removed elements.
TEST_F(Classify, ListsFollowTheCatalogueOrderAndTheAnalysisLogShowsEachThatIsNotEmpty) {
  openMarkup("order.html", "<body><ul><li>x</li></ul><h4>h</h4><code>c</code><span>s</span><iframe></iframe>"
                           "<p><b>b</b><a href='x.html'>l</a></p></body>");
  ASSERT_EQ(engine->ConvertSource(), conversion::StepResult::Done);
  EXPECT_EQ(engine->m_colTransformed, (std::vector<std::string>{"em", "br", "a", "small", "b"}));
  EXPECT_EQ(engine->m_colMapped, (std::vector<std::string>{"code", "h4", "ul", "li"}));
  EXPECT_EQ(engine->m_colRemoved, (std::vector<std::string>{"span", "iframe"}));

  auto body = browser.Document()->body();
  EXPECT_EQ(childTags(*body), (std::vector<std::string>{"B", "P", "HR", "B", "#text", "TABLE", "HR", "B", "#text",
                                                        "TABLE", "HR", "B", "#text", "TABLE", "BR"}));
  auto bold = body->getElementsByTagName("B");
  EXPECT_EQ(bold[0]->innerText(), "Analysis Log");
  EXPECT_EQ(body->getElementsByTagName("P")[0]->innerText(),
            "The import wizard has successfully converted your HTML content into a skeleton WML representation. "
            "Click Next to proceed.");
  const std::pair<const char*, const char*> sections[] = {
      {"Transformed Elements", " - These elements have been transformed into a WML representation. "
                               "These elements can be removed during the Fine Tune process."},
      {"Mapped Elements", " - The HTML elements listed below do not have a direct mapping in WML. As a result, "
                          "these elements have been mapped to the nearest WML representation."},
      {"Removed Elements", " - These are elements which were removed from the content during the import process "
                           "because they are not represented in WML."}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(bold[i + 1]->innerText(), sections[i].first);
    EXPECT_EQ(body->childNodes()[4 + 4 * i]->data(), sections[i].second);
  }
  auto tables = body->getElementsByTagName("TABLE");
  ASSERT_EQ(tables[0]->rows().size(), 2u);
  EXPECT_EQ(tables[0]->rows()[0]->cells().size(), 4u);
  EXPECT_EQ(tables[0]->rows()[1]->cells().size(), 1u);
  EXPECT_EQ(tables[0]->rows()[1]->cells()[0]->innerText(), "b");
  EXPECT_EQ(tables[1]->rows().size(), 1u);

  engine->m_colTransformed.clear();
  engine->m_colRemoved.clear();
  engine->ShowAnalysisPage();
  EXPECT_EQ(childTags(*browser.Document()->body()), (std::vector<std::string>{"B", "P", "HR", "B", "#text", "TABLE"}));
}

TEST_F(Classify, FramesPageOffersOneRadioButtonPerFrameAndRecordsTheChoice) {
  open(page("frameset.html"));
  auto frames = browser.Document()->getElementsByTagName("FRAME");
  ASSERT_EQ(frames.size(), 2u);
  engine->ShowFramesPage(frames);
  taming.state().framesShown = true;

  auto doc = browser.Document();
  EXPECT_EQ(doc->url(), "about:blank");
  EXPECT_EQ(doc->getElementsByTagName("P")[0]->innerText(),
            "The HTML document that is being imported contains frames. Please select a specific frame to import from "
            "the list below. After a file has been selected click Next to proceed with the import.");
  auto rows = doc->getElementsByTagName("TABLE")[0]->rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]->cells()[0]->innerText(), "menu.html");
  auto radios = doc->getElementsByTagName("INPUT");
  ASSERT_EQ(radios.size(), 2u);
  EXPECT_EQ(radios[1]->attribute("id"), "main.html");
  EXPECT_EQ(radios[1]->attribute("type"), "radio");
  EXPECT_NE(radios[1]->onclick(), nullptr);

  EXPECT_TRUE(doc->dispatchClick(radios[1]));
  EXPECT_EQ(taming.state().frameSource, "main.html");
  EXPECT_TRUE(doc->dispatchClick(radios[0]));
  EXPECT_EQ(taming.state().frameSource, "menu.html");
  EXPECT_TRUE(doc->dispatchClick(doc->body())); // elsewhere: the choice stays
  EXPECT_EQ(taming.state().frameSource, "menu.html");
}

TEST(NameLists, MoveListItemsMovesTheSelectionInListOrder) {
  NameList from, to;
  for (const char* n : {"a", "b", "c"})
    from.AddItem(n);
  to.AddItem("z");
  ImportEngine::MoveListItems(from, to, true); // nothing selected: nothing happens
  EXPECT_EQ(from.items().size(), 3u);
  EXPECT_EQ(to.items().size(), 1u);
  from.setSelected(0, true);
  from.setSelected(2, true);
  ImportEngine::MoveListItems(from, to, true);
  EXPECT_EQ(from.items(), (std::vector<std::string>{"b"}));
  EXPECT_EQ(to.items(), (std::vector<std::string>{"z", "a", "c"}));
  EXPECT_EQ(to.ListIndex(), 2);
  EXPECT_TRUE(to.Selected(2));
  EXPECT_FALSE(to.Selected(1));
}

TEST(NormaliseTables, PrunesRowsWithoutCellsThenTablesWithoutRows) {
  auto run = [](const std::string& text) {
    xml::XmlDocument doc;
    EXPECT_TRUE(doc.loadXML(text));
    ImportEngine::NormaliseTables(doc);
    return doc.xml();
  };
  EXPECT_EQ(run("<card><table><tr/></table><p>x</p></card>"), "<card><p>x</p></card>");
  EXPECT_EQ(run("<card><table><tr><td>1</td></tr><tr>text</tr></table></card>"),
            "<card><table><tr><td>1</td></tr></table></card>");
  EXPECT_EQ(run("<card><p>no tables</p></card>"), "<card><p>no tables</p></card>");
  // Only direct td children count, and nested tables are judged on their own.
  EXPECT_EQ(run("<card><table><tr><td><table><tr><th/></tr></table></td></tr></table></card>"),
            "<card><table><tr><td/></tr></table></card>");
  EXPECT_EQ(run("<card><table><tr><th><table><tr><td>in</td></tr></table></th></tr></table></card>"), "<card/>");
}
