// The program's pictures, drawn as SVG and rendered at the screen's pixel density so they stay
// sharp on high-DPI screens.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace qorva {

enum class TPicture {
  OpenFolder,   // the open-file button
  Padlock,      // the encrypt button
  Tick,         // a passing report
  Cross,        // a failing report
  Logo,         // the About window
  ProgramIcon,  // every window's icon
};

// Resource path of the picture's SVG source.
QString PicturePath(TPicture picture);
// The size the picture is drawn for, in logical pixels (16 x 16 for the small ones).
QSize PictureDesignSize(TPicture picture);
// The picture drawn into `size` logical pixels (scaled proportionally and centred), with
// `devicePixelRatio` device pixels per logical pixel. A null pixmap if the source is missing.
QPixmap PicturePixmap(TPicture picture, QSize size, qreal devicePixelRatio = 1.0);
// The picture at its design size and the usual icon sizes, each at 1x and 2x.
QIcon PictureIcon(TPicture picture);

}  // namespace qorva
