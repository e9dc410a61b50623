#include "conversion/importengine.h"
#include "entry/picture.h"
#include "htmlimport/importwizardmodel.h"
#include "platform/html/browser.h"
#include "resources/resources.h"

#include "htmlimport/frmhtmlimport.h"
#include "navbar/navbar.h"
#include "platform/qt/browserview.h"
#include "platform/qt/formlayout.h"
#include "platform/qt/helpkey.h"
#include "platform/qt/ssactivetabs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

namespace tavro {

using conversion::ImportWizardModel;
using conversion::NavButton;

namespace {

// The pages by number, for the browser's place on each.
constexpr int IntroPage = int(conversion::WizardPage::Intro);
constexpr int LoadPage = int(conversion::WizardPage::Load);
constexpr int AnalysisPage = int(conversion::WizardPage::Analysis);
constexpr int FinishPage = int(conversion::WizardPage::FineTune);

QString qs(const std::string& s) { return QString::fromStdString(s); }

// Shows a name list in a list box. Only a change is drawn, so the user's scrolling stays.
void showList(QListWidget* view, const conversion::NameList& names) {
  bool same = view->count() == names.ListCount();
  for (int i = 0; same && i < view->count(); ++i)
    same = view->item(i)->text() == qs(names.List(i)) && view->item(i)->isSelected() == names.Selected(i);
  if (same)
    return;
  const QSignalBlocker block(view);
  view->clear();
  for (int i = 0; i < names.ListCount(); ++i)
    (new QListWidgetItem(qs(names.List(i)), view))->setSelected(names.Selected(i));
  if (const int current = names.ListIndex(); current >= 0)
    view->setCurrentRow(current, QItemSelectionModel::NoUpdate);
}

// The user's selection in a list box goes back into its name list.
void takeSelection(const QListWidget* view, conversion::NameList& names) {
  for (int i = 0; i < view->count() && i < names.ListCount(); ++i)
    names.setSelected(i, view->item(i)->isSelected());
}

} // namespace

frmHTMLImport::frmHTMLImport(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmHTMLImport"));
  setWindowTitle(tr("HTML Import Wizard"));
  setModal(true);
  resize(680, 560);
  setMinimumSize(560, 440);
  auto* layout = new QVBoxLayout(this);
  layout->setObjectName(QStringLiteral("SSResizer1"));
  layout->setContentsMargins(0, 0, 0, 0);
  qt::installHelpKey(this);
}

frmHTMLImport::~frmHTMLImport() {
  if (isLoaded())
    Form_Unload();
}

void frmHTMLImport::HelpFile(const std::string& path) { qt::setApplicationHelpFile(path); }

void frmHTMLImport::Project(const com::ObjectPtr& project) { m_project = host::HostProjectRef(project); }

void frmHTMLImport::showModal() {
  Form_Load();
  exec();
  if (isLoaded())
    Form_Unload();
}

conversion::ImportEngine* frmHTMLImport::engine() const { return m_model ? &m_model->engine() : nullptr; }

html::Browser* frmHTMLImport::browser() const { return m_model ? &m_model->browser() : nullptr; }

// --- Building the controls ---------------------------------------------------------------

QWidget* frmHTMLImport::buildPage(const QString& name, const QString& pictureName, QLabel*& title,
                                  const QString& titleText, QLabel*& subTitle, const QString& subTitleText) {
  // The banner's picture: the catalogue icon of the import.
  static const QPixmap picture = qt::bannerPicture(Picture(resources::find("BITMAP", 101)).bmpFile());
  auto* page = new QWidget;
  page->setObjectName(name);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);
  auto* banner = new qt::Banner(page, titleText, subTitleText, picture);
  banner->setObjectName(pictureName);
  banner->picture()->setObjectName(QStringLiteral("Image1"));
  title = banner->title();
  subTitle = banner->subTitle();
  layout->addWidget(banner);
  return page;
}

