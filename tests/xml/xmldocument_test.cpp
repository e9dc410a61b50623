#include "platform/com/comerror.h"
#include "platform/xml/treewalk.h"
#include "platform/xml/xsltemplate.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using namespace tavro;

namespace {

const char* kWmlDoctype = "<!DOCTYPE wml PUBLIC \"-//WAPFORUM//DTD WML 1.1//EN\" "
                          "\"http://www.wapforum.org/DTD/wml_1.1.xml\">";

xml::XslTemplate compile(const std::string& body, const std::string& extraNamespaces = "") {
  return test::compileStylesheet(body, extraNamespaces);
}

} // namespace

TEST(XmlDocument, LoadsSerialisesAndReportsErrorsWithTheirPlace) {
  xml::XmlDocument doc;
  EXPECT_EQ(doc.readyState(), 4);
  ASSERT_TRUE(doc.loadXML("<?xml version=\"1.0\"?>\n<a x=\"1\">\n  <b>t</b>\n</a>"));
  EXPECT_EQ(doc.parseError().errorCode, 0);
  EXPECT_EQ(doc.xml(), "<a x=\"1\"><b>t</b></a>"); // white space between elements is not kept
  EXPECT_EQ(doc.selectNodes("//b").size(), 1u);
  EXPECT_EQ(xml::nodeText(doc.selectSingleNode("/a/b")), "t");
  doc.setProperty("SelectionLanguage", "XPath");
  EXPECT_THROW(doc.setProperty("SelectionLanguage", "XSLPattern"), com::ComError);
  EXPECT_THROW(doc.selectNodes("//["), com::ComError);

  // The error is the first error, not the warning before it (an unknown version).
  EXPECT_FALSE(doc.loadXML("<?xml version=\"1.5\"?>\n<a>\n<b>\n</a>"));
  EXPECT_TRUE(doc.empty());
  EXPECT_NE(doc.parseError().errorCode, 0);
  EXPECT_EQ(doc.parseError().line, 4);
  EXPECT_FALSE(doc.parseError().reason.empty());
  EXPECT_FALSE(doc.loadXML(""));
  EXPECT_FALSE(doc.loadXML("just text"));

  xml::XmlDocument kept;
  kept.setPreserveWhiteSpace(true);
  ASSERT_TRUE(kept.loadXML("<a> <b/> </a>"));
  EXPECT_EQ(kept.xml(), "<a> <b/> </a>");
}

TEST(XmlDocument, WmlCharacterEntitiesWorkWithoutTheNetwork) {
  // By the public identifier, or by the address alone of a WML 1.1, 1.2 or 1.3 definition.
  std::vector<std::string> doctypes{kWmlDoctype};
  for (const char* file : {"wml_1.1.xml", "wml12.dtd", "wml13.dtd"})
    doctypes.push_back(std::string("<!DOCTYPE wml SYSTEM \"http://www.wapforum.org/DTD/") + file + "\">");
  for (const std::string& doctype : doctypes) {
    xml::XmlDocument doc;
    ASSERT_TRUE(doc.loadXML("<?xml version=\"1.0\"?>" + doctype + "<wml><card><p>a&nbsp;b&shy;c</p></card></wml>"))
        << doctype << ": " << doc.parseError().reason;
    EXPECT_EQ(xml::nodeText(doc.selectSingleNode("//p")), "a\u00A0b\u00ADc");
  }
}

