// HTMLIMPORT: an HTML page held as XML (a body root, lower-case names) to a one-card WML deck.

#include "tests/resources/stylesheets.h"

#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <string>

using namespace tavro;
using test::importHtml;

namespace {

/// The canonical text of a deck whose card holds the given markup.
std::string deck(const std::string& card) { return test::canonical("<wml><card>" + card + "</card></wml>", false); }

std::string body(const std::string& content) { return "<body>" + content + "</body>"; }

// Each body content, imported, gives a card holding the content beside it.
void expectImported(std::initializer_list<std::pair<std::string, std::string>> cases) {
  for (const auto& [html, wml] : cases)
    EXPECT_EQ(importHtml(body(html)), deck(wml)) << html;
}

} // namespace

TEST(HtmlImport, TextStaysAndBlocksAreMarked) {
  expectImported({
      {"", ""},
      // Text stays as it stands, white space included (the next pass gathers it into paragraphs);
      // blocks are marked where they begin and end.
      {"\n<div>in a div</div><hr/>", "\n<?break?>in a div<?break?><?break?><?break?>"},
      // What a browser does not show gives nothing.
      {"<style>p { color: red }</style>a<script>x()</script><noframes>n</noframes>", "a"},
  });
}

TEST(HtmlImport, ListsBecomeLeftAlignedParagraphs) {
  // A list left open holds the rest of the page, in order and as it was.
  std::string rest;
  for (int i = 0; i < 1000; ++i)
    rest += "<b>" + std::to_string(i) + "</b>text<br/>";
  expectImported({
      {"<ol start=\"5\"><li>one</li><li>two</li><li>three</li></ol>",
       "<p align=\"left\">1. one<br/>2. two<br/>3. three<br/></p>"},
      {"<ul id=\"u\" class=\"c\" lang=\"fr\" type=\"disc\"><li>a</li><li><b>b</b></li></ul>",
       "<p align=\"left\" xml:lang=\"fr\" id=\"u\" class=\"c\">\xC2\xB7"
       "a<br/>\xC2\xB7<b>b</b><br/></p>"},
      {"<dl><dt id=\"t\">term</dt><dd>said</dd></dl><address>here</address>",
       "<p align=\"left\"><b id=\"t\">term</b><br/>\xC2\xA0\xC2\xA0said<br/></p><p align=\"left\">here</p>"},
      // An item outside ul and ol keeps its content only; numbering counts items, not other nodes.
      {"<div><li>loose</li></div><ol><li>x</li><!--c--><li>y</li></ol>",
       "<?break?><?break?>loose<?break?><?break?><p align=\"left\">1. x<br/><!--c-->2. y<br/></p>"},
      // Whatever else an ordered list holds keeps its place among the items. A list or a paragraph
      // inside a list goes on in the list's paragraph from a new line, its items indented; an item
      // that ends with a list has no break of its own after it.
      {"<ol>lead<li>x<ol><li>in</li></ol></li><p>mid</p><li/>tail<b>end</b></ol><ol>no items</ol>",
       "<p align=\"left\">lead1. x<?break?>\xC2\xA0\xC2\xA0"
       "1. in<br/><?break?><?break?>mid<?break?>2. <br/>tail<b>end</b></p><p align=\"left\">no items</p>"},
      {"<ul><li>a<ul><li>b<ol><li>c</li></ol></li></ul></li></ul>", "<p align=\"left\">\xC2\xB7"
                                                                    "a<?break?>\xC2\xA0\xC2\xA0\xC2\xB7"
                                                                    "b<?break?>"
                                                                    "\xC2\xA0\xC2\xA0\xC2\xA0\xC2\xA0"
                                                                    "1. c<br/><?break?><?break?></p>"},
      // A pre in a list keeps its lines from a line of their own.
      {"<ul><li>a<pre id=\"p\">in\nlist</pre></li></ul>", "<p align=\"left\">\xC2\xB7"
                                                          "a<?break?><?id p?>in<br/>list<?break?><br/></p>"},
      {"<ol><li>a</li>" + rest + "<li>b</li>" + rest + "</ol>",
       "<p align=\"left\">1. a<br/>" + rest + "2. b<br/>" + rest + "</p>"},
  });
}

