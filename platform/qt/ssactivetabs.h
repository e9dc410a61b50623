#pragma once
// The page container of a wizard: one page widget per tab, tabs numbered from 1, each with a
// caption and its own visible and enabled state. The selected tab is changed by number, or by
// -1 (the next usable tab) and -2 (the previous one); every change is announced before and
// after it happens. The container is also callable by name (object()), with the members
// Tabs, Tabs(i).Index/Visible/Enabled/Caption, Tabs.Count, SelectedTab and Refresh.

#include "platform/com/dispatch.h"

#include <QWidget>

#include <vector>

class QLabel;
class QStackedWidget;

namespace tavro::qt {

class SSActiveTabs : public QWidget {
  Q_OBJECT

public:
  /// SelectedTab values that move relative to the selected tab, skipping hidden and
  /// disabled tabs.
  static constexpr int nextTab = -1;
  static constexpr int previousTab = -2;

  explicit SSActiveTabs(QWidget* parent = nullptr);
  ~SSActiveTabs() override;

  /// Appends a tab showing page (the container takes it over) and returns its number. The
  /// first tab added is selected.
  int addTab(QWidget* page, const QString& caption);
  int count() const { return static_cast<int>(m_tabs.size()); }

  // Tabs are numbered 1 to count(); another number raises error 9.
  QWidget* page(int index) const;
  QString caption(int index) const;
  void setCaption(int index, const QString& caption);
  bool isTabVisible(int index) const;
  void setTabVisible(int index, bool visible);
  bool isTabEnabled(int index) const;
  void setTabEnabled(int index, bool enabled);

  /// The selected tab's number; 0 while the container has no tabs.
  int selectedTab() const { return m_selected; }
  /// Selects tab value, or the next (-1) or previous (-2) tab that is visible and enabled.
  /// A move with nowhere to go, or to the tab already selected, changes nothing and
  /// announces nothing. Any other value raises error 5.
  void setSelectedTab(int value);

  /// Whether the row of tab headers shows (it does by default). Headers are not clickable:
  /// pages change only through setSelectedTab.
  void setHeadersVisible(bool visible);

  /// The container as an object callable by name. It stays valid after the widget is gone;
  /// calls then raise error 91.
  com::ObjectPtr object();

signals:
  /// The selected tab is about to become newTab; selectedTab() is still the page being left.
  void beforeTabChange(int newTab);
  /// newTab is now selected.
  void tabChanged(int newTab);

private:
  struct Tab {
    QWidget* page;
    QLabel* header;
    bool visible = true;
    bool enabled = true;
  };

  const Tab& tab(int index) const;
  Tab& tab(int index);
  int neighbour(int from, int step) const;
  void showSelected();
  void refreshHeader(int index);

  std::vector<Tab> m_tabs;
  int m_selected = 0;
  QWidget* m_headerRow;
  QStackedWidget* m_pages;
  com::ObjectPtr m_object;
};

} // namespace tavro::qt
