// Loads and encryptions on their worker thread, with the real message boxes and the real event
// loop: when a box of a job appears, its progress dialog is gone, and only the main window and
// that box are on screen.
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <future>

#include "BackgroundJob.h"
#include "CryptoSelfTest.h"
#include "QtMessageHelper.h"
#include "app_test_support.h"

namespace qorva::testing {
namespace {

QStringList VisibleWindows() {
  QStringList names;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible()) continue;
    names << (w->objectName().isEmpty() ? QString(w->metaObject()->className()) : w->objectName());
  }
  names.sort();
  return names;
}

// Shows messages as real boxes and presses a button in each (Yes or No for a question, else
// OK), noting the box's text and the windows on screen at that moment.
class BoxPresser {
 public:
  struct Seen {
    QString text;
    QStringList windows;
    QString detail;  // the box's detailed text
  };

  BoxPresser(QWidget* main, bool answer_yes) : answer_yes_(answer_yes) {
    helper_.SetMainWindow(main);
    previous_ = SetMessages(&helper_);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Press(); });
    timer_.start(5);
  }
  ~BoxPresser() { SetMessages(previous_); }

  std::vector<Seen> seen;

 private:
  void Press() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    seen.push_back({box->text(), VisibleWindows(), box->detailedText()});
    QAbstractButton* button = box->button(QMessageBox::Ok);
    if (!button) button = box->button(answer_yes_ ? QMessageBox::Yes : QMessageBox::No);
    ASSERT_NE(button, nullptr);
    button->click();
  }

  QtMessageHelper helper_;
  IMessageHelper* previous_;
  QTimer timer_;
  bool answer_yes_;
};

// Makes the next job long: its work waits until its progress dialog is on screen.
class LongJob {
 public:
  LongJob() {
    TBackgroundJob::SetShowDelayForTesting(0);
    std::shared_future<void> go = shown_.get_future().share();
    TBackgroundJob::SetWorkerStartHookForTesting([go] { go.wait(); });
    TBackgroundJob::SetProgressHookForTesting([this](TProgressWindow& d) {
      if (windows_during.isEmpty()) {
        windows_during = VisibleWindows();
        modality = d.windowModality();
        shown_.set_value();
      }
    });
  }
  ~LongJob() {
    TBackgroundJob::SetWorkerStartHookForTesting(nullptr);
    TBackgroundJob::SetProgressHookForTesting(nullptr);
    TBackgroundJob::SetShowDelayForTesting(500);
  }

  QStringList windows_during;
  Qt::WindowModality modality = Qt::NonModal;

 private:
  std::promise<void> shown_;
};

const QStringList kMainAndBox = {"QMessageBox", "fmEncryptMain"};

struct JobCase {
  const char* name;
  bool long_job;
  const char* file;  // the sample loaded by the job, or before an encryption
  bool encrypt;
  bool output_exists;
  const char* last_box;  // the start of the last box's text
};

void PrintTo(const JobCase& p, std::ostream* os) { *os << p.name; }

class JobWindowsTest : public MainWindowTest, public ::testing::WithParamInterface<JobCase> {};

