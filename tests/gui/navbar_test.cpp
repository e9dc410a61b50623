// The navigation bar driven by its buttons, over a real page container of four pages; the
// property bag it saves its mode in; and the bar as a host creates it from the built add-in.

#include "navbar/navbar.h"
#include "platform/qt/propertybag.h"
#include "platform/qt/ssactivetabs.h"
#include "platform/registry/activation.h"
#include "tests/gui/guitest.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <cstdlib>

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

  QPushButton* button(int n) { return test::child<QPushButton>(*bar, ("cmdNav" + std::to_string(n)).c_str()); }
  void click(int n) { QTest::mouseClick(button(n), Qt::LeftButton); }

  std::string buttons() const { return test::navButtons(*bar); }
  void enableAll() {
    for (int n = 1; n <= 4; ++n)
      bar->EnableNavButton(n, true);
  }

  QApplication& app = test::application();
  QWidget window;
  SSActiveTabs* pages = nullptr;
  NavBar* bar = nullptr;
};

} // namespace

TEST_F(NavBarTest, ModeZeroTurnsThePagesAndReportsOnlyFinishAndCancel) {
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

  // The disabled Next does nothing; Finish and Cancel are reported, and the buttons are not
  // refreshed after them.
  bar->EnableNavButton(NavBar::Back, false);
  click(NavBar::Next);
  click(NavBar::Finish);
  click(NavBar::Cancel);
  EXPECT_EQ(pages->selectedTab(), 4);
  ASSERT_EQ(pressed.count(), 2);
  EXPECT_EQ(pressed[0][0].toInt(), 3);
  EXPECT_EQ(pressed[1][0].toInt(), 4);
  EXPECT_EQ(buttons(), "--++");

  bar->EnableNavButton(NavBar::Back, true);
  click(NavBar::Back);
  EXPECT_EQ(pages->selectedTab(), 3);
  EXPECT_EQ(buttons(), "++-+");
}

TEST_F(NavBarTest, ModeOneReportsEveryButtonAndOtherModesMakeTheButtonsInert) {
  bar->NavigationMode(1);
  bar->SetTabControl(pages->object());
  EXPECT_EQ(buttons(), "-+-+") << "attaching still sets the buttons for the first page";
  enableAll();
  for (int mode : {1, 2, -1}) {
    QSignalSpy pressed(bar, &NavBar::OnNavButton);
    bar->NavigationMode(mode);
    for (int n = 1; n <= 4; ++n)
      click(n);
    ASSERT_EQ(pressed.count(), mode == 1 ? 4 : 0) << "mode " << mode;
    for (int i = 0; i < pressed.count(); ++i)
      EXPECT_EQ(pressed[i][0].toInt(), i + 1);
    EXPECT_EQ(pages->selectedTab(), 1) << "mode " << mode;
    EXPECT_EQ(buttons(), "++++") << "mode " << mode;
  }
}

TEST_F(NavBarTest, RefusesAControlOfAnotherClassStaysInertWithoutOneAndRidesOutOneThatFails) {
  QSignalSpy pressed(bar, &NavBar::OnNavButton);
  const ObjectPtr tabList = getProperty(pages->object(), "Tabs").toObject(); // class SSTabs
  bar->SetTabControl(tabList);
  bar->SetTabControl(nullptr);
  EXPECT_EQ(bar->tabControl(), nullptr);
  enableAll();
  for (int n = 1; n <= 4; ++n)
    click(n);
  EXPECT_EQ(pressed.count(), 0) << "mode 0 without a container does nothing, not even report";
  EXPECT_EQ(pages->selectedTab(), 1);

  // A refused control leaves an earlier attachment in place.
  bar->SetTabControl(pages->object());
  bar->SetTabControl(tabList);
  EXPECT_EQ(bar->tabControl(), pages->object());
  click(NavBar::Next);
  EXPECT_EQ(pages->selectedTab(), 2);

  bar->SetTabControl(pages->object());
  click(NavBar::Next);
  delete pages; // every call on the container now raises error 91
  click(NavBar::Next);
  click(NavBar::Back);
  EXPECT_EQ(buttons(), "++-+") << "the buttons stay as they were when the container was last seen";
}

