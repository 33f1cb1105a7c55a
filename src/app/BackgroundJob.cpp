#include "BackgroundJob.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <atomic>
#include <mutex>
#include <vector>

#include "w_dialog.h"

namespace qorva {
namespace {

int g_show_delay_ms = 500;
constexpr int kPollMs = 50;
std::function<void(TProgressWindow&)> g_progress_hook;
std::function<void()> g_worker_start_hook;

bool OnWindowThread() {
  return QCoreApplication::instance() &&
         QThread::currentThread() == QCoreApplication::instance()->thread();
}

class TJob;
TJob* g_job = nullptr;

// Takes the place of the installed message helper while a job runs. On the window's thread it
// passes everything straight on; from the worker it holds messages back until the job has
// ended, and carries a question over to the window's thread.
class TJobMessages : public IMessageHelper {
 public:
  TJobMessages(TJob* job, IMessageHelper* shown_by) : job_(job), ui_(shown_by) {}

  void Show(MessageKind kind, const std::string& text) override { ShowDetailed(kind, text, {}); }
  void ShowDetailed(MessageKind kind, const std::string& text, const std::string& detail) override {
    if (OnWindowThread()) {
      Pass(kind, text, detail);
      return;
    }
    std::lock_guard lock(mutex_);
    held_.push_back({kind, text, detail});
  }

  bool AskYesNo(const std::string& text) override;

  // Shows the messages held back so far, in order (window's thread).
  void Flush() {
    std::vector<Held> held;
    {
      std::lock_guard lock(mutex_);
      held.swap(held_);
    }
    for (const Held& h : held) Pass(h.kind, h.text, h.detail);
  }

  IMessageHelper& Ui() { return *ui_; }

 private:
  struct Held {
    MessageKind kind;
    std::string text;
    std::string detail;
  };
  void Pass(MessageKind kind, const std::string& text, const std::string& detail) {
    if (detail.empty())
      ui_->Show(kind, text);
    else
      ui_->ShowDetailed(kind, text, detail);
  }
  TJob* job_;
  IMessageHelper* ui_;
  std::mutex mutex_;
  std::vector<Held> held_;
};

class TJob : public QObject {
 public:
  TJob(QWidget* owner, const QString& text, std::function<void(bool)> finished)
      : owner_(owner ? owner->window() : nullptr),
        text_(text),
        finished_(std::move(finished)),
        messages_(this, &Messages()) {
    show_timer_.setSingleShot(true);
    connect(&show_timer_, &QTimer::timeout, this, [this] { ShowDialog(); });
    connect(&poll_timer_, &QTimer::timeout, this, [this] { Poll(); });
    connect(&watcher_, &QFutureWatcher<void>::finished, this, [this] { Ended(); });
  }

  void Run(std::function<void(const TProgressFn&)> work) {
    g_job = this;
    previous_ = SetMessages(&messages_);
    // The window takes no input of its own while its job runs, also before the dialog shows.
    qApp->installEventFilter(this);
    show_timer_.start(g_show_delay_ms);
    poll_timer_.start(kPollMs);
    watcher_.setFuture(
        QtConcurrent::run([this, work = std::move(work), hook = g_worker_start_hook] {
          if (hook) hook();
          const TProgressFn progress = [this](std::uint64_t done, std::uint64_t total) {
            return Progress(done, total);
          };
          try {
            work(progress);
          } catch (...) {
            // The work reports its own failures; nothing may end the worker thread abnormally.
          }
        }));
  }

  void Cancel() { cancel_requested_ = true; }

