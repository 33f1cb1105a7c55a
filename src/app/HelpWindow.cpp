#include "HelpWindow.h"

#include <QApplication>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include "fEncryptMain.h"

// Resources of a static library are registered by hand; outside any namespace.
static void InitHelpResources() { Q_INIT_RESOURCE(help); }

namespace qorva {

THelpWindow::THelpWindow() : QWidget(nullptr, Qt::Window) {
  InitHelpResources();
  setObjectName("HelpWindow");
  setAttribute(Qt::WA_DeleteOnClose);
  // Closing the main window ends the program even while the guide is open.
  setAttribute(Qt::WA_QuitOnClose, false);
  setWindowTitle(kHelpWindowTitle);
  resize(760, 580);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName("helpBrowser");
  browser_->setAccessibleName("Help text");
  browser_->setOpenExternalLinks(true);
  browser_->setSource(QUrl("qrc:/help/QORVA_Encryptor.html"));
  layout->addWidget(browser_);
}

QWidget* ShowHelpWindow() {
  QWidget* help = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->windowTitle() == kHelpWindowTitle) {
      help = w;
      break;
    }
  }
  if (!help) help = new THelpWindow;
  // A modal detail window would block input to a window opened after it; riding on it as a
  // transient child keeps the guide usable while that window stays open.
  if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != help) {
    help->winId();
    if (QWindow* handle = help->windowHandle()) handle->setTransientParent(modal->windowHandle());
  }
  if (help->isMinimized() || help->isMaximized())
    help->showNormal();
  else
    help->show();
  help->raise();
  help->activateWindow();
  return help;
}

namespace {
std::function<void()>& HelpHook() {
  static std::function<void()> hook;
  return hook;
}
}  // namespace

void InvokeMainHelp() {
  if (HelpHook()) {
    HelpHook()();
    return;
  }
  if (fmEncryptMain) fmEncryptMain->InvokeHelp();
}

void SetInvokeHelpForTesting(std::function<void()> hook) { HelpHook() = std::move(hook); }

}  // namespace qorva
