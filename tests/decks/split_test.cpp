// Decks split under a compiled-size limit: every part under it and valid, the words in order
// across the parts, the ways back and on, and links that follow their ids.

#include "decks/split.h"
#include "decks/wbxml.h"
#include "decks/wmlcheck.h"
#include "decks/wmlrules.h"
#include "platform/xml/treewalk.h"
#include "platform/xml/xmldocument.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

using namespace tavro;

namespace {

// A long page as the import writes it: short and long paragraphs, one paragraph of many lines,
// one of a single long line, a long emphasis, tables of many rows (a few cells empty) and of
// one long row (as a page's layout table becomes), a row of links that touch, links between the
// parts by id, line breaks with ids, and a "$" or two.
std::string longDeck() {
  std::ostringstream out;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<wml><head><meta name=\"generator\" content=\"t\"/></head>"
         "<card id=\"top\" title=\"Guide\"><p><a href=\"#end\">To the end</a> costs $$5</p>";
  for (int i = 0; i < 60; ++i) {
    out << "<p" << (i % 7 == 0 ? " id=\"s" + std::to_string(i) + "\"" : "") << (i % 5 == 0 ? " align=\"left\"" : "")
        << ">Section " << i << " tells <b>bold " << i << "</b> <i>things</i>";
    if (i % 10 == 3)
      for (int line = 0; line < 40; ++line)
        out << "<br id=\"l" << i << "_" << line << "\"/>line " << i << "." << line << " of a long list";
    if (i % 10 == 6)
      for (int word = 0; word < 300; ++word)
        out << " word" << i << "_" << word;
    out << ".</p>";
  }
  out << "<p>Said <em>";
  for (int word = 0; word < 250; ++word)
    out << " stressed" << word;
  out << "</em> loudly.</p><p>Timetable<table columns=\"3\">";
  for (int row = 0; row < 40; ++row)
    out << "<tr><td>Stop " << row << "</td><td>" << row << ":15</td><td>" << (row % 9 ? "on time" : "") << "</td></tr>";
  out << "</table>and more.</p><p><table columns=\"200\"><tr>";
  for (int cell = 0; cell < 200; ++cell)
    out << "<td" << (cell == 150 ? " id=\"cell\"" : "") << ">Menu " << cell << "</td>";
  out << "</tr></table></p>";
  // A row of links that touch, the spaces inside them, as a page's link around code becomes.
  out << "<p>\xc2\xb7";
  for (int i = 0; i < 80; ++i)
    out << "<a href=\"#s7\">the </a><em><a href=\"#s7\">name" << i << "</a></em><a href=\"#s7\">, </a>";
  out << "</p>";
  out << "<p><table columns=\"2\"><!-- kept whole --><tr><td>a</td><td>b</td></tr></table></p>"
         "<p id=\"end\">The end. <a href=\"#top\">Top</a> <a href=\"#s21\">Section 21</a> <a "
         "href=\"#cell\">Menu</a></p>"
         "</card></wml>\n";
  return out.str();
}

std::vector<std::string> wordsOf(xml::XmlDocument& deck) {
  // The ways back and on are the splitter's own, not the page's.
  for (xmlNodePtr nav : deck.selectNodes("//do[@name='next' or @name='back'] | //p[a][not(*[not(self::a)])]"
                                         "[a[.='Next' or .='Back']][count(a)=count(a[.='Next' or .='Back'])]")) {
    xmlUnlinkNode(nav);
    xmlFreeNode(nav);
  }
  // Word by word, as a phone shows them: formatting and links join the text around them, every
  // other element (a line break, a paragraph, a cell) keeps words apart.
  auto apart = [](xmlNodePtr node) {
    return node && node->type == XML_ELEMENT_NODE && !decks::isEmphasis(reinterpret_cast<const char*>(node->name)) &&
           !xmlStrEqual(node->name, BAD_CAST "a");
  };
  std::string text;
  xml::walkTree(deck.documentElement(), [&](xmlNodePtr node) {
    if (apart(node) || (node->type == XML_TEXT_NODE && apart(node->prev)))
      text += ' ';
    if (node->type == XML_TEXT_NODE)
      text += reinterpret_cast<const char*>(node->content);
    return node->type == XML_ELEMENT_NODE;
  });
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string word; in >> word;)
    words.push_back(word);
  return words;
}

