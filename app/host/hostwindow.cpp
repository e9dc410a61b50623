#include "app/host/hostwindow.h"

#include "host/folderproject.h"
#include "images/imagecodecs.h"
#include "platform/com/enumerator.h"
#include "platform/html/browser.h"
#include "platform/qt/browserview.h"
#include "projectview/deckviewmodel.h"
#include "projectview/recentprojects.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace tavro::hostapp {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The host's own settings, whatever names the running application carries.
QSettings settings() { return QSettings(QSettings::UserScope, "Tavro", "tavro-host"); }

constexpr const char* kRecentKey = "recentProjects";
constexpr int kNameRole = Qt::UserRole;
constexpr int kTypeRole = Qt::UserRole + 1;

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

  auto* file = menuBar()->addMenu(tr("&File"));
  file->addAction(tr("&New Project..."), QKeySequence::New, this, &HostWindow::newProject);
  file->addAction(tr("&Open Project..."), QKeySequence::Open, this, &HostWindow::chooseProject);
  m_recentMenu = file->addMenu(tr("Open &Recent"));
  m_recentMenu->setObjectName("recentMenu");
  file->addSeparator();
  file->addAction(tr("&Quit"), QKeySequence::Quit, qApp, &QApplication::closeAllWindows);

  m_removeAction = new QAction(tr("&Remove from Project..."), this);
  m_removeAction->setObjectName("removeDocumentAction");
  m_removeAction->setShortcut(QKeySequence::Delete);
  m_removeAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(m_removeAction, &QAction::triggered, this, &HostWindow::removeDocument);
  auto* project = menuBar()->addMenu(tr("&Project"));
  project->addAction(m_removeAction);

  m_wizardMenu = menuBar()->addMenu(tr("&Wizards"));
  m_wizardBar = addToolBar(tr("Wizards"));
  m_wizardBar->setObjectName("wizardToolBar");
  m_wizardBar->setIconSize(QSize(16, 16));
  m_wizardBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

  m_documents = new QListWidget(this);
  m_documents->setObjectName("documentList");
  // Activation is a double click or Enter.
  connect(m_documents, &QListWidget::itemActivated, this, &HostWindow::showDocument);
  m_documents->addAction(m_removeAction);
  m_documents->setContextMenuPolicy(Qt::ActionsContextMenu);
  buildDocumentView();
  m_status = new QLabel(tr("No project open"), this);
  statusBar()->addWidget(m_status);

  QSettings saved = settings();
  resize(saved.value("window/size", QSize(900, 560)).toSize());
  m_splitter->restoreState(saved.value("window/splitter").toByteArray());
  rebuildRecentMenu();

  com::putProperty(m_wizard, "AppPath", com::Variant(m_applicationPath));
  buildWizardMenu();
}

HostWindow::~HostWindow() = default;

void HostWindow::buildDocumentView() {
  m_browser = std::make_shared<html::Browser>();
  m_browser->setOffline(true);
  m_browser->setRegisterAsDropTarget(false);
  m_deck = std::make_unique<projectview::DeckViewModel>(m_browser);

  auto* pane = new QWidget(this);
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* cardRow = new QHBoxLayout;
  m_cardTitle = new QLabel(pane);
  m_cardTitle->setObjectName("cardTitleLabel");
  m_cardTitle->setTextFormat(Qt::PlainText);
  QFont bold = m_cardTitle->font();
  bold.setBold(true);
  m_cardTitle->setFont(bold);
  m_cards = new QComboBox(pane);
  m_cards->setObjectName("cardComboBox");
  m_cards->setToolTip(tr("The deck's cards"));
  m_cards->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  auto* cardsLabel = new QLabel(tr("&Card:"), pane);
  cardsLabel->setBuddy(m_cards);
  cardRow->addWidget(m_cardTitle, 1);
  cardRow->addWidget(cardsLabel);
  cardRow->addWidget(m_cards);
  layout->addLayout(cardRow);

  m_tabs = new QTabWidget(pane);
  m_tabs->setObjectName("documentTabs");
  m_view = new qt::BrowserView(m_browser, m_tabs);
  m_view->setObjectName("deckView");
  // Decks refer to WBMP pictures, which Qt does not read; the imaging engine does.
  m_view->setPictureReader([](const QString& path) {
    try {
      const images::Picture picture = images::readPicture(path.toStdString());
      QImage grey(picture.width, picture.height, QImage::Format_Grayscale8);
      for (std::int32_t y = 0; y < picture.height; ++y)
        std::memcpy(grey.scanLine(y), picture.row(y), std::size_t(picture.width));
      return grey;
    } catch (const std::exception&) {
      return QImage();
    }
  });
  m_source = new QPlainTextEdit(m_tabs);
  m_source->setObjectName("documentSource");
  m_source->setReadOnly(true);
  m_source->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_source->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  m_tabs->addTab(m_view, tr("&Deck"));
  m_tabs->addTab(m_source, tr("&Source"));
  layout->addWidget(m_tabs, 1);

  m_deckStatus = new QLabel(pane);
  m_deckStatus->setObjectName("deckStatusLabel");
  m_deckStatus->setTextFormat(Qt::PlainText);
  m_deckStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_deckStatus->setWordWrap(true);
  layout->addWidget(m_deckStatus);

  m_splitter = new QSplitter(Qt::Horizontal, this);
  m_splitter->setObjectName("documentSplitter");
  m_splitter->addWidget(m_documents);
  m_splitter->addWidget(pane);
  m_splitter->setStretchFactor(1, 1);
  m_splitter->setSizes({200, 700});
  setCentralWidget(m_splitter);

  m_deck->changed = [this] { deckChanged(); };
  // The view draws a change later, keeping its scroll position: another card starts at its top.
  connect(m_view, &qt::BrowserView::rendered, this, [this] {
    if (std::exchange(m_scrollToTop, false))
      m_view->verticalScrollBar()->setValue(0);
  });
  connect(m_cards, &QComboBox::activated, this, [this](int index) { m_deck->showCard(index); });
  deckChanged();
}

