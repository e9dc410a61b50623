#include "platform/qt/qtuiservices.h"

#include "platform/fs/filesystem.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

#include <stdexcept>
#include <vector>

namespace tavro::qt {

namespace {

bool haveGuiApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

void requireGuiApplication() {
  if (!haveGuiApplication())
    throw std::logic_error("the Qt user-interface services need a running QApplication");
}

QWidget* dialogParent() {
  if (QWidget* modal = QApplication::activeModalWidget())
    return modal;
  return QApplication::activeWindow();
}

QString fromUtf8(const std::string& s) { return QString::fromStdString(s); }

/// A local path from a dialog, as bytes the file system takes.
std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The buttons of a message box style, in their order, so that the default button can be
// picked by position.
std::vector<QMessageBox::StandardButton> buttonsFor(int style) {
  switch (ui::buttonsOf(style)) {
  case ui::vbOKCancel: return {QMessageBox::Ok, QMessageBox::Cancel};
  case ui::vbAbortRetryIgnore: return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
  case ui::vbYesNoCancel: return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
  case ui::vbYesNo: return {QMessageBox::Yes, QMessageBox::No};
  case ui::vbRetryCancel: return {QMessageBox::Retry, QMessageBox::Cancel};
  default: return {QMessageBox::Ok};
  }
}

QMessageBox::Icon iconFor(int style) {
  switch (ui::iconOf(style)) {
  case ui::vbCritical: return QMessageBox::Critical;
  case ui::vbQuestion: return QMessageBox::Question;
  case ui::vbExclamation: return QMessageBox::Warning;
  case ui::vbInformation: return QMessageBox::Information;
  default: return QMessageBox::NoIcon;
  }
}

/// While a question is on screen the user should not see the busy pointer over it.
class ArrowWhileAsking {
public:
  ArrowWhileAsking() : m_active(QApplication::overrideCursor() != nullptr) {
    if (m_active)
      QApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~ArrowWhileAsking() {
    if (m_active)
      QApplication::restoreOverrideCursor();
  }
  ArrowWhileAsking(const ArrowWhileAsking&) = delete;
  ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;

private:
  bool m_active;
};

} // namespace

QtUiServices::QtUiServices(std::string applicationTitle) : m_applicationTitle(std::move(applicationTitle)) {}

QtUiServices::~QtUiServices() {
  if (!haveGuiApplication())
    return;
  for (; m_busyDepth > 0; --m_busyDepth)
    QApplication::restoreOverrideCursor();
}

std::unique_ptr<QMessageBox> QtUiServices::messageBox(const std::string& text, int style,
                                                      const std::string& title) const {
  requireGuiApplication();
  auto box = std::make_unique<QMessageBox>(dialogParent());
  box->setWindowTitle(fromUtf8(title.empty() ? m_applicationTitle : title));
  // Texts often carry file names and page content: never let them be read as markup.
  box->setTextFormat(Qt::PlainText);
  box->setText(fromUtf8(text));
  box->setIcon(iconFor(style));

  const auto buttons = buttonsFor(style);
  QMessageBox::StandardButtons all;
  for (auto b : buttons)
    all |= b;
  box->setStandardButtons(all);
  const std::size_t defaultIndex = std::min<std::size_t>((style & 0x300) >> 8, buttons.size() - 1);
  box->setDefaultButton(buttons[defaultIndex]);
  return box;
}

int QtUiServices::answerFor(QMessageBox::StandardButton button, int style) {
  switch (button) {
  case QMessageBox::Ok: return ui::vbOK;
  case QMessageBox::Cancel: return ui::vbCancel;
  case QMessageBox::Abort: return ui::vbAbort;
  case QMessageBox::Retry: return ui::vbRetry;
  case QMessageBox::Ignore: return ui::vbIgnore;
  case QMessageBox::Yes: return ui::vbYes;
  case QMessageBox::No: return ui::vbNo;
  default: break;
  }
  switch (ui::buttonsOf(style)) {
  case ui::vbOKCancel:
  case ui::vbYesNoCancel:
  case ui::vbRetryCancel: return ui::vbCancel;
  case ui::vbYesNo: return ui::vbNo;
  case ui::vbAbortRetryIgnore: return ui::vbAbort;
  default: return ui::vbOK;
  }
}

int QtUiServices::msgBox(const std::string& text, int style, const std::string& title) {
  auto box = messageBox(text, style, title);
  ArrowWhileAsking arrow;
  box->exec();
  return answerFor(box->standardButton(box->clickedButton()), style);
}

QStringList QtUiServices::nameFilters(const std::string& filter) {
  QStringList result;
  const QStringList parts = fromUtf8(filter).split(QLatin1Char('|'));
  // Pairs of description and patterns; a description left without patterns is dropped.
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& raw : parts[i + 1].split(QLatin1Char(';'))) {
      const QString pattern = raw.trimmed();
      if (pattern.isEmpty())
        continue;
      // "*.*" stands for every file, with or without an extension.
      patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    if (patterns.isEmpty())
      continue;
    const QString description = parts[i].trimmed().isEmpty() ? patterns.join(QLatin1Char(' ')) : parts[i];
    result << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return result;
}

std::unique_ptr<QFileDialog> QtUiServices::fileDialog(const ui::FileDialogRequest& request, bool save) {
  requireGuiApplication();
  auto dialog = std::make_unique<QFileDialog>(dialogParent());
  // Qt's own dialog honours every option below; a native one may not.
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  if (!request.title.empty())
    dialog->setWindowTitle(fromUtf8(request.title));

  // The descriptions are shown exactly as given; the patterns Qt needs stay out of sight.
  const QStringList filters = nameFilters(request.filter);
  if (!filters.isEmpty()) {
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setNameFilters(filters);
  }
  if (!request.initialFolder.empty())
    dialog->setDirectory(QFile::decodeName(request.initialFolder.c_str()));
  if (!request.fileName.empty())
    dialog->selectFile(QFile::decodeName(request.fileName.c_str()));
  QString suffix = fromUtf8(request.defaultExtension);
  while (suffix.startsWith(QLatin1Char('.')))
    suffix.remove(0, 1);
  dialog->setDefaultSuffix(suffix);

  // Qt's dialog has no read-only check box, so hiding it needs nothing.
  if (save) {
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !(request.flags & ui::cdlOFNOverwritePrompt));
  } else {
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(request.flags & ui::cdlOFNFileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  }
  return dialog;
}

std::optional<std::string> QtUiServices::runFileDialog(const ui::FileDialogRequest& request, bool save) {
  auto dialog = fileDialog(request, save);
  ArrowWhileAsking arrow;
  for (;;) {
    if (dialog->exec() != QDialog::Accepted)
      return std::nullopt;
    const QString chosen = dialog->selectedFiles().value(0);
    if (chosen.isEmpty())
      return std::nullopt;
    const bool needsFolder = request.flags & (ui::cdlOFNPathMustExist | ui::cdlOFNFileMustExist);
    if (needsFolder && !QFileInfo(chosen).absoluteDir().exists()) {
      msgBox(localPath(chosen) + "\nPath does not exist.\nCheck the path and try again.",
             ui::vbOKOnly | ui::vbExclamation, request.title);
      continue;
    }
    return localPath(chosen);
  }
}

std::optional<std::string> QtUiServices::openFile(const ui::FileDialogRequest& request) {
  return runFileDialog(request, false);
}

std::optional<std::string> QtUiServices::saveFile(const ui::FileDialogRequest& request) {
  return runFileDialog(request, true);
}

void QtUiServices::setPointer(ui::Pointer pointer) {
  if (!haveGuiApplication())
    return;
  if (pointer == ui::Pointer::Hourglass) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++m_busyDepth;
  } else if (m_busyDepth > 0) {
    QApplication::restoreOverrideCursor();
    --m_busyDepth;
  }
}

void QtUiServices::showHelp(const std::string& helpFile) {
  if (helpFile.empty()) {
    msgBox("No help file has been set for this window.", ui::vbOKOnly | ui::vbExclamation, "");
    return;
  }
  if (!fs::fileExists(helpFile)) {
    msgBox("Cannot find the help file '" + helpFile + "'.", ui::vbOKOnly | ui::vbExclamation, "");
    return;
  }
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(helpFile.c_str()))))
    msgBox("Cannot open the help file '" + helpFile + "': no program to show it was found.",
           ui::vbOKOnly | ui::vbExclamation, "");
}

bool QtUiServices::startProgram(const std::string& path) { return ui::spawnDetached(path); }

} // namespace tavro::qt