TEST(HtmlImport, ParagraphsPreAndQuotations) {
  // A pre of many lines converts within the template depth.
  std::string lines, breaks;
  for (int i = 0; i < 6000; ++i) {
    lines += "line " + std::to_string(i) + "\n";
    breaks += "line " + std::to_string(i) + "<br/>";
  }
  expectImported({
      // Paragraphs keep align, mode, language and the core attributes.
      {"<p align=\"center\" mode=\"wrap\" xml:lang=\"de\" lang=\"fr\" id=\"i\" class=\"k\" style=\"x\">text</p><p/>"
       "<p lang=\"en\">b</p>",
       "<p align=\"center\" mode=\"wrap\" xml:lang=\"de\" id=\"i\" class=\"k\">text</p><p/><p xml:lang=\"en\">b</p>"},
      // The preview says in its style that a paragraph's lines do not wrap.
      {"<p style=\"WHITE-SPACE: nowrap\">n</p>", "<p mode=\"nowrap\">n</p>"},
      // Pre keeps its lines as breaks; line feeds inside an element of the pre stay text, and
      // two in a row give two breaks.
      {"<pre id=\"x\">line1\nline2\n</pre>", "<p align=\"left\" mode=\"nowrap\"><?id x?>line1<br/>line2<br/></p>"},
      {"<pre>a\n<b>b\nc</b>\n\nd</pre>", "<p align=\"left\" mode=\"nowrap\">a<br/><b>b\nc</b><br/><br/>d</p>"},
      {"<pre>" + lines + "</pre>", "<p align=\"left\" mode=\"nowrap\">" + breaks + "</p>"},
      // Quotations name their source.
      {"<blockquote cite=\"http://x/\">quoted</blockquote><blockquote>plain</blockquote>",
       "<?break?><p>\n\t\t\t[From <a "
       "href=\"http://x/\">http://x/</a>]\n\t\t</p>quoted<?break?><?break?>plain<?break?>"},
      {"<q cite=\"c.htm\">said</q><q><i>it</i></q>",
       "\n\t\t[From <a href=\"c.htm\">c.htm</a>]\n\t\"said\"\"<i>it</i>\""},
  });
}

TEST(HtmlImport, FormControlsAndPictures) {
  expectImported({
      {"<select multiple=\"true\" name=\"s\" title=\"t\" tabindex=\"2\" onchange=\"x\"><optgroup label=\"L\" id=\"g\">"
       "<option value=\"1\" onpick=\"p.wml\" selected=\"selected\">One</option><option "
       "value=\"2\"/></optgroup></select>"
       "<select multiple=\"multiple\"><optgroup/></select>",
       "<select multiple=\"true\" name=\"s\" title=\"t\" tabindex=\"2\"><optgroup title=\"L\" id=\"g\">"
       "<option value=\"1\" onpick=\"p.wml\">One</option><option value=\"2\"/></optgroup></select>"
       "<select multiple=\"true\"><optgroup/></select>"},
      // Only text entry survives: "text" and "password" in any case, and an input without a type.
      {"<input type=\"text\" name=\"a\" size=\"5\" maxlength=\"9\" format=\"*N\" emptyok=\"true\" onclick=\"x\"/>"
       "<input type=\"password\" name=\"p\"/><input type=\"checkbox\" name=\"c\"/><input name=\"n\"/>"
       "<input type=\"TEXT\"/>",
       "<input type=\"text\" name=\"a\" size=\"5\" maxlength=\"9\" format=\"*N\" emptyok=\"true\"/>"
       "<input type=\"password\" name=\"p\"/><input name=\"n\"/><input type=\"text\"/>"},
      // Pictures take their size from the style text.
      {"<img src=\"x.png\" style=\"WIDTH: 99px; HEIGHT: 63px\" width=\"10\" align=\"left\"/>",
       "<img alt=\"x.png\" src=\"x.png\" height=\"63\" width=\"99\"/>"},
      {"<img src=\"y\" alt=\"why\" style=\"COLOR: red\" height=\"5\" align=\"middle\" vspace=\"2\" hspace=\"3\" "
       "localsrc=\"l\" id=\"i\" border=\"0\"/>",
       "<img align=\"middle\" alt=\"why\" src=\"y\" vspace=\"2\" hspace=\"3\" localsrc=\"l\" height=\"\" width=\"\" "
       "id=\"i\"/>"},
      // Without style the own size counts; without alt and src the alt is empty; align is case-sensitive.
      {"<img width=\"7\" height=\"8\" align=\"Top\"/><img align=\"bottom\" style=\"WIDTH: 5em\"/>",
       "<img alt=\"\" width=\"7\" height=\"8\"/><img align=\"bottom\" alt=\"\" height=\"\" width=\"\"/>"},
  });
}