TEST_F(NavBarTest, ResizingHangsTheButtonsFromTheRightEdge) {
  window.hide();
  NavBar wide;
  wide.resize(489, wide.sizeHint().height()); // 7335 twips
  wide.show();
  // The left edges of Back, Next, Finish and Cancel, in twips.
  const auto lefts = [&] {
    std::vector<int> out;
    for (int n = NavBar::Back; n <= NavBar::Cancel; ++n)
      out.push_back(wide.buttonLeft(n));
    return out;
  };
  EXPECT_EQ(lefts(), (std::vector<int>{3327, 4251, 5331, 6411}));
  EXPECT_EQ(wide.lineEnd(), 7335);
  // On screen, at 15 twips a pixel.
  EXPECT_EQ(wide.cmdNav(NavBar::Cancel)->geometry(), QRect(427, 8, 62, 22));
  EXPECT_EQ(wide.cmdNav(NavBar::Back)->x(), 222);

  // The gap stays the one measured from the design, whatever the width.
  wide.resize(384, wide.height()); // 5760 twips, the design width
  QApplication::sendPostedEvents();
  EXPECT_EQ(lefts(), (std::vector<int>{1752, 2676, 3756, 4836}));
  const QRect help = test::child<QLabel>(wide, "lblHelp")->geometry();
  EXPECT_EQ(help.topLeft(), QPoint(6, 9));
  EXPECT_GE(help.width(), 101);
}

TEST_F(NavBarTest, IsCallableByNameAndCreatableForAHostFromTheAddin) {
  ObjectPtr byName = bar->object();
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

  // A host creates it, and the catalogue's items, by name from the built add-in.
  test::TempDir dir;
  ::setenv("TAVRO_REGISTRY", dir.file("registry").c_str(), 1);
  test::registerBuiltAddin();
  ::unsetenv("TAVRO_REGISTRY");
  const Registry registry(dir.file("registry"));
  EXPECT_EQ(createObject("Tavro.NavBar", registry)->typeName(), "NavBar");
  EXPECT_EQ(createObject("Tavro.clWizardItem", registry)->typeName(), "clWizardItem");
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
      ::testing::ExitedWithCode(0),
      "429 cannot create Tavro.NavBar: the navigation bar needs a running Qt application");
}

TEST_F(NavBarTest, ThePropertyBagStoresOnlyWhatDiffersFromTheDefaultAndTheModeRoundTripsThroughIt) {
  PropertyBag bag;
  bag.writeProperty("Caption", Variant("Next >"), Variant(""));
  bag.writeProperty("CAPTION", Variant("Finish"), Variant(""));
  bag.writeProperty("Enabled", Variant(false), Variant(0)); // False equals 0: not stored
  bag.writeProperty("Width", Variant(924.0), Variant(0));
  ASSERT_EQ(bag.entries().size(), 2u);
  EXPECT_EQ(bag.entries()[0].first, "Caption");
  EXPECT_EQ(bag.readProperty("caption").toString(), "Finish");
  EXPECT_EQ(bag.readProperty("width").toLong(), 924);
  EXPECT_EQ(bag.readProperty("Enabled", Variant(true)).toVBool(), vbTrue);
  bag.writeProperty("width", Variant(0), Variant(0));
  EXPECT_FALSE(bag.contains("Width"));

  PropertyBag saved;
  bar->NavigationMode(1);
  bar->WriteProperties(saved);
  NavBar restored;
  restored.ReadProperties(saved);
  EXPECT_EQ(restored.NavigationMode(), 1);
  // The default is not stored, and saving it drops what was stored before.
  bar->NavigationMode(0);
  bar->WriteProperties(saved);
  EXPECT_TRUE(saved.entries().empty());
}
