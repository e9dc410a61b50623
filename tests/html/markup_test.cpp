// Serialising the model back to HTML, and parsing markup into it.

#include "platform/com/comerror.h"
#include "platform/html/document.h"

#include <gtest/gtest.h>

using namespace tavro::html;

namespace {

std::string roundTrip(const std::string& markup, const std::string& url = "about:blank") {
  auto doc = Document::createBlank(url);
  doc->body()->setInnerHTML(markup);
  return doc->body()->innerHTML();
}

} // namespace

TEST(Markup, SerialisesCanonicalHtmlThatParsesBackToItself) {
  const std::string site = "file:///home/ann/site/index.html";
  const struct {
    std::string in, expected, url = "about:blank";
  } cases[] = {
      {"<P>one<BR>two<HR><IMG SRC=a.gif ALT=x></P>", "<p>one<br>two</p><hr><img src=\"a.gif\" alt=\"x\"><p></p>"},
      {"<b>bold <i>both</b> italic</i>", "<b>bold <i>both</i></b><i> italic</i>"},
      // The text that ends a form stays in it, and the text after it after it.
      {"<form>Find <input> now</form>then<form>a &amp;\r\nb</FORM >c<form><b>in</form>b</b>",
       "<form>Find <input> now</form>then<form>a &amp;\nb</form>c<form><b>inb</b></form>"},
      // Quotes and ampersands in attribute values, markup characters and a no-break space in text.
      {"<p title='say \"a&amp;b\" <now>'>1 &lt; 2 &amp; 3 > 2\xC2\xA0!</p>",
       "<p title=\"say &quot;a&amp;b&quot; <now>\">1 &lt; 2 &amp; 3 &gt; 2&nbsp;!</p>"},
      // Raw text is written as it came; a textarea's text is escaped.
      {"<style>p > b { x: '&' }</style>", "<style>p > b { x: '&' }</style>"},
      {"<textarea>a &amp; <b></textarea>", "<textarea>a &amp; &lt;b&gt;</textarea>"},
      // The parser drops one newline after <pre>; the serialiser writes it back.
      {"<pre>\n\nline</pre>", "<pre>\n\nline</pre>"},
      // Style attributes as NAME: value.
      {"<img style=\"width:99px;height:63px\">", "<img style=\"WIDTH: 99px; HEIGHT: 63px\">"},
      {"<p style=\"  color : red ; ; background:url(a;b.gif) \">x</p>",
       "<p style=\"COLOR: red; BACKGROUND: url(a;b.gif)\">x</p>"},
      {"<p style=\";\">x</p>", "<p>x</p>"},
      // Picture sources resolve against the document's address (the resolving itself is checked
      // in browser_test.cpp); links keep what the page wrote.
      {"<img src=\"pics/a b.gif\">", "<img src=\"file:///home/ann/site/pics/a%20b.gif\">", site},
      {"<a href=\"b.html\">b</a>", "<a href=\"b.html\">b</a>", site},
      // Inline SVG and MathML keep their names, attributes and text in order; "<svg" and
      // "<math" as text, in attribute values and in comments stay as written.
      {"<p>a<SVG viewBox=\"0 0 1 1\"><path d=\"M0\"></path><text>in</text></SVG>b<math><mi>x</mi></math></p>",
       "<p>a<svg viewbox=\"0 0 1 1\"><path d=\"M0\"></path><text>in</text></svg>b<math><mi>x</mi></math></p>"},
      {"<p title=\"<svg>\">x</p><textarea><Math> </svg></textarea><!-- <svg/> --><style>a{content:\"</math>\"}</style>",
       "<p title=\"<svg>\">x</p><textarea>&lt;Math&gt; &lt;/svg&gt;</textarea><!-- <svg/> "
       "--><style>a{content:\"</math>\"}</style>"},
  };
  for (const auto& c : cases) {
    std::string once = roundTrip(c.in, c.url);
    EXPECT_EQ(once, c.expected) << c.in;
    EXPECT_EQ(roundTrip(once, c.url), once) << c.in;
  }
}

TEST(Markup, InnerAndOuterHtmlParseInTheElementsContextAndInnerTextIsNoMarkup) {
  auto doc = Document::createBlank();
  auto table = doc->createElement("TABLE");
  table->setInnerHTML("<tr><td>cell</td></tr>");
  EXPECT_EQ(table->rows().size(), 1u);
  EXPECT_EQ(table->innerHTML(), "<tbody><tr><td>cell</td></tr></tbody>");

  // In a body the same markup has no table to go into: only the text stays.
  auto body = doc->body();
  body->setInnerHTML("<tr><td>cell</td></tr>");
  EXPECT_EQ(body->innerHTML(), "cell");

  // Outer HTML replaces the element in its parent; a detached element has no place to take it.
  body->setInnerHTML("<p>a</p><div id=x>old</div><p>b</p>");
  auto div = doc->getElementById("x");
  EXPECT_EQ(div->outerHTML(), "<div id=\"x\">old</div>");
  div->setOuterHTML("<span>new</span><i>too</i>");
  EXPECT_EQ(body->innerHTML(), "<p>a</p><span>new</span><i>too</i><p>b</p>");
  EXPECT_EQ(div->parentNode(), nullptr);
  EXPECT_THROW(div->setOuterHTML("<b>x</b>"), tavro::com::ComError);

  // Inner text is never read as markup.
  auto cell = doc->createElement("TD");
  cell->setInnerHTML("<b>old</b> content");
  cell->setInnerText("<i>a & b</i>");
  ASSERT_EQ(cell->childNodes().size(), 1u);
  EXPECT_EQ(cell->childNodes()[0]->nodeType(), NodeType::Text);
  EXPECT_EQ(cell->innerText(), "<i>a & b</i>");
  EXPECT_EQ(cell->innerHTML(), "&lt;i&gt;a &amp; b&lt;/i&gt;");
  cell->setInnerText("");
  EXPECT_TRUE(cell->childNodes().empty());
  cell->setInnerHTML("one<br>two<script>x()</script>");
  EXPECT_EQ(cell->innerText(), "one\ntwo");
}
