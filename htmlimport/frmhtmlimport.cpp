// The engine's headers come before any Qt header: their notification lists have a member
// named emit, which Qt's keyword macro would otherwise rewrite.
#include "conversion/frames.h"
#include "conversion/importengine.h"
#include "entry/picture.h"
#include "htmlimport/browsertaming.h"
#include "htmlimport/modhtmlimport.h"
#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "platform/html/browser.h"
#include "platform/html/document.h"
#include "platform/ui/uiservices.h"
#include "resources/resources.h"

#include "htmlimport/frmhtmlimport.h"
#include "navbar/navbar.h"
#include "platform/qt/browserview.h"
#include "platform/qt/helpkey.h"
#include "platform/qt/ssactivetabs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace tavro {

namespace {

const std::string caption = "HTML Import Wizard";
const char* const invalidFileText = "The HTML file specified is invalid. Please specify a different HTML file";
const char* const unableToLoadTitle = "Unable to load HTML file";

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string text(const QLineEdit* edit) { return edit->text().toStdString(); }

QFont verdana(double points, bool bold) {
  QFont font(QStringLiteral("Verdana"));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

/// The picture of the wizard's page headers: the catalogue icon of the import, doubled.
QPixmap headerPicture() {
  static const QPixmap picture = [] {
    try {
      const auto bmp = Picture(resources::find("BITMAP", 101)).bmpFile();
      QImage image = QImage::fromData(bmp.data(), int(bmp.size()), "BMP");
      if (!image.isNull()) {
        // The icons draw their background in magenta, the toolbar's colour for "transparent".
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y)
          for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(255, 0, 255))
              image.setPixel(x, y, qRgba(0, 0, 0, 0));
        return QPixmap::fromImage(image.scaled(image.size() * 2, Qt::KeepAspectRatio, Qt::FastTransformation));
      }
    } catch (const std::exception&) {
      // A header without its picture is still a header.
    }
    return QPixmap();
  }();
  return picture;
}

// Keeps a list box showing a name list: its names and which of them are selected. The user's
// selection goes back into the list.
class ListMapping : public QObject {
public:
  ListMapping(conversion::NameList& names, QListWidget* view) : m_names(names), m_view(view) {
    m_connection = names.changed.connect([this] { show(); });
    QObject::connect(view, &QListWidget::itemSelectionChanged, this, [this] { takeSelection(); });
    show();
  }
  ~ListMapping() override { m_names.changed.disconnect(m_connection); }

private:
  void show() {
    if (m_copying)
      return;
    QSignalBlocker block(m_view);
    m_view->clear();
    for (int i = 0; i < m_names.ListCount(); ++i) {
      auto* item = new QListWidgetItem(qs(m_names.List(i)), m_view);
      item->setSelected(m_names.Selected(i));
    }
    if (const int current = m_names.ListIndex(); current >= 0)
      m_view->setCurrentRow(current, QItemSelectionModel::NoUpdate);
  }
  void takeSelection() {
    m_copying = true;
    for (int i = 0; i < m_view->count() && i < m_names.ListCount(); ++i)
      m_names.setSelected(i, m_view->item(i)->isSelected());
    m_copying = false;
  }

  conversion::NameList& m_names;
  QListWidget* m_view;
  int m_connection = 0;
  bool m_copying = false;
};

} // namespace

