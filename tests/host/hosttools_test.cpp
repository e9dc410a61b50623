#include "host/hosttools.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

using namespace tavro;

namespace {

xml::XmlDocument load(const std::string& text) {
  xml::XmlDocument doc;
  doc.setPreserveWhiteSpace(true);
  EXPECT_TRUE(doc.loadXML(text)) << doc.parseError().reason;
  return doc;
}

} // namespace

TEST(HostXmlTools, ResourceTextEndsAtTheFirstNulAndABadStringRaisesWithTheLine) {
  host::HostXmlTools tools;
  const std::uint8_t bytes[] = {'<', 'a', '/', '>', 0, 'x', 'y'};
  EXPECT_EQ(tools.ResourceToString(bytes), "<a/>");
  EXPECT_EQ(tools.ResourceToString({}), "");
  EXPECT_EQ(tools.LoadXmlString("<a><b/></a>").xml(), "<a><b/></a>");
  std::string message;
  EXPECT_NE(test::comErrorOf([&] { tools.LoadXmlString("<a>\n<b></a>"); }, &message), 0);
  EXPECT_NE(message.find("line 2"), std::string::npos) << message;
}

TEST(HostXmlTools, ConvertDocumentFoldsLineEndsOrTrimsReferencesAndPictureUrlsBecomePathsAndBack) {
  host::HostXmlTools tools;
  auto doc = load("<body><p>a&#13;&#10;b&#13;c</p><a href=\"  x.html \">l</a><img src=\" p.png\"/></body>");
  tools.ConvertDocument(doc, 0, false);
  EXPECT_EQ(doc.xml(), "<body><p>a\nb\nc</p><a href=\"  x.html \">l</a><img src=\" p.png\"/></body>");
  tools.ConvertDocument(doc, 1, false);
  EXPECT_EQ(doc.xml(), "<body><p>a\nb\nc</p><a href=\"x.html\">l</a><img src=\"p.png\"/></body>");

  doc = load("<body><img src=\"file:///home/a/my%20pic.png\"/><img src=\"file://localhost/b.gif\"/>"
             "<img src=\"file://server/share/c.gif\"/><img src=\"http://x/y.png\"/>"
             "<a href=\"file:///not/a/picture\">x</a></body>");
  tools.ConvertReferences(doc, 0);
  EXPECT_EQ(doc.xml(), "<body><img src=\"/home/a/my pic.png\"/><img src=\"/b.gif\"/>"
                       "<img src=\"file://server/share/c.gif\"/><img src=\"http://x/y.png\"/>"
                       "<a href=\"file:///not/a/picture\">x</a></body>");
  tools.setProjectFolder("/projects/site");
  auto back = load("<body><img src=\"/home/a/my pic.png\"/><img src=\"images/logo.wbmp\"/>"
                   "<img src=\"http://x/y.png\"/></body>");
  tools.ConvertReferences(back, 1);
  EXPECT_EQ(back.xml(), "<body><img src=\"file:///home/a/my%20pic.png\"/>"
                        "<img src=\"file:///projects/site/images/logo.wbmp\"/><img src=\"http://x/y.png\"/></body>");
}

TEST(HostXmlTools, TransformsReportFailureWithoutTouchingTheDocument) {
  host::HostXmlTools tools;
  const xml::XslTemplate upper = test::compileStylesheet(
      "<xsl:output method=\"xml\" omit-xml-declaration=\"yes\"/>"
      "<xsl:template match=\"/\"><out><xsl:value-of select=\"count(//p)\"/></out></xsl:template>");
  auto doc = load("<body><p/><p/></body>");
  EXPECT_EQ(tools.TransformToString(doc, upper), "<out>2</out>\n");
  xml::XmlDocument second;
  EXPECT_TRUE(tools.TryTransform(doc, upper, second));
  EXPECT_EQ(second.xml(), "<out>2</out>");
  EXPECT_EQ(doc.xml(), "<body><p/><p/></body>");
  EXPECT_TRUE(tools.TryTransform(doc, upper));
  EXPECT_EQ(doc.xml(), "<out>2</out>");

  const xml::XslTemplate failing = test::compileStylesheet(
      "<xsl:template match=\"/\"><xsl:message terminate=\"yes\">stop</xsl:message></xsl:template>");
  EXPECT_EQ(tools.TransformToString(doc, failing), "");
  EXPECT_FALSE(tools.TryTransform(doc, failing));
  EXPECT_EQ(doc.xml(), "<out>2</out>");
}

TEST(HostDomTools, RemoveElementsKeepsOrDropsTheirContent) {
  const std::string page = "<body><p>a<b>bold <i>it</i></b> <font>f</font></p><b>x</b><table><tr/></table></body>";
  const struct {
    std::string names, source;
    bool drop;
    std::string result;
  } cases[] = {
      {"b, FONT", page, false, "<body><p>abold <i>it</i> f</p>x<table><tr/></table></body>"},
      {"b,font,table", page, true, "<body><p>a </p></body>"},
      {"b", "<body><b>1<b>2<b>3</b></b></b></body>", false, "<body>123</body>"},
      {" , ", page, true, page},
      // A document keeps its root when unwrapping.
      {"body", "<body><p>x</p></body>", false, "<body><p>x</p></body>"},
  };
  for (const auto& c : cases) {
    auto doc = load(c.source);
    host::HostDomTools().RemoveElements(c.names, doc, c.drop);
    EXPECT_EQ(doc.xml(), c.result) << c.names;
  }
}
