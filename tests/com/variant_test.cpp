#include "platform/com/comerror.h"
#include "platform/com/variant.h"

#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

using namespace tavro::com;

TEST(Variant, BooleansAreSixteenBitMinusOne) {
  EXPECT_EQ(Variant(true).toLong(), -1);
  EXPECT_EQ(Variant(true).toVBool(), -1);
  EXPECT_EQ(Variant(false).toLong(), 0);
  EXPECT_EQ(Variant(true).toString(), "True");
  EXPECT_TRUE(Variant::boolean(1).toBool());
  EXPECT_EQ(Variant::boolean(1).toVBool(), vbTrue);
}

TEST(Variant, ConvertsLikeLateBoundCode) {
  EXPECT_EQ(Variant().toString(), "");
  EXPECT_EQ(Variant().toLong(), 0);
  EXPECT_EQ(Variant(" 42 ").toLong(), 42);
  EXPECT_EQ(Variant(2.5).toLong(), 2); // halves go to the even neighbour
  EXPECT_EQ(Variant(3.5).toLong(), 4);
  EXPECT_EQ(Variant(-2.5).toLong(), -2);
  EXPECT_EQ(Variant(1.25).toString(), "1.25");
  EXPECT_TRUE(Variant("True").toBool());
  EXPECT_EQ(tavro::test::comErrorOf([] { Variant("abc").toLong(); }), errTypeMismatch);
  EXPECT_EQ(tavro::test::comErrorOf([] { Variant(1e12).toLong(); }), errOverflow);
  EXPECT_EQ(tavro::test::comErrorOf([] { Variant().toObject(); }), errObjectNotSet);
  EXPECT_EQ(tavro::test::comErrorOf([] { Variant(ObjectPtr()).toObject(); }), errObjectNotSet);
  EXPECT_EQ(tavro::test::comErrorOf([] { Variant(5).toObject(); }), errObjectRequired);
}
