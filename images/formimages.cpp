#include "images/formimages.h"

#include "entry/picture.h"
#include "images/imageerrormsgs.h"
#include "platform/com/comerror.h"
#include "platform/qt/formlayout.h"
#include "platform/qt/helpkey.h"
#include "platform/ui/uiservices.h"
#include "resources/resources.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>

#include <utility>

namespace tavro {

using images::SizeUnits;
using qt::controlFont;
using qt::named;
using qt::place;
using qt::toPixels;

namespace {

constexpr int errInvalidPicture = 481;
constexpr int maxTypedLength = 4;

QString qs(const std::string& s) { return QString::fromStdString(s); }

QPushButton* button(const char* caption, QWidget* parent, const char* name) {
  auto* b = named(new QPushButton(caption, parent), name);
  // No button answers Enter: a size typed into a box is applied only by Apply.
  b->setAutoDefault(false);
  return b;
}

} // namespace

void PictureBox::setPicture(QImage picture) {
  m_picture = std::move(picture);
  resize(m_picture.size());
  update();
}

void PictureBox::clear(int width, int height) {
  m_picture = QImage();
  resize(width, height);
  update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
  const QRect part = event->rect() & m_picture.rect();
  if (part.isEmpty())
    return;
  QPainter painter(this);
  painter.drawImage(part.topLeft(), m_picture.copy(part));
}

formImages::formImages(QWidget* parent) : QDialog(parent) {
  buildControls();
  qt::installHelpKey(this);
  Form_Load();
}

formImages::~formImages() = default;

void formImages::buildControls() {
  setObjectName("formImages");
  setWindowTitle("Image Conversion");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(toPixels(designWidth), toPixels(designHeight));
  setFont(controlFont());

  auto* banner = qt::dialogBanner(this, designWidth, "lblSelectTitle", "Import Image",
                                  "Choose a .gif , .jpg , .bmp , or .png that you would like to convert to a WBMP.",
                                  qt::bannerPicture(Picture(resources::find("BITMAP", 104)).bmpFile()), 3855);
  picWelcome = banner;
  lblSelectTitle = banner->title();
  Label3 = banner->subTitle();
  Image1 = banner->picture();

  // The preview: a scroller holding the picture box, which takes the picture's size.
  fraPreview = named(new QGroupBox("WBMP preview", this), "fraPreview");
  place(fraPreview, 120, 1200, 4215, 3975);
  ssPicScroll = named(new QScrollArea(fraPreview), "ssPicScroll");
  place(ssPicScroll, 120, 240, 3975, 3675);
  ssPicScroll->setFocusPolicy(Qt::NoFocus);
  ssPicScroll->setWidgetResizable(false);
  ssPicScroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  picPictureViewer = named(new PictureBox, "picPictureViewer");
  ssPicScroll->setWidget(picPictureViewer);
  place(picPictureViewer, 0, 0, 15, 15);

  fraAdjust = named(new QGroupBox("Adjust", this), "fraAdjust");
  place(fraAdjust, 4440, 1200, 3615, 1335);
  lblDither = named(new QLabel("Dither:", fraAdjust), "lblDither");
  place(lblDither, 240, 240, 495, 255);
  cboDither = named(new QComboBox(fraAdjust), "cboDither");
  place(cboDither, 840, 240, 1455, 315);
  for (const auto& item : images::ditherItems())
    cboDither->addItem(item.text, item.data);
  lblThreshold = named(new QLabel("Threshold:", fraAdjust), "lblThreshold");
  place(lblThreshold, 240, 600, 975, 255);
  lbl0 = named(new QLabel("0", fraAdjust), "lbl0");
  place(lbl0, 600, 960, 240, 255);
  lbl255 = named(new QLabel("255", fraAdjust), "lbl255");
  place(lbl255, 3120, 960, 375, 255);
  sldThreshold = named(new QSlider(Qt::Horizontal, fraAdjust), "sldThreshold");
  place(sldThreshold, 840, 960, 2175, 255);
  sldThreshold->setRange(0, 255);
  sldThreshold->setValue(128);
  // Like a slider's Change event: dragging converts once, when the handle is let go.
  sldThreshold->setTracking(false);

  fraTransform = named(new QGroupBox("Transform", this), "fraTransform");
  place(fraTransform, 4440, 2640, 3615, 2535);
  lblImage = named(new QLabel("Image:", fraTransform), "lblImage");
  place(lblImage, 120, 360, 1575, 255);
  lblWidth = named(new QLabel("Width:", fraTransform), "lblWidth");
  place(lblWidth, 120, 720, 615, 255);
  txtWidth = named(new QLineEdit(fraTransform), "txtWidth");
  place(txtWidth, 720, 720, 855, 255);
  cboWidth = named(new QComboBox(fraTransform), "cboWidth");
  place(cboWidth, 1800, 720, 1335, 255);
  lblHeight = named(new QLabel("Height:", fraTransform), "lblHeight");
  place(lblHeight, 120, 1080, 615, 255);
  txtHeight = named(new QLineEdit(fraTransform), "txtHeight");
  place(txtHeight, 720, 1080, 855, 255);
  cboHeight = named(new QComboBox(fraTransform), "cboHeight");
  place(cboHeight, 1800, 1080, 1335, 255);
  // The boxes take four typed characters (see eventFilter); sizes the dialog writes are shown
  // in full, so no length limit is set on the boxes themselves.
  for (QLineEdit* box : {txtWidth, txtHeight})
    box->installEventFilter(this);
  for (QComboBox* units : {cboWidth, cboHeight})
    units->addItems({"Pixels", "Percent"});
  lblWidth->setBuddy(txtWidth);
  lblHeight->setBuddy(txtHeight);
  chkRatio = named(new QCheckBox("Maintain Aspect Ratio", fraTransform), "chkRatio");
  place(chkRatio, 240, 1560, 1935, 255);
  cmdUndo = button("Undo", fraTransform, "cmdUndo");
  place(cmdUndo, 1680, 2040, 855, 375);
  cmdApply = button("Apply", fraTransform, "cmdApply");
  place(cmdApply, 2640, 2040, 855, 375);

  lblHelp = named(new QLabel("Press F1 for Help", this), "lblHelp");
  place(lblHelp, 120, 5280, 2055, 255);
  cmdOpen = button("&Open", this, "cmdOpen");
  place(cmdOpen, 4440, 5280, 855, 375);
  cmdSave = button("&Save", this, "cmdSave");
  place(cmdSave, 5400, 5280, 855, 375);
  cmdCancel = button("E&xit", this, "cmdCancel");
  place(cmdCancel, 7200, 5280, 855, 375);

  QWidget* order[] = {cboDither, sldThreshold, txtWidth, cboWidth, txtHeight, cboHeight,
                      chkRatio,  cmdUndo,      cmdApply, cmdOpen,  cmdSave,   cmdCancel};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i)
    QWidget::setTabOrder(order[i], order[i + 1]);

