#include "export/frmwmlexport.h"

#include "entry/picture.h"
#include "platform/qt/formlayout.h"
#include "platform/qt/helpkey.h"
#include "platform/ui/uiservices.h"
#include "resources/resources.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace tavro {

using qt::controlFont;
using qt::named;
using qt::place;
using qt::toPixels;
using qt::toTwips;

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

constexpr int kClientWidth = 8130;
constexpr int kClientHeight = 5715;
// Twips between the button's right edge and the list's, and below the row's top.
constexpr int kMoreRightGap = 40;
constexpr int kMoreTopGap = 30;

} // namespace

frmWMLExport::frmWMLExport(QWidget* parent) : QDialog(parent) {
  buildControls();
  qt::installHelpKey(this);
  m_engine.LoadExportStylesheet();
}

frmWMLExport::~frmWMLExport() = default;

void frmWMLExport::buildControls() {
  setObjectName("frmWMLExport");
  setWindowTitle("Export Project");
  setFixedSize(toPixels(kClientWidth), toPixels(kClientHeight));
  setFont(controlFont());

  auto* banner = named(new qt::Banner(this, "Export your project to HTML", "Choose the files you want to export to html.",
                                      qt::bannerPicture(Picture(resources::find("BITMAP", 102)).bmpFile())),
                       "picWelcome");
  place(banner, 0, 0, kClientWidth, qt::Banner::designHeight);
  picWelcome = banner;
  lblWelcomeTitle = named(banner->title(), "lblWelcomeTitle");
  Label3 = named(banner->subTitle(), "Label3");
  Image1 = named(banner->picture(), "Image1");

  lvFiles = named(new QTreeWidget(this), "lvFiles");
  place(lvFiles, 120, 1095, 7890, 3135);
  lvFiles->setColumnCount(3);
  lvFiles->setHeaderLabels({"File Name", "File Type", "HTML File "});
  lvFiles->setRootIsDecorated(false);
  lvFiles->setUniformRowHeights(true);
  lvFiles->setSelectionMode(QAbstractItemView::SingleSelection);
  lvFiles->setAllColumnsShowFocus(true);
  lvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvFiles->setColumnWidth(FileName, toPixels(1950));
  lvFiles->setColumnWidth(FileType, toPixels(1500));
  lvFiles->header()->setStretchLastSection(true);

  Label1 = named(new QLabel("Project currently contains no documents", this), "Label1");
  place(Label1, 120, 1095, 7890, 3135);
  Label1->setAlignment(Qt::AlignCenter);
  Label1->hide();

  cmdMore = named(new QPushButton("...", this), "cmdMore");
  place(cmdMore, 0, 0, 330, 255);
  cmdMore->setFocusPolicy(Qt::NoFocus);
  cmdMore->hide();

  chkConvertImages = named(new QCheckBox("Convert Images", this), "chkConvertImages");
  place(chkConvertImages, 120, 4380, 2295, 255);

  cmdSelectAll = named(new QPushButton("Select all", this), "cmdSelectAll");
  place(cmdSelectAll, 5280, 4320, 1335, 375);
  cmdClear = named(new QPushButton("Clear", this), "cmdClear");
  place(cmdClear, 6675, 4320, 1335, 375);

  lblHelp = named(new QLabel("Press F1 for Help", this), "lblHelp");
  place(lblHelp, 120, 5280, 2055, 255);
  cmdOK = named(new QPushButton("OK", this), "cmdOK");
  place(cmdOK, 5280, 5220, 1335, 375);
  cmdOK->setDefault(true);
  CancelButton = named(new QPushButton("Cancel", this), "CancelButton");
  place(CancelButton, 6675, 5220, 1335, 375);

  connect(cmdSelectAll, &QPushButton::clicked, this, &frmWMLExport::cmdSelectAll_Click);
  connect(cmdClear, &QPushButton::clicked, this, &frmWMLExport::cmdClear_Click);
  connect(cmdMore, &QPushButton::clicked, this, &frmWMLExport::cmdMore_Click);
  connect(cmdOK, &QPushButton::clicked, this, &frmWMLExport::cmdOK_Click);
  connect(CancelButton, &QPushButton::clicked, this, &frmWMLExport::CancelButton_Click);
  connect(lvFiles, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem*, int column) {
    if (!m_filling && column == FileName)
      lvFiles_ItemCheck();
  });
  connect(lvFiles, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { lvFiles_ItemClick(item); });
  connect(lvFiles, &QTreeWidget::itemDoubleClicked, this, [this] { lvFiles_DblClick(); });

  QWidget::setTabOrder(lvFiles, chkConvertImages);
  QWidget::setTabOrder(chkConvertImages, cmdSelectAll);
  QWidget::setTabOrder(cmdSelectAll, cmdClear);
  QWidget::setTabOrder(cmdClear, cmdOK);
  QWidget::setTabOrder(cmdOK, CancelButton);
}

void frmWMLExport::HelpFile(const std::string& path) { qt::setApplicationHelpFile(path); }

