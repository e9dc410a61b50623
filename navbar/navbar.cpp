#include "navbar/navbar.h"

#include "platform/qt/propertybag.h"
#include "platform/qt/twips.h"
#include "util/text.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QThread>

#include <algorithm>

namespace tavro {

using com::Args;
using com::CallKind;
using com::Member;
using com::Variant;
using qt::toPixels;
using qt::toTwips;

namespace {

// Design positions of the buttons, in twips, by button number.
constexpr std::array<int, 5> designLeft{0, 1650, 2586, 3666, 4746};
constexpr int buttonTop = 120;
constexpr int buttonWidth = 924;
constexpr int buttonHeight = 324;
constexpr int designLineEnd = 5646;
constexpr int highlightLineY = 12;

constexpr const char* navigationModeKey = "NavigationMode";
// The only kind of control the bar attaches to, by its upper-cased class name.
constexpr const char* tabControlClass = "SSACTIVETABS";

class NavBarObject : public com::Automation<NavBarObject> {
public:
  NavBarObject(NavBar* bar, bool owned) : m_bar(bar), m_owned(owned) {}
  ~NavBarObject() override {
    // A bar made for creation by name goes with its object, unless a window has taken it in
    // meanwhile. Without the application, widgets can no longer be destroyed safely.
    if (m_owned && m_bar && !m_bar->parent() && QCoreApplication::instance())
      delete m_bar.data();
  }
  static std::string className() { return "NavBar"; }
  static const std::vector<Member<NavBarObject>>& members();

  NavBar* bar() const { return m_bar; }

private:
  NavBar& alive() const {
    if (!m_bar)
      throw com::ComError(com::errObjectNotSet, "the navigation bar no longer exists");
    return *m_bar;
  }

  QPointer<NavBar> m_bar;
  bool m_owned;
};

const std::vector<Member<NavBarObject>>& NavBarObject::members() {
  static const std::vector<Member<NavBarObject>> table{
      {"NavigationMode", CallKind::Get,
       [](NavBarObject& o, Args&) { return Variant(int(o.alive().NavigationMode())); }},
      {"NavigationMode", CallKind::Put,
       [](NavBarObject& o, Args& a) {
         o.alive().NavigationMode(com::argument(a, 0).toLong());
         return Variant();
       }},
      {"SetTabControl", CallKind::Method,
       [](NavBarObject& o, Args& a) {
         o.alive().SetTabControl(com::argument(a, 0).isObject() ? a[0].toObject() : com::ObjectPtr());
         return Variant();
       }},
      {"EnableNavButton", CallKind::Method,
       [](NavBarObject& o, Args& a) {
         o.alive().EnableNavButton(com::argument(a, 0).toLong(), com::argument(a, 1).toBool());
         return Variant();
       }},
      {"UpdateNavButtons", CallKind::Method,
       [](NavBarObject& o, Args&) {
         o.alive().UpdateNavButtons();
         return Variant();
       }},
  };
  return table;
}

} // namespace

NavBar::NavBar(QWidget* parent) : QWidget(parent), m_left(designLeft), m_lineEnd(designLineEnd) {
  static const std::array<const char*, 5> captions{nullptr, QT_TR_NOOP("< Back"), QT_TR_NOOP("Next >"),
                                                   QT_TR_NOOP("Finish"), QT_TR_NOOP("Cancel")};
  for (int n = Back; n <= Cancel; ++n) {
    auto* button = new QPushButton(tr(captions[static_cast<std::size_t>(n)]), this);
    button->setObjectName(QStringLiteral("cmdNav%1").arg(n));
    connect(button, &QPushButton::clicked, this, [this, n] { cmdNav_Click(n); });
    m_buttons[static_cast<std::size_t>(n)] = button;
    placeButton(n);
  }
  for (int n = Back; n < Cancel; ++n)
    setTabOrder(cmdNav(n), cmdNav(n + 1));

  lblHelp = new QLabel(tr(" Press F1 for help"), this);
  lblHelp->setObjectName(QStringLiteral("lblHelp"));
  // The hint keeps its design place; it may grow to fit its text in the font in use.
  lblHelp->setGeometry(toPixels(90), toPixels(135), std::max(toPixels(1515), lblHelp->sizeHint().width()),
                       toPixels(315));

  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  resize(sizeHint());
}

NavBar::~NavBar() = default;

QSize NavBar::sizeHint() const { return {toPixels(designWidth), toPixels(designHeight)}; }

void NavBar::InitProperties() { m_NavigationMode = 0; }

void NavBar::ReadProperties(const qt::PropertyBag& bag) {
  m_NavigationMode = bag.readProperty(navigationModeKey, Variant(0)).toLong();
}

void NavBar::WriteProperties(qt::PropertyBag& bag) const {
  bag.writeProperty(navigationModeKey, Variant(int(m_NavigationMode)), Variant(0));
}

void NavBar::SetTabControl(const com::ObjectPtr& ctl) {
  if (!ctl || util::toUpper(ctl->typeName()) != tabControlClass)
    return;
  m_tabControl = ctl;
  UpdateNavButtons();
}

QPushButton* NavBar::cmdNav(std::int32_t Button) const {
  if (Button < Back || Button > Cancel)
    throw com::ComError(com::errSubscript, "there is no navigation button " + std::to_string(Button));
  return m_buttons[static_cast<std::size_t>(Button)];
}

void NavBar::EnableNavButton(std::int32_t Button, bool enable) { cmdNav(Button)->setEnabled(enable); }

int NavBar::buttonLeft(std::int32_t Button) const {
  cmdNav(Button);
  return m_left[static_cast<std::size_t>(Button)];
}

bool NavBar::isAttached() const { return m_tabControl && util::toUpper(m_tabControl->typeName()) == tabControlClass; }

void NavBar::cmdNav_Click(std::int32_t Index) {
  switch (m_NavigationMode) {
  case 0:
    if (isAttached())
      HandleNavButton(Index);
    break;
  case 1: emit OnNavButton(Index); break;
  default: break;
  }
}

void NavBar::HandleNavButton(std::int32_t Button) {
  // The container's failures are not the user's business: a page that cannot be turned
  // leaves the buttons to show where the wizard really is.
  switch (Button) {
  case Back:
  case Next: try { com::putProperty(m_tabControl, "SelectedTab", Variant(Button == Back ? -2 : -1));
    } catch (const com::ComError&) {
    }
    break;
  case Help:
  case Finish:
  case Cancel: emit OnNavButton(Button); return;
  default: break;
  }
  try {
    UpdateNavButtons();
  } catch (const com::ComError&) {
  }
}

void NavBar::UpdateNavButtons() {
  if (!m_tabControl)
    return;
  const bool previous = HasPreviousTab();
  const bool next = HasNextTab();
  m_buttons[Back]->setEnabled(previous);
  m_buttons[Finish]->setEnabled(!next);
  m_buttons[Next]->setEnabled(next);
}

int NavBar::selectedIndex() const {
  return com::getProperty(com::getProperty(m_tabControl, "SelectedTab").toObject(), "Index").toLong();
}

bool NavBar::isUsable(const com::ObjectPtr& tabs, int index) const {
  const com::ObjectPtr tab = com::getProperty(tabs, "", {Variant(index)}).toObject();
  return com::getProperty(tab, "Visible").toBool() && com::getProperty(tab, "Enabled").toBool();
}

bool NavBar::HasPreviousTab() const {
  const com::ObjectPtr tabs = com::getProperty(m_tabControl, "Tabs").toObject();
  for (int i = selectedIndex() - 1; i >= 1; --i) {
    if (isUsable(tabs, i))
      return true;
  }
  return false;
}

bool NavBar::HasNextTab() const {
  const com::ObjectPtr tabs = com::getProperty(m_tabControl, "Tabs").toObject();
  const int count = com::getProperty(tabs, "Count").toLong();
  for (int i = selectedIndex() + 1; i <= count; ++i) {
    if (isUsable(tabs, i))
      return true;
  }
  return false;
}

void NavBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layOut(toTwips(width()));
}