  // Each control event reaches the model's handler; then the controls show the outcome.
  // Conversions show the hourglass (message boxes and file dialogs show the arrow over it).
  auto then = [this](auto change) {
    return [this, change](auto... args) {
      change(args...);
      showState();
    };
  };
  connect(cboDither, &QComboBox::currentIndexChanged, this, then([this](int i) {
            ui::BusyPointer busy;
            m_model->setDitherIndex(i);
          }));
  connect(sldThreshold, &QSlider::valueChanged, this, then([this](int v) {
            ui::BusyPointer busy;
            m_model->setThreshold(v);
          }));
  connect(cboWidth, &QComboBox::currentIndexChanged, this,
          then([this](int i) { m_model->setWidthUnits(SizeUnits(i)); }));
  connect(cboHeight, &QComboBox::currentIndexChanged, this,
          then([this](int i) { m_model->setHeightUnits(SizeUnits(i)); }));
  connect(txtWidth, &QLineEdit::textChanged, this,
          then([this](const QString& t) { m_model->setWidthText(t.toStdString()); }));
  connect(txtHeight, &QLineEdit::textChanged, this,
          then([this](const QString& t) { m_model->setHeightText(t.toStdString()); }));
  connect(chkRatio, &QCheckBox::toggled, this, then([this](bool on) { m_model->setKeepRatio(on); }));
  connect(cmdOpen, &QPushButton::clicked, this, &formImages::cmdOpen_Click);
  connect(cmdSave, &QPushButton::clicked, this, &formImages::cmdSave_Click);
  connect(cmdApply, &QPushButton::clicked, this, &formImages::cmdApply_Click);
  connect(cmdUndo, &QPushButton::clicked, this, &formImages::cmdUndo_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &formImages::cmdCancel_Click);
}