TEST(XmlDocument, NeverReadsExternalEntitiesOrExpandsBombs) {
  test::TempDir dir;
  test::writeFile(dir.path() / "secret.txt", "TOPSECRET");
  const std::string secret = (dir.path() / "secret.txt").string();
  for (std::string doctype :
       {"<!DOCTYPE a [<!ENTITY x SYSTEM \"file://" + secret + "\">]>",
        "<!DOCTYPE a [<!ENTITY x SYSTEM \"" + secret + "\">]>", "<!DOCTYPE a SYSTEM \"" + secret + "\">"}) {
    xml::XmlDocument doc;
    bool loaded = doc.loadXML(doctype + "<a>&x;</a>");
    EXPECT_EQ(doc.xml().find("TOPSECRET"), std::string::npos) << doctype;
    if (loaded) {
      EXPECT_EQ(xml::nodeText(doc.documentElement()).find("TOPSECRET"), std::string::npos);
    }
  }
  // An entity of 20 KB referenced 3,000 times: refused before any expansion.
  std::string quadratic = "<!DOCTYPE a [<!ENTITY e \"" + std::string(20000, 'x') + "\">]><a>";
  for (int i = 0; i < 3000; ++i)
    quadratic += "&e;";
  xml::XmlDocument slow;
  EXPECT_FALSE(slow.loadXML(quadratic + "</a>"));
  EXPECT_NE(slow.parseError().reason.find("entities"), std::string::npos);
  // A deck without an internal subset, or with one that declares no entity, still loads.
  xml::XmlDocument plain;
  EXPECT_TRUE(plain.loadXML("<?xml version=\"1.0\"?><!-- <!ENTITY in a comment --><!DOCTYPE a [<!ELEMENT a ANY>]>"
                            "<a>&lt;!ENTITY x&gt;</a>"));

  xml::XmlDocument big;
  EXPECT_FALSE(big.loadXML(std::string(xml::maxDocumentBytes + 1, ' ')));
  EXPECT_NE(big.parseError().reason.find("16 MiB"), std::string::npos);
}

TEST(XslTemplate, StylesheetsCannotReadOrWriteFiles) {
  test::TempDir dir;
  test::writeFile(dir.path() / "secret.xml", "<s>TOPSECRET</s>");
  xml::XmlDocument input;
  ASSERT_TRUE(input.loadXML("<doc href=\"" + (dir.path() / "secret.xml").string() + "\"/>"));

  auto reader =
      compile("<xsl:template match=\"/\"><r><xsl:copy-of select=\"document(/doc/@href)\"/></r></xsl:template>");
  auto read = reader.transformToString(input);
  EXPECT_TRUE(!read || read->find("TOPSECRET") == std::string::npos);

  const auto target = dir.path() / "pwned.txt";
  auto writer = compile("<xsl:template match=\"/\"><exsl:document href=\"" + target.string() +
                            "\" method=\"text\">x</exsl:document><r/></xsl:template>",
                        "xmlns:exsl=\"http://exslt.org/common\" extension-element-prefixes=\"exsl\"");
  auto wrote = writer.transformToString(input);
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_FALSE(wrote.has_value());
  EXPECT_FALSE(writer.lastError().empty());
}

