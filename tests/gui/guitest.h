#pragma once
// Helpers for the widget tests: one QApplication for the process, and answering the next
// modal window from inside its event loop.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

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

} // namespace tavro::test
