// HtmlToXmlDocument: body markup as the XML document the conversion reads.

#include "conversion/htmltoxmldocument.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(HtmlToXmlDocument, GivesTheMarkupUnderABodyRootAndNothingForNoMarkup) {
  EXPECT_FALSE(conversion::HtmlToXmlDocument("").has_value());
  auto doc = conversion::HtmlToXmlDocument("<P>Hello <B>world</B><TABLE><TR><TD>x</TABLE>");
  ASSERT_TRUE(doc.has_value());
  EXPECT_EQ(doc->parseError().errorCode, 0);
  EXPECT_EQ(doc->xml(), "<body><p>Hello <b>world</b></p><table><tbody><tr><td>x</td></tr></tbody></table></body>");
  EXPECT_EQ(doc->selectNodes("//tbody").size(), 1u);
}
