// Long work of the main window (loading a report file, sealing an envelope) runs on a worker
// thread while a window-modal progress dialog shows how far it has got and the window keeps
// painting. The work's messages are held back and shown on the window's thread once the work
// has ended and its progress dialog is gone; a question the work asks is answered on the
// window's thread with the progress dialog hidden first.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qorva {

// Bytes done so far / total; returns false once the user has cancelled.
using TProgressFn = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// The progress dialog: what is being done, a percentage bar and a Cancel button. Esc and the
// title bar's close button cancel too; the dialog stays until its job has ended.
class TProgressWindow : public QDialog {
  Q_OBJECT
 public:
  TProgressWindow(QWidget* owner, const QString& text, std::function<void()> on_cancel);

  void SetPercent(int percent);
  int Percent() const;
  QString LabelText() const;
  QPushButton* CancelButton() const { return cancel_; }

  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* label_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  std::function<void()> on_cancel_;
};

class TBackgroundJob {
 public:
  // Runs `work` on a worker thread with a progress function to call now and then; then, on
  // the window's thread: closes the progress dialog, shows the messages the work gave (in
  // order) and calls `finished` with whether the work saw the user's cancel. Returns false,
  // and runs nothing, while another job is under way.
  static bool Start(QWidget* owner, const QString& text,
                    std::function<void(const TProgressFn& progress)> work,
                    std::function<void(bool cancelled)> finished);
  // A job is under way (from Start until its `finished` has returned).
  static bool Running();
  // Runs the event loop until no job is under way.
  static void WaitForIdle();
  // Asks the job under way to stop, then waits for it.
  static void CancelAndWait();

  // Tests: how long the work runs before its dialog shows (500 ms by default), and a hook
  // run on the window's thread whenever the dialog's percentage changes.
  static void SetShowDelayForTesting(int ms);
  static void SetProgressHookForTesting(std::function<void(TProgressWindow& dialog)> hook);
  // Tests: run on the worker thread before the work starts (to hold it back, for example).
  static void SetWorkerStartHookForTesting(std::function<void()> hook);
};

}  // namespace qorva
