#include "platform/qt/browserview.h"

#include "platform/html/browser.h"
#include "platform/html/document.h"
#include "platform/qt/richtext.h"

#include <QAbstractTextDocumentLayout>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QHelpEvent>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QToolTip>
#include <QUrl>

#include <algorithm>
#include <string>

namespace tavro::qt {

BrowserView::BrowserView(std::shared_ptr<html::Browser> browser, QWidget* parent)
    : QTextBrowser(parent), m_browser(std::move(browser)) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setUndoRedoEnabled(false);
  setTabChangesFocus(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);

  m_navigateConnection =
      m_browser->NavigateComplete2.connect([this](html::Browser&, const std::string&) { schedule(true); });
  m_completeConnection =
      m_browser->DocumentComplete.connect([this](html::Browser&, const std::string&) { schedule(true); });
  schedule(true);
}

BrowserView::~BrowserView() {
  detachDocument();
  m_browser->NavigateComplete2.disconnect(m_navigateConnection);
  m_browser->DocumentComplete.disconnect(m_completeConnection);
}

void BrowserView::attachDocument() {
  const auto& doc = m_browser->Document();
  if (doc == m_document.lock())
    return;
  detachDocument();
  if (!doc)
    return;
  m_document = doc;
  m_changedConnection = doc->changed.connect([this](html::Node&) { schedule(false); });
}

void BrowserView::detachDocument() {
  if (auto old = m_document.lock())
    old->changed.disconnect(m_changedConnection);
  m_document.reset();
  m_changedConnection = 0;
}

void BrowserView::schedule(bool navigated) {
  attachDocument();
  m_navigated = m_navigated || navigated;
  if (m_pending)
    return;
  m_pending = true;
  QMetaObject::invokeMethod(this, &BrowserView::renderPending, Qt::QueuedConnection);
}

void BrowserView::renderPending() {
  if (m_pending)
    refresh();
}

void BrowserView::refresh() {
  attachDocument();
  const bool navigated = m_navigated;
  m_pending = false;
  m_navigated = false;

  m_elements.clear();
  m_pictures.clear();
  m_pictureOwner.clear();
  if (navigated)
    m_pictureCache.clear();

  std::string markup;
  if (const auto& doc = m_browser->Document()) {
    markup = writeRichText(*doc, m_elements, m_pictures, m_pictureOwner);
  }
  m_html = QString::fromUtf8(markup.data(), qsizetype(markup.size()));

  const int scroll = verticalScrollBar()->value();
  setHtml(m_html);
  verticalScrollBar()->setValue(navigated ? 0 : scroll);

  setAcceptDrops(m_browser->RegisterAsDropTarget());
  viewport()->setAcceptDrops(m_browser->RegisterAsDropTarget());
  ++m_renderCount;
  emit rendered();
}

QVariant BrowserView::loadResource(int type, const QUrl& name) {
  // Only the pictures this view itself named are served; every other address, whatever the
  // page asked for, yields nothing.
  if (type != QTextDocument::ImageResource)
    return {};
  const int k = numberAfter(name.toString(), pictureScheme);
  if (k < 0 || k >= int(m_pictures.size()))
    return {};
  const QString& path = m_pictures[std::size_t(k)];
  if (auto it = m_pictureCache.constFind(path); it != m_pictureCache.constEnd())
    return *it;
  QImage image;
  const QFileInfo info(path);
  if (info.isFile() && info.size() <= maxPictureBytes) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    image = reader.read();
    if (image.isNull() && m_pictureReader)
      image = m_pictureReader(path);
  }
  m_pictureCache.insert(path, image);
  if (image.isNull())
    return {};
  return image;
}

html::ElementPtr BrowserView::elementAt(const QPoint& viewportPos) const {
  auto byNumber = [this](int n) -> html::ElementPtr {
    return n >= 0 && n < int(m_elements.size()) ? m_elements[std::size_t(n)] : nullptr;
  };
  if (const int n = numberAfter(anchorAt(viewportPos), linkScheme); n >= 0)
    return byNumber(n);

  QTextDocument* doc = document();
  const QPointF point(viewportPos + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()));
  int position = doc->documentLayout()->hitTest(point, Qt::ExactHit);
  if (position < 0)
    return nullptr;

  // The character under the point; blanks between runs belong to the run before them.
  const QTextBlock block = doc->findBlock(position);
  if (position > block.position() && position >= block.position() + block.length() - 1)
    --position;
  std::vector<QTextFragment> fragments;
  for (auto it = block.begin(); !it.atEnd(); ++it)
    fragments.push_back(it.fragment());
  for (auto it = fragments.rbegin(); it != fragments.rend(); ++it) {
    if (it->position() > position)
      continue;
    const QTextCharFormat format = it->charFormat();
    if (format.isImageFormat()) {
      const int k = numberAfter(format.toImageFormat().name(), pictureScheme);
      if (k >= 0 && k < int(m_pictureOwner.size()) && it->position() + it->length() > position)
        return byNumber(m_pictureOwner[std::size_t(k)]);
      continue;
    }
    if (const int n = numberAfter(format.anchorHref(), linkScheme); n >= 0)
      return byNumber(n);
    if (const int n = numberAfter(format.toolTip(), elementPrefix); n >= 0)
      return byNumber(n);
  }
  return nullptr;
}

