// Taming the pages the wizard shows.

#include "htmlimport/browsertaming.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::html;
using namespace tavro::htmlimport;

namespace {

const char kFormPage[] = "<html><head><script>alert(1)</script></head><body onload=go()>"
                         "<form><input type=text name=t><input type=radio name=r id=r1><button>b</button>"
                         "<select><option>o</select><textarea>x</textarea></form>"
                         "<table><tr><td><a href=next.html>link</a></td></tr></table>"
                         "<object data=movie.swf><param name=p value=v><object "
                         "data=inner.swf><script>x()</script></object><embed src=movie.swf></object>"
                         "<p>text<script>document.write('x')</script></p></body></html>";

} // namespace

TEST(Taming, DisablesControlsRemovesObjectsAndScriptsAndSwallowsEventsUntilDetached) {
  test::TempDir dir;
  const std::string page = dir.file("form.html");
  test::writeFile(page, kFormPage);
  Browser browser;
  // A page already on show is taken whole when the taming starts; detached, the taming stops.
  ASSERT_TRUE(browser.Navigate(page));
  {
    BrowserTaming shown(browser);
    const auto& doc = browser.Document();
    EXPECT_FALSE(doc->dispatchClick(nullptr));
    EXPECT_TRUE(doc->getElementsByTagName("INPUT")[0]->disabled());
    EXPECT_TRUE(doc->getElementsByTagName("SCRIPT").empty());
    EXPECT_FALSE(doc->parentWindow()->reportError("Object expected", page, 1));
  }
  EXPECT_TRUE(browser.Document()->dispatchClick(nullptr));
  ASSERT_TRUE(browser.Navigate(page));
  EXPECT_FALSE(browser.Document()->getElementsByTagName("INPUT")[0]->disabled());
  EXPECT_FALSE(browser.Document()->getElementsByTagName("SCRIPT").empty());

  BrowserTaming taming(browser);
  // What NavigateComplete2 left for DocumentComplete.
  bool objectsAtNavigate = false;
  browser.NavigateComplete2.connect([&](Browser& b, const std::string&) {
    const auto objects = b.Document()->getElementsByTagName("OBJECT");
    objectsAtNavigate = !objects.empty();
    if (objectsAtNavigate) {
      EXPECT_TRUE(objects[0]->disabled());
    }
  });
  ASSERT_TRUE(browser.Navigate(page));
  auto doc = browser.Document();
  EXPECT_TRUE(objectsAtNavigate);

  const std::pair<const char*, bool> disabled[] = {{"INPUT", true},   {"BUTTON", true},    {"TABLE", true},
                                                   {"SELECT", false}, {"TEXTAREA", false}, {"A", false},
                                                   {"TD", false},     {"FORM", false}};
  for (const auto& [tag, off] : disabled)
    for (const auto& e : doc->getElementsByTagName(tag))
      EXPECT_EQ(e->disabled(), off) << tag;
  EXPECT_TRUE(doc->getElementsByTagName("OBJECT").empty());
  EXPECT_TRUE(doc->getElementsByTagName("SCRIPT").empty());
  EXPECT_TRUE(doc->getElementsByTagName("PARAM").empty()); // went with its object
  EXPECT_EQ(doc->getElementsByTagName("P")[0]->innerHTML(), "text");

  // Clicks, context menus and keys are swallowed.
  auto link = doc->getElementsByTagName("A")[0];
  EXPECT_FALSE(doc->dispatchClick(link));
  EXPECT_FALSE(doc->dispatchClick(nullptr));
  EXPECT_FALSE(doc->dispatchContextMenu(link));
  EXPECT_FALSE(doc->dispatchKeyDown(13));
  // The disabled radio button cannot be checked.
  EXPECT_FALSE(doc->dispatchClick(doc->getElementById("r1")));
  EXPECT_FALSE(doc->getElementById("r1")->checked());
  EXPECT_EQ(browser.LocationURL(), doc->url());

  // Every later page is tamed too, the wizard's own blank pages included.
  ASSERT_TRUE(browser.Navigate("about:blank"));
  EXPECT_FALSE(browser.Document()->dispatchClick(nullptr));
  EXPECT_FALSE(browser.Document()->dispatchKeyDown(65));

  // Page errors are answered, not shown.
  EXPECT_FALSE(browser.Document()->parentWindow()->reportError("Object expected", "about:blank", 3));
  ASSERT_NE(taming.state().evtObj, nullptr);
  EXPECT_EQ(taming.state().evtObj->returnValue(), false);
}
