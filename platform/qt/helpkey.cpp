#include "platform/qt/helpkey.h"

#include "platform/ui/uiservices.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace tavro::qt {

namespace {
std::string& helpFile() {
  static std::string path;
  return path;
}
} // namespace

void setApplicationHelpFile(std::string path) { helpFile() = std::move(path); }

const std::string& applicationHelpFile() { return helpFile(); }

void installHelpKey(QWidget* window) {
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), window);
  f1->setContext(Qt::WindowShortcut);
  QObject::connect(f1, &QShortcut::activated, window, [] { ui::services().showHelp(applicationHelpFile()); });
}

} // namespace tavro::qt