void HostWindow::deckChanged() {
  const auto& deck = *m_deck;
  m_cardTitle->setText(qs(deck.currentTitle()));
  // The list of cards is made again only when another deck is shown.
  if (m_cards->count() != int(deck.cards().size()) || m_cards->property("deck").toString() != qs(deck.documentName())) {
    m_cards->clear();
    for (const auto& card : deck.cards())
      m_cards->addItem(qs(card.title.empty() ? card.id : card.title + (card.id.empty() ? "" : " (#" + card.id + ")")));
    m_cards->setProperty("deck", qs(deck.documentName()));
  }
  m_cards->setCurrentIndex(deck.currentCard());
  m_cards->setEnabled(deck.cards().size() > 1);
  m_deckStatus->setText(qs(deck.summary()));
  const QString card = qs(deck.documentName()) + "#" + QString::number(deck.currentCard());
  m_scrollToTop = m_scrollToTop || card != m_shownCard;
  m_shownCard = card;
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
    QSettings saved = settings();
    saved.setValue("lastProject", qs(project->ProjectFolder()));
    std::vector<std::string> recent;
    for (const QString& entry : saved.value(kRecentKey).toStringList())
      recent.push_back(entry.toStdString());
    QStringList list;
    for (const auto& entry : projectview::withRecentProject(recent, project->ProjectFolder()))
      list.append(qs(entry));
    saved.setValue(kRecentKey, list);
    rebuildRecentMenu();
    m_deck->clear();
    m_source->clear();
    refreshDocuments();
    return true;
  } catch (const std::exception& e) {
    QMessageBox::critical(this, windowTitle(), tr("The project cannot be opened.\n%1").arg(e.what()));
    return false;
  }
}

QStringList HostWindow::recentProjects() const { return settings().value(kRecentKey).toStringList(); }

void HostWindow::rebuildRecentMenu() {
  m_recentMenu->clear();
  for (const QString& folder : recentProjects()) {
    QAction* entry = m_recentMenu->addAction(folder);
    connect(entry, &QAction::triggered, this, [this, folder] { openProject(folder); });
  }
  m_recentMenu->setEnabled(!m_recentMenu->isEmpty());
}

void HostWindow::closeEvent(QCloseEvent* event) {
  QSettings saved = settings();
  saved.setValue("window/size", size());
  saved.setValue("window/splitter", m_splitter->saveState());
  QMainWindow::closeEvent(event);
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
  bool shownStays = false;
  for (const auto& d : m_project->documents()) {
    auto* item = new QListWidgetItem(qs(d.name + "." + d.type), m_documents);
    item->setData(kNameRole, qs(d.name));
    item->setData(kTypeRole, qs(d.type));
    if (d.name == m_deck->documentName()) {
      shownStays = true;
      m_documents->setCurrentItem(item);
    }
  }
  // The document shown may have been rewritten or taken out meanwhile.
  if (shownStays) {
    m_deck->open(host::HostProjectRef(m_project), m_deck->documentName());
    m_source->setPlainText(qs(m_deck->source()));
  } else if (!m_deck->documentName().empty()) {
    m_deck->clear();
    m_source->clear();
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
  // A deck near the 16 MB limit takes seconds (8 s and 1.1 GB for 15 MB in one card).
  QApplication::setOverrideCursor(Qt::WaitCursor);
  m_deck->open(host::HostProjectRef(m_project), item->data(kNameRole).toString().toStdString());
  m_source->setPlainText(qs(m_deck->source()));
  m_source->moveCursor(QTextCursor::Start);
  QApplication::restoreOverrideCursor();
}

void HostWindow::removeDocument() {
  auto* item = m_documents->currentItem();
  if (!item || !m_project)
    return;
  const std::string name = item->data(kNameRole).toString().toStdString();
  const std::string type = item->data(kTypeRole).toString().toStdString();

  QMessageBox question(QMessageBox::Question, tr("Remove from Project"),
                       tr("Remove %1 from the project %2?").arg(item->text(), qs(m_project->ProjectName())),
                       QMessageBox::Yes | QMessageBox::No, this);
  question.setInformativeText(tr("The file stays in the project folder unless you tick \"Delete the file\"."));
  question.setDefaultButton(QMessageBox::No);
  auto* deleteFile = new QCheckBox(tr("&Delete the file"), &question);
  deleteFile->setObjectName("deleteFileCheckBox");
  question.setCheckBox(deleteFile);
  if (question.exec() != QMessageBox::Yes)
    return;

  try {
    // From the manifest as it is now, which a wizard may have changed since the list was made.
    auto project = host::FolderProject::open(m_project->ProjectFolder(), m_applicationPath);
    m_project = project;
    project->removeDocument(name, type, deleteFile->isChecked());
  } catch (const std::exception& e) {
    QMessageBox::critical(this, windowTitle(), tr("The document cannot be removed.\n%1").arg(e.what()));
  }
  refreshDocuments();
}

} // namespace tavro::hostapp