// The message a split under the limit is refused with, or "" when it is taken.
std::string refusal(const std::string& deck, std::size_t limit) {
  try {
    decks::splitDeck(deck, "d", limit);
  } catch (const decks::SplitError& e) {
    return e.what();
  }
  return "";
}

// The parts of a split, read with their white space as a phone reads them (a space between two
// elements is a word boundary), each checked: its compiled size the one the split gives and
// under the limit, well-formed and valid. A part that does not parse is left out.
std::vector<xml::XmlDocument> checkedParts(const decks::SplitDeck& split, std::size_t limit) {
  std::vector<xml::XmlDocument> docs;
  for (const auto& part : split.parts) {
    SCOPED_TRACE(part.name);
    EXPECT_EQ(part.compiledBytes, decks::compileWbxml(part.text).size());
    EXPECT_LE(part.compiledBytes, limit) << part.text;
    xml::XmlDocument doc;
    doc.setPreserveWhiteSpace(true);
    if (!doc.loadXML(part.text)) {
      ADD_FAILURE() << "not well-formed:\n" << part.text;
      continue;
    }
    const auto fault = decks::firstFault(doc);
    EXPECT_FALSE(fault) << (fault ? fault->message : "") << "\n" << part.text;
    docs.push_back(std::move(doc));
  }
  return docs;
}

// The words of all the parts, in order.
std::vector<std::string> wordsOf(std::vector<xml::XmlDocument>& docs) {
  std::vector<std::string> words;
  for (auto& doc : docs)
    for (auto& word : wordsOf(doc))
      words.push_back(std::move(word));
  return words;
}

} // namespace

TEST(SplitDeck, EveryPartUnderTheLimitValidWithTheWordsInOrderAndBothWays) {
  const std::string deck = longDeck();
  xml::XmlDocument whole;
  whole.setPreserveWhiteSpace(true);
  ASSERT_TRUE(whole.loadXML(deck));
  ASSERT_FALSE(decks::firstFault(whole)) << decks::firstFault(whole)->message;
  const std::vector<std::string> pageWords = wordsOf(whole);

  for (std::size_t limit : {600, 1400, 3000, 8000}) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    const decks::SplitDeck split = decks::splitDeck(deck, "guide", limit);
    ASSERT_GT(split.parts.size(), 1u);
    std::vector<xml::XmlDocument> docs = checkedParts(split, limit);
    ASSERT_EQ(docs.size(), split.parts.size());
    std::map<std::string, xml::XmlDocument*> parts;
    std::size_t stressed = 0;  // the pieces of the emphasis, in as many parts
    std::set<std::string> ids; // each in one part only
    for (std::size_t k = 0; k < split.parts.size(); ++k) {
      const xml::XmlDocument& doc = docs[k];
      SCOPED_TRACE(split.parts[k].name);
      EXPECT_EQ(split.parts[k].name, k == 0 ? "guide" : "guide-" + std::to_string(k + 1));
      EXPECT_EQ(xml::attribute(doc.selectSingleNode("//card"), "title"), "Guide");
      // A table cut between its rows or cells has the columns its part of it needs.
      for (xmlNodePtr table : doc.selectNodes("//table")) {
        std::size_t widest = 0;
        for (xmlNodePtr row = table->children; row; row = row->next)
          widest = std::max(widest, xml::elementsNamed(row, "td").size());
        EXPECT_EQ(xml::attribute(table, "columns"), std::to_string(widest));
      }
      stressed += doc.selectNodes("//em/text()[contains(., 'stressed')]").size();
      EXPECT_EQ(doc.selectNodes("//head/meta").size(), 1u);
      for (xmlNodePtr element : doc.selectNodes("//*[@id]"))
        EXPECT_TRUE(ids.insert(xml::attribute(element, "id")).second) << "a second " << xml::attribute(element, "id");

      // Back to the one before, on to the one after, both as soft keys and as links.
      const std::string back = k > 0 ? split.parts[k - 1].name + ".wml" : "";
      const std::string next = k + 1 < split.parts.size() ? split.parts[k + 1].name + ".wml" : "";
      auto hrefOf = [&](const char* xpath) {
        xmlNodePtr node = doc.selectSingleNode(xpath);
        return node ? xml::attribute(node, "href") : "";
      };
      EXPECT_EQ(hrefOf("//do[@type='accept' and @label='Next']/go"), next);
      EXPECT_EQ(hrefOf("//p/a[.='Next']"), next);
      EXPECT_EQ(hrefOf("//do[@type='prev' and @label='Back']/go"), back);
      EXPECT_EQ(hrefOf("//p/a[.='Back']"), back);
      parts[split.parts[k].name + ".wml"] = &docs[k];
    }
    // Every id stands in the part that the split says holds it, a line break's where the
    // paragraph is cut at it too; links within the page lead there.
    for (const auto& [id, name] : split.partOfId)
      EXPECT_TRUE(parts.at(name + ".wml")->selectSingleNode("//*[@id='" + id + "']")) << id << " in " << name;
    for (auto& [file, doc] : parts) {
      for (xmlNodePtr link : doc->selectNodes("//a[contains(@href, '#')]")) {
        const std::string href = xml::attribute(link, "href");
        const std::string target = href.substr(0, href.find('#'));
        const std::string id = href.substr(href.find('#') + 1);
        const xml::XmlDocument& holder = target.empty() ? *doc : *parts.at(target);
        EXPECT_TRUE(holder.selectSingleNode("//*[@id='" + id + "']")) << href << " from " << file;
        EXPECT_EQ(split.partOfId.at(id) + ".wml", target.empty() ? file : target);
      }
    }
    EXPECT_EQ(wordsOf(docs), pageWords);
    // The long emphasis was cut through, each piece still emphasised.
    if (limit < 3000) {
      EXPECT_GT(stressed, 1u);
    }
  }
}

