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
#include <QSignalBlocker>
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
}

frmWMLExport::~frmWMLExport() = default;

void frmWMLExport::buildControls() {
  setObjectName("frmWMLExport");
  setWindowTitle("Export Project");
  setFixedSize(toPixels(kClientWidth), toPixels(kClientHeight));
  setFont(controlFont());

  auto* banner = qt::dialogBanner(this, kClientWidth, "lblWelcomeTitle", "Export your project to HTML",
                                  "Choose the files you want to export to html.",
                                  qt::bannerPicture(Picture(resources::find("BITMAP", 102)).bmpFile()));
  picWelcome = banner;
  lblWelcomeTitle = banner->title();
  Label3 = banner->subTitle();
  Image1 = banner->picture();

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
  // The user's ticks (and targets set on a row) go into the model.
  connect(lvFiles, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    if (m_filling)
      return;
    const int row = lvFiles->indexOfTopLevelItem(item);
    if (column == FileName)
      m_model.setTicked(row, item->checkState(FileName) == Qt::Checked);
    else if (column == HTMLFile)
      m_model.setTarget(row, item->text(HTMLFile).toStdString());
    showState();
  });
  connect(chkConvertImages, &QCheckBox::toggled, this, [this](bool on) { m_model.setConvertImages(on); });
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
  m_model.Project(std::move(project));
  showState();
}

void frmWMLExport::populateFileList() {
  m_model.populateFileList();
  showState();
}

int frmWMLExport::currentRow() const { return lvFiles->indexOfTopLevelItem(lvFiles->currentItem()); }

void frmWMLExport::showState() {
  const std::vector<ExportRow>& list = m_model.rows();
  m_filling = true;
  if (lvFiles->topLevelItemCount() != int(list.size())) {
    lvFiles->clear();
    for (std::size_t i = 0; i < list.size(); ++i)
      new QTreeWidgetItem(lvFiles);
  }
  for (int i = 0; i < int(list.size()); ++i) {
    QTreeWidgetItem* item = lvFiles->topLevelItem(i);
    const ExportRow& row = list[std::size_t(i)];
    item->setText(FileName, qs(row.name));
    item->setText(FileType, qs(row.type));
    item->setText(HTMLFile, qs(row.htmlFile));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(FileName, row.ticked ? Qt::Checked : Qt::Unchecked);
  }
  m_filling = false;
  lvFiles->setVisible(!m_model.noDocuments());
  Label1->setVisible(m_model.noDocuments());
  cmdOK->setEnabled(m_model.okEnabled());
  cmdMore->setVisible(m_model.moreRow() >= 0);
  const QSignalBlocker block(chkConvertImages);
  chkConvertImages->setChecked(m_model.convertImages());
}

void frmWMLExport::cmdSelectAll_Click() {
  m_model.cmdSelectAll_Click();
  showState();
}

void frmWMLExport::cmdClear_Click() {
  m_model.cmdClear_Click();
  showState();
}

void frmWMLExport::lvFiles_DblClick() {
  m_model.lvFiles_DblClick(currentRow());
  showState();
}

void frmWMLExport::lvFiles_ItemClick(QTreeWidgetItem* item) {
  m_model.lvFiles_ItemClick(lvFiles->indexOfTopLevelItem(item));
  if (m_model.moreRow() < 0)
    return;
  // Over the row's right end: its top within the list's client area, below the header and
  // inside the frame.
  const QRect row = lvFiles->visualItemRect(item);
  const int rowTop = lvFiles->viewport()->mapTo(lvFiles, row.topLeft()).y() - lvFiles->frameWidth();
  const int left = toTwips(lvFiles->x()) + toTwips(lvFiles->width()) - toTwips(cmdMore->width()) - kMoreRightGap;
  const int top = toTwips(lvFiles->y()) + toTwips(rowTop) + kMoreTopGap;
  cmdMore->setGeometry(toPixels(left), toPixels(top), cmdMore->width(), row.height());
  cmdMore->raise();
  showState();
}

void frmWMLExport::cmdMore_Click() {
  QTreeWidgetItem* item = lvFiles->currentItem();
  m_model.cmdMore_Click(currentRow());
  showState();
  if (item)
    lvFiles->setCurrentItem(item);
}

void frmWMLExport::cmdOK_Click() {
  if (m_model.cmdOK_Click())
    accept();
}

void frmWMLExport::done(int result) {
  QDialog::done(result);
  m_model.unload();
  showState();
}

} // namespace tavro
