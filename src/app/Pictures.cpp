#include "Pictures.h"

#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

// Resources of a static library are only linked in when something refers to them.
static void InitPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace qorva {

QString PicturePath(TPicture picture) {
  static const bool initialised = (InitPictureResources(), true);
  (void)initialised;
  switch (picture) {
    case TPicture::OpenFolder:
      return QStringLiteral(":/pictures/open-folder.svg");
    case TPicture::Padlock:
      return QStringLiteral(":/pictures/padlock.svg");
    case TPicture::Tick:
      return QStringLiteral(":/pictures/tick.svg");
    case TPicture::Cross:
      return QStringLiteral(":/pictures/cross.svg");
    case TPicture::Logo:
      return QStringLiteral(":/pictures/logo.svg");
    case TPicture::ProgramIcon:
      return QStringLiteral(":/pictures/program-icon.svg");
  }
  return {};
}

QSize PictureDesignSize(TPicture picture) {
  switch (picture) {
    case TPicture::Logo:
      return {147, 37};
    case TPicture::ProgramIcon:
      return {32, 32};
    default:
      return {16, 16};
  }
}

QPixmap PicturePixmap(TPicture picture, QSize size, qreal devicePixelRatio) {
  if (size.isEmpty() || devicePixelRatio <= 0) return {};
  QSvgRenderer renderer(PicturePath(picture));
  if (!renderer.isValid()) return {};

  const QSize device(static_cast<int>(std::ceil(size.width() * devicePixelRatio)),
                     static_cast<int>(std::ceil(size.height() * devicePixelRatio)));
  QPixmap pixmap(device);
  pixmap.fill(Qt::transparent);
  // Keep the drawing's proportions inside the requested box.
  QSizeF drawn = QSizeF(renderer.defaultSize()).scaled(QSizeF(device), Qt::KeepAspectRatio);
  QRectF target(
      QPointF((device.width() - drawn.width()) / 2, (device.height() - drawn.height()) / 2), drawn);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter, target);
  painter.end();
  pixmap.setDevicePixelRatio(devicePixelRatio);
  return pixmap;
}

QIcon PictureIcon(TPicture picture) {
  QIcon icon;
  QSize design = PictureDesignSize(picture);
  QList<QSize> sizes{design};
  if (picture == TPicture::ProgramIcon) sizes = {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
  for (const QSize& s : sizes) {
    for (qreal dpr : {1.0, 2.0}) icon.addPixmap(PicturePixmap(picture, s, dpr));
  }
  return icon;
}

}  // namespace qorva