  // A question from the work: no progress dialog over it, and the messages held so far
  // come first.
  bool Ask(const std::string& text) {
    paused_ = true;
    show_timer_.stop();
    if (dialog_) dialog_->hide();
    messages_.Flush();
    const bool yes = messages_.Ui().AskYesNo(text);
    paused_ = false;
    if (!ended_) show_timer_.start(g_show_delay_ms);
    return yes;
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
      case QEvent::Shortcut:
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop:
      case QEvent::Close:
        if (watched->isWidgetType() && owner_ &&
            static_cast<QWidget*>(watched)->window() == owner_.data())
          return true;
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool Progress(std::uint64_t done, std::uint64_t total) {
    done_ = done;
    total_ = total;
    if (cancel_requested_) {
      cancel_seen_ = true;
      return false;
    }
    return true;
  }

  int Percent() const {
    const std::uint64_t total = total_, done = std::min<std::uint64_t>(done_, total);
    return total == 0 ? 0 : static_cast<int>(done * 100 / total);
  }

  void ShowDialog() {
    if (ended_ || paused_) return;
    if (!dialog_) {
      dialog_ = new TProgressWindow(owner_.data(), text_, [this] { Cancel(); });
      dialog_->SetPercent(Percent());
    }
    dialog_->show();
    if (g_progress_hook) g_progress_hook(*dialog_);
  }

  void Poll() {
    if (!dialog_ || !dialog_->isVisible()) return;
    const int percent = Percent();
    if (percent == dialog_->Percent()) return;
    dialog_->SetPercent(percent);
    if (g_progress_hook) g_progress_hook(*dialog_);
  }

  void Ended() {
    ended_ = true;
    show_timer_.stop();
    poll_timer_.stop();
    qApp->removeEventFilter(this);
    // The dialog is gone before any message of its job appears.
    delete dialog_.data();
    SetMessages(previous_);
    messages_.Flush();
    if (finished_) finished_(cancel_seen_);
    g_job = nullptr;
    deleteLater();
  }

  QPointer<QWidget> owner_;
  QString text_;
  std::function<void(bool)> finished_;
  TJobMessages messages_;
  IMessageHelper* previous_ = nullptr;
  QPointer<TProgressWindow> dialog_;
  QTimer show_timer_;
  QTimer poll_timer_;
  QFutureWatcher<void> watcher_;
  std::atomic<std::uint64_t> done_{0};
  std::atomic<std::uint64_t> total_{0};
  std::atomic<bool> cancel_requested_{false};
  std::atomic<bool> cancel_seen_{false};
  bool paused_ = false;
  bool ended_ = false;
};

bool TJobMessages::AskYesNo(const std::string& text) {
  if (OnWindowThread()) return ui_->AskYesNo(text);
  bool yes = false;
  QMetaObject::invokeMethod(
      job_, [&] { yes = job_->Ask(text); }, Qt::BlockingQueuedConnection);
  return yes;
}

}  // namespace

TProgressWindow::TProgressWindow(QWidget* owner, const QString& text,
                                 std::function<void()> on_cancel)
    : QDialog(owner), on_cancel_(std::move(on_cancel)) {
  setObjectName(QStringLiteral("progressDialog"));
  setWindowTitle(owner ? owner->window()->windowTitle() : QString());
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setWindowModality(Qt::WindowModal);

  label_ = new QLabel(text, this);
  label_->setObjectName(QStringLiteral("progressLabel"));
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 100);
  bar_->setValue(0);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("progressCancel"));
  connect(cancel_, &QPushButton::clicked, this, &TProgressWindow::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(bar_);
  layout->addLayout(buttons);
  setMinimumWidth(360);
}

void TProgressWindow::SetPercent(int percent) { bar_->setValue(percent); }
int TProgressWindow::Percent() const { return bar_->value(); }
QString TProgressWindow::LabelText() const { return label_->text(); }

void TProgressWindow::reject() {
  // The dialog stays until the work has noticed and ended.
  if (!cancel_->isEnabled()) return;
  cancel_->setEnabled(false);
  if (on_cancel_) on_cancel_();
}

void TProgressWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  reject();
}

bool TBackgroundJob::Start(QWidget* owner, const QString& text,
                           std::function<void(const TProgressFn&)> work,
                           std::function<void(bool)> finished) {
  if (g_job) return false;
  auto* job = new TJob(owner, text, std::move(finished));
  job->Run(std::move(work));
  return true;
}

bool TBackgroundJob::Running() { return g_job != nullptr; }

void TBackgroundJob::WaitForIdle() {
  // The job's own timer keeps events coming, so waiting for more never stalls.
  while (g_job) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TBackgroundJob::CancelAndWait() {
  if (g_job) g_job->Cancel();
  WaitForIdle();
}

void TBackgroundJob::SetWorkerStartHookForTesting(std::function<void()> hook) {
  g_worker_start_hook = std::move(hook);
}

void TBackgroundJob::SetShowDelayForTesting(int ms) { g_show_delay_ms = ms; }

void TBackgroundJob::SetProgressHookForTesting(std::function<void(TProgressWindow&)> hook) {
  g_progress_hook = std::move(hook);
}

}  // namespace qorva