TEST(XslTemplate, HonoursTheStylesheetsOutputSettings) {
  xml::XmlDocument input;
  ASSERT_TRUE(input.loadXML("<a><b>x</b></a>"));
  auto indented = compile("<xsl:output method=\"xml\" indent=\"yes\" encoding=\"utf-8\"/>"
                          "<xsl:template match=\"/\"><r><s><xsl:value-of select=\"a/b\"/></s></r></xsl:template>");
  EXPECT_EQ(indented.transformToString(input), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<r>\n  <s>x</s>\n</r>\n");
  auto html = compile("<xsl:output method=\"html\"/>"
                      "<xsl:template match=\"/\"><html><body><br/><p>x</p></body></html></xsl:template>");
  EXPECT_EQ(html.transformToString(input), "<html><body>\n<br><p>x</p>\n</body></html>\n");

  xml::XmlDocument notXsl;
  ASSERT_TRUE(notXsl.loadXML("<a/>"));
  xml::XslTemplate t;
  EXPECT_THROW(t.setStylesheet(notXsl), com::ComError);
  EXPECT_FALSE(t.compiled());
}

// A result tree is used as it stands only where reading its text back gives the same tree, and
// goes through its text otherwise: each row is a result on one side of that line or the other,
// and either way the document is what its text reads back as.
TEST(XslTemplate, AResultTreeIsTheDocumentItsTextReadsBackAs) {
  xml::XmlDocument input;
  ASSERT_TRUE(input.loadXML("<in/>"));
  const std::string root = "<xsl:template match=\"/\">";
  const std::pair<const char*, std::string> cases[] = {
      {"plain", root + "<r><s>t</s><xsl:text> </xsl:text><u/></r></xsl:template>"},
      {"blank text", root + "<r><s/><xsl:text>  \n </xsl:text><t/>x<xsl:text> </xsl:text><u/></r></xsl:template>"},
      {"unescaped element", root + "<r><xsl:text disable-output-escaping=\"yes\">&lt;b&gt;bold&lt;/b&gt;</xsl:text></r>"
                                   "</xsl:template>"},
      {"unescaped, ill-formed", root + "<r><xsl:text disable-output-escaping=\"yes\">&lt;b&gt;</xsl:text></r>"
                                       "</xsl:template>"},
      {"text method, well-formed", "<xsl:output method=\"text\"/>" + root + "&lt;r&gt;x&lt;/r&gt;</xsl:template>"},
      {"text method, ill-formed", "<xsl:output method=\"text\"/>" + root + "&lt;r&gt;&lt;s&gt;</xsl:template>"},
      {"xml:space", "<xsl:output indent=\"yes\"/>" + root + "<r xml:space=\"preserve\"><s/><t/></r></xsl:template>"},
      {"default namespace", root + "<r xmlns=\"urn:x\"><s/></r></xsl:template>"},
      {"prefixed namespace", root + "<p:r xmlns:p=\"urn:p\"><p:s p:a=\"1\"/></p:r></xsl:template>"},
      {"comment", root + "<r><xsl:comment>fine</xsl:comment>x</r><xsl:comment>after</xsl:comment></xsl:template>"},
      {"comment with two hyphens", root + "<r><xsl:comment>a--b</xsl:comment></r></xsl:template>"},
      {"comment ending in a hyphen", root + "<r><xsl:comment>a-</xsl:comment></r></xsl:template>"},
      {"instruction that ends early", root + "<r><xsl:processing-instruction name=\"php\">a ?&gt; b"
                                             "</xsl:processing-instruction></r></xsl:template>"},
      {"cdata", "<xsl:output cdata-section-elements=\"s\"/>" + root + "<r><s>a]]&gt;b</s></r></xsl:template>"},
      {"attribute characters", root + "<r a=\"{'x&#10;y&#9;&quot;&lt;&amp;&#13;'}\" b=\"\"/></xsl:template>"},
      {"names beyond ASCII", root + "<r><\xc3\xa9t\xc3\xa9>x</\xc3\xa9t\xc3\xa9></r></xsl:template>"},
      {"attribute names beyond ASCII", root + "<r \xc3\xa9t\xc3\xa9=\"x\"/></xsl:template>"},
      {"doctype", "<xsl:output doctype-system=\"urn:none\"/>" + root + "<r>&#160;</r></xsl:template>"},
      {"two roots", root + "<r/><s/></xsl:template>"},
      {"text beside the root", root + "x<r/></xsl:template>"},
      {"unknown encoding", "<xsl:output encoding=\"x-none\"/>" + root + "<r/></xsl:template>"},
      // Deeper than the parser takes.
      {"depth 300", "<xsl:template name=\"nest\"><xsl:param name=\"n\"/><xsl:if test=\"$n &gt; 0\"><d>"
                    "<xsl:call-template name=\"nest\"><xsl:with-param name=\"n\" select=\"$n - 1\"/>"
                    "</xsl:call-template></d></xsl:if></xsl:template>" +
                        root +
                        "<xsl:call-template name=\"nest\"><xsl:with-param name=\"n\" select=\"300\"/>"
                        "</xsl:call-template></xsl:template>"},
  };
  for (const auto& [label, body] : cases)
    test::expectTransformReadsBack(compile(body), input, label);

  // Text past the 16 MiB the parser takes, plain and as escapes, and characters XML cannot hold,
  // in documents built by hand as the HTML model builds one.
  auto repeat = [](std::string_view unit, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
      text += unit;
    return text;
  };
  for (const auto& [label, text] : {std::pair{"17 MiB of text", repeat("abcd", 17 << 18)},
                                    std::pair{"escapes past 16 MiB", repeat("<&<&", 1 << 20)},
                                    std::pair{"control characters", std::string("x\x01\xef\xbf\xbe")}}) {
    xml::XmlDocument doc;
    ASSERT_TRUE(doc.loadXML("<in><a/></in>"));
    xmlNodeAddContent(doc.documentElement()->children, BAD_CAST text.c_str());
    test::expectTransformReadsBack(compile(root + "<r><xsl:copy-of select=\"in/a\"/></r></xsl:template>"), doc, label);
  }
}

TEST(TreeWalk, VisitsInDocumentOrderWithinTheRootOnly) {
  xml::XmlDocument doc;
  ASSERT_TRUE(doc.loadXML("<r><a><b/><c>t</c></a><skip><x/></skip><d/></r>"));
  const struct {
    const char* start; // the root of the walk, by name
    const char* visited;
  } cases[] = {
      {"r", "r a b c text skip d "},
      {"a", "a b c text "}, // the siblings after a are not its content
      {"c", "c text "},
      {"d", "d "},
  };
  for (const auto& c : cases) {
    std::string visited;
    xml::walkTree(doc.selectSingleNode(std::string("//") + c.start), [&](xmlNodePtr node) {
      visited += std::string(reinterpret_cast<const char*>(node->name)) + " ";
      return !xmlStrEqual(node->name, BAD_CAST "skip");
    });
    EXPECT_EQ(visited, c.visited) << c.start;
  }
}

TEST(TreeWalk, ElementsNamedAreWhatTheirXPathSelects) {
  xml::XmlDocument doc;
  ASSERT_TRUE(doc.loadXML("<img><p><img src=\"a\"/>t<b><img/><IMG/></b></p><x:img xmlns:x=\"urn:x\"/>"
                          "<q><img src=\"b\"><img/></img></q></img>"));
  for (const char* name : {"img", "b", "none"})
    EXPECT_EQ(xml::elementsNamed(doc.documentElement(), name), doc.selectNodes(std::string("//") + name)) << name;
}

TEST(TreeWalk, AVisitMayFreeTheNodeItIsGiven) {
  xml::XmlDocument doc;
  ASSERT_TRUE(doc.loadXML("<r><a/><b><c/><d/></b><e/></r>"));
  std::string kept;
  xml::walkTree(doc.documentElement(), [&](xmlNodePtr node) {
    if (xmlStrEqual(node->name, BAD_CAST "c") || xmlStrEqual(node->name, BAD_CAST "d") ||
        xmlStrEqual(node->name, BAD_CAST "a")) {
      xmlUnlinkNode(node);
      xmlFreeNode(node);
      return false;
    }
    kept += reinterpret_cast<const char*>(node->name);
    return true;
  });
  EXPECT_EQ(kept, "rbe");
  EXPECT_EQ(doc.xml(), "<r><b/><e/></r>");
}

TEST(TreeWalk, DeepTreesCostNoStack) {
  constexpr int depth = 200000;
  xmlDocPtr raw = xmlNewDoc(BAD_CAST "1.0");
  xml::XmlDocument doc(raw);
  xmlNodePtr node = xmlNewDocNode(raw, nullptr, BAD_CAST "n", nullptr);
  xmlDocSetRootElement(raw, node);
  for (int i = 1; i < depth; ++i)
    node = xmlNewChild(node, nullptr, BAD_CAST "n", nullptr);
  int visited = 0;
  xml::walkTree(doc.documentElement(), [&](xmlNodePtr) { return ++visited > 0; });
  EXPECT_EQ(visited, depth);
}
