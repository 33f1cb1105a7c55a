// Start-up: the crash reporter's settings and box, and the order in which the command-line
// file meets the data module and the window.
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <stdexcept>

#include "AppStartup.h"
#include "app_test_support.h"

namespace qorva::testing {
namespace {

TEST(CrashReporter, ProgramSettingsShowASimpleBoxWithCloseOnlyAndSendNothing) {
  TCrashReportSettings s;
  ConfigureCrashReporter(s);
  EXPECT_FALSE(s.AutoContinue);
  EXPECT_EQ(s.AutoRestart, 0);
  EXPECT_EQ(s.AutoClose, 1);
  EXPECT_FALSE(s.ContinueBtnVisible);
  EXPECT_FALSE(s.RestartBtnVisible);
  EXPECT_TRUE(s.CloseBtnVisible);
  EXPECT_FALSE(s.ShowBtnVisible);
  EXPECT_FALSE(s.SendBtnVisible);
  EXPECT_FALSE(s.MailViaMapi);
  EXPECT_FALSE(s.MailViaMailto);
  EXPECT_EQ(s.GeneralShowSetting, ssSimpleBox);

  auto box = MakeCrashBox("An unexpected error occurred.", s);
  ASSERT_EQ(box->buttons().size(), 1);
  EXPECT_EQ(box->buttons().first()->text(), "&Close");
  EXPECT_EQ(box->icon(), QMessageBox::Critical);
}

class Thrower : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw std::runtime_error("disk on fire");
    return QObject::event(e);
  }
};

TEST(CrashReporter, ErrorEscapingAHandlerIsShownAndEndsTheRun) {
  auto* app = dynamic_cast<TQorvaApplication*>(QCoreApplication::instance());
  ASSERT_NE(app, nullptr);
  TCrashReporter& reporter = app->CrashReporter();
  ConfigureCrashReporter(reporter.settings);
  std::vector<QString> shown;
  reporter.showBox = [&](const QString& text, const TCrashReportSettings&) {
    shown.push_back(text);
    return false;
  };
  Thrower thrower;
  QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
  QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });  // never hang
  int code = QCoreApplication::exec();
  reporter.showBox = nullptr;
  EXPECT_EQ(code, 1);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].contains("disk on fire"));
}

TEST_F(MainWindowTest, TitleBarAndTaskBarTextsDiffer) {
  Show();
  EXPECT_EQ(Window().windowTitle(), "QORVA File Encryption Utility");
  EXPECT_EQ(Window().windowIconText(), kApplicationTitle);
  EXPECT_EQ(QString(kApplicationTitle), "QORVA File Encryption Utillity");
  // Plain message boxes are captioned with the application's title.
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), kApplicationTitle);
}

TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheRunEvenWithHelpOpen) {
  Show();
  Window().InvokeHelp();
  QTimer::singleShot(0, [this] { Window().Close1->trigger(); });  // "Close Active"
  QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });   // never hang
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_FALSE(Window().isVisible());
}

}  // namespace
}  // namespace qorva::testing
