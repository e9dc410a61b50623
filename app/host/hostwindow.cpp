#include "app/host/hostwindow.h"

#include "host/folderproject.h"
#include "platform/com/enumerator.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QIcon>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <cstdlib>

namespace tavro::hostapp {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The catalogue's bitmaps use magenta as their transparent colour, as toolbar bitmaps do.
QIcon iconFrom(const std::vector<std::uint8_t>& bmp) {
  QImage image = QImage::fromData(bmp.data(), int(bmp.size()), "BMP").convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == qRgb(255, 0, 255))
        image.setPixel(x, y, qRgba(0, 0, 0, 0));
    }
  }
  return QIcon(QPixmap::fromImage(image));
}

} // namespace

HostWindow::HostWindow(com::ObjectPtr wizard, std::string applicationPath, QWidget* parent)
    : QMainWindow(parent), m_wizard(std::move(wizard)), m_applicationPath(std::move(applicationPath)) {
  setWindowTitle("Velmor Professional");
  resize(640, 420);

  auto* file = menuBar()->addMenu(tr("&File"));
  file->addAction(tr("&New Project..."), QKeySequence::New, this, &HostWindow::newProject);
  file->addAction(tr("&Open Project..."), QKeySequence::Open, this, &HostWindow::chooseProject);
  file->addSeparator();
  file->addAction(tr("&Quit"), QKeySequence::Quit, qApp, &QApplication::closeAllWindows);

  m_wizardMenu = menuBar()->addMenu(tr("&Wizards"));
  m_wizardBar = addToolBar(tr("Wizards"));
  m_wizardBar->setObjectName("wizardToolBar");
  m_wizardBar->setIconSize(QSize(16, 16));
  m_wizardBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

  m_documents = new QListWidget(this);
  m_documents->setObjectName("documentList");
  connect(m_documents, &QListWidget::itemDoubleClicked, this, &HostWindow::showDocument);
  setCentralWidget(m_documents);
  m_status = new QLabel(tr("No project open"), this);
  statusBar()->addWidget(m_status);

  com::putProperty(m_wizard, "AppPath", com::Variant(m_applicationPath));
  buildWizardMenu();
}

void HostWindow::buildWizardMenu() {
  com::ObjectPtr entries = com::getProperty(m_wizard, "WizardsCollection").toObject();
  com::forEach(entries, [&](const com::Variant& v) {
    com::ObjectPtr item = v.toObject();
    const QString caption = qs(com::getProperty(item, "Caption").toString());
    const QString tooltip = qs(com::getProperty(item, "TooltipText").toString());
    const QString strID = qs(com::getProperty(item, "strID").toString());
    // The catalogue's keys are the icon numbers written out.
    const std::string key = std::to_string(com::getProperty(item, "IconId").toLong());
    com::ObjectPtr picture = com::callMethod(m_wizard, "getIcon", {com::Variant(key)}).toObject();

    auto* action = new QAction(iconFrom(com::getProperty(picture, "Data").toBytes()), caption, this);
    action->setToolTip(tooltip);
    action->setStatusTip(tooltip);
    action->setObjectName("wizard" + strID);
    connect(action, &QAction::triggered, this, [this, strID] { launch(strID); });
    m_wizardMenu->addAction(action);
    m_wizardBar->addAction(action);
    m_wizardActions.append(action);
  });
}

void HostWindow::launch(const QString& strID) {
  try {
    com::callMethod(m_wizard, "launchWizard", {com::Variant(strID.toStdString())});
  } catch (const std::exception& e) {
    QMessageBox::critical(this, windowTitle(), tr("The wizard stopped with an error:\n%1").arg(e.what()));
  }
  refreshDocuments();
}

bool HostWindow::openProject(const QString& folder) {
  try {
    auto project = host::FolderProject::open(folder.toStdString(), m_applicationPath);
    m_project = project;
    com::putRefProperty(m_wizard, "Project", com::Variant(project));
    // Programs the add-in starts inherit the host's environment; the FTP starter opens this folder.
    ::setenv("TAVRO_PROJECT", project->ProjectFolder().c_str(), 1);
    QSettings().setValue("lastProject", qs(project->ProjectFolder()));
    refreshDocuments();
    return true;
  } catch (const std::exception& e) {
    QMessageBox::critical(this, windowTitle(), tr("The project cannot be opened.\n%1").arg(e.what()));
    return false;
  }
}

QString HostWindow::projectFolder() const { return m_project ? qs(m_project->ProjectFolder()) : QString(); }

void HostWindow::refreshDocuments() {
  m_documents->clear();
  if (!m_project) {
    m_status->setText(tr("No project open"));
    return;
  }
  // Read the manifest again: a wizard may have added documents.
  try {
    m_project = host::FolderProject::open(m_project->ProjectFolder(), m_applicationPath);
    com::putRefProperty(m_wizard, "Project", com::Variant(m_project));
  } catch (const std::exception& e) {
    m_status->setText(tr("The project's manifest cannot be read: %1").arg(e.what()));
    return;
  }
  for (const auto& d : m_project->documents()) {
    auto* item = new QListWidgetItem(qs(d.name + "." + d.type), m_documents);
    item->setData(Qt::UserRole, qs(d.name));
  }
  m_status->setText(tr("%1 — %2 documents — %3")
                        .arg(qs(m_project->ProjectName()))
                        .arg(m_project->documents().size())
                        .arg(qs(m_project->ProjectFolder())));
  setWindowTitle(qs(m_project->ProjectName()) + " - Velmor Professional");
}

void HostWindow::newProject() {
  const QString folder = QFileDialog::getExistingDirectory(this, tr("Folder of the new project"));
  if (folder.isEmpty())
    return;
  bool ok = false;
  const QString name = QInputDialog::getText(this, tr("New Project"), tr("Project name:"), QLineEdit::Normal,
                                             QFileInfo(folder).fileName(), &ok);
  if (!ok || name.isEmpty())
    return;
  try {
    host::FolderProject::create(folder.toStdString(), name.toStdString(), m_applicationPath);
  } catch (const std::exception& e) {
    QMessageBox::critical(this, windowTitle(), tr("The project cannot be made.\n%1").arg(e.what()));
    return;
  }
  openProject(folder);
}

void HostWindow::chooseProject() {
  const QString folder = QFileDialog::getExistingDirectory(this, tr("Open Project Folder"), projectFolder());
  if (!folder.isEmpty())
    openProject(folder);
}

void HostWindow::showDocument() {
  auto* item = m_documents->currentItem();
  if (!item || !m_project)
    return;
  QString text;
  try {
    com::ObjectPtr documents = com::getProperty(m_project, "Documents").toObject();
    com::Variant document =
        com::getProperty(documents, "Item", {com::Variant(item->data(Qt::UserRole).toString().toStdString())});
    if (document.isEmpty())
      return;
    text = qs(com::getProperty(document.toObject(), "Content").toString());
  } catch (const std::exception& e) {
    QMessageBox::warning(this, windowTitle(), tr("The document cannot be read.\n%1").arg(e.what()));
    return;
  }
  QDialog dialog(this);
  dialog.setWindowTitle(item->text());
  dialog.resize(600, 480);
  auto* layout = new QVBoxLayout(&dialog);
  auto* view = new QPlainTextEdit(text, &dialog);
  view->setObjectName("documentSource");
  view->setReadOnly(true);
  view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  layout->addWidget(view);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  dialog.exec();
}

} // namespace tavro::hostapp
