#include "platform/qt/ssactivetabs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tavro::qt {

using com::Args;
using com::CallKind;
using com::Member;
using com::Variant;

namespace {

// The by-name objects reach the widget through a guarded pointer, so that a caller holding
// one after the container has gone gets an error instead of a dangling widget.
SSActiveTabs& alive(const QPointer<SSActiveTabs>& tabs) {
  if (!tabs)
    throw com::ComError(com::errObjectNotSet, "the page container no longer exists");
  return *tabs;
}

class TabObject : public com::Automation<TabObject> {
public:
  TabObject(QPointer<SSActiveTabs> tabs, int index) : m_tabs(std::move(tabs)), m_index(index) {}
  static std::string className() { return "SSTab"; }
  static const std::vector<Member<TabObject>>& members();

private:
  SSActiveTabs& tabs() const { return alive(m_tabs); }
  QPointer<SSActiveTabs> m_tabs;
  int m_index;
};

const std::vector<Member<TabObject>>& TabObject::members() {
  static const std::vector<Member<TabObject>> table{
      {"Index", CallKind::Get,
       [](TabObject& t, Args&) {
         t.tabs();
         return Variant(t.m_index);
       }},
      {"Visible", CallKind::Get, [](TabObject& t, Args&) { return Variant(t.tabs().isTabVisible(t.m_index)); }},
      {"Visible", CallKind::Put,
       [](TabObject& t, Args& a) {
         t.tabs().setTabVisible(t.m_index, com::argument(a, 0).toBool());
         return Variant();
       }},
      {"Enabled", CallKind::Get, [](TabObject& t, Args&) { return Variant(t.tabs().isTabEnabled(t.m_index)); }},
      {"Enabled", CallKind::Put,
       [](TabObject& t, Args& a) {
         t.tabs().setTabEnabled(t.m_index, com::argument(a, 0).toBool());
         return Variant();
       }},
      {"Caption", CallKind::Get,
       [](TabObject& t, Args&) { return Variant(t.tabs().caption(t.m_index).toStdString()); }},
      {"Caption", CallKind::Put,
       [](TabObject& t, Args& a) {
         t.tabs().setCaption(t.m_index, QString::fromStdString(com::argument(a, 0).toString()));
         return Variant();
       }},
      {"Selected", CallKind::Get, [](TabObject& t, Args&) { return Variant(t.tabs().selectedTab() == t.m_index); }},
  };
  return table;
}

// The tab with the number held by the argument; checked against the container's count.
Variant tabAt(const QPointer<SSActiveTabs>& tabs, Args& args) {
  const int index = com::argument(args, 0).toLong();
  alive(tabs).page(index);
  return Variant(std::make_shared<TabObject>(tabs, index));
}

class TabsObject : public com::Automation<TabsObject> {
public:
  explicit TabsObject(QPointer<SSActiveTabs> tabs) : m_tabs(std::move(tabs)) {}
  static std::string className() { return "SSTabs"; }
  static const std::vector<Member<TabsObject>>& members();

private:
  QPointer<SSActiveTabs> m_tabs;
};

const std::vector<Member<TabsObject>>& TabsObject::members() {
  static const std::vector<Member<TabsObject>> table{
      {"Item", CallKind::Get, [](TabsObject& t, Args& a) { return tabAt(t.m_tabs, a); }, com::dispidValue},
      {"Count", CallKind::Get, [](TabsObject& t, Args&) { return Variant(alive(t.m_tabs).count()); }},
  };
  return table;
}

class ContainerObject : public com::Automation<ContainerObject> {
public:
  explicit ContainerObject(SSActiveTabs* tabs) : m_tabs(tabs) {}
  static std::string className() { return "SSActiveTabs"; }
  static const std::vector<Member<ContainerObject>>& members();

private:
  QPointer<SSActiveTabs> m_tabs;
};

const std::vector<Member<ContainerObject>>& ContainerObject::members() {
  static const std::vector<Member<ContainerObject>> table{
      // Tabs alone is the collection; Tabs(i) is the tab numbered i.
      {"Tabs", CallKind::Get,
       [](ContainerObject& c, Args& a) {
         alive(c.m_tabs);
         return a.empty() ? Variant(std::make_shared<TabsObject>(c.m_tabs)) : tabAt(c.m_tabs, a);
       }},
      {"SelectedTab", CallKind::Get,
       [](ContainerObject& c, Args&) {
         const int selected = alive(c.m_tabs).selectedTab();
         return selected == 0 ? Variant(com::ObjectPtr()) : Variant(std::make_shared<TabObject>(c.m_tabs, selected));
       }},
      {"SelectedTab", CallKind::Put,
       [](ContainerObject& c, Args& a) {
         alive(c.m_tabs).setSelectedTab(com::argument(a, 0).toLong());
         return Variant();
       }},
      {"Refresh", CallKind::Method,
       [](ContainerObject& c, Args&) {
         alive(c.m_tabs).update();
         return Variant();
       }},
  };
  return table;
}

} // namespace