TEST(SplitDeck, CutsBetweenParagraphsUnlessOneIsTooBigOnItsOwn) {
  std::string paragraphs = "<wml><card>", lines = "<wml><card><p align=\"left\">";
  for (int i = 0; i < 30; ++i)
    paragraphs += "<p>Paragraph " + std::to_string(i) + " has a few words in it.</p>";
  for (int i = 0; i < 80; ++i)
    lines += "Line " + std::to_string(i) + " reads well<br/>";
  // Each piece of content in every part starts and ends as a whole paragraph, or a whole line
  // of the one long paragraph (whose line breaks go with the cuts).
  struct Case {
    std::string deck;
    std::size_t limit;
    const char* content;
    const char* start;
    const char* end;
  };
  for (const Case& c : {Case{paragraphs + "</card></wml>", 500, "//p[not(a)]", "Paragraph ", " in it."},
                        Case{lines + "</p></card></wml>", 700, "//p[@align='left']", "Line ", " reads well"}}) {
    SCOPED_TRACE(c.content);
    const auto split = decks::splitDeck(c.deck, "p", c.limit);
    ASSERT_GT(split.parts.size(), 2u);
    for (const auto& doc : checkedParts(split, c.limit)) {
      const auto found = doc.selectNodes(c.content);
      ASSERT_FALSE(found.empty()) << doc.xml();
      for (xmlNodePtr p : found) {
        const std::string text = xml::nodeText(p);
        EXPECT_EQ(text.rfind(c.start, 0), 0u) << text;
        EXPECT_EQ(text.size() - text.rfind(c.end), std::string_view(c.end).size()) << text;
      }
    }
  }
}

TEST(SplitDeck, EachCardIsSplitOnItsOwnAndLinksToACardFollowIt) {
  std::string deck = "<wml><template><do type=\"options\" label=\"Menu\"><go href=\"menu.wml\"/></do></template>";
  for (const char* card : {"one", "two"}) {
    deck += std::string("<card id=\"") + card + "\" title=\"" + card +
            "\"><onevent type=\"onenterforward\">"
            "<refresh/></onevent><p><a href=\"#two\">to two</a></p>";
    for (int i = 0; i < 20; ++i)
      deck += "<p>Card " + std::string(card) + " paragraph " + std::to_string(i) + " with some words.</p>";
    deck += "</card>";
  }
  const auto split = decks::splitDeck(deck + "</wml>", "c", 700);
  ASSERT_GT(split.parts.size(), 3u);
  const auto docs = checkedParts(split, 700);
  ASSERT_EQ(docs.size(), split.parts.size());
  std::size_t withId = 0;
  for (std::size_t k = 0; k < docs.size(); ++k) {
    const xml::XmlDocument& doc = docs[k];
    const auto& part = split.parts[k];
    // The second card's id stands in its first part only, which links to it lead to.
    if (doc.selectSingleNode("//card[@id='two']")) {
      ++withId;
      EXPECT_EQ(split.partOfId.at("two"), part.name);
    }
    EXPECT_EQ(doc.selectNodes("//card").size(), 1u);
    EXPECT_EQ(doc.selectNodes("//template/do").size(), 1u);
    const std::string title = xml::attribute(doc.selectSingleNode("//card"), "title");
    // A part holds one card's paragraphs only; the events go with the card's first part.
    for (xmlNodePtr p : doc.selectNodes("//p[starts-with(., 'Card ')]"))
      EXPECT_EQ(xml::nodeText(p).rfind("Card " + title + " ", 0), 0u) << xml::nodeText(p);
    const bool first = doc.selectSingleNode("//card[@id]") != nullptr;
    EXPECT_EQ(doc.selectNodes("//onevent").size(), first ? 1u : 0u) << part.name;
    for (xmlNodePtr link : doc.selectNodes("//a[.='to two']"))
      EXPECT_EQ(xml::attribute(link, "href"),
                split.partOfId.at("two") == part.name ? "#two" : split.partOfId.at("two") + ".wml#two");
  }
  EXPECT_EQ(withId, 1u);
}

