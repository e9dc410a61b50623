// The saved properties of a control.

#include "platform/qt/propertybag.h"

#include <gtest/gtest.h>

using namespace tavro;
using tavro::com::Variant;
using tavro::qt::PropertyBag;

TEST(PropertyBag, StoresOnlyWhatDiffersFromTheDefaultUnderOneNameWhateverItsCase) {
  PropertyBag bag;
  bag.writeProperty("Caption", Variant("Next >"), Variant(""));
  bag.writeProperty("CAPTION", Variant("Finish"), Variant(""));
  bag.writeProperty("Enabled", Variant(false), Variant(0)); // False equals 0: not stored
  bag.writeProperty("Width", Variant(924.0), Variant(0));
  ASSERT_EQ(bag.entries().size(), 2u);
  EXPECT_EQ(bag.entries()[0].first, "Caption");
  EXPECT_EQ(bag.readProperty("caption").toString(), "Finish");
  EXPECT_EQ(bag.readProperty("width").toLong(), 924);
  EXPECT_EQ(bag.readProperty("Enabled", Variant(true)).toVBool(), com::vbTrue);

  bag.writeProperty("width", Variant(0), Variant(0));
  EXPECT_FALSE(bag.contains("Width"));
}