TEST_P(JobWindowsTest, OnlyTheMainWindowAndTheJobsBoxAreShown) {
  const JobCase& c = GetParam();
  QString report = CopySample(c.file, c.file);
  Show();
  ChooseFolder(c.output_exists ? data_.path() : DataPath("no-such-folder"));
  if (c.encrypt) Open(report);

  BoxPresser boxes(&Window(), false);
  std::optional<LongJob> long_job;
  if (c.long_job) long_job.emplace();
  // The command runs from the event loop, as a click would.
  bool ran = false;
  QTimer::singleShot(0, &Window(), [&] {
    ran = true;
    if (c.encrypt)
      Window().btnEncrypt->click();
    else
      Window().OpenReportFile(report);
  });
  for (int i = 0; i < 100 && !ran; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  ASSERT_TRUE(ran);
  Settle();

  if (long_job) {
    EXPECT_EQ(long_job->windows_during, QStringList({"fmEncryptMain", "progressDialog"}));
    EXPECT_EQ(long_job->modality, Qt::WindowModal);
  }
  ASSERT_FALSE(boxes.seen.empty());
  for (const auto& seen : boxes.seen)
    EXPECT_EQ(seen.windows, kMainAndBox) << seen.text.toStdString();
  EXPECT_TRUE(boxes.seen.back().text.startsWith(c.last_box))
      << boxes.seen.back().text.toStdString();
  // A line error held back from the worker keeps its detail (the field, the text found).
  if (QString(c.last_box).startsWith("Error in line")) {
    EXPECT_FALSE(boxes.seen.back().detail.isEmpty());
  }
  // Every box was answered; nothing is left over the main window.
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(VisibleWindows(), QStringList({"fmEncryptMain"}));
  EXPECT_TRUE(Window().findChildren<TProgressWindow*>().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Jobs, JobWindowsTest,
                         ::testing::Values(JobCase{"SmallLoadLineError", false, "QORVA_BROKEN.txt",
                                                   false, true, "Error in line "},
                                           JobCase{"LongLoadLineError", true, "QORVA_BROKEN.txt",
                                                   false, true, "Error in line "},
                                           JobCase{"SmallEncryption", false, "QORVA_SAMPLE.txt",
                                                   true, true, "Encryption has succeeded!"},
                                           JobCase{"LongEncryption", true, "QORVA_SAMPLE.txt", true,
                                                   true, "Encryption has succeeded!"},
                                           JobCase{"LongEncryptionFails", true, "QORVA_SAMPLE.txt",
                                                   true, false, "Encryption failed."}),
                         [](const auto& info) { return std::string(info.param.name); });

// The self-test's question is asked on the window's thread with the progress dialog hidden;
// the answer reaches the envelope on its worker thread.
TEST_F(MainWindowTest, SelfTestQuestionHidesTheProgressDialogAndTakesTheAnswer) {
  QString report = CopySample("QORVA_SAMPLE.txt", "QORVA_SAMPLE.txt");
  Show();
  ChooseFolder(data_.path());
  Open(report);
  ScopedSelfTestOverride failing([](const Bytes&) { return SelfTestResult{false, "broken"}; });
  BoxPresser boxes(&Window(), false);
  {
    LongJob long_job;
    Window().btnEncrypt->click();
    Settle();
  }
  ASSERT_GE(boxes.seen.size(), 2u);
  EXPECT_TRUE(boxes.seen.front().text.startsWith("It appears decryption software"));
  for (const auto& seen : boxes.seen)
    EXPECT_EQ(seen.windows, kMainAndBox) << seen.text.toStdString();
  EXPECT_EQ(boxes.seen.back().text, "Encryption failed.\n\nNo file has been created.");
  EXPECT_FALSE(QFile::exists(DataPath("QORVA_SAMPLE.HDE")));
}

// Input to the main window waits while a job runs, also before its dialog shows.
TEST_F(MainWindowTest, NoSecondJobWhileOneRuns) {
  QString report = CopySample("QORVA_SAMPLE.txt", "QORVA_SAMPLE.txt");
  Show();
  ChooseFolder(data_.path());
  Open(report);
  std::promise<void> release;
  std::shared_future<void> go = release.get_future().share();
  TBackgroundJob::SetWorkerStartHookForTesting([go] { go.wait(); });
  Window().btnEncryptClick();
  ASSERT_TRUE(TBackgroundJob::Running());
  Window().OpenReportFile(report);  // refused: one job at a time
  QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
  QApplication::sendEvent(Window().btnEncrypt, &f1);
  EXPECT_FALSE(VisibleWindows().contains("HelpWindow"));
  EXPECT_EQ(VisibleWindows(), QStringList({"fmEncryptMain"}));
  TBackgroundJob::SetWorkerStartHookForTesting(nullptr);
  release.set_value();
  Settle();
  EXPECT_EQ(Texts().size(), 1u);
  EXPECT_TRUE(QFile::exists(DataPath("QORVA_SAMPLE.HDE")));
}

}  // namespace
}  // namespace qorva::testing
