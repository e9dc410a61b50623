#pragma once
// The export dialog without a window: the rows it lists, which are ticked and where each is
// written, whether OK is available, the row the "..." button shows over, and the OK pass. The
// Qt dialog maps its controls onto one and redraws them from it after every call.

#include "export/exportengine.h"

#include <string>
#include <vector>

namespace tavro {

class ExportDialogModel {
public:
  /// Compiles the export stylesheet; errors pass through.
  ExportDialogModel();

  /// Keeps the project and fills the rows from it.
  void Project(host::HostProjectRef project);
  /// One ticked row per document of the project; OK available, no row being edited.
  void populateFileList();
  /// Forgets the project and the rows, as unloading the dialog does.
  void unload();

  const std::vector<ExportRow>& rows() const { return m_rows; }
  /// The project had no documents when the rows were filled: the list gives way to a notice.
  bool noDocuments() const { return m_noDocuments; }
  bool okEnabled() const { return m_okEnabled; }
  /// The row the "..." button shows over, or -1 when it is hidden.
  int moreRow() const { return m_moreRow; }
  bool convertImages() const { return m_engine.convertImages(); }
  ExportEngine& engine() { return m_engine; }

  // Changes the user makes to the controls.
  void setConvertImages(bool convert) { m_engine.setConvertImages(convert); }
  /// A row's box was ticked or unticked (lvFiles_ItemCheck).
  void setTicked(int row, bool ticked);
  void setTarget(int row, const std::string& htmlFile);

  // Handlers; a row out of range is no row.
  void cmdSelectAll_Click();
  void cmdClear_Click();
  /// Inverts the tick of the row.
  void lvFiles_DblClick(int row);
  /// Shows the "..." button over the row.
  void lvFiles_ItemClick(int row);
  /// Asks for the row's target with the save dialog and hides the "..." button.
  void cmdMore_Click(int row);
  /// Exports the ticked rows; true when the dialog closes.
  bool cmdOK_Click();

private:
  bool isRow(int row) const { return row >= 0 && row < int(m_rows.size()); }
  void setAllTicks(bool ticked);

  ExportEngine m_engine;
  host::HostProjectRef m_project;
  std::vector<ExportRow> m_rows;
  bool m_noDocuments = false;
  bool m_okEnabled = true;
  int m_moreRow = -1;
};

} // namespace tavro