void frmHTMLImport::buildControls() {
  m_content = new QWidget(this);
  m_content->setObjectName(QStringLiteral("frmHTMLImportContent"));
  static_cast<QVBoxLayout*>(layout())->addWidget(m_content);
  auto* resizer = new QVBoxLayout(m_content);
  resizer->setObjectName(QStringLiteral("SSResizer2"));
  resizer->setContentsMargins(8, 8, 8, 0);

  SSActiveTabsHTML = new qt::SSActiveTabs(m_content);
  SSActiveTabsHTML->setObjectName(QStringLiteral("SSActiveTabsHTML"));
  SSActiveTabsHTML->setHeadersVisible(false);

  // Page 1: the instructions.
  SSActiveTabIntro = buildPage(QStringLiteral("SSActiveTabIntro"), QStringLiteral("picWelcome"), lblIntroTitle,
                               tr("HTML Import Wizard"), lblIntroSubTitle,
                               tr("Follow the steps to import HTML content into your Velmor Professional project"));
  lblIntroTitle->setObjectName(QStringLiteral("lblIntroTitle"));
  lblIntroSubTitle->setObjectName(QStringLiteral("lblIntroSubTitle"));
  m_browserSlot[IntroPage] = new QVBoxLayout;
  static_cast<QVBoxLayout*>(SSActiveTabIntro->layout())->addLayout(m_browserSlot[IntroPage], 1);

  // Page 2: the address row over the chosen page.
  SSActiveTabLoad =
      buildPage(QStringLiteral("SSActiveTabLoad"), QStringLiteral("picKnown"), lblLoadTitle, tr("Select a HTML File"),
                lblLoadSubTitle, tr("Click the Browse button to locate a HTML File on your PC"));
  lblLoadTitle->setObjectName(QStringLiteral("lblLoadTitle"));
  lblLoadSubTitle->setObjectName(QStringLiteral("lblLoadSubTitle"));
  auto* addressRow = new QHBoxLayout;
  lblAddress = new QLabel(tr("Address"), SSActiveTabLoad);
  lblAddress->setObjectName(QStringLiteral("lblAddress"));
  txtAddress = new QLineEdit(SSActiveTabLoad);
  txtAddress->setObjectName(QStringLiteral("txtAddress"));
  lblAddress->setBuddy(txtAddress);
  cmdBrowse = new QPushButton(tr("&Browse"), SSActiveTabLoad);
  cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
  cmdBrowse->setAutoDefault(false);
  addressRow->addWidget(lblAddress);
  addressRow->addWidget(txtAddress, 1);
  addressRow->addWidget(cmdBrowse);
  static_cast<QVBoxLayout*>(SSActiveTabLoad->layout())->addLayout(addressRow);
  m_browserSlot[LoadPage] = new QVBoxLayout;
  static_cast<QVBoxLayout*>(SSActiveTabLoad->layout())->addLayout(m_browserSlot[LoadPage], 1);

  // Page 3: the frames list or the analysis log.
  SSActiveTabAnalysis = buildPage(QStringLiteral("SSActiveTabAnalysis"), QStringLiteral("Picture1"), lblAnalysisTitle,
                                  tr("Conversion Analysis"), lblAnalysisSubTitle,
                                  tr("View the log below to get a breakdown of the conversion process"));
  lblAnalysisTitle->setObjectName(QStringLiteral("lblAnalysisTitle"));
  lblAnalysisSubTitle->setObjectName(QStringLiteral("lblAnalysisSubTitle"));
  m_browserSlot[AnalysisPage] = new QVBoxLayout;
  static_cast<QVBoxLayout*>(SSActiveTabAnalysis->layout())->addLayout(m_browserSlot[AnalysisPage], 1);

  // Page 4: the preview beside the element lists, the images option and the file name.
  SSActiveTabFinish =
      buildPage(QStringLiteral("SSActiveTabFinish"), QStringLiteral("Picture2"), Label5, tr("Fine Tune Content"),
                Label4, tr("Select elements which should not be included in the conversion process"));
  Label5->setObjectName(QStringLiteral("Label5"));
  Label4->setObjectName(QStringLiteral("Label4"));
  auto* finishRow = new QHBoxLayout;
  m_browserSlot[FinishPage] = new QVBoxLayout;
  finishRow->addLayout(m_browserSlot[FinishPage], 1);
  auto* side = new QVBoxLayout;

  frmAllowrd = new QFrame(SSActiveTabFinish);
  frmAllowrd->setObjectName(QStringLiteral("frmAllowrd"));
  frmAllowrd->setFrameShape(QFrame::StyledPanel);
  auto* lists = new QVBoxLayout(frmAllowrd);
  lblAllowed = new QLabel(tr("Allowed"), frmAllowrd);
  lblAllowed->setObjectName(QStringLiteral("lblAllowed"));
  lstKnownElements = new QListWidget(frmAllowrd);
  lstKnownElements->setObjectName(QStringLiteral("lstKnownElements"));
  lstKnownElements->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lblAllowed->setBuddy(lstKnownElements);
  cmdRemove = new QPushButton(frmAllowrd);
  cmdRemove->setObjectName(QStringLiteral("cmdRemove"));
  cmdRemove->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
  cmdRemove->setToolTip(tr("Move the selected elements to Removed"));
  cmdRemove->setAccessibleName(tr("Remove"));
  cmdRemove->setAutoDefault(false);
  cmdAdd = new QPushButton(frmAllowrd);
  cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
  cmdAdd->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
  cmdAdd->setToolTip(tr("Move the selected elements back to Allowed"));
  cmdAdd->setAccessibleName(tr("Add"));
  cmdAdd->setAutoDefault(false);
  lblRemoved = new QLabel(tr("Removed"), frmAllowrd);
  lblRemoved->setObjectName(QStringLiteral("lblRemoved"));
  lstRemovedElements = new QListWidget(frmAllowrd);
  lstRemovedElements->setObjectName(QStringLiteral("lstRemovedElements"));
  lstRemovedElements->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lblRemoved->setBuddy(lstRemovedElements);
  auto* arrows = new QHBoxLayout;
  arrows->addStretch();
  arrows->addWidget(cmdRemove);
  arrows->addWidget(cmdAdd);
  arrows->addStretch();
  lists->addWidget(lblAllowed);
  lists->addWidget(lstKnownElements, 1);
  lists->addLayout(arrows);
  lists->addWidget(lblRemoved);
  lists->addWidget(lstRemovedElements, 1);
  side->addWidget(frmAllowrd, 1);

  chkImages = new QCheckBox(tr("Put images in an images folder"), SSActiveTabFinish);
  chkImages->setObjectName(QStringLiteral("chkImages"));
  side->addWidget(chkImages);
  lblFileSave = new QLabel(tr("File name"), SSActiveTabFinish);
  lblFileSave->setObjectName(QStringLiteral("lblFileSave"));
  txtFileName = new QLineEdit(SSActiveTabFinish);
  txtFileName->setObjectName(QStringLiteral("txtFileName"));
  lblFileSave->setBuddy(txtFileName);
  side->addWidget(lblFileSave);
  side->addWidget(txtFileName);
  auto* sideWidget = new QWidget(SSActiveTabFinish);
  sideWidget->setLayout(side);
  sideWidget->setFixedWidth(std::max(200, chkImages->sizeHint().width() + 8));
  side->setContentsMargins(0, 0, 0, 0);
  finishRow->addWidget(sideWidget);
  static_cast<QVBoxLayout*>(SSActiveTabFinish->layout())->addLayout(finishRow, 1);

  SSActiveTabsHTML->addTab(SSActiveTabIntro, tr("Welcome"));
  SSActiveTabsHTML->addTab(SSActiveTabLoad, tr("Load"));
  SSActiveTabsHTML->addTab(SSActiveTabAnalysis, tr("Analysis"));
  SSActiveTabsHTML->addTab(SSActiveTabFinish, tr("Finish"));

  // A panel of the design that no tab shows.
  SSActiveTabFrames = new QWidget(m_content);
  SSActiveTabFrames->setObjectName(QStringLiteral("SSActiveTabFrames"));
  SSActiveTabFrames->hide();

  NavBarHTMLWizard = new NavBar(m_content);
  NavBarHTMLWizard->setObjectName(QStringLiteral("NavBarHTMLWizard"));
  // Enter in a text box presses none of the bar's buttons: the wizard has no default button.
  for (int button = NavBar::Back; button <= NavBar::Cancel; ++button)
    NavBarHTMLWizard->cmdNav(button)->setAutoDefault(false);

  resizer->addWidget(SSActiveTabsHTML, 1);
  resizer->addWidget(NavBarHTMLWizard);

  connect(NavBarHTMLWizard, &NavBar::OnNavButton, this,
          [this](std::int32_t button) { run([&](auto& m) { m.NavBarHTMLWizard_OnNavButton(NavButton(button)); }); });
  connect(SSActiveTabsHTML, &qt::SSActiveTabs::tabChanged, this, &frmHTMLImport::placeBrowser);
  connect(cmdBrowse, &QPushButton::clicked, this, [this] { run([](auto& m) { m.cmdBrowse_Click(); }); });
  connect(txtAddress, &QLineEdit::textChanged, this,
          [this](const QString& text) { run([&](auto& m) { m.setAddress(text.toStdString()); }); });
  connect(txtFileName, &QLineEdit::textChanged, this,
          [this](const QString& text) { run([&](auto& m) { m.setFileName(text.toStdString()); }); });
  connect(cmdRemove, &QPushButton::clicked, this, [this] { run([](auto& m) { m.cmdRemove_Click(); }); });
  connect(cmdAdd, &QPushButton::clicked, this, [this] { run([](auto& m) { m.cmdAdd_Click(); }); });
  connect(chkImages, &QCheckBox::toggled, this, [this](bool on) { run([&](auto& m) { m.setImagesOption(on); }); });
  connect(lstKnownElements, &QListWidget::itemSelectionChanged, this,
          [this] { run([&](auto& m) { takeSelection(lstKnownElements, m.engine().lstKnownElements); }); });
  connect(lstRemovedElements, &QListWidget::itemSelectionChanged, this,
          [this] { run([&](auto& m) { takeSelection(lstRemovedElements, m.engine().lstRemovedElements); }); });
}

