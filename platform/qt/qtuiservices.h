#pragma once
// The user-interface services on Qt: message boxes, file dialogs, the busy pointer, the help
// file and starting programs. Install with ui::installServices once a QApplication runs.

#include "platform/ui/uiservices.h"

#include <QMessageBox>
#include <QStringList>

#include <memory>

class QFileDialog;

namespace tavro::qt {

class QtUiServices : public ui::UiServices {
public:
  /// applicationTitle is the title of a message box that is given none.
  explicit QtUiServices(std::string applicationTitle = "Tavro");
  /// Takes back any hourglass still shown.
  ~QtUiServices() override;

  int msgBox(const std::string& text, int style, const std::string& title) override;
  std::optional<std::string> openFile(const ui::FileDialogRequest& request) override;
  std::optional<std::string> saveFile(const ui::FileDialogRequest& request) override;
  /// Each Hourglass shows the busy pointer until its matching Default; a Default with no
  /// Hourglass before it leaves the pointer alone.
  void setPointer(ui::Pointer pointer) override;
  /// Opens the help file with the desktop's viewer, or says that it is missing.
  void showHelp(const std::string& helpFile) override;
  bool startProgram(const std::string& path) override;

  /// The box msgBox shows, built but not shown: the text as plain text, the buttons, icon
  /// and default button of style, and the title (the application's when empty).
  std::unique_ptr<QMessageBox> messageBox(const std::string& text, int style, const std::string& title) const;
  /// The answer for the button pressed in a box of the given style; NoButton (the box was
  /// closed) gives the answer of its cancelling button.
  static int answerFor(QMessageBox::StandardButton button, int style);

  /// The dialog openFile or saveFile shows, built but not shown.
  static std::unique_ptr<QFileDialog> fileDialog(const ui::FileDialogRequest& request, bool save);
  /// A filter "Description|*.a;*.b|Description|*.c" as Qt's name filters, one per pair:
  /// "Description (*.a *.b)". "*.*" means every file.
  static QStringList nameFilters(const std::string& filter);

private:
  std::optional<std::string> runFileDialog(const ui::FileDialogRequest& request, bool save);

  std::string m_applicationTitle;
  int m_busyDepth = 0;
};

} // namespace tavro::qt