bool BrowserView::viewportEvent(QEvent* event) {
  // The runs' tool tips are the view's own bookkeeping; the user sees the element's title.
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const html::ElementPtr element = elementAt(help->pos());
    const std::string title = element ? element->attribute("title") : std::string();
    if (title.empty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), QString::fromStdString(title), viewport());
    return true;
  }
  return QTextBrowser::viewportEvent(event);
}

QRect BrowserView::markRect(const html::ElementPtr& input) const {
  auto found = std::find(m_elements.begin(), m_elements.end(), input);
  if (!input || found == m_elements.end())
    return {};
  const QString href = QString::fromLatin1(linkScheme.data(), qsizetype(linkScheme.size())) +
                       QString::number(found - m_elements.begin());
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (fragment.charFormat().anchorHref() != href)
        continue;
      QTextCursor cursor(document());
      cursor.setPosition(fragment.position());
      const QRect start = cursorRect(cursor);
      cursor.setPosition(fragment.position() + fragment.length());
      const QRect end = cursorRect(cursor);
      return QRect(start.topLeft(), end.bottomLeft()).normalized().adjusted(0, 0, 1, 0);
    }
  }
  return {};
}

html::ElementPtr BrowserView::liveTarget(const html::ElementPtr& element) const {
  // A change not yet drawn may have taken the element out of the page: the body takes the
  // event then, as it does for a point over empty space.
  const auto& doc = m_browser->Document();
  if (!element || !doc || element->ownerDocument() != doc || !element->isConnected())
    return nullptr;
  return element;
}

void BrowserView::mousePressEvent(QMouseEvent* event) {
  m_pressed = event->button() == Qt::LeftButton;
  m_pressPos = event->position().toPoint();
  QTextBrowser::mousePressEvent(event);
}

void BrowserView::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = m_pressed && event->button() == Qt::LeftButton &&
                     (event->position().toPoint() - m_pressPos).manhattanLength() < 6;
  m_pressed = false;
  QTextBrowser::mouseReleaseEvent(event);
  const auto& doc = m_browser->Document();
  if (!click || !doc)
    return;
  // Whatever the model decides, the view never leaves the page on its own: following a link
  // is the browser's business, and it opens only what the wizard tells it to.
  doc->dispatchClick(liveTarget(elementAt(event->position().toPoint())));
}

void BrowserView::contextMenuEvent(QContextMenuEvent* event) {
  const auto& doc = m_browser->Document();
  if (doc && !doc->dispatchContextMenu(liveTarget(elementAt(event->pos())))) {
    event->accept();
    return;
  }
  QTextBrowser::contextMenuEvent(event);
}

void BrowserView::keyPressEvent(QKeyEvent* event) {
  // Tab moves the focus on through the window's own controls.
  if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
    QTextBrowser::keyPressEvent(event);
    return;
  }
  const auto& doc = m_browser->Document();
  if (doc && !doc->dispatchKeyDown(virtualKeyCode(event->key()))) {
    event->accept();
    return;
  }
  QTextBrowser::keyPressEvent(event);
}

int BrowserView::virtualKeyCode(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return qtKey; // the same codes
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
    return 0x70 + (qtKey - Qt::Key_F1);
  switch (qtKey) {
  case Qt::Key_Backspace: return 0x08;
  case Qt::Key_Tab: return 0x09;
  case Qt::Key_Return:
  case Qt::Key_Enter: return 0x0D;
  case Qt::Key_Shift: return 0x10;
  case Qt::Key_Control: return 0x11;
  case Qt::Key_Alt: return 0x12;
  case Qt::Key_Escape: return 0x1B;
  case Qt::Key_Space: return 0x20;
  case Qt::Key_PageUp: return 0x21;
  case Qt::Key_PageDown: return 0x22;
  case Qt::Key_End: return 0x23;
  case Qt::Key_Home: return 0x24;
  case Qt::Key_Left: return 0x25;
  case Qt::Key_Up: return 0x26;
  case Qt::Key_Right: return 0x27;
  case Qt::Key_Down: return 0x28;
  case Qt::Key_Insert: return 0x2D;
  case Qt::Key_Delete: return 0x2E;
  default: return 0;
  }
}

} // namespace tavro::qt
