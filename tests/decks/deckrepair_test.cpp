// Making decks valid WML 1.1: each structure the conversion can leave, mended as a reader of
// the page would want it, and checked against the WML 1.1 definition when the corpus has it.

#include "decks/deckrepair.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace tavro;

namespace {

std::string card(const std::string& content) { return "<wml><card>" + content + "</card></wml>"; }

// The card's content after the repair; with placed, every id mark is placed and its id added.
std::string repaired(const std::string& content, std::set<std::string>* placed = nullptr) {
  xml::XmlDocument deck;
  deck.setPreserveWhiteSpace(true);
  EXPECT_TRUE(deck.loadXML(card(content))) << content;
  decks::makeValid(deck, nullptr, placed);
  const std::string text = deck.xml();
  EXPECT_EQ(test::wmlFault(decks::deckText(deck)), "") << text;
  const std::string open = "<wml><card>", close = "</card></wml>";
  if (text == "<wml><card/></wml>")
    return "";
  if (text.rfind(open, 0) != 0 || text.size() < open.size() + close.size())
    return text;
  return text.substr(open.size(), text.size() - open.size() - close.size());
}

// Each card content, repaired, is the content beside it (with every id mark placed when
// placingEveryMark).
void expectRepaired(std::initializer_list<std::pair<const char*, const char*>> cases, bool placingEveryMark = false) {
  for (const auto& [in, out] : cases) {
    std::set<std::string> placed;
    EXPECT_EQ(repaired(in, placingEveryMark ? &placed : nullptr), out) << in;
  }
}

} // namespace

TEST(DeckRepair, ElementsThatCannotStandWhereTheyAreGiveWayOrMoveOut) {
  expectRepaired({
      // A paragraph inside a paragraph goes on in it from a new line.
      {"<p>one<p>two</p>three</p>", "<p>one<br/>two<br/>three</p>"},
      // A field inside formatting or a link moves out; the formatting is split around it.
      {"<p><b>Name <input name=\"q\"/> here</b></p>", "<p><b>Name </b><input name=\"q\"/><b> here</b></p>"},
      {"<p><a href=\"x\">go<select><option>o</option></select></a></p>",
       "<p><a href=\"x\">go</a><select><option>o</option></select></p>"},
      // A table in formatting moves out too, and gets a paragraph of its own.
      {"<p>a<b>b<table columns=\"1\"><tr><td>c</td></tr></table></b>d</p>",
       "<p>a<b>b</b></p><p><table columns=\"1\"><tr><td>c</td></tr></table></p><p>d</p>"},
      // The table's own paragraph is not aligned: the page's table never stood in the paragraph.
      {"<p align=\"left\">a<table columns=\"1\"><tr><td>c</td></tr></table>d</p>",
       "<p align=\"left\">a</p><p><table columns=\"1\"><tr><td>c</td></tr></table></p><p align=\"left\">d</p>"},
      // Options without their list become lines of text; an empty list goes.
      {"<p>x<option>one</option><option>two</option><select/></p>", "<p>x<br/>one<br/>two</p>"},
      // Text where WML has none: into a cell in a row, gone in a list; blank text goes.
      {"<p><table columns=\"1\"><tr>loose<td>c</td> </tr></table></p>",
       "<p><table columns=\"2\"><tr><td>loose</td><td>c</td></tr></table></p>"},
      {"<p><select>text<option>o</option></select></p>", "<p><select><option>o</option></select></p>"},
      // Elements WML does not have give way to their content.
      {"<p><span>in <font>font</font></span><tbody>t</tbody></p>", "<p>in fontt</p>"},
      // A picture that cannot be shown gives its alternative text.
      {"<p><select><option>a<img alt=\"pic\" src=\"p.wbmp\"/></option></select></p>",
       "<p><select><option>apic</option></select></p>"},
  });
}

TEST(DeckRepair, RequiredPartsAreSuppliedOrTheElementGivesWay) {
  expectRepaired({
      {"<p><a>no target</a> <a href=\"\">empty</a></p>", "<p>no target <a href=\"\">empty</a></p>"},
      {"<p><img alt=\"logo\"/> <img src=\"s.wbmp\"/> <img/></p>", "<p>logo <img alt=\"s.wbmp\" src=\"s.wbmp\"/></p>"},
      {"<p><input type=\"TEXT\"/></p>", "<p><input name=\"field\" type=\"text\"/></p>"},
      // The column count is what the widest row needs; rows without cells and tables without
      // rows go.
      {"<p><table columns=\"\"><tr><td>a</td><td>b</td><td>c</td></tr><tr/></table><table columns=\"1\"/></p>",
       "<p><table columns=\"3\"><tr><td>a</td><td>b</td><td>c</td></tr></table></p>"},
      {"<p><select multiple=\"false\"><optgroup/></select>kept</p>", "<p>kept</p>"},
      // A do holds one task: the first.
      {"<p><do type=\"accept\"><go href=\"#c\"/><prev/></do>x</p>",
       "<p><do type=\"accept\"><go href=\"#c\"/></do>x</p>"},
      // Paragraphs with nothing to show go.
      {"<p> </p><p><!--c--></p><p>x</p><p/><p><br/> <br/></p>", "<p>x</p>"},
  });
}

