#pragma once
// Helpers for the widget tests: one QApplication for the process, answering the next modal
// window from inside its event loop, and the pictures a view draws.

#include <QApplication>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

namespace tavro::test {

/// The process's QApplication, created on first use and kept until the process ends.
inline QApplication& application() {
  static int argc = 1;
  static char name[] = "test_gui";
  static char* argv[] = {name, nullptr};
  static auto* app = new QApplication(argc, argv);
  return *app;
}

/// Calls act with the next modal window as soon as one is open (act must close it).
inline void onNextModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer(&application());
  QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      act(modal);
    }
  });
  timer->start(10);
}

/// The pictures a rich-text document draws, in order; a null image where its resource is missing.
inline std::vector<QImage> drawnPictures(QTextDocument* document) {
  std::vector<QImage> pictures;
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it)
      if (it.fragment().charFormat().isImageFormat()) {
        const QUrl name(it.fragment().charFormat().toImageFormat().name());
        pictures.push_back(document->resource(QTextDocument::ImageResource, name).value<QImage>());
      }
  return pictures;
}

} // namespace tavro::test
