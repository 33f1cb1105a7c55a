// Placement of windows by their outer frame: the size that the window system's frame adds is
// known only once a window is on screen, so placement made before that is made again then.
#pragma once

#include <QSize>

class QFileDialog;
class QWidget;

namespace qorva {

// Places `form` centred over `owner` by outer sizes (frames included), each division
// truncating toward zero; does nothing without an owner. While `form` has no frame yet (it is
// not on screen), the owner's frame stands in for its own; once the window system has framed
// it, it is placed again, unless it has been moved meanwhile.
void CentreOver(QWidget* form, const QWidget* owner);

// Gives a top-level window the outer size `outer` once the window system has framed it (its
// client area is `outer` less the frame) and centres it on its screen again, unless it has
// been moved meanwhile. Where windows get no frame (no window manager) nothing changes.
void FitOuterSizeWhenFramed(QWidget* window, QSize outer);

// Moves `value` right, when needed, so that it starts at least `gap` pixels after `label`'s
// text ends (a substitute face can be wider than the one the layout was drawn for); its right
// edge stays where it was.
// Big enough for a file dialog's list columns (name, size, type, date) to show whole; Qt's
// own dialog also sizes its detail columns to their contents, the name taking the rest.
void SizeFileDialog(QFileDialog& dialog);

// The space between "Holder:" and the holder's name in the detail windows.
inline constexpr int kHolderGap = 6;

void KeepGapAfter(const QWidget* label, QWidget* value, int gap);

}  // namespace qorva