TEST(DeckRepair, AttributesAndIdsAreMendedWhereTheirMeaningIsClearAndDroppedElsewhere) {
  expectRepaired({
      {"<p lang=\"en-GB\" align=\"CENTER\" style=\"x\">a</p>", "<p align=\"center\" xml:lang=\"en-GB\">a</p>"},
      {"<p align=\"justify\" mode=\"NoWrap\" lang=\"not a tag\">a</p>", "<p mode=\"nowrap\">a</p>"},
      {"<p><img alt=\"a\" src=\"s\" align=\"Middle\" border=\"0\" width=\"10\"/></p>",
       "<p><img alt=\"a\" src=\"s\" align=\"middle\" width=\"10\"/></p>"},
      {"<p><input name=\"first name\" size=\"big\" maxlength=\" 8 \" emptyok=\"TRUE\"/></p>",
       "<p><input name=\"first_name\" emptyok=\"true\" maxlength=\"8\"/></p>"},
      {"<p><select multiple=\"multiple\" tabindex=\"2\"><option value=\"v\" "
       "selected=\"selected\">o</option></select></p>",
       "<p><select tabindex=\"2\"><option value=\"v\">o</option></select></p>"},
      // A paragraph without a wrap mode takes the one before it: after "nowrap" it says "wrap".
      {"<p mode=\"nowrap\">a</p><p>b</p><p>c</p>", "<p mode=\"nowrap\">a</p><p mode=\"wrap\">b</p><p>c</p>"},
      // Namespaces, which WML does not have, go with what declared them.
      {"<p xmlns:t=\"urn:x\" t:k=\"v\"><t:text>held</t:text></p>", "<p>held</p>"},
      // Ids become unique names, and the deck's links follow them.
      {"<p id=\"1st\"><a href=\"#1st\">one</a><b id=\"z:a9\">x</b><i id=\"dup\">y</i><u id=\"dup\">z</u>"
       "<a href=\"#z:a9\">two</a><a href=\"#dup\">three</a><a href=\"other.wml#1st\">out</a></p>",
       "<p id=\"id1st\"><a href=\"#id1st\">one</a><b id=\"z_a9\">x</b><i id=\"dup\">y</i><u id=\"dup-2\">z</u>"
       "<a href=\"#z_a9\">two</a><a href=\"#dup\">three</a><a href=\"other.wml#1st\">out</a></p>"},
  });
}

TEST(DeckRepair, BreakMarksBecomeLineBreaksOnlyBetweenText) {
  expectRepaired({
      {"<p>a<?break?><?break?>b</p>", "<p>a<br/>b</p>"},
      {"<p><?break?>a<?break?></p><p><?break?></p>", "<p>a</p>"},
      {"<p>a<br/><?break?>b<?break?><br/>c</p>", "<p>a<br/>b<br/>c</p>"},
      {"<p>a<b><?break?>b</b></p>", "<p>a<b><br/>b</b></p>"},
      {"<p><table columns=\"1\"><tr><td>x<?break?>y</td><td><?break?>z</td></tr></table></p>",
       "<p><table columns=\"2\"><tr><td>x<br/>y</td><td>z</td></tr></table></p>"},
  });
}