TEST(SplitDeck, ATableOfContentsFitsThoughItsLinksGrowWhereTheyLeaveThePart) {
  // Each link gains the name of the part it goes to: a part of links more than doubles.
  std::string deck = "<wml><card><p>";
  for (int i = 0; i < 80; ++i)
    deck += "<a href=\"#t" + std::to_string(i) + "\">" + std::to_string(i) + "</a> ";
  deck += "</p>";
  for (int i = 0; i < 80; ++i)
    deck += "<p id=\"t" + std::to_string(i) + "\">Topic " + std::to_string(i) + " has a few words.</p>";
  const auto split = decks::splitDeck(deck + "</card></wml>", "a-table-of-contents", 500);
  checkedParts(split, 500);
  std::size_t toLast = 0;
  for (std::size_t k = 0; k < split.parts.size(); ++k) {
    const auto& part = split.parts[k];
    // The links that grow make no part smaller than it need be: each but the last is filled
    // to within a topic or two of the limit.
    if (k + 1 < split.parts.size()) {
      EXPECT_GT(part.compiledBytes, 420u) << part.text;
    }
    toLast += part.text.find("<a href=\"" + split.partOfId.at("t79") + ".wml#t79\">79</a>") != std::string::npos;
  }
  EXPECT_EQ(toLast, 1u);

  // Links to the section after, often the next part: named, they share the string table with
  // the way on, and take more bytes than they were measured with. A part they take over the
  // limit is packed again.
  std::string ahead = "<wml><card>";
  for (int section = 0; section < 24; ++section) {
    ahead += "<p><big id=\"sec" + std::to_string(section) + "\">Section " + std::to_string(section) + "</big></p>";
    for (int i = 0; i < 5; ++i)
      ahead += "<p>Paragraph " + std::to_string(i) + " talks about see <em><a href=\"#sec" +
               std::to_string(section + 1) + "\">Writable</a></em> streams see <em><a href=\"#sec" +
               std::to_string(section + 1) + "\">Writable</a></em> streams and more words here.</p>";
  }
  for (std::size_t limit : {700, 1000, 1400})
    checkedParts(decks::splitDeck(ahead + "</card></wml>", "w", limit), limit);
}

TEST(SplitDeck, AFittingDeckIsUntouchedAndImpossibleLimitsAreRefused) {
  const std::string small = "<?xml version=\"1.0\"?>\n<wml>\n  <card>\n    <p>Short.</p>\n  </card>\n</wml>\n";
  const auto one = decks::splitDeck(small, "s", 1400);
  ASSERT_EQ(one.parts.size(), 1u);
  EXPECT_EQ(one.parts[0].text, small);
  EXPECT_EQ(one.parts[0].name, "s");

  // A link whose text alone is over the limit is refused by its start, though the word it
  // touches could go to the part before.
  const std::string bigLink = "<wml><card><p>Start <b>here</b><a href=\"x.wml\">" + std::string(2000, 'x') +
                              "</a> end</p><p>More.</p></card></wml>";
  EXPECT_THAT(refusal(bigLink, 600), testing::HasSubstr("cannot be cut does not fit in 600 bytes compiled: <a> \"xxx"));

  // A row of links that touch, too long for one deck, goes on in the next between two links.
  std::string row = "<wml><card><p>", said;
  for (int i = 0; i < 40; ++i) {
    row += "<a href=\"x.wml\" title=\"rule " + std::to_string(i) + "\">.part" + std::to_string(i) + "</a>";
    said += ".part" + std::to_string(i);
  }
  const auto cut = decks::splitDeck(row + "</p></card></wml>", "r", 600);
  EXPECT_GT(cut.parts.size(), 1u);
  std::string read;
  for (const auto& doc : checkedParts(cut, 600))
    for (xmlNodePtr link : doc.selectNodes("//a[@title]"))
      read += xml::nodeText(link);
  EXPECT_EQ(read, said);
}

