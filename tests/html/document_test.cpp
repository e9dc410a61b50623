// The document model as the wizard and a view use it: elements, attributes, properties,
// tables, events and change reports.

#include "platform/com/dispatch.h"
#include "platform/html/document.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::html;

namespace {

// An object whose default member counts its calls and answers with a set result.
class Counter : public com::Automation<Counter> {
public:
  static std::string className() { return "Counter"; }
  static const std::vector<com::Member<Counter>>& members() {
    static const std::vector<com::Member<Counter>> table{
        {"Fire", com::CallKind::Method,
         [](Counter& c, com::Args&) {
           ++c.calls;
           if (c.fail)
             throw com::ComError(5, "handler failed");
           return c.result;
         },
         com::dispidValue},
    };
    return table;
  }
  int calls = 0;
  bool fail = false;
  com::Variant result;
};

DocumentPtr page(const std::string& markup) { return Document::parse(markup, "file:///tmp/page.html"); }

} // namespace

TEST(Document, NamesElementsInUpperCaseAndFindsThemAndTheirAttributesInAnyCase) {
  auto doc = page("<html><body><p>a</p><Table><tr><td>x</td></tr></Table><P>b</P></body></html>");
  auto ps = doc->getElementsByTagName("p");
  ASSERT_EQ(ps.size(), 2u);
  EXPECT_EQ(ps[0]->tagName(), "P");
  EXPECT_EQ(doc->getElementsByTagName("tBoDy").size(), 1u);
  // "*" and the all collection: HTML, HEAD, BODY, P, TABLE, TBODY, TR, TD, P.
  EXPECT_EQ(doc->getElementsByTagName("*").size(), 9u);
  ASSERT_EQ(doc->all().size(), 9u);
  EXPECT_EQ(doc->all()[0]->tagName(), "HTML");
  EXPECT_EQ(doc->body()->getElementsByTagName("*").size(), 6u);

  auto input = doc->createElement("INPUT");
  input->setAttribute("TYPE", "radio");
  input->setAttribute("ID", "main.htm");
  EXPECT_EQ(input->getAttribute("type"), "radio");
  EXPECT_EQ(input->attribute("Id"), "main.htm");
  input->setAttribute("id", "other.htm");
  EXPECT_EQ(input->outerHTML(), "<input type=\"radio\" id=\"other.htm\">");
  EXPECT_FALSE(input->getAttribute("name").has_value());
  EXPECT_TRUE(input->removeAttribute("TYPE"));
  EXPECT_FALSE(input->hasAttribute("type"));
  // The checked and disabled properties stand for their attributes.
  input->setChecked(true);
  input->setDisabled(true);
  EXPECT_EQ(input->outerHTML(), "<input id=\"other.htm\" checked=\"\" disabled=\"\">");
  input->setChecked(false);
  EXPECT_FALSE(input->hasAttribute("checked"));
  for (const char* bad : {"", "a b", "a=b", "x\"", "a/b"}) {
    EXPECT_EQ(test::comErrorOf([&] { input->setAttribute(bad, "v"); }), 5);
  }

  // Clearing the attributes keeps the id and the style.
  auto styled = page("<body id=b bgcolor=black onload=x() style=\"color:red\" text=white>hi</body>");
  auto body = styled->body();
  body->clearAttributes();
  ASSERT_EQ(body->attributes().size(), 2u);
  EXPECT_EQ(body->id(), "b");
  EXPECT_EQ(body->style().getPropertyValue("color"), "red");
}

TEST(Document, TablesGetRowsAndCells) {
  auto doc = Document::createBlank();
  auto table = doc->createElement("TABLE");
  auto row = table->insertRow();
  for (const char* name : {"a", "b", "c", "d", "e"}) {
    if (row->cells().size() == 4)
      row = table->insertRow();
    row->insertCell()->setInnerText(name);
  }
  auto rows = table->rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(table->outerHTML(),
            "<table><tbody><tr><td>a</td><td>b</td><td>c</td><td>d</td></tr><tr><td>e</td></tr></tbody></table>");
  // Rows and cells go where the index says.
  table->insertRow(0)->insertCell()->setInnerText("first");
  rows[1]->insertCell(0)->setInnerText("e0");
  EXPECT_EQ(table->rows()[0]->innerText(), "first");
  EXPECT_EQ(table->rows()[2]->cells()[0]->innerText(), "e0");
  EXPECT_THROW(table->insertRow(9), com::ComError);
  EXPECT_THROW(doc->createElement("DIV")->insertRow(), com::ComError);
  EXPECT_THROW(doc->createElement("DIV")->insertCell(), com::ComError);
}

