// Key preview (the window sees a key before its controls) and the keys of the detail windows.
#pragma once

#include <QtGlobal>
#include <functional>

class QKeyEvent;
class QWidget;

namespace qorva {

// `handler` sees every key press in `form` or any of its controls before the control does;
// returning true consumes the key.
void InstallKeyPreview(QWidget* form, std::function<bool(QKeyEvent*)> handler);

// The detail windows' key handler: Esc (tested first) closes `form`; F1 opens the main
// window's help when `f1_opens_help`. Returns true when the key was used.
bool DetailFormKeyDown(QWidget* form, int key, bool f1_opens_help);

}  // namespace qorva
