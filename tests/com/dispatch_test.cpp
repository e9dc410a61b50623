#include "platform/com/comerror.h"
#include "platform/com/enumerator.h"
#include "platform/com/variant.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::com;

namespace {

class Counter : public Automation<Counter> {
public:
  static std::string className() { return "Counter"; }
  static const std::vector<Member<Counter>>& members() {
    static const std::vector<Member<Counter>> table{
        {"Value", CallKind::Get, [](Counter& c, Args&) { return Variant(c.value); }, dispidValue},
        {"Value", CallKind::Put,
         [](Counter& c, Args& a) {
           c.value = argument(a, 0).toLong();
           return Variant();
         }},
        {"Add", CallKind::Method,
         [](Counter& c, Args& a) {
           c.value += argument(a, 0).toLong();
           if (a.size() > 1)
             a[1] = Variant(c.value); // a by-reference result
           return Variant(c.value);
         }},
    };
    return table;
  }
  int value = 0;
};

} // namespace

TEST(Dispatch, CallsMembersByNameWithoutRegardToCaseAndRaisesErrorsForOthers) {
  auto c = std::make_shared<Counter>();
  putProperty(c, "value", Variant(5));
  EXPECT_EQ(getProperty(c, "VALUE").toLong(), 5);
  EXPECT_EQ(callMethod(c, "add", {Variant(3)}).toLong(), 8);
  EXPECT_EQ(getProperty(c, "").toLong(), 8); // the default member
  Args args{Variant(1), Variant()};
  invoke(c, "Add", CallKind::Method, args);
  EXPECT_EQ(args[1].toLong(), 9);

  // Unknown members and missing arguments raise their errors.
  std::string message;
  EXPECT_EQ(test::comErrorOf([&] { getProperty(c, "Colour"); }, &message), 438);
  EXPECT_EQ(message, "Object doesn't support this property or method");
  // A property that can only be read cannot be written.
  EXPECT_THROW(putProperty(c, "Add", Variant(1)), ComError);
  EXPECT_EQ(test::comErrorOf([&] { callMethod(c, "Add"); }), 450);
  EXPECT_EQ(test::comErrorOf([&] { getProperty(nullptr, "Value"); }), 91);
}

TEST(Enumerator, WalksSkipsResetsAndClones) {
  auto e = std::make_shared<Enumerator>(std::vector<Variant>{Variant(1), Variant(2), Variant(3)});
  EXPECT_EQ(e->next(2), (std::vector<Variant>{Variant(1), Variant(2)}));
  auto copy = e->clone();
  EXPECT_EQ(e->next(5), (std::vector<Variant>{Variant(3)}));
  EXPECT_TRUE(e->next(1).empty());
  EXPECT_EQ(copy->next(1), (std::vector<Variant>{Variant(3)})); // the clone kept its own place
  e->reset();
  EXPECT_TRUE(e->skip(2));
  EXPECT_FALSE(e->skip(2));
}

TEST(Variant, ConvertsLikeLateBoundCode) {
  // True is the 16-bit -1.
  EXPECT_EQ(Variant(true).toLong(), -1);
  EXPECT_EQ(Variant(false).toLong(), 0);
  EXPECT_EQ(Variant(true).toString(), "True");
  EXPECT_EQ(Variant::boolean(1).toVBool(), vbTrue);
  EXPECT_EQ(Variant().toString(), "");
  EXPECT_EQ(Variant().toLong(), 0);
  EXPECT_EQ(Variant(" 42 ").toLong(), 42);
  EXPECT_EQ(Variant(2.5).toLong(), 2); // halves go to the even neighbour
  EXPECT_EQ(Variant(3.5).toLong(), 4);
  EXPECT_EQ(Variant(-2.5).toLong(), -2);
  EXPECT_EQ(Variant(1.25).toString(), "1.25");
  EXPECT_TRUE(Variant("True").toBool());
  EXPECT_FALSE(Variant("false").toBool());
  EXPECT_FALSE(Variant().toBool());
  for (const char* text : {"abc", "12abc"})
    EXPECT_EQ(test::comErrorOf([text] { Variant(text).toLong(); }), errTypeMismatch) << text;
  EXPECT_EQ(test::comErrorOf([] { Variant(1e12).toLong(); }), errOverflow);
  EXPECT_EQ(test::comErrorOf([] { Variant().toObject(); }), errObjectNotSet);
  EXPECT_EQ(test::comErrorOf([] { Variant(ObjectPtr()).toObject(); }), errObjectNotSet);
  EXPECT_EQ(test::comErrorOf([] { Variant(5).toObject(); }), errObjectRequired);
}
