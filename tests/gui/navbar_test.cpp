// The navigation bar driven by its buttons, over a real page container of four pages.

#include "navbar/navbar.h"
#include "platform/qt/propertybag.h"
#include "platform/qt/ssactivetabs.h"
#include "tests/gui/guitest.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace tavro;
using namespace tavro::com;
using tavro::qt::PropertyBag;
using tavro::qt::SSActiveTabs;

namespace {

// A wizard window: four pages over the bar.
class NavBarTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&window);
    pages = new SSActiveTabs(&window);
    for (int i = 1; i <= 4; ++i)
      pages->addTab(new QLabel(QStringLiteral("page %1").arg(i)), QStringLiteral("Step %1").arg(i));
    bar = new NavBar(&window);
    layout->addWidget(pages);
    layout->addWidget(bar);
    window.show();
  }

  QPushButton* button(int n) { return bar->findChild<QPushButton*>(QStringLiteral("cmdNav%1").arg(n)); }
  void click(int n) { QTest::mouseClick(button(n), Qt::LeftButton); }

  /// The enabled state of Back, Next, Finish and Cancel, e.g. "-++-".
  std::string buttons() {
    std::string s;
    for (int n = 1; n <= 4; ++n)
      s += button(n)->isEnabled() ? '+' : '-';
    return s;
  }
  void enableAll() {
    for (int n = 1; n <= 4; ++n)
      bar->EnableNavButton(n, true);
  }

  QApplication& app = test::application();
  QWidget window;
  SSActiveTabs* pages = nullptr;
  NavBar* bar = nullptr;
};

// An object of another class that offers the same members by name.
class TextBox : public Automation<TextBox> {
public:
  static std::string className() { return "TextBox"; }
  static const std::vector<Member<TextBox>>& members() {
    static const std::vector<Member<TextBox>> table{
        {"Text", CallKind::Get, [](TextBox&, Args&) { return Variant("x"); }},
    };
    return table;
  }
};

// A container of three usable tabs written only for the bar, spelling its class name in lower
// case, whose page turning fails on demand.
class FakeTabs : public Automation<FakeTabs> {
public:
  static std::string className() { return "ssactivetabs"; }
  static const std::vector<Member<FakeTabs>>& members();

  class Tab : public Automation<Tab> {
  public:
    explicit Tab(int index) : index(index) {}
    static std::string className() { return "Tab"; }
    static const std::vector<Member<Tab>>& members() {
      static const std::vector<Member<Tab>> table{
          {"Index", CallKind::Get, [](Tab& t, Args&) { return Variant(t.index); }},
          {"Visible", CallKind::Get, [](Tab&, Args&) { return Variant(true); }},
          {"Enabled", CallKind::Get, [](Tab&, Args&) { return Variant(true); }},
      };
      return table;
    }
    int index;
  };
  class TabList : public Automation<TabList> {
  public:
    static std::string className() { return "TabList"; }
    static const std::vector<Member<TabList>>& members() {
      static const std::vector<Member<TabList>> table{
          {"Item", CallKind::Get, [](TabList&, Args& a) { return Variant(std::make_shared<Tab>(argument(a, 0).toLong())); },
           dispidValue},
          {"Count", CallKind::Get, [](TabList&, Args&) { return Variant(3); }},
      };
      return table;
    }
  };

  int selected = 1;
  bool failTurning = false;
  std::vector<int> writes;
};

const std::vector<Member<FakeTabs>>& FakeTabs::members() {
  static const std::vector<Member<FakeTabs>> table{
      {"Tabs", CallKind::Get, [](FakeTabs&, Args&) { return Variant(std::make_shared<TabList>()); }},
      {"SelectedTab", CallKind::Get, [](FakeTabs& f, Args&) { return Variant(std::make_shared<Tab>(f.selected)); }},
      {"SelectedTab", CallKind::Put,
       [](FakeTabs& f, Args& a) {
         f.writes.push_back(argument(a, 0).toLong());
         if (f.failTurning)
           throw ComError(errInvalidCall);
         f.selected += f.writes.back() == -1 ? 1 : -1;
         return Variant();
       }},
  };
  return table;
}

} // namespace

TEST_F(NavBarTest, ModeZeroTurnsThePagesAndFollowsThemWithTheButtons) {
  QSignalSpy pressed(bar, &NavBar::OnNavButton);
  bar->SetTabControl(pages->object());
  EXPECT_EQ(buttons(), "-+-+");

  click(NavBar::Next);
  EXPECT_EQ(pages->selectedTab(), 2);
  EXPECT_EQ(buttons(), "++-+");
  click(NavBar::Next);
  click(NavBar::Next);
  EXPECT_EQ(pages->selectedTab(), 4);
  EXPECT_EQ(buttons(), "+-++");

  // The disabled Next does nothing; Back goes one page back.
  click(NavBar::Next);
  EXPECT_EQ(pages->selectedTab(), 4);
  click(NavBar::Back);
  EXPECT_EQ(pages->selectedTab(), 3);
  EXPECT_EQ(buttons(), "++-+");
  EXPECT_EQ(pressed.count(), 0);
}