TEST(Document, StyleHoldsFontFamilyAndSize) {
  auto doc = Document::createBlank();
  auto body = doc->body();
  body->style().setFontFamily("Arial");
  body->style().setFontSize("12");
  EXPECT_EQ(body->attribute("style"), "FONT-FAMILY: Arial; FONT-SIZE: 12");
  body->style().setFontFamily("Verdana");
  EXPECT_EQ(body->attribute("style"), "FONT-FAMILY: Verdana; FONT-SIZE: 12");
  body->style().setFontSize("");
  body->style().setFontFamily("");
  EXPECT_FALSE(body->hasAttribute("style"));

  // A page's own style attribute reads back through the same properties.
  auto styled = page("<body style='font-size: 10pt;font-family:Courier'><p>x</p></body>");
  EXPECT_EQ(styled->body()->style().fontSize(), "10pt");
  EXPECT_EQ(styled->body()->style().fontFamily(), "Courier");
}

TEST(Document, ClickCallsTheObjectHeldByOnclickAndBubblesToTheDocument) {
  auto doc = page("<p><b id=t>text</b></p>");
  auto target = doc->getElementById("t");
  auto onElement = std::make_shared<Counter>();
  auto onParagraph = std::make_shared<Counter>();
  auto onDocument = std::make_shared<Counter>();
  target->setOnclick(onElement);
  target->parentNode()->setOnclick(onParagraph);
  doc->setOnclick(onDocument);
  std::vector<std::string> seen;
  doc->addEventListener("click", [&](Event& e) {
    seen.push_back(e.srcElement()->tagName());
    EXPECT_NE(doc->parentWindow()->event(), nullptr);
  });

  EXPECT_TRUE(doc->dispatchClick(target));
  EXPECT_EQ(onElement->calls, 1);
  EXPECT_EQ(onParagraph->calls, 1);
  EXPECT_EQ(onDocument->calls, 1);
  EXPECT_EQ(seen, std::vector<std::string>{"B"});
  EXPECT_EQ(doc->parentWindow()->event(), nullptr);

  // A handler that answers False cancels the default action.
  onParagraph->result = com::Variant(false);
  EXPECT_FALSE(doc->dispatchClick(target));
  EXPECT_EQ(onElement->calls, 2);

  // Removing the handler stops the calls.
  target->setOnclick(nullptr);
  doc->dispatchClick(target);
  EXPECT_EQ(onElement->calls, 2);

  // A handler that fails is reported as a page error and cancels nothing.
  onParagraph->fail = true;
  std::string reported;
  doc->parentWindow()->addEventListener("error", [&](Event& e) { reported = e.description; });
  EXPECT_TRUE(doc->dispatchClick(target));
  EXPECT_EQ(reported, "handler failed");
}

TEST(Document, ClickOnARadioButtonChecksItAndUnchecksItsGroup) {
  auto doc = page("<form><input type=radio name=g id=a checked><input type=radio name=g id=b>"
                  "<input type=radio name=other id=c checked></form>"
                  "<input type=radio name=g id=d checked>");
  auto a = doc->getElementById("a");
  auto b = doc->getElementById("b");
  EXPECT_TRUE(doc->dispatchClick(b));
  EXPECT_TRUE(b->checked());
  EXPECT_FALSE(a->checked());
  EXPECT_TRUE(doc->getElementById("c")->checked()); // another name
  EXPECT_TRUE(doc->getElementById("d")->checked()); // outside the form

  // Handlers see the new state; a cancelled click puts the old one back.
  bool sawChecked = false;
  int id = doc->addEventListener("click", [&](Event& e) {
    sawChecked = a->checked();
    e.setReturnValue(false);
  });
  EXPECT_FALSE(doc->dispatchClick(a));
  EXPECT_TRUE(sawChecked);
  EXPECT_FALSE(a->checked());
  EXPECT_TRUE(b->checked());
  doc->removeEventListener(id);

  // A disabled control takes no click at all.
  a->setDisabled(true);
  int calls = 0;
  doc->addEventListener("click", [&](Event&) { ++calls; });
  EXPECT_FALSE(doc->dispatchClick(a));
  EXPECT_FALSE(a->checked());
  EXPECT_EQ(calls, 0);
}

