// The page container: tabs by number and by name, relative moves and their announcements.

#include "platform/qt/ssactivetabs.h"
#include "tests/gui/guitest.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QStackedWidget>

using namespace tavro;
using namespace tavro::com;
using tavro::qt::SSActiveTabs;

namespace {

class SSActiveTabsTest : public ::testing::Test {
protected:
  void SetUp() override {
    test::application();
    pages = new SSActiveTabs;
    for (int i = 1; i <= 4; ++i)
      pages->addTab(new QLabel(QStringLiteral("page %1").arg(i)), QStringLiteral("Step %1").arg(i));
    QObject::connect(pages, &SSActiveTabs::beforeTabChange, [this](int newTab) {
      log += "leave " + std::to_string(pages->selectedTab()) + " for " + std::to_string(newTab) + "; ";
    });
    QObject::connect(pages, &SSActiveTabs::tabChanged,
                     [this](int newTab) { log += "enter " + std::to_string(newTab) + "; "; });
  }
  void TearDown() override { delete pages.data(); }

  QWidget* shownPage() { return pages->findChild<QStackedWidget*>()->currentWidget(); }

  QPointer<SSActiveTabs> pages;
  std::string log;
};

} // namespace

TEST_F(SSActiveTabsTest, MovesToTheNextAndPreviousUsableTabAndAnnouncesEachChange) {
  EXPECT_EQ(pages->selectedTab(), 1);
  pages->setTabVisible(2, false);
  pages->setTabEnabled(3, false);

  pages->setSelectedTab(SSActiveTabs::nextTab);
  EXPECT_EQ(pages->selectedTab(), 4);
  EXPECT_EQ(shownPage(), pages->page(4));
  pages->setSelectedTab(SSActiveTabs::nextTab); // nowhere to go
  pages->setSelectedTab(4);                     // already there
  pages->setSelectedTab(SSActiveTabs::previousTab);
  EXPECT_EQ(pages->selectedTab(), 1);
  // A tab chosen by number is selected even when it could not be reached by moving.
  pages->setSelectedTab(3);
  EXPECT_EQ(log, "leave 1 for 4; enter 4; leave 4 for 1; enter 1; leave 1 for 3; enter 3; ");
  EXPECT_EQ(shownPage(), pages->page(3));

  for (int bad : {0, 5, -3})
    EXPECT_EQ(test::comErrorOf([&] { pages->setSelectedTab(bad); }), errInvalidCall) << bad;
  EXPECT_EQ(pages->selectedTab(), 3);
}

TEST_F(SSActiveTabsTest, IsCallableByName) {
  ObjectPtr tabs = pages->object();
  ObjectPtr second = getProperty(tabs, "Tabs", {Variant(2)}).toObject();
  EXPECT_EQ(getProperty(second, "Caption").toString(), "Step 2");
  putProperty(second, "Visible", Variant(false));
  putProperty(getProperty(tabs, "Tabs", {Variant(3)}).toObject(), "Enabled", Variant(false));
  EXPECT_FALSE(pages->isTabVisible(2));
  EXPECT_FALSE(pages->isTabEnabled(3));

  putProperty(tabs, "SelectedTab", Variant(-1));
  EXPECT_EQ(pages->selectedTab(), 4);
  EXPECT_TRUE(getProperty(getProperty(tabs, "Tabs", {Variant(4)}).toObject(), "Selected").toBool());
  EXPECT_FALSE(getProperty(second, "Selected").toBool());
  EXPECT_EQ(test::comErrorOf([&] { getProperty(tabs, "Tabs", {Variant(5)}); }), errSubscript);
}

TEST_F(SSActiveTabsTest, AContainerClosedWhileAPageIsLeftChangesNothingMore) {
  ObjectPtr byName = pages->object();
  QObject::connect(pages, &SSActiveTabs::beforeTabChange, pages, [this] { delete pages.data(); });
  pages->setSelectedTab(SSActiveTabs::nextTab);
  EXPECT_TRUE(pages.isNull());
  EXPECT_EQ(log, "leave 1 for 2; ");

  // Callers still holding the container by name get an error, not a dangling widget.
  EXPECT_EQ(test::comErrorOf([&] { putProperty(byName, "SelectedTab", Variant(1)); }), errObjectNotSet);
}