TEST(HtmlImport, Links) {
  expectImported({
      // A simple link keeps its content exactly.
      {"<a href=\"s.wml\" title=\"t\" id=\"i\" class=\"c\" onclick=\"j\"><img src=\"s.gif\" border=\"0\"/>go<br/></a>",
       "<a href=\"s.wml\" title=\"t\" id=\"i\" class=\"c\"><img src=\"s.gif\" border=\"0\"/>go<br/></a>"},
      {"<a name=\"n\">txt<img src=\"q\"/></a><a href=\"e\"/>", "<?id n?>txt<img src=\"q\"/><a href=\"e\"/>"},
      // A compound link becomes one link per piece.
      {"<a href=\"u.wml\" title=\"T\"><b>word</b> tail</a>",
       "<b><a href=\"u.wml\" title=\"T\">word</a></b><a href=\"u.wml\" title=\"T\"> tail</a>"},
      {"<a href=\"u\" id=\"z\"><font><img src=\"p.gif\"/></font><br/><i>t</i></a>",
       "<?id z?><a href=\"u\"><img alt=\"p.gif\" src=\"p.gif\"/></a><a href=\"u\"><br/></a><i><a href=\"u\">t</a></i>"},
      // Without a target the text stays and pictures and breaks go. A link that leaves no link
      // element of its own leaves its id, or its name, where it stood.
      {"<a name=\"n\"><b>x</b><img src=\"q\"/><br/>y</a>", "<?id n?><b>x</b>y"},
      // WML's own anchor keeps its text; the task inside has no rule.
      {"<anchor title=\"t\" id=\"a\">Next<go href=\"#n\"/></anchor>", "<anchor title=\"t\" id=\"a\">Next</anchor>"},
  });
}

TEST(HtmlImport, TablesCountTheWidestRowAndFlattenRowsIntoOneCellPerPiece) {
  auto row = [](int cells) {
    std::string tr = "<tr>";
    for (int i = 0; i < cells; ++i)
      tr += "<td>c</td>";
    return tr + "</tr>";
  };
  const std::string rows = row(2) + row(10) + row(9);
  expectImported({
      // Counted as numbers, not as text; header cells count as cells; no rows: an empty count.
      {"<table><tbody>" + rows + "</tbody></table>", "<table columns=\"10\">" + rows + "</table>"},
      {"<table id=\"t\" align=\"left\"><tr><th>only th</th></tr></table><table><tbody/></table>",
       "<table align=\"left\" columns=\"1\" id=\"t\"><tr><td>only th</td></tr></table><table columns=\"\"/>"},
      // The caption goes before the table on a line of its own; the rows of the head, the bodies
      // and the foot follow in page order; the attributes are the table's own.
      {"<table id=\"t\" title=\"T\" align=\"center\" border=\"1\"><caption>cap</caption><thead><tr><td>h</td></tr>"
       "</thead><tbody id=\"b\" class=\"c\" lang=\"en\"><tr id=\"r\" class=\"rc\" align=\"x\"><td id=\"d\">a</td></tr>"
       "</tbody><tfoot><tr><td>f</td></tr></tfoot></table>",
       "<?break?>cap<?break?><table title=\"T\" align=\"center\" columns=\"1\" id=\"t\">"
       "<tr><td>h</td></tr><tr id=\"r\" class=\"rc\"><?id d?><td>a</td></tr><tr><td>f</td></tr></table>"},
      {"<table><tbody id=\"a\"><tr><td>1</td></tr></tbody><tbody "
       "id=\"b\"><tr><td>2</td><td>3</td></tr></tbody></table>",
       "<table columns=\"2\"><tr><td>1</td></tr><tr><td>2</td><td>3</td></tr></table>"},
      {"<table><tbody><tr><td><b>bold</b> text</td><td><a href=\"l\" title=\"lt\" id=\"q\">link<img "
       "src=\"i\"/><br/><!--c--></a></td>"
       "<td><p>x<br/><img src=\"m.gif\" width=\"3\" height=\"4\"/></p></td>"
       "<td><anchor title=\"n\">Next<go href=\"#n\"/></anchor></td>"
       "<th>head<a href=\"h\">hl</a><img src=\"th.gif\"/><br/></th>"
       "<td><!--c--><table><tbody><tr><td>inner</td></tr></tbody></table></td></tr></tbody></table>",
       "<table columns=\"6\"><tr><td>bold</td><td> text</td>"
       "<td><?id q?><a href=\"l\" title=\"lt\">link<img alt=\"i\" src=\"i\"/><br/></a></td>"
       "<td>x</td><td><br/></td><td><img alt=\"m.gif\" src=\"m.gif\" width=\"3\" height=\"4\"/></td>"
       "<td><anchor title=\"n\">Next<go href=\"#n\"/></anchor></td>"
       "<td>head</td><td><a href=\"h\">hl</a></td><td><img alt=\"th.gif\" src=\"th.gif\"/></td><td><br/></td>"
       "<td>inner</td></tr></table>"},
      // A heading's first text takes the heading's id to its cell.
      {"<table><tr><td><h3><a name=\"f\"></a>Function: <b>f</b></h3></td></tr></table>",
       "<table columns=\"1\"><tr><td id=\"f\">Function: </td><td>f</td></tr></table>"},
      // White space between the pieces gives no cell; a link without a target gives its text.
      {"<table><tr><td><b>a</b> <i>b</i></td><td><a name=\"n\">t</a></td></tr></table>",
       "<table columns=\"2\"><tr><td>a</td><td>b</td><?id n?><td>t</td></tr></table>"},
  });
}

