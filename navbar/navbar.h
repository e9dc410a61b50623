#pragma once
// NavBar: the Back / Next / Finish / Cancel row of a tabbed wizard, bound to its page
// container. In navigation mode 0 the bar turns the container's pages itself; in mode 1 it
// only reports each press through OnNavButton; any other mode makes the buttons inert. The
// bar reaches its container only by name, so any object with the members Tabs, Tabs.Count,
// Tabs(i).Visible/Enabled, SelectedTab and SelectedTab.Index can serve, provided its class
// name is SSActiveTabs.
//
//   NavBar bar;
//   bar.NavigationMode(0);
//   bar.SetTabControl(pages->object());   // buttons now follow the selected page

#include "platform/com/dispatch.h"

#include <QWidget>

#include <array>
#include <cstdint>

class QLabel;
class QPushButton;

namespace tavro::qt {
class PropertyBag;
}

namespace tavro {

class NavBar : public QWidget {
  Q_OBJECT

public:
  /// Button numbers, as OnNavButton reports them. Help has no button of its own.
  enum Button : std::int32_t { Help = 0, Back = 1, Next = 2, Finish = 3, Cancel = 4 };

  /// The bar's design size, in twips.
  static constexpr int designWidth = 5760;
  static constexpr int designHeight = 555;

  explicit NavBar(QWidget* parent = nullptr);
  ~NavBar() override;

  std::int32_t NavigationMode() const { return m_NavigationMode; }
  void NavigationMode(std::int32_t mode) { m_NavigationMode = mode; }

  /// Attaches ctl when its class name, upper-cased, is "SSACTIVETABS", and sets the buttons
  /// for its selected page at once. Anything else is ignored and the previous attachment
  /// stays.
  void SetTabControl(const com::ObjectPtr& ctl);
  /// The attached page container, or nothing.
  const com::ObjectPtr& tabControl() const { return m_tabControl; }

  /// Enables or disables button 1 to 4; another number raises error 9.
  void EnableNavButton(std::int32_t Button, bool enable);
  /// Back follows whether a usable page lies before the selected one; Next and Finish
  /// follow whether one lies after it. Cancel is left alone. Without a container, nothing.
  void UpdateNavButtons();

  // Saved properties: a new bar starts in mode 0; the mode is stored only when it differs.
  void InitProperties();
  void ReadProperties(const qt::PropertyBag& bag);
  void WriteProperties(qt::PropertyBag& bag) const;

  /// cmdNav(Button), for 1 to 4; another number raises error 9.
  QPushButton* cmdNav(std::int32_t Button) const;
  /// Where button 1 to 4 sits, in twips from the bar's left edge.
  int buttonLeft(std::int32_t Button) const;
  /// Where the etched line ends, in twips.
  int lineEnd() const { return m_lineEnd; }

  QSize sizeHint() const override;

  /// The bar as an object callable by name: NavigationMode, SetTabControl, EnableNavButton.
  com::ObjectPtr object();
  /// A new bar owned by the returned object, for creation by program identifier. Needs a
  /// running QApplication on the calling thread; without one raises error 429.
  static com::ObjectPtr create();
  /// The bar behind an object from object() or create(), or nullptr.
  static NavBar* fromObject(const com::ObjectPtr& object);

signals:
  /// A button was pressed (mode 1), or Finish or Cancel was pressed (mode 0).
  void OnNavButton(std::int32_t Button);

protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  void cmdNav_Click(std::int32_t Index);
  void HandleNavButton(std::int32_t Button);
  bool HasPreviousTab() const;
  bool HasNextTab() const;
  bool isAttached() const;
  int selectedIndex() const;
  bool isUsable(const com::ObjectPtr& tabs, int index) const;
  void layOut(int widthTwips);
  void placeButton(std::int32_t Button);

  std::int32_t m_NavigationMode = 0;
  com::ObjectPtr m_tabControl;
  int m_gap = 0;
  bool m_gapMeasured = false;

  std::array<QPushButton*, 5> m_buttons{}; // indexed by button number; 0 has none
  std::array<int, 5> m_left{};             // twips
  QLabel* lblHelp;
  int m_lineEnd;
  com::ObjectPtr m_object;
};

} // namespace tavro