void frmWMLExport::Project(host::HostProjectRef project) {
  m_project = std::move(project);
  m_engine.setProject(m_project);
  populateFileList();
}

void frmWMLExport::populateFileList() {
  // A fresh list starts with every row ticked, so OK is available and no row is being edited.
  cmdMore->hide();
  cmdOK->setEnabled(true);
  m_filling = true;
  lvFiles->clear();
  m_filling = false;

  std::vector<ExportRow> list = tavro::populateFileList(m_project);
  if (list.empty()) {
    lvFiles->hide();
    Label1->show();
    return;
  }
  lvFiles->show();
  Label1->hide();
  m_filling = true;
  for (const auto& row : list) {
    auto* item = new QTreeWidgetItem(lvFiles, {qs(row.name), qs(row.type), qs(row.htmlFile)});
    item->setData(FileName, Qt::UserRole, qs(row.key));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(FileName, row.ticked ? Qt::Checked : Qt::Unchecked);
  }
  m_filling = false;
}

bool frmWMLExport::BrowseFile(std::string& strFileName) { return m_engine.BrowseFile(strFileName); }

std::vector<ExportRow> frmWMLExport::rows() const {
  std::vector<ExportRow> list;
  for (int i = 0; i < lvFiles->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = lvFiles->topLevelItem(i);
    ExportRow row;
    row.key = item->data(FileName, Qt::UserRole).toString().toStdString();
    row.name = item->text(FileName).toStdString();
    row.type = item->text(FileType).toStdString();
    row.htmlFile = item->text(HTMLFile).toStdString();
    row.ticked = item->checkState(FileName) == Qt::Checked;
    list.push_back(std::move(row));
  }
  return list;
}

void frmWMLExport::setAllTicks(bool ticked) {
  m_filling = true;
  for (int i = 0; i < lvFiles->topLevelItemCount(); ++i)
    lvFiles->topLevelItem(i)->setCheckState(FileName, ticked ? Qt::Checked : Qt::Unchecked);
  m_filling = false;
}

bool frmWMLExport::anyTicked() const {
  for (int i = 0; i < lvFiles->topLevelItemCount(); ++i) {
    if (lvFiles->topLevelItem(i)->checkState(FileName) == Qt::Checked)
      return true;
  }
  return false;
}

void frmWMLExport::cmdSelectAll_Click() {
  setAllTicks(true);
  cmdOK->setEnabled(true);
  cmdMore->hide();
}

void frmWMLExport::cmdClear_Click() {
  setAllTicks(false);
  cmdOK->setEnabled(false);
  cmdMore->hide();
}

void frmWMLExport::lvFiles_ItemCheck() { cmdOK->setEnabled(anyTicked()); }

void frmWMLExport::lvFiles_DblClick() {
  QTreeWidgetItem* item = lvFiles->currentItem();
  if (!item)
    return;
  m_filling = true;
  item->setCheckState(FileName, item->checkState(FileName) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  m_filling = false;
  lvFiles_ItemCheck();
}

void frmWMLExport::lvFiles_ItemClick(QTreeWidgetItem* item) {
  if (!item)
    return;
  // The row's top within the list's client area: below the header, inside the frame.
  const QRect row = lvFiles->visualItemRect(item);
  const int rowTop = lvFiles->viewport()->mapTo(lvFiles, row.topLeft()).y() - lvFiles->frameWidth();
  const int left = toTwips(lvFiles->x()) + toTwips(lvFiles->width()) - toTwips(cmdMore->width()) - kMoreRightGap;
  const int top = toTwips(lvFiles->y()) + toTwips(rowTop) + kMoreTopGap;
  cmdMore->setGeometry(toPixels(left), toPixels(top), cmdMore->width(), row.height());
  cmdMore->raise();
  cmdMore->show();
}

void frmWMLExport::cmdMore_Click() {
  QTreeWidgetItem* item = lvFiles->currentItem();
  if (item) {
    std::string path = item->text(HTMLFile).toStdString();
    if (BrowseFile(path)) {
      m_filling = true;
      item->setText(HTMLFile, qs(path));
      m_filling = false;
      lvFiles->setCurrentItem(item);
    }
  }
  cmdMore->hide();
}

void frmWMLExport::cmdOK_Click() {
  ui::BusyPointer busy;
  m_engine.setConvertImages(chkConvertImages->isChecked());
  ExportPassResult result = m_engine.exportRows(rows());
  if (result.close)
    accept();
}

void frmWMLExport::CancelButton_Click() { reject(); }

void frmWMLExport::done(int result) {
  QDialog::done(result);
  unload();
}

void frmWMLExport::unload() {
  m_project = host::HostProjectRef();
  m_engine.setProject(m_project);
  m_filling = true;
  lvFiles->clear();
  m_filling = false;
  cmdMore->hide();
  cmdOK->setEnabled(true);
  chkConvertImages->setChecked(false);
}

} // namespace tavro
