// F1 in a window opens the application's help file.

#include "platform/qt/helpkey.h"
#include "tests/gui/guitest.h"
#include "tests/support/scriptedui.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace tavro;

TEST(HelpKey, FOneAnywhereInTheWindowOpensTheApplicationsHelpFile) {
  test::application();
  ui::ScopedScriptedUi ui;
  QWidget window;
  auto* edit = new QLineEdit(&window);
  (new QVBoxLayout(&window))->addWidget(edit);
  qt::installHelpKey(&window);
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

  qt::setApplicationHelpFile("/opt/velmor/help/prohelp.chm");
  QTest::keyClick(edit, Qt::Key_F1);
  QTest::keyClick(edit, Qt::Key_F2);
  EXPECT_EQ(ui->helpFiles, std::vector<std::string>{"/opt/velmor/help/prohelp.chm"});
  qt::setApplicationHelpFile("");
}
