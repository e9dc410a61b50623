// The export dialog's state without a window: ticks, OK's enabling, the "..." button's row, unloading.

#include "export/exportdialogmodel.h"
#include "tests/export/exporttestsupport.h"
#include "tests/support/scriptedui.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tavro;

namespace {

class ExportDialogState : public ::testing::Test {
public:
  void SetUp() override {
    model.Project(test::makeProject(
        dir.str(), {{"a", test::deck("A", "one")}, {"b", test::deck("B", "two")}, {"c", test::deck("C", "three")}}));
  }
  /// The ticks, e.g. "+-+".
  std::string ticks() const {
    std::string s;
    for (const ExportRow& row : model.rows())
      s += row.ticked ? '+' : '-';
    return s;
  }

  test::TempDir dir;
  ui::ScopedScriptedUi ui;
  ExportDialogModel model;
};

} // namespace

TEST_F(ExportDialogState, TicksOkAndTheMoreButtonFollowEachHandler) {
  struct Step {
    const char* what;
    std::function<void(ExportDialogModel&)> act;
    const char* ticks;
    bool ok;
    int moreRow;
  };
  const Step steps[] = {
      {"filled", [](auto&) {}, "+++", true, -1},
      {"a row is clicked", [](auto& m) { m.lvFiles_ItemClick(1); }, "+++", true, 1},
      {"a click beside the rows", [](auto& m) { m.lvFiles_ItemClick(3); }, "+++", true, 1},
      {"clear", [](auto& m) { m.cmdClear_Click(); }, "---", false, -1},
      {"a double click", [](auto& m) { m.lvFiles_DblClick(2); }, "--+", true, -1},
      {"a double click on no row", [](auto& m) { m.lvFiles_DblClick(-1); }, "--+", true, -1},
      {"the last tick goes", [](auto& m) { m.setTicked(2, false); }, "---", false, -1},
      {"select all", [](auto& m) { m.cmdSelectAll_Click(); }, "+++", true, -1},
      {"a row is clicked again", [](auto& m) { m.lvFiles_ItemClick(0); }, "+++", true, 0},
      {"refilled", [](auto& m) { m.populateFileList(); }, "+++", true, -1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act(model);
    EXPECT_EQ(ticks(), step.ticks);
    EXPECT_EQ(model.okEnabled(), step.ok);
    EXPECT_EQ(model.moreRow(), step.moreRow);
  }
}

// The "..." button and OK are the dialog's test's, through its controls; here the model forgets
// its rows and options when the dialog unloads, and OK is available to the next showing.
TEST_F(ExportDialogState, UnloadingForgetsTheRowsAndTheOptions) {
  model.cmdClear_Click();
  model.setConvertImages(true);
  model.unload();
  EXPECT_TRUE(model.rows().empty());
  EXPECT_TRUE(model.okEnabled());
  EXPECT_FALSE(model.convertImages());
}