void frmHTMLImport::placeBrowser(int page) {
  if (page < IntroPage || page > FinishPage || !wbBrowser)
    return;
  m_browserSlot[page]->addWidget(wbBrowser);
  wbBrowser->show();
}

// --- Lifecycle ------------------------------------------------------------------------------

std::string frmHTMLImport::introText() { return ImportWizardModel::introText(); }

void frmHTMLImport::Form_Load() {
  if (isLoaded())
    return;
  buildControls();

  m_model = std::make_unique<ImportWizardModel>(m_project);
  m_model->letEventsRun = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 50); };
  wbBrowser = new qt::BrowserView(m_model->sharedBrowser(), SSActiveTabIntro);
  wbBrowser->setObjectName(QStringLiteral("wbBrowser"));
  placeBrowser(IntroPage);

  NavBarHTMLWizard->NavigationMode(1);
  NavBarHTMLWizard->SetTabControl(SSActiveTabsHTML->object());

  m_model->Form_Load();
  showState();
  wbBrowser->refresh();
}

void frmHTMLImport::Form_Unload() {
  if (!isLoaded())
    return;

  // The controls go once control returns to the event loop (a button of theirs may be the
  // one being handled).
  QWidget* content = m_content;
  content->hide();
  content->setParent(nullptr);
  content->deleteLater();

  m_model.reset(); // the view keeps the browser until it goes itself
  m_content = nullptr;
  SSActiveTabsHTML = nullptr;
  SSActiveTabIntro = SSActiveTabLoad = SSActiveTabAnalysis = SSActiveTabFinish = SSActiveTabFrames = nullptr;
  lblIntroTitle = lblIntroSubTitle = lblLoadTitle = lblLoadSubTitle = nullptr;
  lblAnalysisTitle = lblAnalysisSubTitle = Label5 = Label4 = nullptr;
  lblAddress = lblAllowed = lblRemoved = lblFileSave = nullptr;
  txtAddress = txtFileName = nullptr;
  cmdBrowse = cmdRemove = cmdAdd = nullptr;
  frmAllowrd = nullptr;
  lstKnownElements = lstRemovedElements = nullptr;
  chkImages = nullptr;
  wbBrowser = nullptr;
  NavBarHTMLWizard = nullptr;
  for (auto*& slot : m_browserSlot)
    slot = nullptr;

  done(QDialog::Rejected);
}

