// cEventHandler: a click on an element calls a method of another object by name.

#include "addin/classes.h"
#include "conversion/ceventhandler.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::com;

namespace {

// A destination with two methods that count their calls, one of which fails.
class Form : public Automation<Form> {
public:
  static std::string className() { return "Form"; }
  static const std::vector<Member<Form>>& members() {
    static const std::vector<Member<Form>> table{
        {"Some_Procedure", CallKind::Method,
         [](Form& f, Args& a) {
           f.calls.push_back("Some_Procedure/" + std::to_string(a.size()));
           return Variant();
         }},
        {"Other", CallKind::Method,
         [](Form& f, Args&) {
           f.calls.push_back("Other");
           return Variant(42);
         }},
        {"Broken", CallKind::Method, [](Form&, Args&) -> Variant { throw ComError(errPermission); }},
    };
    return table;
  }
  std::vector<std::string> calls;
};

} // namespace

TEST(CEventHandler, CallsTheNamedMethodOnceArmedDirectlyOrLateBoundAndPassesOnItsFailure) {
  auto form = std::make_shared<Form>();
  cEventHandler handler;
  EXPECT_FALSE(handler.armed());
  handler.My_Default_Method(); // never given a destination: nothing happens
  EXPECT_TRUE(form->calls.empty());

  handler.Set_Destination(form, "Some_Procedure");
  handler.My_Default_Method();
  EXPECT_EQ(form->calls, std::vector<std::string>{"Some_Procedure/0"});

  // A second destination replaces both the target and the method.
  auto other = std::make_shared<Form>();
  handler.Set_Destination(other, "other");
  handler.My_Default_Method();
  EXPECT_EQ(form->calls.size(), 1u);
  EXPECT_EQ(other->calls, std::vector<std::string>{"Other"});

  // A failure of the called method is passed on.
  handler.Set_Destination(form, "Broken");
  EXPECT_EQ(test::comErrorOf([&] { handler.My_Default_Method(); }), errPermission);
  handler.Set_Destination(form, "NoSuchMethod");
  EXPECT_THROW(handler.My_Default_Method(), ComError);
  handler.Set_Destination(nullptr, "Some_Procedure");
  EXPECT_EQ(test::comErrorOf([&] { handler.My_Default_Method(); }), errObjectNotSet);

  // Created by name from the add-in's classes and called late bound, as a page calls it: the
  // default member has no name.
  auto classes = addin::publicClasses();
  auto entry = std::find_if(classes.begin(), classes.end(),
                            [](const PublicClass& c) { return c.progId == "Tavro.cEventHandler"; });
  ASSERT_NE(entry, classes.end());
  ObjectPtr created = entry->create();
  EXPECT_EQ(created->typeName(), "cEventHandler");
  callMethod(created, "Set_Destination", {Variant(ObjectPtr(other)), Variant("Some_Procedure")});
  callMethod(created, "");
  callMethod(created, "my_default_method");
  EXPECT_EQ(other->calls, (std::vector<std::string>{"Other", "Some_Procedure/0", "Some_Procedure/0"}));
  EXPECT_THROW(callMethod(created, "Set_Destination", {Variant(ObjectPtr(other))}), ComError);
}