frmHTMLImport::frmHTMLImport(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmHTMLImport"));
  setWindowTitle(qs(caption));
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

// --- Building the controls ---------------------------------------------------------------

QWidget* frmHTMLImport::buildPage(const QString& name, const QString& pictureName, QLabel*& title,
                                  const QString& titleText, QLabel*& subTitle, const QString& subTitleText) {
  auto* page = new QWidget;
  page->setObjectName(name);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);

  // The header: title and sub-title on white, the picture at the right.
  auto* header = new QFrame(page);
  header->setObjectName(name + QStringLiteral("Header"));
  header->setFrameShape(QFrame::StyledPanel);
  header->setAutoFillBackground(true);
  QPalette palette = header->palette();
  palette.setColor(QPalette::Window, Qt::white);
  palette.setColor(QPalette::WindowText, Qt::black);
  header->setPalette(palette);
  auto* headerLayout = new QHBoxLayout(header);
  headerLayout->setContentsMargins(12, 8, 8, 8);
  auto* titles = new QVBoxLayout;
  title = new QLabel(titleText, header);
  title->setFont(verdana(9.75, true));
  subTitle = new QLabel(subTitleText, header);
  subTitle->setFont(verdana(8.25, false));
  subTitle->setWordWrap(true);
  subTitle->setContentsMargins(12, 0, 0, 0);
  titles->addWidget(title);
  titles->addWidget(subTitle);
  headerLayout->addLayout(titles, 1);

  auto* picture = new QFrame(header);
  picture->setObjectName(pictureName);
  auto* pictureLayout = new QVBoxLayout(picture);
  pictureLayout->setContentsMargins(0, 0, 0, 0);
  auto* image = new QLabel(picture);
  image->setObjectName(QStringLiteral("Image1"));
  image->setPixmap(headerPicture());
  pictureLayout->addWidget(image);
  headerLayout->addWidget(picture, 0, Qt::AlignVCenter);

  layout->addWidget(header);
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
  SSActiveTabLoad = buildPage(QStringLiteral("SSActiveTabLoad"), QStringLiteral("picKnown"), lblLoadTitle,
                              tr("Select a HTML File"), lblLoadSubTitle,
                              tr("Click the Browse button to locate a HTML File on your PC"));
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
  setAddressRowVisible(false);

  // Page 3: the frames list or the analysis log.
  SSActiveTabAnalysis = buildPage(QStringLiteral("SSActiveTabAnalysis"), QStringLiteral("Picture1"), lblAnalysisTitle,
                                  tr("Conversion Analysis"), lblAnalysisSubTitle,
                                  tr("View the log below to get a breakdown of the conversion process"));
  lblAnalysisTitle->setObjectName(QStringLiteral("lblAnalysisTitle"));
  lblAnalysisSubTitle->setObjectName(QStringLiteral("lblAnalysisSubTitle"));
  m_browserSlot[AnalysisPage] = new QVBoxLayout;
  static_cast<QVBoxLayout*>(SSActiveTabAnalysis->layout())->addLayout(m_browserSlot[AnalysisPage], 1);

  // Page 4: the preview beside the element lists, the images option and the file name.
  SSActiveTabFinish = buildPage(QStringLiteral("SSActiveTabFinish"), QStringLiteral("Picture2"), Label5,
                                tr("Fine Tune Content"), Label4,
                                tr("Select elements which should not be included in the conversion process"));
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

  connect(NavBarHTMLWizard, &NavBar::OnNavButton, this, [this](std::int32_t button) { NavBarHTMLWizard_OnNavButton(button); });
  connect(SSActiveTabsHTML, &qt::SSActiveTabs::beforeTabChange, this, [this](int newTab) { LeavePage(newTab); });
  connect(SSActiveTabsHTML, &qt::SSActiveTabs::tabChanged, this, [this](int newTab) { EnterPage(newTab); });
  connect(cmdBrowse, &QPushButton::clicked, this, [this] { cmdBrowse_Click(); });
  connect(txtAddress, &QLineEdit::textChanged, this, [this] { txtAddress_Change(); });
  connect(cmdRemove, &QPushButton::clicked, this, [this] { cmdRemove_Click(); });
  connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
  connect(chkImages, &QCheckBox::toggled, this, [this](bool on) {
    if (m_engine)
      m_engine->imagesOption = on;
  });
}

void frmHTMLImport::connectLists() {
  m_listMappings.push_back(std::make_unique<ListMapping>(m_engine->lstKnownElements, lstKnownElements));
  m_listMappings.push_back(std::make_unique<ListMapping>(m_engine->lstRemovedElements, lstRemovedElements));
}

void frmHTMLImport::placeBrowser(int page) {
  if (page < IntroPage || page > FinishPage || !wbBrowser)
    return;
  m_browserSlot[page]->addWidget(wbBrowser);
  wbBrowser->show();
}

// --- Lifecycle ------------------------------------------------------------------------------

std::string frmHTMLImport::introText() {
  return "The HTML Import Wizard will guide you through the steps of importing a HTML"
         " file into a skeleton WML representation. This skeleton WML document will then"
         " be added to your Velmor Professional project.";
}

