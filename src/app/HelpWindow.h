// The help window: the user guide in a top-level window of its own.
#pragma once

#include <QWidget>
#include <functional>

class QTextBrowser;

namespace qorva {

// Title by which an open help window is found again.
inline constexpr const char* kHelpWindowTitle = "QORVA File Encryption Utility Help";

class THelpWindow : public QWidget {
  Q_OBJECT
 public:
  THelpWindow();
  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

// Brings the open help window forward (restoring it when minimised or maximised), or opens
// one when there is none. Returns the window shown.
QWidget* ShowHelpWindow();

// Calls InvokeHelp of the main window, when there is one (the detail windows' F1).
void InvokeMainHelp();
// Tests may observe help requests; an empty function restores the main window's help.
void SetInvokeHelpForTesting(std::function<void()> hook);

}  // namespace qorva