void NavBar::layOut(int widthTwips) {
  // The gap between Finish and Cancel is taken once, from the design positions.
  if (!m_gapMeasured) {
    m_gap = m_left[Cancel] - (m_left[Finish] + buttonWidth);
    m_gapMeasured = true;
  }
  // The buttons hang from the right edge; Back touches Next.
  m_left[Cancel] = widthTwips - buttonWidth;
  m_left[Finish] = m_left[Cancel] - m_gap - buttonWidth;
  m_left[Next] = m_left[Finish] - m_gap - buttonWidth;
  m_left[Back] = m_left[Next] - buttonWidth;
  for (int n = Back; n <= Cancel; ++n)
    placeButton(n);
  m_lineEnd = widthTwips;
  update();
}

void NavBar::placeButton(std::int32_t Button) {
  m_buttons[static_cast<std::size_t>(Button)]->setGeometry(toPixels(m_left[static_cast<std::size_t>(Button)]),
                                                           toPixels(buttonTop), toPixels(buttonWidth),
                                                           toPixels(buttonHeight));
}

void NavBar::paintEvent(QPaintEvent*) {
  // The etched line along the top: a shadow line with a highlight line just under it.
  QPainter painter(this);
  const int end = toPixels(m_lineEnd);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(0, 0, end, 0);
  painter.setPen(palette().color(QPalette::Light));
  painter.drawLine(0, toPixels(highlightLineY), end, toPixels(highlightLineY));
}

com::ObjectPtr NavBar::object() {
  if (!m_object)
    m_object = std::make_shared<NavBarObject>(this, false);
  return m_object;
}

com::ObjectPtr NavBar::create() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!app)
    throw com::ComError(com::errCannotCreate,
                        "cannot create Tavro.NavBar: the navigation bar needs a running Qt application");
  if (QThread::currentThread() != app->thread())
    throw com::ComError(com::errCannotCreate,
                        "cannot create Tavro.NavBar: the navigation bar must be created on the user-interface thread");
  auto* bar = new NavBar;
  bar->InitProperties();
  return std::make_shared<NavBarObject>(bar, true);
}

NavBar* NavBar::fromObject(const com::ObjectPtr& object) {
  auto* o = dynamic_cast<NavBarObject*>(object.get());
  return o ? o->bar() : nullptr;
}

} // namespace tavro