TEST_F(NavBarTest, ModeZeroSkipsHiddenAndDisabledPages) {
  pages->setTabVisible(2, false);
  pages->setTabEnabled(4, false);
  bar->SetTabControl(pages->object());
  EXPECT_EQ(buttons(), "-+-+");

  click(NavBar::Next);
  EXPECT_EQ(pages->selectedTab(), 3);
  EXPECT_EQ(buttons(), "+-++") << "page 4 is disabled, so page 3 is the last usable one";

  click(NavBar::Back);
  EXPECT_EQ(pages->selectedTab(), 1);
  EXPECT_EQ(buttons(), "-+-+");

  // With page 1 hidden as well, page 3 has nothing usable before it.
  pages->setTabVisible(1, false);
  pages->setSelectedTab(3);
  bar->UpdateNavButtons();
  EXPECT_EQ(buttons(), "--++");
}

TEST_F(NavBarTest, ModeZeroReportsFinishAndCancelWithoutTouchingTheButtons) {
  bar->SetTabControl(pages->object());
  QSignalSpy pressed(bar, &NavBar::OnNavButton);
  bar->EnableNavButton(NavBar::Finish, true);
  click(NavBar::Finish);
  click(NavBar::Cancel);
  ASSERT_EQ(pressed.count(), 2);
  EXPECT_EQ(pressed[0][0].toInt(), 3);
  EXPECT_EQ(pressed[1][0].toInt(), 4);
  EXPECT_EQ(pages->selectedTab(), 1);
  EXPECT_EQ(buttons(), "-+++") << "the buttons are not refreshed after Finish or Cancel";
}

TEST_F(NavBarTest, ModeOneReportsEveryButtonAndNeverTurnsAPage) {
  bar->NavigationMode(1);
  bar->SetTabControl(pages->object());
  EXPECT_EQ(buttons(), "-+-+") << "attaching still sets the buttons for the first page";

  QSignalSpy pressed(bar, &NavBar::OnNavButton);
  enableAll();
  for (int n = 1; n <= 4; ++n)
    click(n);
  ASSERT_EQ(pressed.count(), 4);
  for (int n = 1; n <= 4; ++n)
    EXPECT_EQ(pressed[n - 1][0].toInt(), n);
  EXPECT_EQ(pages->selectedTab(), 1);
  EXPECT_EQ(buttons(), "++++");
}

TEST_F(NavBarTest, OtherModesMakeTheButtonsInert) {
  bar->SetTabControl(pages->object());
  QSignalSpy pressed(bar, &NavBar::OnNavButton);
  enableAll();
  for (int mode : {2, -1}) {
    bar->NavigationMode(mode);
    for (int n = 1; n <= 4; ++n)
      click(n);
  }
  EXPECT_EQ(pressed.count(), 0);
  EXPECT_EQ(pages->selectedTab(), 1);
  EXPECT_EQ(buttons(), "++++");
}

TEST_F(NavBarTest, RefusesAControlOfAnotherClassAndStaysInertWithoutOne) {
  QSignalSpy pressed(bar, &NavBar::OnNavButton);
  bar->SetTabControl(std::make_shared<TextBox>());
  bar->SetTabControl(nullptr);
  EXPECT_EQ(bar->tabControl(), nullptr);
  enableAll();
  for (int n = 1; n <= 4; ++n)
    click(n);
  EXPECT_EQ(pressed.count(), 0) << "mode 0 without a container does nothing, not even report";
  EXPECT_EQ(pages->selectedTab(), 1);

  // A refused control leaves an earlier attachment in place.
  bar->SetTabControl(pages->object());
  bar->SetTabControl(std::make_shared<TextBox>());
  EXPECT_EQ(bar->tabControl(), pages->object());
  click(NavBar::Next);
  EXPECT_EQ(pages->selectedTab(), 2);
}

TEST_F(NavBarTest, DrivesAnyContainerByNameAndRidesOutItsFailures) {
  auto fake = std::make_shared<FakeTabs>();
  bar->SetTabControl(fake);
  ASSERT_EQ(bar->tabControl(), fake) << "class names compare without regard to case";
  EXPECT_EQ(buttons(), "-+-+");
  click(NavBar::Next);
  EXPECT_EQ(fake->writes, std::vector<int>{-1});
  EXPECT_EQ(buttons(), "++-+");

  // A page that will not turn leaves the bar showing where the container really is.
  fake->failTurning = true;
  fake->selected = 3;
  click(NavBar::Back);
  EXPECT_EQ(fake->writes, (std::vector<int>{-1, -2}));
  EXPECT_EQ(buttons(), "+-++");
}