// Where the page had a target that left no element, the deck keeps an element with its id at
// that place, so links to it still land there.
TEST(DeckRepair, IdMarksGiveTheirIdToTheElementThatStartsThere) {
  expectRepaired(
      {
          // The next element, over white space and other marks; one with an id of its own, or given
          // one by the mark before, is passed.
          {"<p>a<?id x?> <?id y?><b>b</b></p>", "<p>a <em id=\"y\"/><b id=\"x\">b</b></p>"},
          {"<p>a<?id x?><b id=\"y\">b</b></p>", "<p>a<em id=\"x\"/><b id=\"y\">b</b></p>"},
          {"<p><b>a</b><?id x?>b</p>", "<p><b>a</b><em id=\"x\"/>b</p>"},
          // The paragraph, cell or formatting that the mark opens.
          {"<p> <?id x?>text</p>", "<p id=\"x\">text</p>"},
          {"<p><i><?id x?>text</i></p>", "<p><i id=\"x\">text</i></p>"},
          {"<p><table columns=\"1\"><tr><?id x?><td>c</td></tr></table></p>",
           "<p><table columns=\"1\"><tr><td id=\"x\">c</td></tr></table></p>"},
          // The line break that ends the line before; else an empty em where text goes on.
          {"<p>a<?break?><?id x?>b</p>", "<p>a<br id=\"x\"/>b</p>"},
          {"<p>a <?id x?>b</p>", "<p>a <em id=\"x\"/>b</p>"},
          // At the end of a paragraph the white space before the mark still goes.
          {"<p>a<br/> <?id x?> </p>", "<p>a<br id=\"x\"/></p>"},
          // An id the deck has already stays where it is; where nothing can hold it, it goes.
          {"<p id=\"x\">a <?id x?>b</p>", "<p id=\"x\">a b</p>"},
          {"<p><a href=\"u\">a<?id x?>b</a></p>", "<p><a href=\"u\">ab</a></p>"},
          // A paragraph that shows nothing passes its marks on to the next one, or the one before.
          {"<p><?break?><?id x?></p><p mode=\"nowrap\">code</p>", "<p mode=\"nowrap\" id=\"x\">code</p>"},
          {"<p>end</p><p><?id x?> </p>", "<p>end<em id=\"x\"/></p>"},
          {"<p><?id x?></p>", ""},
      },
      true);
  // Without a link of the deck to it, a mark's id is not placed: it would only cost bytes. The
  // id is made a name like any other, and the deck's links follow it.
  EXPECT_EQ(repaired("<p><a href=\"#r.1 a\">to</a> and <?id r.1 a?>here<?id layout?>.</p>"),
            "<p><a href=\"#r.1_a\">to</a> and <em id=\"r.1_a\"/>here.</p>");
  // Placing every mark tells which ids they gave, for other decks' links to keep; those that
  // none leads to go again, with an em that only held one.
  std::set<std::string> placed;
  xml::XmlDocument deck;
  ASSERT_TRUE(deck.loadXML(card("<p id=\"own\"><?id 1st?>a <?id b?>b <?id c?>c</p>")));
  decks::makeValid(deck, nullptr, &placed);
  EXPECT_EQ(placed, (std::set<std::string>{"id1st", "b", "c"}));
  decks::unplaceIds(deck, placed, {"c"});
  EXPECT_EQ(deck.xml(), card("<p id=\"own\">a b <em id=\"c\"/>c</p>"));
}

TEST(DeckRepair, TheWrittenDeckDoublesEveryDollar) {
  xml::XmlDocument deck;
  ASSERT_TRUE(deck.loadXML(card("<p>Costs $10 <a href=\"pay.wml?x=$(v)\">$$</a></p>")));
  decks::makeValid(deck);
  EXPECT_EQ(decks::deckText(deck), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<wml>\n  <card>\n"
                                   "    <p>Costs $$10 <a href=\"pay.wml?x=$$(v)\">$$$$</a></p>\n  </card>\n</wml>\n");
  // The deck in memory keeps its text as it was.
  EXPECT_EQ(deck.xml(), card("<p>Costs $10 <a href=\"pay.wml?x=$(v)\">$$</a></p>"));
}

TEST(DeckRepair, TheWrittenDeckIndentsOnlyWhereNoTextCanStand) {
  // Elements that touch keep touching: indenting between them would part "Tav" from "ro".
  const std::string content = "<p><b>Tav</b><i>ro</i></p><p><a href=\"#x\">[lex</a><a href=\"#x\">.token</a></p>"
                              "<p><table columns=\"2\"><tr><td><b>a</b><i>b</i></td><td>c</td></tr></table></p>";
  xml::XmlDocument deck;
  ASSERT_TRUE(deck.loadXML(card(content)));
  EXPECT_EQ(decks::deckText(deck), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<wml>\n  <card>\n"
                                   "    <p><b>Tav</b><i>ro</i></p>\n"
                                   "    <p><a href=\"#x\">[lex</a><a href=\"#x\">.token</a></p>\n"
                                   "    <p>\n      <table columns=\"2\">\n        <tr>\n"
                                   "          <td><b>a</b><i>b</i></td>\n          <td>c</td>\n"
                                   "        </tr>\n      </table>\n    </p>\n  </card>\n</wml>\n");
  EXPECT_EQ(deck.xml(), card(content));
}
