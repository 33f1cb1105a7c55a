// What the summary, score and About windows share: their fonts, their placement over the
// main window and the window-wide key handling.
#pragma once

#include <QFont>
#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

namespace qorva {

class TDataSource;

// The data module's report and score sources; nullptr while there is no data module.
TDataSource* ReportsSource();
TDataSource* ScoreSource();

// "MS Sans Serif" and "Times New Roman" at a height in pixels, with look-alikes where
// they are not installed.
QFont SansFont(int pixelSize);
QFont SerifFont(int pixelSize);

// Places `form` centred over `owner` by outer sizes, each division truncating toward zero;
// does nothing without an owner.
void CentreOver(QWidget* form, const QWidget* owner);

// The main window, or nullptr before start-up has made it (as in most tests).
QWidget* MainWindowWidget();
// Calls InvokeHelp of the main window, when there is one.
void InvokeMainHelp();
// Tests may observe help requests; an empty function restores the main window's help.
void SetInvokeHelpForTesting(std::function<void()> hook);

// Key preview: `handler` sees every key press in `form` or any of its controls before the
// control does; returning true consumes the key.
void InstallKeyPreview(QWidget* form, std::function<bool(QKeyEvent*)> handler);

}  // namespace qorva