void formImages::Form_Load() {
  m_model = std::make_unique<images::ImageDialogModel>();
  m_model->HelpFile(m_helpFile);
  m_model->PreviewLocation(m_previewLocation);
  // The pipeline shows its preview bitmap here; a file Qt cannot read fails the run.
  m_model->previewLoader = [this](const std::string& path) {
    QImage image;
    if (!image.load(QFile::decodeName(path.c_str())))
      throw com::ComError(errInvalidPicture, "Invalid picture");
    m_previewImage = image;
    m_previewChanged = true;
  };
  m_model->Form_Load();

  // Controls the model does not carry return to their designed state.
  const QSignalBlocker blockSlider(sldThreshold);
  sldThreshold->setValue(m_model->threshold());
  clearPreview(1, 1);
  showState();
}

void formImages::HelpFile(const std::string& path) {
  m_helpFile = path;
  m_model->HelpFile(path);
  qt::setApplicationHelpFile(path);
}

void formImages::PreviewLocation(const std::string& path) {
  m_previewLocation = path;
  m_model->PreviewLocation(path);
}

bool formImages::ImageErrorMsgs(std::int32_t lError, std::string& strMsg) const {
  return images::ImageErrorMsgs(lError, strMsg);
}

void formImages::clearPreview(int width, int height) {
  picPictureViewer->clear(width, height);
  m_previewImage = QImage();
  m_previewChanged = false;
}

void formImages::showState() {
  const images::ImageDialogModel& m = *m_model;
  const QSignalBlocker b1(cboDither), b2(sldThreshold), b3(cboWidth), b4(cboHeight), b5(txtWidth), b6(txtHeight),
      b7(chkRatio);
  cboDither->setCurrentIndex(m.ditherIndex());
  sldThreshold->setValue(m.threshold());
  cboWidth->setCurrentIndex(int(m.widthUnits()));
  cboHeight->setCurrentIndex(int(m.heightUnits()));
  // Only a real change is written back, so the caret stays where the user is typing.
  if (txtWidth->text() != qs(m.widthText()))
    txtWidth->setText(qs(m.widthText()));
  if (txtHeight->text() != qs(m.heightText()))
    txtHeight->setText(qs(m.heightText()));
  chkRatio->setChecked(m.keepRatio());
  cmdApply->setEnabled(m.applyEnabled());
  cmdUndo->setEnabled(m.undoEnabled());
  cmdSave->setEnabled(m.saveEnabled());

  if (m_previewChanged) {
    picPictureViewer->setPicture(std::exchange(m_previewImage, QImage()));
    m_previewChanged = false;
  }
}

void formImages::cmdOpen_Click() {
  ui::BusyPointer busy;
  m_model->cmdOpen_Click();
  // A failed Open removes the picture and gives the picture box no size.
  if (m_model->previewPicture().empty())
    clearPreview(0, 0);
  showState();
}

void formImages::cmdSave_Click() {
  ui::BusyPointer busy;
  m_model->cmdSave_Click();
  showState();
}

void formImages::cmdApply_Click() {
  ui::BusyPointer busy;
  m_model->cmdApply_Click();
  showState();
}

void formImages::cmdUndo_Click() {
  ui::BusyPointer busy;
  m_model->cmdUndo_Click();
  showState();
}

void formImages::cmdCancel_Click() { reject(); }

void formImages::reject() {
  if (!m_model->Form_Unload())
    return;
  QDialog::reject();
  Form_Load();
}

bool formImages::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || (watched != txtWidth && watched != txtHeight))
    return QDialog::eventFilter(watched, event);
  // The size boxes take digits and Backspace. Keys that type no character (movement, Delete,
  // function keys), the dialog's own keys and editing shortcuts pass untouched.
  auto* key = static_cast<QKeyEvent*>(event);
  switch (key->key()) {
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
  case Qt::Key_Escape:
  case Qt::Key_Return:
  case Qt::Key_Enter:
  case Qt::Key_Delete: return false;
  default: break;
  }
  if (key->modifiers() & Qt::ControlModifier)
    return false;
  const QString text = key->text();
  if (text.isEmpty())
    return false;
  if (text.size() != 1 || !images::ImageDialogModel::sizeKeyAccepted(text.at(0).unicode()))
    return true;
  // A digit that would make the box longer than four characters is refused too.
  auto* box = static_cast<QLineEdit*>(watched);
  return text.at(0) != u'\b' && box->text().size() - box->selectedText().size() >= maxTypedLength;
}

} // namespace tavro
