#include "export/exportdialogmodel.h"

#include "platform/ui/uiservices.h"

#include <algorithm>

namespace tavro {

ExportDialogModel::ExportDialogModel() { m_engine.LoadExportStylesheet(); }

void ExportDialogModel::Project(host::HostProjectRef project) {
  m_project = std::move(project);
  m_engine.setProject(m_project);
  populateFileList();
}

void ExportDialogModel::populateFileList() {
  m_moreRow = -1;
  m_okEnabled = true;
  m_rows.clear();
  m_rows = tavro::populateFileList(m_project);
  m_noDocuments = m_rows.empty();
}

void ExportDialogModel::unload() {
  m_project = host::HostProjectRef();
  m_engine.setProject(m_project);
  m_rows.clear();
  m_moreRow = -1;
  m_okEnabled = true;
  m_engine.setConvertImages(false);
}

void ExportDialogModel::setTicked(int row, bool ticked) {
  if (isRow(row))
    m_rows[std::size_t(row)].ticked = ticked;
  m_okEnabled = std::any_of(m_rows.begin(), m_rows.end(), [](const ExportRow& r) { return r.ticked; });
}

void ExportDialogModel::setTarget(int row, const std::string& htmlFile) {
  if (isRow(row))
    m_rows[std::size_t(row)].htmlFile = htmlFile;
}

void ExportDialogModel::setAllTicks(bool ticked) {
  for (ExportRow& row : m_rows)
    row.ticked = ticked;
  m_okEnabled = ticked;
  m_moreRow = -1;
}

void ExportDialogModel::cmdSelectAll_Click() { setAllTicks(true); }

void ExportDialogModel::cmdClear_Click() { setAllTicks(false); }

void ExportDialogModel::lvFiles_DblClick(int row) {
  if (isRow(row))
    setTicked(row, !m_rows[std::size_t(row)].ticked);
}

void ExportDialogModel::lvFiles_ItemClick(int row) {
  if (isRow(row))
    m_moreRow = row;
}

void ExportDialogModel::cmdMore_Click(int row) {
  if (isRow(row)) {
    std::string path = m_rows[std::size_t(row)].htmlFile;
    if (m_engine.BrowseFile(path))
      m_rows[std::size_t(row)].htmlFile = path;
  }
  m_moreRow = -1;
}

bool ExportDialogModel::cmdOK_Click() {
  ui::BusyPointer busy;
  return m_engine.exportRows(m_rows).close;
}

} // namespace tavro
