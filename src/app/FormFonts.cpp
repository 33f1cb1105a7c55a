#include "FormFonts.h"

#include <QStringList>

namespace qorva {
namespace {

QFont FontOf(QStringList families, QFont::StyleHint hint, int pixelSize) {
  QFont f(families.front());
  f.setFamilies(families);
  f.setStyleHint(hint);
  f.setPixelSize(pixelSize);
  return f;
}

}  // namespace

QFont SansFont(int pixelSize) {
  return FontOf({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                 QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
                QFont::SansSerif, pixelSize);
}

QFont SerifFont(int pixelSize) {
  return FontOf({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                 QStringLiteral("DejaVu Serif")},
                QFont::Serif, pixelSize);
}

}  // namespace qorva
