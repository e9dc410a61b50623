// HTML to XML: the documents the conversion stylesheets read.

#include "platform/html/document.h"
#include "platform/html/htmltoxml.h"

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::html;

namespace {

// The XML text, checked to load again as XML.
std::string xmlOf(std::string_view markup, std::string_view base = {}) {
  auto doc = htmlToXml(markup, base);
  std::string text = doc.xml();
  xml::XmlDocument again;
  EXPECT_TRUE(again.loadXML(text)) << again.parseError().reason << "\n" << text;
  return text;
}

} // namespace

TEST(HtmlToXml, GivesXmlUnderABodyRootThatLoadsAgain) {
  EXPECT_TRUE(htmlToXml("").empty()) << "empty markup gives no document";
  const struct {
    const char* what;
    const char* markup;
    const char* base;
    const char* xml;
  } cases[] = {
      {"bare text", "x", "", "<body>x</body>"},
      {"unknown elements kept", "<P ALIGN=center>a<BR>b<FONT FACE=Arial>c</FONT><unknown-tag>d</unknown-tag>", "",
       "<body><p align=\"center\">a<br/>b<font face=\"Arial\">c</font><unknown-tag>d</unknown-tag></p></body>"},
      {"tables get their tbody as a browser gives them", "<table border=1><tr><td>a<td>b<tr><th>c</table>", "",
       "<body><table border=\"1\"><tbody><tr><td>a</td><td>b</td></tr><tr><th>c</th></tr></tbody></table></body>"},
      {"attributes that are not XML names are dropped",
       "<p 1a=x a<b=y \"q\"=z xmlns=http://w3.org xmlns:o=urn x:y:z=w o:p=v ok=1 data-x=2 _u=3>t</p>", "",
       "<body><p ok=\"1\" data-x=\"2\" _u=\"3\">t</p></body>"},
      {"elements without XML names keep their content", "<p>Word<o:p>&nbsp;</o:p> text</p>", "",
       "<body><p>Word\xC2\xA0 text</p></body>"},
      {"ampersands and quotes are text, escaped once",
       "<a href=\"x.cgi?a=1&amp;b=2\" title='say \"hi\"'>R&amp;D &lt;3</a>", "",
       "<body><a href=\"x.cgi?a=1&amp;b=2\" title=\"say &quot;hi&quot;\">R&amp;D &lt;3</a></body>"},
      {"characters XML forbids are dropped", "<p title=\"a&#1;b\">x&#1;y&#xFFFE;z&#x1F;w&#xFFFF;&#x1F600;</p>", "",
       "<body><p title=\"ab\">xyzw\xF0\x9F\x98\x80</p></body>"},
      {"pictures find their file and keep their size", "<img src=\"pics/logo.gif\" style=\"width:99px;height:63px\">",
       "file:///home/ann/site/index.html",
       "<body><img src=\"file:///home/ann/site/pics/logo.gif\" style=\"WIDTH: 99px; HEIGHT: 63px\"/></body>"},
      {"no address, no resolving", "<img src=\"pics/logo.gif\">", "", "<body><img src=\"pics/logo.gif\"/></body>"},
      {"white space stays only where it shows",
       "<b>one</b> <i>two</i>\n<p>a</p>\n<p>b</p>\n<table>\n<tr>\n<td> x </td>\n</tr>\n</table>", "",
       "<body><b>one</b> <i>two</i><p>a</p><p>b</p><table><tbody><tr><td> x </td></tr></tbody></table></body>"},
      {"a comment leaves its spaces", "<b>a</b> <!-- note --> <i>b</i>", "", "<body><b>a</b>  <i>b</i></body>"},
      {"pre loses its first newline only", "<pre>\n\n  <b>x</b>\n  y</pre>", "",
       "<body><pre>\n  <b>x</b>\n  y</pre></body>"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(xmlOf(c.markup, c.base), c.xml) << c.what;
}

// The content of a document resolves against the document's address and keeps at most 400
// attributes of an element.
TEST(HtmlToXml, ContentOfADocumentUsesItsAddressAndBoundsAttributes) {
  auto doc = Document::parse("<body><p>a<img src=b.png></p><script>x()</script></body>", "file:///srv/p/i.html");
  EXPECT_EQ(contentToXml(*doc->body()).xml(),
            "<body><p>a<img src=\"file:///srv/p/b.png\"/></p><script>x()</script></body>");

  auto p = doc->createElement("P");
  for (int i = 0; i < 1000; ++i)
    p->setAttribute("a" + std::to_string(i), "x");
  doc->body()->appendChild(p);
  EXPECT_EQ(contentToXml(*doc->body()).selectNodes("//p[@a0]/@*").size(), 400u);
}

TEST(HtmlToXml, DeepMarkupIsFlattenedNotLost) {
  std::string markup, text;
  for (int i = 0; i < 10000; ++i) {
    markup += "<div>" + std::to_string(i) + " ";
    text += std::to_string(i) + " ";
  }
  markup += "bottom";
  for (int i = 0; i < 10000; ++i)
    markup += "</div>";
  markup += "<p>after</p>";
  auto doc = htmlToXml(markup);
  ASSERT_FALSE(doc.empty());
  // No element lies below the bound.
  EXPECT_TRUE(doc.selectNodes("//*[count(ancestor::*) >= " + std::to_string(maxXmlDepth) + "]").empty());
  // Everything is still there in order.
  EXPECT_EQ(xml::nodeText(doc.documentElement()), text + "bottomafter");
  // Documents made from it nest its content a few levels deeper and must still parse.
  std::string wrapped = doc.xml();
  for (int i = 0; i < 50; ++i)
    wrapped = "<w>" + wrapped + "</w>";
  xml::XmlDocument again;
  EXPECT_TRUE(again.loadXML(wrapped)) << again.parseError().reason;
}

// The markup of an XML document read back by the HTML parser: an empty element stays empty and
// the text after it stays beside it, whether the element is void or not.
TEST(HtmlToXml, MarkupOfEmptyElementsReadsBackAsTheSameTree) {
  for (const char* name : {"a", "span", "b", "div", "p", "br", "wbr", "hr", "img", "input", "embed", "source", "track",
                           "param", "keygen", "menuitem", "basefont", "bgsound"}) {
    xml::XmlDocument doc;
    ASSERT_TRUE(doc.loadXML("<body><" + std::string(name) + "/>after</body>"));
    auto page = Document::createBlank("about:blank");
    page->body()->setInnerHTML(doc.markup().substr(6, doc.markup().size() - 13)); // inside <body>
    const auto& nodes = page->body()->childNodes();
    ASSERT_EQ(nodes.size(), 2u) << name << ": " << page->body()->innerHTML();
    EXPECT_TRUE(nodes[0]->isElement() && nodes[0]->childNodes().empty()) << name;
    EXPECT_EQ(nodes[1]->data(), "after") << name;
  }
}
