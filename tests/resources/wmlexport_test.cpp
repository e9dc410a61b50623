// WMLEXPORT: a WML deck to HTML markup, a body with one div per card.

#include "tests/resources/stylesheets.h"

#include <gtest/gtest.h>

#include <string>

using namespace tavro;

TEST(WmlExport, EachElementBecomesItsHtml) {
  const std::pair<const char*, const char*> cases[] = {
      {"<wml xml:lang=\"en\" id=\"w\"><head><meta name=\"author\" content=\"Ann\" forua=\"true\" id=\"m\"/>"
       "<meta http-equiv=\"Cache-Control\" content=\"max-age=0\" scheme=\"s\"/></head>"
       "<card title=\"A\" id=\"a\" newcontext=\"true\" onenterforward=\"#b\"><p>one</p></card>"
       "<card title=\"B\" lang=\"de\"><p>two</p></card></wml>",
       "<body lang=\"en\" id=\"w\"><whead><wmeta name=\"author\" content=\"Ann\" forua=\"true\" id=\"m\"/>"
       "<wmeta http-equiv=\"Cache-Control\" content=\"max-age=0\" scheme=\"s\"/></whead>"
       "<div title=\"A\" id=\"a\"><p>one</p></div><div title=\"B\" lang=\"de\"><p>two</p></div></body>"},
      // A head with only access gives an empty whead; one with neither gives nothing.
      {"<wml><head id=\"h\" lang=\"x\"><access domain=\"d\"/></head><card/></wml>",
       "<body><whead id=\"h\"/><div/></body>"},
      {"<wml><head/><card/></wml>", "<body><div/></body>"},
      {"<wml><card><p><select multiple=\"true\" name=\"s\" iname=\"i\" ivalue=\"1\" tabindex=\"3\">"
       "<optgroup><option value=\"a\" onpick=\"#x\" title=\"A\">A</option></optgroup>"
       "<optgroup title=\"G\"/></select><select multiple=\"false\"/>"
       "<input name=\"n\" type=\"checkbox\" emptyok=\"true\" format=\"*M\" size=\"2\" "
       "maxlength=\"4\" value=\"v\" title=\"t\" id=\"in\"/>"
       "<fieldset title=\"F\">f</fieldset><fieldset/></p></card></wml>",
       "<body><div><p><select multiple=\"multiple\" name=\"s\" iname=\"i\" ivalue=\"1\" tabindex=\"3\">"
       "<optgroup label=\"\"><option value=\"a\" onpick=\"#x\" title=\"A\">A</option></optgroup>"
       "<optgroup label=\"G\"/></select><select/>"
       "<input name=\"n\" type=\"checkbox\" emptyok=\"true\" format=\"*M\" size=\"2\" "
       "maxlength=\"4\" value=\"v\" title=\"t\" id=\"in\"/>"
       "<fieldset title=\"F\">f</fieldset><fieldset/></p></div></body>"},
      {"<wml><card><p align=\"center\" mode=\"nowrap\" id=\"p\">"
       "<img alt=\"a\" src=\"s.wbmp\" localsrc=\"l\" vspace=\"1\" hspace=\"2\" align=\"top\" "
       "height=\"3\" width=\"4\" class=\"c\"/><a href=\"#b\" title=\"B\" accesskey=\"1\">go</a>"
       "<table columns=\"2\" title=\"T\" align=\"LC\" bordercolor=\"red\" id=\"t\">"
       "<tr id=\"r\"><td xml:lang=\"en\">x</td><td/></tr></table></p></card></wml>",
       "<body><div><p align=\"center\" style=\"white-space: nowrap\" id=\"p\">"
       "<img alt=\"a\" src=\"s.wbmp\" localsrc=\"l\" vspace=\"1\" hspace=\"2\" align=\"top\" "
       "height=\"3\" width=\"4\" class=\"c\"/><a href=\"#b\" title=\"B\">go</a>"
       "<table columns=\"2\" title=\"T\" align=\"LC\" bordercolor=\"red\" border=\"1\" id=\"t\">"
       "<tr id=\"r\"><td lang=\"en\">x</td><td/></tr></table></p></div></body>"},
      // Formatting keeps its language, id and class.
      {"<wml><card><p><em id=\"1\">a</em><strong class=\"2\">b</strong><b lang=\"x\">c</b>"
       "<i>d</i><u>e</u><big id=\"3\">f</big><small class=\"4\">g</small><br id=\"5\"/></p></card></wml>",
       "<body><div><p><em id=\"1\">a</em><strong class=\"2\">b</strong><b lang=\"x\">c</b>"
       "<i>d</i><u>e</u><big id=\"3\">f</big><small class=\"4\">g</small><br id=\"5\"/></p></div></body>"},
      // Tasks and events leave nothing behind.
      {"<wml><template><do type=\"prev\"><prev/></do></template><card>"
       "<onevent type=\"ontimer\"><go href=\"#x\"/></onevent><timer value=\"10\"/>"
       "<do type=\"accept\" label=\"OK\"><go href=\"#n\"><postfield name=\"a\" value=\"b\"/></go></do>"
       "<p><anchor title=\"t\">Next<go href=\"#n\"/></anchor><pre>kept</pre><!-- note --></p></card></wml>",
       "<body><div><p><anchor title=\"t\">Next</anchor>kept<!-- note --></p></div></body>"},
  };
  for (const auto& [wml, html] : cases)
    EXPECT_EQ(test::canonical(test::applyStylesheet("WMLEXPORT", wml), true), test::canonical(html, true)) << wml;
}