SSActiveTabs::SSActiveTabs(QWidget* parent)
    : QWidget(parent), m_headerRow(new QWidget(this)), m_pages(new QStackedWidget(this)) {
  auto* headers = new QHBoxLayout(m_headerRow);
  headers->setContentsMargins(0, 0, 0, 0);
  headers->setSpacing(2);
  headers->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(m_headerRow);
  layout->addWidget(m_pages, 1);
}

SSActiveTabs::~SSActiveTabs() = default;

int SSActiveTabs::addTab(QWidget* page, const QString& caption) {
  auto* header = new QLabel(caption, m_headerRow);
  header->setTextFormat(Qt::PlainText);
  header->setMargin(4);
  header->setObjectName(QStringLiteral("tabHeader%1").arg(count() + 1));
  auto* headers = static_cast<QHBoxLayout*>(m_headerRow->layout());
  headers->insertWidget(count(), header);

  m_pages->addWidget(page);
  m_tabs.push_back({page, header});
  if (m_selected == 0) {
    m_selected = 1;
    showSelected();
  }
  refreshHeader(count());
  return count();
}

const SSActiveTabs::Tab& SSActiveTabs::tab(int index) const {
  if (index < 1 || index > count())
    throw com::ComError(com::errSubscript, "there is no tab " + std::to_string(index) + ": the page container has " +
                                               std::to_string(count()));
  return m_tabs[static_cast<std::size_t>(index - 1)];
}

SSActiveTabs::Tab& SSActiveTabs::tab(int index) {
  return const_cast<Tab&>(static_cast<const SSActiveTabs&>(*this).tab(index));
}

QWidget* SSActiveTabs::page(int index) const { return tab(index).page; }
QString SSActiveTabs::caption(int index) const { return tab(index).header->text(); }
void SSActiveTabs::setCaption(int index, const QString& caption) { tab(index).header->setText(caption); }
bool SSActiveTabs::isTabVisible(int index) const { return tab(index).visible; }
bool SSActiveTabs::isTabEnabled(int index) const { return tab(index).enabled; }

void SSActiveTabs::setTabVisible(int index, bool visible) {
  tab(index).visible = visible;
  refreshHeader(index);
}

void SSActiveTabs::setTabEnabled(int index, bool enabled) {
  tab(index).enabled = enabled;
  refreshHeader(index);
}

int SSActiveTabs::neighbour(int from, int step) const {
  for (int i = from + step; i >= 1 && i <= count(); i += step) {
    const Tab& t = tab(i);
    if (t.visible && t.enabled)
      return i;
  }
  return 0;
}

void SSActiveTabs::setSelectedTab(int value) {
  int target = 0;
  if (value == nextTab)
    target = neighbour(m_selected, 1);
  else if (value == previousTab)
    target = neighbour(m_selected, -1);
  else if (value >= 1 && value <= count())
    target = value;
  else
    throw com::ComError(com::errInvalidCall, "cannot select tab " + std::to_string(value) +
                                                 ": the page container has " + std::to_string(count()));
  if (target == 0 || target == m_selected)
    return;

  // A handler of the announcement may close the window that holds the container; the change
  // then has nothing left to do.
  QPointer<SSActiveTabs> self(this);
  emit beforeTabChange(target);
  if (!self)
    return;
  const int left = m_selected;
  m_selected = target;
  showSelected();
  refreshHeader(left);
  refreshHeader(target);
  emit tabChanged(target);
}

void SSActiveTabs::setHeadersVisible(bool visible) { m_headerRow->setVisible(visible); }

void SSActiveTabs::showSelected() { m_pages->setCurrentWidget(tab(m_selected).page); }

void SSActiveTabs::refreshHeader(int index) {
  const Tab& t = tab(index);
  QFont font = t.header->font();
  font.setBold(index == m_selected);
  t.header->setFont(font);
  t.header->setFrameStyle(index == m_selected ? QFrame::Panel | QFrame::Raised : QFrame::NoFrame);
  t.header->setEnabled(t.enabled);
  t.header->setVisible(t.visible);
}

com::ObjectPtr SSActiveTabs::object() {
  if (!m_object)
    m_object = std::make_shared<ContainerObject>(this);
  return m_object;
}

} // namespace tavro::qt