TEST(HtmlImport, InlineElementsMapToTheirWmlStandIns) {
  const std::pair<const char*, const char*> mapping[] = {
      {"em", "em"},       {"strong", "strong"}, {"b", "b"},      {"i", "i"},    {"u", "u"},     {"big", "big"},
      {"small", "small"}, {"dfn", "i"},         {"cite", "i"},   {"var", "i"},  {"quote", "i"}, {"acronym", "i"},
      {"code", "em"},     {"samp", "em"},       {"bdo", "em"},   {"kbd", "em"}, {"tt", "em"},   {"abbr", "u"},
      {"strike", "u"},    {"h1", "big"},        {"h2", "big"},   {"h3", "big"}, {"sup", "big"}, {"h4", "small"},
      {"h5", "small"},    {"h6", "small"},      {"sub", "small"}};
  for (const auto& [html, wml] : mapping) {
    const std::string h(html), w(wml);
    // A heading stands on a line of its own; headings and formatting that keeps its name keep
    // their id, the others leave it at the start of their stand-in.
    const std::string mark = h.size() == 2 && h[0] == 'h' ? "<?break?>" : "";
    const bool keepsId = h == w || !mark.empty();
    const std::string startTag = "<" + w + (keepsId ? " id=\"i\">" : "><?id i?>");
    EXPECT_EQ(importHtml(body("<" + h + " id=\"i\" title=\"t\">x<br clear=\"all\"/></" + h + "><" + h + "/>")),
              deck(mark + startTag + "x<br/></" + w + ">" + mark + mark + "<" + w + "/>" + mark))
        << html;
  }
  // A heading without an id takes that of the first target in it.
  EXPECT_EQ(importHtml(body("<h2><a name=\"n\"></a>A <a id=\"i\">B</a></h2><h5><a href=\"#n\" id=\"l\">C</a></h5>")),
            deck("<?break?><big id=\"n\">A <?id i?>B</big><?break?><?break?><small><a href=\"#n\" "
                 "id=\"l\">C</a></small><?break?>"));
  // Elements without a rule leave their id and their content in their place; blocks are marked
  // off.
  const std::pair<const char*, bool> others[] = {{"span", false},   {"th", false}, {"thead", false}, {"caption", false},
                                                 {"x-y", false},    {"div", true}, {"form", true},   {"center", true},
                                                 {"section", true}, {"hr", true}};
  for (const auto& [name, block] : others) {
    // A block is marked off at both ends: the empty one after the first gives two marks more.
    const std::string n(name), mark = block ? "<?break?>" : "";
    EXPECT_EQ(importHtml(body("<i><" + n + " id=\"i\">in <b>" + n + "</b></" + n + "><" + n + "/></i>")),
              deck("<i>" + mark + "<?id i?>in <b>" + n + "</b>" + mark + mark + mark + "</i>"))
        << name;
  }
}

TEST(HtmlImport, CommentsStayWellFormed) {
  // An HTML comment may hold "--" or end with "-"; the deck must still parse. Such comments
  // cannot be written as XML text, so the input is built node by node.
  xml::XmlDocument input = test::parse(body("<b/><a href=\"u\">go</a>"));
  xmlNodePtr root = xmlDocGetRootElement(input.get());
  xmlAddChild(root, xmlNewDocComment(input.get(), BAD_CAST "a -- b -"));
  xmlAddChild(root->children->next, xmlNewDocComment(input.get(), BAD_CAST "--->"));
  std::string hyphens(20001, '-');
  xmlAddChild(root->children, xmlNewDocComment(input.get(), BAD_CAST hyphens.c_str()));
  std::string spaced;
  for (std::size_t i = 0; i < hyphens.size(); ++i)
    spaced += i ? " -" : "-";
  EXPECT_EQ(test::canonical(test::applyStylesheet("HTMLIMPORT", input), false),
            deck("<b><!--" + spaced + " --></b><a href=\"u\">go<!--- - ->--></a><!--a - - b - -->"));
}
