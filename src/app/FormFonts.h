// The typefaces of the detail windows, with look-alikes where they are not installed.
#pragma once

#include <QFont>

namespace qorva {

// "MS Sans Serif" and "Times New Roman" at a height in pixels.
QFont SansFont(int pixelSize);
QFont SerifFont(int pixelSize);

}  // namespace qorva
