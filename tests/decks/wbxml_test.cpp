// Decks checked against WML 1.1 and compiled to WBXML as a phone receives them.

#include "decks/wbxml.h"
#include "decks/wmlcheck.h"
#include "platform/xml/treewalk.h"
#include "tests/support/testsupport.h"
#include "util/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

using namespace tavro;

namespace {

std::string faultOf(const std::string& text) {
  xml::XmlDocument deck;
  if (!deck.loadXML(text))
    return "not well-formed";
  auto fault = decks::firstFault(deck);
  return fault ? std::to_string(fault->line) + ": " + fault->message : "";
}

// The deck's elements, attributes and text, one line each: white space that only stands between
// elements or at the edges of a paragraph or cell left out, every other run of it one space.
std::string shape(const std::string& text) {
  xml::XmlDocument deck;
  deck.setPreserveWhiteSpace(true);
  if (!deck.loadXML(text))
    return "not well-formed: " + text;
  std::string out;
  xml::walkTree(deck.documentElement(), [&](xmlNodePtr node) {
    std::size_t depth = 0;
    for (xmlNodePtr p = node->parent; p && p->type == XML_ELEMENT_NODE; p = p->parent)
      ++depth;
    const std::string indent(depth * 2, ' ');
    if (node->type == XML_ELEMENT_NODE) {
      out += indent + reinterpret_cast<const char*>(node->name);
      for (xmlAttrPtr a = node->properties; a; a = a->next)
        out += std::string(" ") + reinterpret_cast<const char*>(a->name) + "=" +
               xml::attribute(node, reinterpret_cast<const char*>(a->name));
      out += "\n";
    } else if (node->type == XML_TEXT_NODE && node->content) {
      std::string content = util::collapseSpaces(reinterpret_cast<const char*>(node->content));
      const std::string parent = reinterpret_cast<const char*>(node->parent->name);
      if ((parent == "p" || parent == "td") && !node->prev && content.starts_with(' '))
        content.erase(0, 1);
      if ((parent == "p" || parent == "td") && !node->next && content.ends_with(' '))
        content.pop_back();
      if (!content.empty() && content != " ")
        out += indent + "'" + content + "'\n";
    }
    return node->type == XML_ELEMENT_NODE;
  });
  return out;
}

// The deck with its variable references as a compiled deck reads back: their conversion said
// in full ("$(x:noesc)" for "$x").
std::string referencesInFull(const std::string& text) {
  static const std::regex reference(R"(\$\$|\$\(([A-Za-z_]\w*)(?::(\w+))?\)|\$([A-Za-z_]\w*))");
  std::string out;
  std::size_t copied = 0;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), reference); it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    out += text.substr(copied, std::size_t(m.position()) - copied);
    copied = std::size_t(m.position() + m.length());
    if (m.str() == "$$") {
      out += "$$";
      continue;
    }
    const std::string conversion = util::toLower(m[2].str());
    const char* full = conversion.empty() || conversion[0] == 'n' ? "noesc" : conversion[0] == 'e' ? "escape" : "unesc";
    out += "$(" + (m[1].matched ? m[1].str() : m[3].str()) + ":" + full + ")";
  }
  return out + text.substr(copied);
}

} // namespace

TEST(WmlCheck, FindsTheFirstFaultWithItsLine) {
  const std::pair<const char*, const char*> decks[] = {
      {"<wml><card><p>fine <b>bold</b></p></card></wml>", ""},
      {"<wml><card>\n<p><p/></p></card></wml>", "2: element p may not stand in p"},
      {"<wml><card><p>a</p></card><head><meta content=\"x\"/></head></wml>",
       "1: a deck holds a head, a template and its cards, in that order"},
      {"<wml/>", "1: a deck needs at least one card"},
      {"<wml><card><p><img src=\"a.wbmp\"/></p></card></wml>", "1: element img needs the attribute alt"},
      {"<wml><card><p><img alt=\"a\"/></p></card></wml>", "1: element img needs the attribute src"},
      {"<wml><card id=\"a\"/><card id=\"a\"/></wml>", "1: the id 'a' is used twice"},
      {"<wml><card id=\"1st\"/></wml>", "1: the value '1st' of id on card is not allowed"},
      {"<wml><card><p align=\"CENTER\">x</p></card></wml>", "1: the value 'CENTER' of align on p is not allowed"},
      {"<wml><card><p xml:lang=\"en gb\">x</p></card></wml>", "1: the value 'en gb' of xml:lang on p is not allowed"},
      {"<wml><card><do type=\"accept\"/></card></wml>", "1: do needs exactly one task (go, prev, noop or refresh)"},
      {"<wml><card><do type=\"accept\">x<noop/></do></card></wml>", "1: text may not stand in do"},
      {"<wml><card><do type=\"accept\"><noop>x</noop></do></card></wml>", "1: text may not stand in noop"},
      {"<wml><card><do><noop/></do></card></wml>", "1: element do needs the attribute type"},
      {"<wml><card><timer/></card></wml>", "1: element timer needs the attribute value"},
      {"<wml><card><p><table columns=\"2x\"><tr><td/></tr></table></p></card></wml>",
       "1: the value '2x' of columns on table is not allowed"},
      {"<wml><head/><card/></wml>", "1: head may not be empty"},
      {"<wml><card>loose</card></wml>", "1: text may not stand in card"},
      {"<wml><card><p><span>x</span></p></card></wml>", "1: element span is not WML 1.1"},
      {"<html/>", "1: the root element must be wml"},
  };
  for (const auto& [deck, fault] : decks)
    EXPECT_EQ(faultOf(deck), fault) << deck;
}