void frmHTMLImport::closeEvent(QCloseEvent* event) {
  if (isLoaded())
    Form_Unload();
  event->accept();
}

void frmHTMLImport::keyPressEvent(QKeyEvent* event) {
  // Escape asks as Cancel does instead of closing the wizard unasked.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    run([](auto& m) { m.cancel(); });
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void frmHTMLImport::WaitForBrowser() {
  if (m_model)
    m_model->WaitForBrowser();
}

void frmHTMLImport::ShowIntroPage() {
  if (m_model)
    m_model->ShowIntroPage();
}

// --- The mapping ------------------------------------------------------------------------------

template <class F>
void frmHTMLImport::run(F&& call) {
  if (!m_model)
    return;
  call(*m_model);
  if (m_model->closed())
    Form_Unload();
  else
    showState();
}

void frmHTMLImport::showState() {
  ImportWizardModel& m = *m_model;
  const QSignalBlocker b1(txtAddress), b2(txtFileName), b3(chkImages);
  // Only a real change is written back, so the caret stays where the user is typing.
  if (txtAddress->text() != qs(m.address()))
    txtAddress->setText(qs(m.address()));
  if (txtFileName->text() != qs(m.fileName()))
    txtFileName->setText(qs(m.fileName()));
  chkImages->setChecked(m.imagesOption());
  for (QWidget* w : std::initializer_list<QWidget*>{lblAddress, txtAddress, cmdBrowse})
    w->setVisible(m.addressRowVisible());
  showList(lstKnownElements, m.engine().lstKnownElements);
  showList(lstRemovedElements, m.engine().lstRemovedElements);
  NavBarHTMLWizard->EnableNavButton(NavBar::Back, m.backEnabled());
  NavBarHTMLWizard->EnableNavButton(NavBar::Next, m.nextEnabled());
  NavBarHTMLWizard->EnableNavButton(NavBar::Finish, m.finishEnabled());
  SSActiveTabsHTML->setSelectedTab(int(m.page()));
}

} // namespace tavro
