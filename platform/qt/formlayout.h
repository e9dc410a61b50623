#pragma once
// Helpers the forms share: controls placed at positions given in twips, the controls' font,
// and the banner across the top of a dialog or a wizard page.

#include "platform/qt/twips.h"

#include <QFont>
#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <vector>

class QLabel;

namespace tavro::qt {

/// Places a control at a position given in twips, within its container.
inline void place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

/// Gives the control its name and returns it.
template <typename W>
W* named(W* w, const char* name) {
  w->setObjectName(name);
  return w;
}

/// The controls' font: a narrow sans serif, 11 pixels high, the size the layouts are drawn for.
inline QFont controlFont() {
  QFont font;
  font.setFamilies({"Microsoft Sans Serif", "MS Sans Serif", "Arial", "Liberation Sans", "Nimbus Sans", "Helvetica"});
  font.setPixelSize(11);
  return font;
}

/// A banner font: Verdana (or its nearest), at a size in points as drawn at 96 dots an inch.
inline QFont bannerFont(double points, bool bold) {
  QFont font;
  font.setFamilies({"Verdana", "DejaVu Sans"});
  font.setPixelSize(int(points * 96 / 72 + 0.5));
  font.setBold(bold);
  return font;
}

/// A banner picture from the bytes of a BMP file: twice its size, magenta made transparent.
QPixmap bannerPicture(const std::vector<std::uint8_t>& bmp);

/// A banner: a white panel with a bold title and a sub-title in the banner colour, and a picture
/// near its right end, which stays there when the panel is resized. Laid out in twips: the
/// title at (120, 120), the sub-title at (120, 480), the picture 480 square and 240 from the
/// top. The texts are textWidth wide (0: as far as the picture); the sub-title wraps.
///
///   auto* banner = named(new Banner(dialog, "Import Image", "Choose a picture", picture), "picWelcome");
///   place(banner, 0, 0, dialogWidth, Banner::designHeight);
class Banner : public QWidget {
public:
  static constexpr int designHeight = 975;

  Banner(QWidget* parent, const QString& title, const QString& subTitle, const QPixmap& picture, int textWidth = 0);

  QLabel* title() const { return m_title; }
  QLabel* subTitle() const { return m_subTitle; }
  QLabel* picture() const { return m_picture; }

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  QLabel* m_title;
  QLabel* m_subTitle;
  QLabel* m_picture;
  int m_textWidth;
};

/// The banner across the top of a dialog designWidth twips wide, named as the dialogs' tests and
/// scripts know it: the panel "picWelcome", its title titleName, its sub-title "Label3" and its
/// picture "Image1".
Banner* dialogBanner(QWidget* dialog, int designWidth, const char* titleName, const QString& title,
                     const QString& subTitle, const QPixmap& picture, int textWidth = 0);

} // namespace tavro::qt