TEST(WmlCheck, AgreesWithTheDefinitionOnTheCorpus) {
  const auto corpus = test::corpusDir();
  if (corpus.empty() || !test::wmlDtdAvailable())
    GTEST_SKIP() << "no corpus";
  int decks = 0;
  for (const auto& folder : {corpus / "wml", corpus / "wml" / "invalid"})
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().extension() != ".wml")
        continue;
      const std::string text = test::readFile(entry.path());
      xml::XmlDocument deck;
      if (!deck.loadXML(text))
        continue;
      EXPECT_EQ(decks::firstFault(deck).has_value(), !test::wmlFault(text).empty()) << entry.path();
      ++decks;
    }
  EXPECT_GT(decks, 20);
}

TEST(Wbxml, ADeckCompilesToKnownBytesAndReadsBack) {
  // Version 1.3, WML 1.1 (public identifier 4), UTF-8 (106), an empty string table; wml with
  // content (0x3F | 0x40), an empty card (0x27), the end of wml.
  EXPECT_EQ(decks::compileWbxml("<wml><card/></wml>"), std::string("\x03\x04\x6A\x00\x7F\x27\x01", 7));
  // Any document type becomes WML 1.1's.
  EXPECT_EQ(decks::compileWbxml("<?xml version=\"1.0\"?><!DOCTYPE wml PUBLIC \"-//WAPFORUM//DTD WML 1.3//EN\" "
                                "\"http://www.wapforum.org/DTD/wml13.dtd\"><wml><card/></wml>"),
            std::string("\x03\x04\x6A\x00\x7F\x27\x01", 7));

  const auto corpus = test::corpusDir();
  std::vector<std::filesystem::path> decks{test::sourceDir() / "samples" / "project" / "index.wml",
                                           test::sourceDir() / "samples" / "project" / "timetable.wml"};
  if (!corpus.empty())
    for (const auto& entry : std::filesystem::directory_iterator(corpus / "wml"))
      if (entry.path().extension() == ".wml")
        decks.push_back(entry.path());
  for (const auto& path : decks) {
    const std::string text = test::readFile(path);
    const std::string compiled = decks::compileWbxml(text);
    EXPECT_LT(compiled.size(), text.size()) << path;
    EXPECT_EQ(shape(decks::decompileWbxml(compiled)), shape(referencesInFull(text))) << path;
  }
  EXPECT_THROW(decks::compileWbxml("<wml><card>"), decks::WbxmlError);

  // A deck near the length the string table is built up to compiles the same written out,
  // indented (a paragraph of one element too), as compact.
  std::string compact = "<wml><card>", indented = "<?xml version=\"1.0\"?>\n<wml>\n  <card>";
  for (int i = 0; compact.size() < 7800; ++i) {
    const std::string p = "<p>Paragraph " + std::to_string(i) + " says the same words again.</p>";
    const std::string heading = "<big>Part " + std::to_string(i) + "</big>";
    compact += p + "<p>" + heading + "</p>";
    indented += "\n    " + p + "\n    <p>\n      " + heading + "\n    </p>";
  }
  compact += "</card></wml>";
  indented += "\n  </card>\n</wml>\n";
  ASSERT_GT(indented.size(), decks::maxStringTableText);
  EXPECT_EQ(decks::compileWbxml(indented), decks::compileWbxml(compact));
  EXPECT_LT(decks::compileWbxml(compact).size(), decks::compileWbxml(compact, false).size());
}

TEST(Wbxml, VariablesBecomeTheirTokensAndAnEscapedDollarOneDollar) {
  using namespace std::string_literals;
  const std::string deck =
      "<wml><card><p>$$5 $(a) $A_9 $(c:E) $(d:unesc) $ <a href=\"$(u:n)?q=$$\">go</a></p></card></wml>";
  const std::string compiled = decks::compileWbxml(deck);
  // In text, "$$" is the one "$" it stands for; each reference is EXT_I_2 (as it is), EXT_I_0
  // (escaped) or EXT_I_1 (unescaped) with the variable's name, in attributes too.
  EXPECT_NE(
      compiled.find("\x03$5 \0\x42"s + "a\0\x03 \0\x42"s + "A_9\0\x03 \0\x40"s + "c\0\x03 \0\x41"s + "d\0\x03 $ \0"s),
      std::string::npos);
  EXPECT_NE(compiled.find("\x42u\0\x03?q=$\0"s), std::string::npos);
  // Read back, they are references again, and a "$" to show is written "$$".
  EXPECT_NE(decks::decompileWbxml(compiled).find("<p>$$5 $(a:noesc) $(A_9:noesc) $(c:escape) $(d:unesc) $$ <a "
                                                 "href=\"$(u:noesc)?q=$$\">go</a></p>"),
            std::string::npos)
      << decks::decompileWbxml(compiled);
}
