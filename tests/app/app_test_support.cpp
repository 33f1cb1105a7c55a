#include "app_test_support.h"

#include <QDir>
#include <QFile>
#include <QWidget>

#include "AppStartup.h"
#include "BackgroundJob.h"

namespace qorva::testing {

namespace {

// The program's application object, made once for the whole test process.
class AppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "qorva-encryptor-tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) app_ = new TQorvaApplication(argc, argv);
    QCoreApplication::setApplicationName(kApplicationTitle);
  }

 private:
  TQorvaApplication* app_ = nullptr;
};

const auto* const g_env = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

// The next scripted answer; a null text (or none left) is a cancel.
std::optional<QString> Next(std::deque<QString>& answers) {
  QString a;
  if (!answers.empty()) {
    a = answers.front();
    answers.pop_front();
  }
  if (a.isNull()) return std::nullopt;
  return a;
}

}  // namespace

QString SamplePath(const char* name) {
  return QStringLiteral(QORVA_SOURCE_DIR "/resources/sample/") + name;
}

void MainWindowTest::SetUp() {
  ASSERT_TRUE(work_.isValid());
  // The envelope works under fixed names in the temporary folder; a folder of its own keeps
  // tests running side by side apart.
  saved_tmpdir_ = qgetenv("TMPDIR");
  qputenv("TMPDIR", QFile::encodeName(work_.path()));
  ASSERT_TRUE(home_.isValid());
  ASSERT_TRUE(data_.isValid());
  TfmEncryptMain::SetProgramFolder(home_.path());
  dm_ = std::make_unique<TdmEncryptor>();
  dmEncryptor = dm_.get();
  window_ = std::make_unique<TfmEncryptMain>();
  fmEncryptMain = window_.get();
  window_->SetCommandLine({});
  window_->SetDialogs(
      [this](const TOpenFileRequest& r) {
        open_requests_.push_back(r);
        return Next(open_answers_);
      },
      [this](const QString& current) {
        folder_requests_.push_back(current);
        return Next(folder_answers_);
      });
}

void MainWindowTest::TearDown() {
  Settle();
  TBackgroundJob::SetProgressHookForTesting(nullptr);
  TBackgroundJob::SetWorkerStartHookForTesting(nullptr);
  TBackgroundJob::SetShowDelayForTesting(500);
  // Windows the test opened (help) go with it.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowTitle() == "QORVA File Encryption Utility Help") delete w;
  window_.reset();
  dmEncryptor = nullptr;
  dm_.reset();
  TfmEncryptMain::SetProgramFolder(std::nullopt);
  if (saved_tmpdir_.isNull())
    qunsetenv("TMPDIR");
  else
    qputenv("TMPDIR", saved_tmpdir_);
}

QStringList MainWindowTest::WorkingFiles() const {
  return QDir(work_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

void MainWindowTest::Show() {
  window_->show();
  Settle();
}

void MainWindowTest::Settle() { TBackgroundJob::WaitForIdle(); }

QString MainWindowTest::CopySample(const char* sample, const QString& name) {
  QString to = data_.filePath(name);
  QDir().mkpath(QFileInfo(to).absolutePath());
  QFile::remove(to);
  EXPECT_TRUE(QFile::copy(SamplePath(sample), to)) << to.toStdString();
  return QDir::toNativeSeparators(to);
}

QString MainWindowTest::Home() const {
  return QDir::toNativeSeparators(home_.path()) + QDir::separator();
}

std::unique_ptr<TIniFile> MainWindowTest::Ini() const {
  return std::make_unique<TIniFile>(home_.filePath("Zizuvozuv.INI"));
}

void MainWindowTest::Open(std::optional<QString> path) {
  open_answers_.push_back(path.value_or(QString()));
  window_->btnOpenClick();
  Settle();
}

void MainWindowTest::ChooseFolder(std::optional<QString> folder) {
  folder_answers_.push_back(folder.value_or(QString()));
  window_->btnOutputPathClick();
}

}  // namespace qorva::testing
