// Hostile and broken pages: each loads or is refused with a clear result, and what loads
// converts to XML that loads again.

#include "platform/html/browser.h"
#include "platform/html/htmltoxml.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::html;

TEST(Robustness, HostileMarkupParsesWithoutHarm) {
  // Known gumbo crashers and a tag with 50,000 attributes; deep unclosed nesting is checked below.
  std::string manyAttributes = "<p";
  for (int i = 0; i < 50000; ++i)
    manyAttributes += " a" + std::to_string(i) + "=x";
  manyAttributes += ">text</p>";
  const std::string inputs[] = {
      "<b><nobr><r><d><r><ol></b><nobr>",
      "<d0tx0i0t><option></d0tX0i0t>",
      "<xmp><svg><select><foreignobject><select><select><select></xmp>",
      std::string("<template>\0", 11),
      "&#3000000000",
      "<table><tr><td><svg><desc><td></desc><circle>",
      // Foreign elements named like HTML ones, under an HTML select in a table.
      "<table><svg><select><foreignobject><select><td>",
      "<table><math><select><mi><select></table>",
      "<table><svg><th><title><select></table>",
      manyAttributes,
      std::string("\0\0\xFF\xFE<\x01>\xC3", 9),
  };
  for (const auto& input : inputs) {
    auto doc = Document::createBlank("file:///tmp/x.html");
    doc->body()->setInnerHTML(input);
    auto xml = htmlToXml(doc->body()->innerHTML());
    if (!xml.empty()) {
      xml::XmlDocument again;
      EXPECT_TRUE(again.loadXML(xml.xml())) << input.substr(0, 60);
    }
  }
  auto doc = Document::createBlank();
  doc->body()->setInnerHTML(manyAttributes);
  auto p = doc->body()->getElementsByTagName("p");
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0]->attributes().size(), 400u);
  EXPECT_EQ(p[0]->innerText(), "text");
}

TEST(Robustness, NestingBoundSparesTagsThatCloseThemselves) {
  auto doc = Document::createBlank();
  // Old pages leave many tags open that the parser closes by itself: none of them is lost.
  std::string loose, all;
  for (int i = 0; i < 5000; ++i) {
    loose += "<p\nclass=a>x<li\tvalue=1>y<td>z<a href=#>w";
    all += "xyzw";
  }
  doc->body()->setInnerHTML(loose);
  EXPECT_EQ(doc->getElementsByTagName("P").size(), 5000u);
  EXPECT_EQ(doc->getElementsByTagName("LI").size(), 5000u);
  EXPECT_EQ(doc->body()->textContent(), all);

  // Nor do the empty elements of pictures drawn in SVG, whose "/>" an HTML parser ignores: a page
  // of many diagrams keeps the headings after them, and each path stays empty.
  std::string diagrams;
  for (int i = 0; i < 400; ++i)
    diagrams += "<SVG><g><path d='M 1 1'/><path/></g><Path/><rect x=1 /><text>n</text><br/></svg>";
  doc->body()->setInnerHTML(diagrams + "<svg/><h2 id=after>After</h2><svg><path/><div/>x</svg>");
  ASSERT_NE(doc->getElementById("after"), nullptr);
  EXPECT_EQ(doc->getElementById("after")->tagName(), "H2");
  EXPECT_EQ(doc->getElementsByTagName("PATH").size(), 1201u);
  for (const auto& path : doc->getElementsByTagName("PATH"))
    EXPECT_EQ(path->firstChild(), nullptr);
  // An HTML element in a picture leaves it, and keeps what follows, as a browser does.
  EXPECT_EQ(doc->getElementsByTagName("DIV").back()->textContent(), "x");

  // Tags that really nest stop nesting at the bound; their text stays in order.
  std::string fonts, numbers;
  for (int i = 0; i < 3000; ++i) {
    fonts += "<font size=" + std::to_string(i % 7) + ">" + std::to_string(i) + ",";
    numbers += std::to_string(i) + ",";
  }
  doc->body()->setInnerHTML(fonts);
  auto found = doc->getElementsByTagName("FONT").size();
  EXPECT_GE(found, 900u);
  EXPECT_LE(found, 1000u);
  EXPECT_EQ(doc->body()->textContent(), numbers);

  // What only looks like a tag takes no level: tags in comments, processing instructions,
  // attribute values and scripts, and a "<" in the text. The thousandth real level still
  // opens and the next is taken out.
  const std::string noise = "<!-- <div> --><!--><!---><?pi <div?>1 < 2<img alt=\"<div>\" title='<div>' data-x=<div>"
                            "<script>'<div>'</script>";
  std::string levels;
  for (int i = 0; i < 1000; ++i)
    levels += "<div>" + noise;
  doc->body()->setInnerHTML(levels + "<div id=over>deepest</div>");
  EXPECT_EQ(doc->getElementsByTagName("DIV").size(), 1000u);
  EXPECT_EQ(doc->getElementById("over"), nullptr);
  EXPECT_EQ(doc->getElementsByTagName("IMG").size(), 1000u);
  const std::string deep = doc->body()->textContent();
  EXPECT_EQ(deep.substr(deep.size() - 19), "1 < 2'<div>'deepest");
}

// Empty files, a picture named like a page and a page of megabytes all load.
TEST(Robustness, EmptyLargeAndNonHtmlFilesLoad) {
  test::TempDir dir;
  Browser browser;
  std::string large = "<html><body>";
  while (large.size() < (std::size_t(3) << 20))
    large += "<table><tr><td><a href=\"x.html\">link</a> text &amp; more</td><td><img src=a.gif></td></tr></table>\n";
  const std::pair<std::string, std::string> files[] = {
      {"large.html", large},
      {"empty.html", ""},
      {"bom.html", "\xEF\xBB\xBF"},
      {"utf16bom.html", "\xFF\xFE"},
      {"picture.html",
       std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1F\x15\xC4\x89", 33)},
  };
  for (const auto& [name, bytes] : files) {
    test::writeFile(dir.file(name), bytes);
    ASSERT_TRUE(browser.Navigate(dir.file(name))) << name;
    ASSERT_NE(browser.Document()->body(), nullptr) << name;
    if (name == "large.html") {
      EXPECT_GT(browser.Document()->getElementsByTagName("TD").size(), 50000u);
      EXPECT_FALSE(htmlToXml(browser.Document()->body()->innerHTML(), browser.LocationURL()).empty());
    }
  }
  EXPECT_EQ(browser.Document()->charset(), "windows-1252");
  EXPECT_NE(browser.Document()->body()->textContent().find("PNG"), std::string::npos);
}
