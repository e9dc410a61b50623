#pragma once
// formImages: the "Image Conversion" dialog. The user opens a picture, sees it reduced to black
// and white, adjusts threshold, dithering and size, and saves a WBMP file. The dialog only
// maps its controls onto an ImageDialogModel, which holds the state and runs the conversion
// pipeline; after every change the controls are redrawn from the model.
//
//   formImages dialog;
//   dialog.HelpFile(appPath + "/help/prohelp.chm");
//   dialog.PreviewLocation(appPath + "/tmp.bmp");
//   dialog.exec();

#include "images/imagedialogmodel.h"

#include <QDialog>
#include <QImage>

#include <cstdint>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSlider;

namespace tavro {

/// The preview's picture box: shows a picture at its own size, top left, and draws only the
/// part on screen, so a large picture costs no more than its own pixels.
class PictureBox : public QWidget {
  Q_OBJECT

public:
  using QWidget::QWidget;
  /// Shows the picture and takes its size.
  void setPicture(QImage picture);
  /// Shows nothing, at the given size.
  void clear(int width, int height);
  const QImage& picture() const { return m_picture; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QImage m_picture;
};

class formImages : public QDialog {
  Q_OBJECT

public:
  /// The dialog's client area, in twips.
  static constexpr int designWidth = 8130;
  static constexpr int designHeight = 5715;

  explicit formImages(QWidget* parent = nullptr);
  ~formImages() override;

  /// Makes path the help file F1 opens.
  void HelpFile(const std::string& path);
  /// Where the preview bitmap is written.
  void PreviewLocation(const std::string& path);
  /// The message for an imaging failure code; false, strMsg untouched, for a code without one.
  bool ImageErrorMsgs(std::int32_t lError, std::string& strMsg) const;

  // Handlers of the buttons.
  void cmdOpen_Click();
  void cmdSave_Click();
  void cmdApply_Click();
  void cmdUndo_Click();
  void cmdCancel_Click();

public slots:
  /// Exit, Esc and the close box: asks first when a picture is loaded; closing discards the
  /// dialog's state, so the next showing starts afresh.
  void reject() override;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void buildControls();
  /// A fresh state, as when the dialog is loaded.
  void Form_Load();
  /// Redraws every control from the model without raising the controls' own handlers.
  void showState();
  void clearPreview(int width, int height);

  std::unique_ptr<images::ImageDialogModel> m_model;
  std::string m_helpFile;
  std::string m_previewLocation;
  QImage m_previewImage;
  bool m_previewChanged = false;

  QWidget* picWelcome = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* lblSelectTitle = nullptr;
  QLabel* Label3 = nullptr;
  QGroupBox* fraPreview = nullptr;
  QScrollArea* ssPicScroll = nullptr;
  PictureBox* picPictureViewer = nullptr;
  QGroupBox* fraAdjust = nullptr;
  QLabel* lblDither = nullptr;
  QComboBox* cboDither = nullptr;
  QLabel* lblThreshold = nullptr;
  QLabel* lbl0 = nullptr;
  QLabel* lbl255 = nullptr;
  QSlider* sldThreshold = nullptr;
  QGroupBox* fraTransform = nullptr;
  QLabel* lblImage = nullptr;
  QLabel* lblWidth = nullptr;
  QLineEdit* txtWidth = nullptr;
  QComboBox* cboWidth = nullptr;
  QLabel* lblHeight = nullptr;
  QLineEdit* txtHeight = nullptr;
  QComboBox* cboHeight = nullptr;
  QCheckBox* chkRatio = nullptr;
  QPushButton* cmdUndo = nullptr;
  QPushButton* cmdApply = nullptr;
  QLabel* lblHelp = nullptr;
  QPushButton* cmdOpen = nullptr;
  QPushButton* cmdSave = nullptr;
  QPushButton* cmdCancel = nullptr;
};

} // namespace tavro
