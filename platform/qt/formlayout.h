#pragma once
// Helpers the forms share: controls placed at positions given in twips, the controls' font,
// the banner fonts, and the catalogue bitmaps as banner pictures.

#include "entry/picture.h"
#include "platform/qt/twips.h"
#include "resources/resources.h"

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <vector>

namespace tavro::qt {

/// Places a control at a position given in twips, within its container.
inline void place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

/// Gives the control its name and returns it.
template <typename W> W* named(W* w, const char* name) {
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

/// A catalogue bitmap (resource number) at twice its size, magenta made transparent.
inline QPixmap bannerPicture(int number) {
  const std::vector<std::uint8_t> bmp = Picture(resources::find("BITMAP", number)).bmpFile();
  QImage image = QImage::fromData(bmp.data(), int(bmp.size()), "BMP").convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == qRgb(255, 0, 255))
        image.setPixel(x, y, qRgba(0, 0, 0, 0));
  return QPixmap::fromImage(image.scaled(image.size() * 2));
}

} // namespace tavro::qt
