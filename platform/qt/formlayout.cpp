#include "platform/qt/formlayout.h"

#include <QImage>
#include <QLabel>

namespace tavro::qt {

namespace {

constexpr int textLeft = 120;
constexpr int pictureSide = 480;
constexpr int pictureTop = 240;
// From the picture's right edge to the panel's.
constexpr int pictureRightGap = 210;

} // namespace

QPixmap bannerPicture(const std::vector<std::uint8_t>& bmp) {
  QImage image = QImage::fromData(bmp.data(), int(bmp.size()), "BMP").convertToFormat(QImage::Format_ARGB32);
  // The catalogue's bitmaps draw their background in magenta, the toolbar's "transparent".
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == qRgb(255, 0, 255))
        image.setPixel(x, y, qRgba(0, 0, 0, 0));
  return QPixmap::fromImage(image.scaled(image.size() * 2));
}

Banner::Banner(QWidget* parent, const QString& title, const QString& subTitle, const QPixmap& picture, int textWidth)
    : QWidget(parent), m_title(new QLabel(title, this)), m_subTitle(new QLabel(subTitle, this)),
      m_picture(new QLabel(this)), m_textWidth(textWidth) {
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, Qt::white);
  colours.setColor(QPalette::WindowText, QColor(35, 88, 156));
  setPalette(colours);
  m_title->setFont(bannerFont(9.75, true));
  m_subTitle->setFont(bannerFont(8.25, false));
  m_subTitle->setWordWrap(true);
  m_picture->setAlignment(Qt::AlignCenter);
  m_picture->setPixmap(picture);
  setFixedHeight(toPixels(designHeight));
}

void Banner::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int pictureLeft = toTwips(width()) - pictureRightGap - pictureSide;
  const int textWidth = m_textWidth > 0 ? m_textWidth : pictureLeft - 2 * textLeft;
  place(m_title, textLeft, 120, textWidth, 255);
  place(m_subTitle, textLeft, 480, textWidth, 375);
  place(m_picture, pictureLeft, pictureTop, pictureSide, pictureSide);
}

Banner* dialogBanner(QWidget* dialog, int designWidth, const char* titleName, const QString& title,
                     const QString& subTitle, const QPixmap& picture, int textWidth) {
  auto* banner = named(new Banner(dialog, title, subTitle, picture, textWidth), "picWelcome");
  place(banner, 0, 0, designWidth, Banner::designHeight);
  named(banner->title(), titleName);
  named(banner->subTitle(), "Label3");
  named(banner->picture(), "Image1");
  return banner;
}

} // namespace tavro::qt