void frmHTMLImport::Form_Load() {
  if (isLoaded())
    return;
  m_unloading = false;
  buildControls();

  // The browser, tamed from its first page on, and its view.
  m_browser = std::make_shared<html::Browser>();
  m_taming = std::make_unique<htmlimport::BrowserTaming>(*m_browser);
  // The engine is made before anything can fail, so that a loaded form always has one.
  m_engine = std::make_unique<conversion::ImportEngine>(*m_browser, m_project);
  wbBrowser = new qt::BrowserView(m_browser, SSActiveTabIntro);
  wbBrowser->setObjectName(QStringLiteral("wbBrowser"));
  placeBrowser(IntroPage);

  m_browser->Navigate("about:blank");
  m_browser->setOffline(true);
  m_browser->setRegisterAsDropTarget(false);

  NavBarHTMLWizard->NavigationMode(1);
  NavBarHTMLWizard->SetTabControl(SSActiveTabsHTML->object());

  WaitForBrowser();
  if (document()->readyState() == "complete")
    ShowIntroPage();

  connectLists();
  wbBrowser->refresh();
}

void frmHTMLImport::Form_Unload() {
  if (!isLoaded())
    return;
  m_unloading = true;

  // The controls go once control returns to the event loop (a button of theirs may be the
  // one being handled); the list mappings let go of the engine's lists now.
  m_listMappings.clear();
  QWidget* content = m_content;
  content->hide();
  content->setParent(nullptr);
  content->deleteLater();

  m_engine.reset();
  m_taming.reset();
  m_browser.reset(); // the view keeps the browser until it goes itself
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
  m_strIntroText.clear();

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
    if (isLoaded())
      guarded([this] { cancel(); });
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

// --- The browser ----------------------------------------------------------------------------

std::shared_ptr<html::Document> frmHTMLImport::document() const {
  std::shared_ptr<html::Document> doc;
  if (m_browser)
    doc = m_browser->Document();
  if (!doc)
    throw com::ComError(com::errObjectNotSet, "the browser shows no document");
  return doc;
}

std::string frmHTMLImport::bodyInnerHtml() const {
  auto body = document()->body();
  return body ? body->innerHTML() : std::string();
}

void frmHTMLImport::clearBodyAttributes() {
  if (auto body = document()->body())
    body->clearAttributes();
}

void frmHTMLImport::WaitForBrowser() {
  // The browser and its document complete before Navigate returns; the loops only let
  // events run should that ever not be so.
  while (m_browser && m_browser->ReadyState() != 4 && m_browser->ReadyState() != 0)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  while (m_browser && m_browser->Document() && m_browser->Document()->readyState() != "complete")
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

void frmHTMLImport::ShowIntroPage() {
  auto doc = document();
  if (auto body = doc->body()) {
    body->style().setFontFamily("Arial");
    body->style().setFontSize("12");
  }
  m_strIntroText = introText();
  const std::string guidelines =
      "Before importing the HTML file please read the guidelines by pressing 'F1'."
      " These guidelines give information on how to improve the conversion process.";

  // Built as text nodes, so that nothing in the texts is read as markup.
  auto built = doc->createElement("BODY");
  auto heading = doc->createElement("B");
  heading->appendChild(doc->createTextNode("Import Wizard - Instructions"));
  built->appendChild(heading);
  for (const std::string& paragraph : {m_strIntroText, guidelines}) {
    auto p = doc->createElement("P");
    p->appendChild(doc->createTextNode(paragraph));
    built->appendChild(p);
  }

  m_browser->Navigate("about:blank");
  WaitForBrowser();
  auto body = document()->body();
  body->style().setFontFamily("Arial");
  body->style().setFontSize("12");
  body->setInnerHTML(built->outerHTML());
  WaitForBrowser();
}

// --- The page flow ----------------------------------------------------------------------------

template <class F>
void frmHTMLImport::guarded(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ui::services().msgBox(e.what(), ui::vbCritical | ui::vbOKOnly, caption);
  }
}

int frmHTMLImport::selectedPage() const { return SSActiveTabsHTML ? SSActiveTabsHTML->selectedTab() : 0; }

void frmHTMLImport::NavBarHTMLWizard_OnNavButton(std::int32_t Button) {
  guarded([&] {
    const int page = selectedPage();
    switch (Button) {
    case NavBar::Help:
      ui::services().msgBox("Help not available.", ui::vbOKOnly | ui::vbInformation, caption);
      break;
    case NavBar::Back:
      if (page == IntroPage)
        break;
      SSActiveTabsHTML->setSelectedTab(qt::SSActiveTabs::previousTab);
      if (page == LoadPage && SSActiveTabsHTML)
        SSActiveTabsHTML->update();
      break;
    case NavBar::Next:
      if (page == IntroPage) {
        SSActiveTabsHTML->setSelectedTab(qt::SSActiveTabs::nextTab);
      } else if (page == LoadPage) {
        SSActiveTabsHTML->setSelectedTab(AnalysisPage);
      } else if (page == AnalysisPage) {
        const auto& state = m_taming->state();
        if (!state.framesShown)
          SSActiveTabsHTML->setSelectedTab(qt::SSActiveTabs::nextTab);
        else if (state.frameSource.empty())
          ui::services().msgBox("Please select a frame before continuing.", ui::vbOKOnly, "");
        else
          SSActiveTabsHTML->setSelectedTab(LoadPage); // leaving the list opens the chosen frame
      }
      break;
    case NavBar::Finish: finish(); break;
    case NavBar::Cancel: cancel(); break;
    default: break;
    }
  });
}

void frmHTMLImport::LeavePage(int NewTab) {
  if (!isLoaded() || m_unloading)
    return;
  guarded([&] {
    const int page = selectedPage();
    const bool forward = NewTab > page;

    // Whatever the page, a frames list that is left gives way to the chosen frame's page.
    auto& state = m_taming->state();
    if (state.framesShown) {
      if (!state.frameSource.empty())
        txtAddress->setText(qs(conversion::frameAddress(text(txtAddress), state.frameSource)));
      state.framesShown = false;
      clearElementLists();
    }

    switch (page) {
    case IntroPage:
      if (forward)
        leaveIntroForward();
      break;
    case LoadPage:
      if (forward) {
        leaveLoadForward();
      } else {
        clearBodyAttributes();
        WaitForBrowser();
        if (document()->readyState() == "complete")
          ShowIntroPage();
      }
      break;
    case AnalysisPage:
      if (!forward)
        leaveAnalysisBackward();
      else if (m_engine->BuildPreview() == conversion::StepResult::Closed || m_engine->closeRequested())
        Form_Unload();
      break;
    case FinishPage:
      if (!forward) {
        if (auto body = document()->body())
          body->setInnerHTML(m_engine->m_html.AnalysisPage);
        WaitForBrowser();
      }
      break;
    default: break;
    }
  });
}

void frmHTMLImport::leaveIntroForward() {
  {
    ui::BusyPointer busy;
    m_engine->LoadConversionResources();
  }
  setAddressRowVisible(true);
  SSActiveTabsHTML->update();

  // Coming back to a page chosen before: open it again, or say that it has gone.
  if (!txtAddress->text().isEmpty()) {
    if (htmlimport::LoadHtmlFile(text(txtAddress), *m_browser)) {
      NavBarHTMLWizard->EnableNavButton(NavBar::Next, true);
      WaitForBrowser();
    } else {
      NavBarHTMLWizard->EnableNavButton(NavBar::Next, false);
      m_engine->m_bConvertError = true;
      m_engine->ShowFileNotFoundPage();
    }
    return;
  }
  if (auto body = document()->body())
    body->setInnerHTML("");
  WaitForBrowser();
  NavBarHTMLWizard->EnableNavButton(NavBar::Next, false);
}

void frmHTMLImport::leaveLoadForward() {
  txtFileName->setText(qs(fs::getBaseName(text(txtAddress))));
  if (txtFileName->text().isEmpty()) {
    NavBarHTMLWizard->EnableNavButton(NavBar::Next, false);
    return;
  }
  NavBarHTMLWizard->EnableNavButton(NavBar::Next, true);
  setAddressRowVisible(false);
  SSActiveTabsHTML->update();
  clearBodyAttributes();

  // A frameset: the user picks one frame first.
  const auto frames = document()->getElementsByTagName("FRAME");
  if (!frames.empty()) {
    m_engine->ShowFramesPage(frames);
    m_taming->state().frameSource.clear();
    m_taming->state().framesShown = true;
    return;
  }
  if (m_engine->ConvertSource() == conversion::StepResult::Closed || m_engine->closeRequested())
    Form_Unload();
}

void frmHTMLImport::leaveAnalysisBackward() {
  if (!txtAddress->text().isEmpty()) {
    if (htmlimport::LoadHtmlFile(text(txtAddress), *m_browser))
      NavBarHTMLWizard->EnableNavButton(NavBar::Next, true);
    else
      ui::services().msgBox(invalidFileText, ui::vbOKOnly | ui::vbCritical, unableToLoadTitle);
  }
  WaitForBrowser();
  setAddressRowVisible(true);
  SSActiveTabsHTML->update();
}

void frmHTMLImport::EnterPage(int NewTab) {
  if (!isLoaded() || m_unloading)
    return;
  guarded([&] {
    placeBrowser(NewTab);
    NavBar& bar = *NavBarHTMLWizard;
    bool& convertError = m_engine->m_bConvertError;
    switch (NewTab) {
    case IntroPage:
      bar.EnableNavButton(NavBar::Back, false);
      bar.EnableNavButton(NavBar::Next, true);
      bar.EnableNavButton(NavBar::Finish, false);
      break;
    case LoadPage:
      bar.EnableNavButton(NavBar::Back, true);
      if (!convertError)
        bar.EnableNavButton(NavBar::Next, !txtAddress->text().isEmpty() && !bodyInnerHtml().empty());
      bar.EnableNavButton(NavBar::Finish, false);
      convertError = false;
      break;
    case AnalysisPage:
      bar.EnableNavButton(NavBar::Back, true);
      bar.EnableNavButton(NavBar::Next, !convertError);
      bar.EnableNavButton(NavBar::Finish, false);
      convertError = false;
      break;
    case FinishPage:
      bar.EnableNavButton(NavBar::Back, true);
      bar.EnableNavButton(NavBar::Next, false);
      bar.EnableNavButton(NavBar::Finish, true);
      break;
    default: break;
    }
  });
}

void frmHTMLImport::finish() {
  m_engine->imagesOption = chkImages->isChecked();
  if (!m_engine->ValidateTargetFile(text(txtFileName))) {
    // After the "Import Error" message, which says that the wizard shuts down, it does.
    if (m_engine->closeRequested())
      Form_Unload();
    return;
  }

  // The document is in the project; pictures that could not follow it are told once.
  if (!m_engine->pictureWarnings.empty()) {
    std::string message;
    for (const auto& warning : m_engine->pictureWarnings)
      message += (message.empty() ? "" : "\r\n") + warning;
    ui::services().msgBox(message, ui::vbOKOnly | ui::vbExclamation, caption);
  }
  Form_Unload();
}

void frmHTMLImport::cancel() {
  if (ui::services().msgBox("Are you sure you want to cancel the wizard?", ui::vbYesNo | ui::vbInformation, caption) ==
      ui::vbYes)
    Form_Unload();
}

// --- The address row and the element lists ---------------------------------------------------

void frmHTMLImport::setAddressRowVisible(bool visible) {
  lblAddress->setVisible(visible);
  txtAddress->setVisible(visible);
  cmdBrowse->setVisible(visible);
}

void frmHTMLImport::clearElementLists() {
  m_engine->lstKnownElements.Clear();
  m_engine->lstRemovedElements.Clear();
}

void frmHTMLImport::cmdBrowse_Click() {
  guarded([&] {
    ui::FileDialogRequest request;
    request.flags = ui::cdlOFNFileMustExist | ui::cdlOFNHideReadOnly;
    request.initialFolder = m_project.ProjectFolder();
    request.filter = "HTM Files (*.htm)|*.htm;*.html";
    const auto chosen = ui::services().openFile(request);
    txtAddress->setText(qs(chosen.value_or(std::string())));

    if (!txtAddress->text().isEmpty()) {
      if (htmlimport::LoadHtmlFile(text(txtAddress), *m_browser)) {
        WaitForBrowser();
        NavBarHTMLWizard->EnableNavButton(NavBar::Next, true);
      } else {
        ui::services().msgBox(invalidFileText, ui::vbOKOnly | ui::vbCritical, unableToLoadTitle);
      }
    } else {
      ui::services().msgBox("No HTML file was specified. Please specify a HTML file", ui::vbOKOnly | ui::vbCritical,
                            unableToLoadTitle);
    }
    // A new source starts with empty element lists.
    clearElementLists();
  });
}

void frmHTMLImport::txtAddress_Change() {
  if (txtAddress->text().isEmpty())
    NavBarHTMLWizard->EnableNavButton(NavBar::Next, false);
}

void frmHTMLImport::cmdRemove_Click() {
  guarded([&] {
    ui::BusyPointer busy;
    conversion::ImportEngine::MoveListItems(m_engine->lstKnownElements, m_engine->lstRemovedElements, true);
    m_engine->StripRemovedElements(m_engine->m_html.Preview);
  });
}

void frmHTMLImport::cmdAdd_Click() {
  guarded([&] {
    ui::BusyPointer busy;
    conversion::ImportEngine::MoveListItems(m_engine->lstRemovedElements, m_engine->lstKnownElements, true);
    m_engine->StripRemovedElements(m_engine->m_html.Preview);
  });
}

} // namespace tavro
