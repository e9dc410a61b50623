#pragma once
// Helpers for the widget tests: one QApplication for the process, answering the next modal
// window from inside its event loop, named controls, the pictures a view draws, the navigation
// bar's buttons, and the built add-in registered as an installer registers it.

#include "navbar/navbar.h"
#include "platform/registry/activation.h"
#include "tests/support/testsupport.h"

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
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

/// The control of that class and name under parent. A missing one throws, so that a renamed
/// control fails the test that looks for it by name instead of crashing the test program.
template <class W = QWidget>
W* child(const QObject& parent, const char* name) {
  W* found = parent.findChild<W*>(QString::fromLatin1(name));
  if (!found)
    throw std::runtime_error(std::string("no control named ") + name);
  return found;
}

/// Shows the window and waits until it is the active one (keys and shortcuts go to it). Like
/// child() and registerBuiltAddin(), it throws when it cannot, which stops the calling test.
inline void showActive(QWidget& window) {
  window.show();
  QApplication::setActiveWindow(&window);
  if (!QTest::qWaitForWindowActive(&window))
    throw std::runtime_error("the window did not become active");
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

/// The enabled state of a navigation bar's Back, Next, Finish and Cancel, e.g. "-++-".
inline std::string navButtons(const NavBar& bar) {
  std::string s;
  for (int n = NavBar::Back; n <= NavBar::Cancel; ++n)
    s += bar.cmdNav(n)->isEnabled() ? '+' : '-';
  return s;
}

/// Registers the built libtavro.so through its own export into the registry that
/// $TAVRO_REGISTRY names, as an installer does.
inline void registerBuiltAddin() {
  const std::string library = (buildDir() / "libtavro.so").string();
  if (!std::filesystem::exists(library))
    throw std::runtime_error("the add-in is not built: " + library);
  auto registerServer =
      reinterpret_cast<com::HResult (*)()>(com::librarySymbol(com::loadLibrary(library), "DllRegisterServer"));
  if (!registerServer || registerServer() != com::hrOk)
    throw std::runtime_error("the add-in did not register: " + library);
}

} // namespace tavro::test
