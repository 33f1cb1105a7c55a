#include "ProgressGate.h"

#include <QProgressDialog>

namespace qorva {

namespace {
int g_minimum_duration_ms = 500;
std::function<void(QProgressDialog&)> g_step_hook;
}  // namespace

TProgressGate::TProgressGate(QWidget* owner, const QString& text)
    : dialog_(std::make_unique<QProgressDialog>(text, "Cancel", 0, 100, owner)) {
  dialog_->setObjectName("progressDialog");
  dialog_->setWindowTitle(owner ? owner->window()->windowTitle() : QString());
  // Window-modal: while events are processed during the work, the owner takes no clicks.
  dialog_->setWindowModality(Qt::WindowModal);
  dialog_->setMinimumDuration(g_minimum_duration_ms);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setValue(0);
}

TProgressGate::~TProgressGate() { dialog_->close(); }

bool TProgressGate::Step(std::uint64_t done, std::uint64_t total) {
  int percent =
      total == 0 ? 100 : static_cast<int>(std::min<std::uint64_t>(done, total) * 100 / total);
  if (percent != last_percent_) {
    last_percent_ = percent;
    dialog_->setValue(percent);  // shows the dialog when due and processes events
  }
  if (g_step_hook) g_step_hook(*dialog_);
  return !dialog_->wasCanceled();
}

bool TProgressGate::Cancelled() const { return dialog_->wasCanceled(); }

void TProgressGate::SetMinimumDurationForTesting(int ms) { g_minimum_duration_ms = ms; }
void TProgressGate::SetStepHookForTesting(std::function<void(QProgressDialog&)> hook) {
  g_step_hook = std::move(hook);
}

}  // namespace qorva