TEST_F(NavBarTest, ButtonNumbersOutsideOneToFourAreRefused) {
  for (int n : {0, 5, -1}) {
    try {
      bar->EnableNavButton(n, false);
      FAIL() << n;
    } catch (const ComError& e) {
      EXPECT_EQ(e.number(), errSubscript);
    }
  }
}

TEST_F(NavBarTest, NavigationModeRoundTripsThroughThePropertyBag) {
  PropertyBag bag;
  bar->NavigationMode(1);
  bar->WriteProperties(bag);
  EXPECT_EQ(bag.readProperty("navigationMODE").toLong(), 1);

  NavBar restored;
  restored.InitProperties();
  EXPECT_EQ(restored.NavigationMode(), 0);
  restored.ReadProperties(bag);
  EXPECT_EQ(restored.NavigationMode(), 1);

  // The default is not stored, and saving it drops what was stored before.
  bar->NavigationMode(0);
  bar->WriteProperties(bag);
  EXPECT_FALSE(bag.contains("NavigationMode"));
  restored.ReadProperties(bag);
  EXPECT_EQ(restored.NavigationMode(), 0);

  // A container that spells the key in lower case.
  PropertyBag saved;
  saved.writeProperty("navigationmode", Variant(1), Variant(0));
  restored.ReadProperties(saved);
  EXPECT_EQ(restored.NavigationMode(), 1);
  restored.NavigationMode(2);
  restored.WriteProperties(saved);
  ASSERT_EQ(saved.entries().size(), 1u);
  EXPECT_EQ(saved.readProperty("NavigationMode").toLong(), 2);
}

TEST_F(NavBarTest, ResizingHangsTheButtonsFromTheRightEdge) {
  window.hide();
  NavBar wide;
  wide.resize(489, wide.sizeHint().height()); // 7335 twips
  wide.show();
  EXPECT_EQ(wide.buttonLeft(NavBar::Cancel), 6411);
  EXPECT_EQ(wide.buttonLeft(NavBar::Finish), 5331);
  EXPECT_EQ(wide.buttonLeft(NavBar::Next), 4251);
  EXPECT_EQ(wide.buttonLeft(NavBar::Back), 3327);
  EXPECT_EQ(wide.lineEnd(), 7335);
  // On screen, at 15 twips a pixel.
  EXPECT_EQ(wide.cmdNav(NavBar::Cancel)->geometry(), QRect(427, 8, 62, 22));
  EXPECT_EQ(wide.cmdNav(NavBar::Back)->x(), 222);

  // The gap stays the one measured from the design, whatever the width.
  wide.resize(384, wide.height()); // 5760 twips, the design width
  QApplication::sendPostedEvents();
  EXPECT_EQ(wide.buttonLeft(NavBar::Cancel), 4836);
  EXPECT_EQ(wide.buttonLeft(NavBar::Finish), 3756);
  EXPECT_EQ(wide.buttonLeft(NavBar::Next), 2676);
  EXPECT_EQ(wide.buttonLeft(NavBar::Back), 1752);
  const QRect help = wide.findChild<QLabel*>("lblHelp")->geometry();
  EXPECT_EQ(help.topLeft(), QPoint(6, 9));
  EXPECT_GE(help.width(), 101);
}

TEST_F(NavBarTest, IsCallableByNameAndCreatableForAHost) {
  ObjectPtr byName = bar->object();
  EXPECT_EQ(byName->typeName(), "NavBar");
  putProperty(byName, "navigationmode", Variant(1));
  EXPECT_EQ(bar->NavigationMode(), 1);
  callMethod(byName, "SetTabControl", {Variant(pages->object())});
  callMethod(byName, "EnableNavButton", {Variant(1), Variant(true)});
  EXPECT_EQ(buttons(), "++-+");

  ObjectPtr created = NavBar::create();
  NavBar* widget = NavBar::fromObject(created);
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(getProperty(created, "NavigationMode").toLong(), 0);
  QPointer<NavBar> watch(widget);
  created.reset();
  EXPECT_TRUE(watch.isNull()) << "the created bar goes with its object";
}

TEST(NavBarCreation, WithoutAnApplicationRaisesAClearError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        try {
          NavBar::create();
        } catch (const ComError& e) {
          std::fprintf(stderr, "%d %s\n", e.number(), e.what());
          std::exit(0);
        }
        std::exit(1);
      },
      ::testing::ExitedWithCode(0), "429 cannot create Tavro.NavBar: the navigation bar needs a running Qt application");
}
