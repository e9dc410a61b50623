#pragma once
// The view of a platform/html Browser: shows the document the browser holds and follows every
// change of it, and sends what the user does into the document model: clicks, requests for
// the context menu and key presses are dispatched there, and only when the model's handlers
// let the default action proceed does the view act on them itself. Radio buttons and check
// boxes are drawn as marks that take clicks. Pictures show when they are local files (a path
// or a file: URL); nothing is ever fetched from the network.
//
//   auto browser = std::make_shared<html::Browser>();
//   qt::BrowserView view(browser);
//   browser->Navigate("/home/me/page.html");   // the view shows it once events run

#include <QHash>
#include <QImage>
#include <QTextBrowser>

#include <functional>
#include <memory>
#include <vector>

// The document model is reached through forward declarations only, so that the forms that show
// a view need not include it.
namespace tavro::html {
class Browser;
class Document;
class Element;
using ElementPtr = std::shared_ptr<Element>;
} // namespace tavro::html

namespace tavro::qt {

class BrowserView : public QTextBrowser {
  Q_OBJECT

public:
  explicit BrowserView(std::shared_ptr<html::Browser> browser, QWidget* parent = nullptr);
  ~BrowserView() override;

  /// Draws the browser's current document now. Changes are otherwise drawn once, when
  /// control returns to the event loop after them.
  void refresh();
  /// Whether a change has not been drawn yet.
  bool isStale() const { return m_pending; }

  /// The element drawn at a point of the viewport: the element holding the text there, a
  /// mark's input, a picture's IMG; none over empty space.
  html::ElementPtr elementAt(const QPoint& viewportPos) const;
  /// Where the mark of a radio button or check box is drawn, in viewport coordinates; empty
  /// when it is not drawn.
  QRect markRect(const html::ElementPtr& input) const;
  /// The rich text last drawn.
  const QString& renderedHtml() const { return m_html; }
  /// How many times the document was drawn.
  int renderCount() const { return m_renderCount; }

  /// Reads a local picture that Qt's own readers cannot (a null image when it cannot either).
  using PictureReader = std::function<QImage(const QString& path)>;
  /// The reader tried after Qt's, for formats only the program knows (WBMP).
  void setPictureReader(PictureReader reader) { m_pictureReader = std::move(reader); }

  /// The Windows virtual-key code the model sees for a Qt key (0 when it has none).
  static int virtualKeyCode(int qtKey);

signals:
  /// The document was drawn again.
  void rendered();

protected:
  QVariant loadResource(int type, const QUrl& name) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool viewportEvent(QEvent* event) override;

private:
  void schedule(bool navigated);
  void renderPending();
  void attachDocument();
  void detachDocument();
  html::ElementPtr liveTarget(const html::ElementPtr& element) const;

  std::shared_ptr<html::Browser> m_browser;
  int m_navigateConnection = 0;
  int m_completeConnection = 0;
  std::weak_ptr<html::Document> m_document;
  int m_changedConnection = 0;

  bool m_pending = false;
  bool m_navigated = true;
  QString m_html;
  int m_renderCount = 0;
  std::vector<html::ElementPtr> m_elements; // element number -> element, for the last drawing
  std::vector<QString> m_pictures;          // picture number -> local path
  std::vector<int> m_pictureOwner;          // picture number -> element number
  QHash<QString, QImage> m_pictureCache;    // by local path, for the current page
  PictureReader m_pictureReader;
  QPoint m_pressPos;
  bool m_pressed = false;
};

} // namespace tavro::qt
