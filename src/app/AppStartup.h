// Start-up of the desktop program: the application object with its crash reporter.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>
#include <string>

namespace qorva {

// Task-bar text of the program; deliberately spelled differently from the main window's
// caption, which reads "QORVA File Encryption Utility".
inline constexpr const char* kApplicationTitle = "QORVA File Encryption Utillity";

enum TShowSetting {
  ssFullBox = 0,
  ssAssistant = 1,
  ssDetailBox = 2,
  ssSimpleBox = 3,
  ssNothing = 4
};

// How an unexpected error is reported. The program sets every value at start-up
// (ConfigureCrashReporter); the defaults are what a fresh reporter does before that.
struct TCrashReportSettings {
  bool AutoContinue = true;
  int AutoRestart = 0;
  int AutoClose = 0;  // minutes before an unanswered box closes the program; 0 = never
  bool ContinueBtnVisible = true;
  bool RestartBtnVisible = false;
  bool CloseBtnVisible = true;
  bool ShowBtnVisible = false;
  bool SendBtnVisible = false;
  bool MailViaMapi = false;
  bool MailViaMailto = false;
  TShowSetting GeneralShowSetting = ssSimpleBox;
};

// The program's crash-report settings, made in this order.
void ConfigureCrashReporter(TCrashReportSettings& s);

// Reports an error that escaped an event handler. Nothing is ever sent anywhere.
class TCrashReporter {
 public:
  TCrashReportSettings settings;

  // Shows the box (unless the settings say nothing is shown); then, unless the program is
  // to carry on, ends the event loops with exit code 1.
  void Report(const std::string& what);

  // The box itself; tests replace it. Returns true when the user chose to continue.
  std::function<bool(const QString& text, const TCrashReportSettings&)> showBox;

  // Number of errors reported so far.
  int reports = 0;

 private:
  bool reporting_ = false;
};

// The simple error box: the text and the buttons the settings make visible.
std::unique_ptr<QMessageBox> MakeCrashBox(const QString& text, const TCrashReportSettings& s);
// Shows it; returns true when the user chose to continue.
bool ShowSimpleCrashBox(const QString& text, const TCrashReportSettings& s);

// The application object; every event passes through its crash reporter.
class TQorvaApplication : public QApplication {
 public:
  TQorvaApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
  TCrashReporter& CrashReporter() { return crash_reporter_; }

 private:
  TCrashReporter crash_reporter_;
};

}  // namespace qorva