// A link, a picture, an anchor and a soft key whose addresses take more than half of a part (a
// documentation page's "run this example" link carries the program in its address) no longer
// keep the page from being split: each is left as its text and counted; a shorter one stays.
TEST(SplitDeck, AddressesOverHalfAPartAreLeftAsTheirTextAndTheRestIsSplit) {
  const std::string far = "http://example.org/run?code=" + std::string(2000, 'x');
  const std::string near = "http://example.org/" + std::string(100, 'y');
  std::string deck = "<wml><card><do type=\"options\" label=\"Far\"><go href=\"" + far +
                     "\"/></do><p>Intro <a id=\"run\" href=\"" + far + "\">Run</a> and <img src=\"" + far +
                     "\" alt=\"dot\"/> then <anchor>Go<go href=\"" + far + "\"/></anchor> end <a href=\"" + near +
                     "\">kept</a></p>";
  for (int i = 0; i < 30; ++i)
    deck += "<p>Filler paragraph " + std::to_string(i) + " with words enough to take some room.</p>";
  const decks::SplitDeck split = decks::splitDeck(deck + "</card></wml>", "run", 600);
  ASSERT_GT(split.parts.size(), 1u);
  EXPECT_EQ(split.unsent, 4u);
  bool nearKept = false;
  for (const auto& part : split.parts) {
    EXPECT_EQ(part.text.find("xxxxxxxx"), std::string::npos) << part.text;
    nearKept = nearKept || part.text.find("<a href=\"" + near + "\">kept</a>") != std::string::npos;
  }
  EXPECT_TRUE(nearKept);
  auto docs = checkedParts(split, 600);
  const std::vector<std::string> words = wordsOf(docs);
  // The link's id stays, on an empty em where the link stood.
  ASSERT_TRUE(split.partOfId.count("run"));
  EXPECT_NE(split.parts[0].text.find("Intro <em id=\"run\"/>Run and"), std::string::npos) << split.parts[0].text;
  ASSERT_GE(words.size(), 8u);
  EXPECT_EQ(std::vector<std::string>(words.begin(), words.begin() + 8),
            (std::vector<std::string>{"Intro", "Run", "and", "dot", "then", "Go", "end", "kept"}));

  EXPECT_EQ(decks::unsentNote(split, 600),
            "4 links or pictures left as their text: their addresses take more than half of a deck of 600 bytes");
  EXPECT_EQ(decks::unsentNote({}, 1400), "");
}

// A word longer than half a part (a hash, a program's data) is cut inside, at a character, and
// its characters follow each other across the parts; where even a piece cannot fit, the refusal
// quotes the start of it only.
TEST(SplitDeck, AWordOverHalfAPartIsCutInsideAndARefusalQuotesItShort) {
  std::string word;
  for (int i = 0; i < 1500; ++i)
    word += i % 3 ? "ab" : "\xc3\xa9"; // é, two bytes
  std::string deck = "<wml><card><p>Key: " + word + " end.</p>";
  for (int i = 0; i < 20; ++i)
    deck += "<p>Paragraph " + std::to_string(i) + " of a few words.</p>";
  deck += "</card></wml>";
  auto docs = checkedParts(decks::splitDeck(deck, "key", 1400), 1400);
  std::string joined;
  for (const auto& w : wordsOf(docs))
    joined += w;
  EXPECT_NE(joined.find("Key:" + word + "end."), std::string::npos);
  const std::string refused = refusal(deck, 150);
  EXPECT_EQ(refused.rfind("A piece of the page that cannot be cut does not fit in 150 bytes compiled: \"", 0), 0u)
      << refused;
  EXPECT_LT(refused.size(), 200u) << refused;
}
