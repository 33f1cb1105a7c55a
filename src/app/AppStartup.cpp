#include "AppStartup.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <exception>
#include <memory>

namespace qorva {

void ConfigureCrashReporter(TCrashReportSettings& s) {
  s.AutoContinue = false;
  s.AutoRestart = 0;
  s.AutoClose = 1;
  s.ContinueBtnVisible = false;
  s.RestartBtnVisible = false;
  s.CloseBtnVisible = true;
  s.ShowBtnVisible = false;
  s.SendBtnVisible = false;
  s.MailViaMapi = false;
  s.MailViaMailto = false;
  s.GeneralShowSetting = ssSimpleBox;
}

std::unique_ptr<QMessageBox> MakeCrashBox(const QString& text, const TCrashReportSettings& s) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Critical,
                                           QGuiApplication::applicationDisplayName(), text,
                                           QMessageBox::NoButton, QApplication::activeWindow());
  if (s.ContinueBtnVisible) box->addButton("&Continue", QMessageBox::AcceptRole);
  // A box always has a way out: Close, when nothing else is offered.
  if (s.CloseBtnVisible || !s.ContinueBtnVisible)
    box->setEscapeButton(box->addButton("&Close", QMessageBox::RejectRole));
  return box;
}

bool ShowSimpleCrashBox(const QString& text, const TCrashReportSettings& s) {
  auto box = MakeCrashBox(text, s);
  if (s.AutoClose > 0) QTimer::singleShot(s.AutoClose * 60 * 1000, box.get(), &QMessageBox::reject);
  box->exec();
  return box->buttonRole(box->clickedButton()) == QMessageBox::AcceptRole;
}

void TCrashReporter::Report(const std::string& what) {
  ++reports;
  // A second error while the box is up (its own event loop runs handlers) ends the run.
  if (reporting_) {
    QCoreApplication::exit(1);
    return;
  }
  reporting_ = true;
  QString text = "An unexpected error occurred.";
  if (!what.empty()) text += "\n\n" + QString::fromLocal8Bit(what.c_str());
  bool carry_on = settings.AutoContinue;
  if (settings.GeneralShowSetting != ssNothing) {
    auto show = showBox ? showBox : ShowSimpleCrashBox;
    if (show(text, settings)) carry_on = true;
  }
  reporting_ = false;
  if (!carry_on) QCoreApplication::exit(1);
}

TQorvaApplication::TQorvaApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TQorvaApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    crash_reporter_.Report(e.what());
  } catch (...) {
    crash_reporter_.Report({});
  }
  return false;
}

}  // namespace qorva
