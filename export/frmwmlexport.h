#pragma once
// frmWMLExport: the "Export Project" dialog. It lists the project's documents with a check box
// each and the HTML file each becomes, lets the user tick rows and change targets, and on OK
// hands the ticked rows to the export engine. The dialog only maps its controls onto an
// ExportDialogModel, which holds the rows and the buttons' state and runs the OK pass.
//
//   frmWMLExport dialog;
//   dialog.HelpFile(appPath + "/help/prohelp.chm");
//   dialog.Project(project);     // fills the list
//   dialog.exec();

#include "export/exportdialogmodel.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace tavro {

class frmWMLExport : public QDialog {
  Q_OBJECT

public:
  /// Columns of lvFiles.
  enum Column { FileName = 0, FileType = 1, HTMLFile = 2 };

  /// Loads the dialog: builds its controls and compiles the export stylesheet (errors pass
  /// through to the caller).
  explicit frmWMLExport(QWidget* parent = nullptr);
  ~frmWMLExport() override;

  /// Makes path the help file F1 opens.
  void HelpFile(const std::string& path);
  /// Keeps the project and fills the list from it.
  void Project(host::HostProjectRef project);

  /// Rebuilds lvFiles from the project: one ticked row per document, or Label1 alone when
  /// the project has none.
  void populateFileList();
  /// Asks for a target with the save dialog; true and strFileName set to the chosen folder,
  /// base name and ".htm" when the user chose one.
  bool BrowseFile(std::string& strFileName) { return m_model.engine().BrowseFile(strFileName); }

  // Handlers.
  void cmdSelectAll_Click();
  void cmdClear_Click();
  void lvFiles_DblClick();
  void lvFiles_ItemClick(QTreeWidgetItem* item);
  void cmdMore_Click();
  void cmdOK_Click();
  void CancelButton_Click() { reject(); }

protected:
  void done(int result) override;

private:
  void buildControls();
  /// Redraws the list and the buttons from the model without raising the list's own handlers.
  void showState();
  int currentRow() const;

  ExportDialogModel m_model;
  bool m_filling = false; // changes the dialog makes to the list are not the user's

  QWidget* picWelcome = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* lblWelcomeTitle = nullptr;
  QLabel* Label3 = nullptr;
  QTreeWidget* lvFiles = nullptr;
  QLabel* Label1 = nullptr;
  QPushButton* cmdMore = nullptr;
  QCheckBox* chkConvertImages = nullptr;
  QPushButton* cmdSelectAll = nullptr;
  QPushButton* cmdClear = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* CancelButton = nullptr;
  QLabel* lblHelp = nullptr;
};

} // namespace tavro