TEST(Document, ReportsChangesOfItsTreeOnly) {
  auto doc = page("<div id=a><i>1</i><b id=x>2</b><i>3</i><b id=y>4</b></div><p id=p><b id=z>5<b id=w>6</b></b>7</p>");
  const auto version = doc->version();
  std::vector<std::string> changed;
  doc->changed.connect([&](Node& n) {
    changed.push_back(n.isElement() ? static_cast<Element&>(n).tagName() + static_cast<Element&>(n).id() : "#text");
  });

  auto detached = doc->createElement("DIV");
  detached->setInnerHTML("<b>x</b>");
  detached->setAttribute("id", "d");
  detached->appendChild(doc->createTextNode(" more"));
  EXPECT_TRUE(changed.empty());
  EXPECT_EQ(doc->version(), version);

  doc->body()->appendChild(detached);
  detached->setAttribute("title", "t");
  detached->firstChild()->firstChild()->setData("y");
  detached->remove();
  EXPECT_EQ(changed, (std::vector<std::string>{"BODY", "DIVd", "#text", "BODY"}));
  EXPECT_EQ(doc->version(), version + 4);

  // removeAll takes elements out of their parents in one pass, one report for each parent in
  // the document's tree; the inner B left a detached parent.
  changed.clear();
  auto bs = doc->getElementsByTagName("B");
  ASSERT_EQ(bs.size(), 4u);
  removeAll(bs);
  EXPECT_EQ(doc->body()->innerHTML(), "<div id=\"a\"><i>1</i><i>3</i></div><p id=\"p\">7</p>");
  EXPECT_EQ(changed, (std::vector<std::string>{"DIVa", "Pp"}));
  for (const auto& b : bs)
    EXPECT_EQ(b->parentNode(), nullptr);
  EXPECT_EQ(bs[2]->innerHTML(), "5");
}

TEST(Document, RejectsInsertingAnElementIntoItself) {
  auto doc = Document::createBlank();
  auto outer = doc->createElement("DIV");
  auto inner = doc->createElement("SPAN");
  outer->appendChild(inner);
  EXPECT_THROW(inner->appendChild(outer), com::ComError);
  EXPECT_THROW(outer->appendChild(outer), com::ComError);
  EXPECT_THROW(outer->replaceChild(doc->createElement("B"), nullptr), com::ComError);
  // Moving a node takes it from its old place.
  auto other = doc->createElement("P");
  other->appendChild(inner);
  EXPECT_TRUE(outer->childNodes().empty());
  EXPECT_EQ(inner->parentNode(), other);
  // Moved into another document, it takes all below it along, as events there need.
  auto bold = doc->createElement("B");
  inner->appendChild(bold);
  auto elsewhere = Document::createBlank();
  elsewhere->body()->appendChild(other);
  EXPECT_EQ(bold->ownerDocument(), elsewhere);
}

TEST(Document, VeryDeepTreesCostNoStack) {
  // Built through the API, where no parser bound applies: from the bottom up, then attached.
  auto doc = Document::createBlank();
  auto bottom = doc->createElement("DIV");
  bottom->appendChild(doc->createTextNode("bottom"));
  ElementPtr top = bottom;
  for (int i = 1; i < 200000; ++i) {
    auto parent = doc->createElement("DIV");
    parent->appendChild(top);
    top = parent;
  }
  doc->body()->appendChild(top);
  EXPECT_EQ(doc->body()->textContent(), "bottom");
  std::string html = doc->body()->innerHTML();
  EXPECT_EQ(html.size(), 200000u * 11 + 6);
  EXPECT_EQ(doc->getElementsByTagName("div").size(), 200000u);
  doc->body()->setInnerText("gone");
  top.reset();
  EXPECT_EQ(bottom->textContent(), "bottom"); // still valid after its tree went
  EXPECT_EQ(bottom->parentNode(), nullptr);
}
