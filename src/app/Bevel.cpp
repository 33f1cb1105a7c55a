#include "Bevel.h"

#include <QPainter>

namespace qorva {

TBevel::TBevel(QWidget* parent, const QString& name, QRect box, TShape shape)
    : QWidget(parent), shape_(shape) {
  setObjectName(name);
  setGeometry(box);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TBevel::paintEvent(QPaintEvent*) {
  // A lowered line: shadow first, highlight one pixel further out, both on the box's edge.
  QPainter p(this);
  const int w = width(), h = height();
  if (shape_ == TShape::RightLine) {
    p.fillRect(w - 2, 0, 1, h, palette().color(QPalette::Dark));
    p.fillRect(w - 1, 0, 1, h, palette().color(QPalette::Light));
  } else {
    p.fillRect(0, h - 2, w, 1, palette().color(QPalette::Dark));
    p.fillRect(0, h - 1, w, 1, palette().color(QPalette::Light));
  }
}

}  // namespace qorva
