// A progress dialog fed by the loader's and the envelope's progress callbacks.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

namespace qorva {

// Shows the file's name, the percentage done and a Cancel button once the work has taken
// a moment; the work runs on the calling (window) thread, and each callback lets the
// dialog process events so the windows repaint and Cancel can be pressed.
class TProgressGate {
 public:
  TProgressGate(QWidget* owner, const QString& text);
  ~TProgressGate();
  TProgressGate(const TProgressGate&) = delete;
  TProgressGate& operator=(const TProgressGate&) = delete;

  // Returns false once the user has cancelled.
  bool Step(std::uint64_t done, std::uint64_t total);
  std::function<bool(std::uint64_t, std::uint64_t)> Callback() {
    return [this](std::uint64_t done, std::uint64_t total) { return Step(done, total); };
  }
  bool Cancelled() const;

  // Tests: how long the work runs before the dialog shows, and a hook run at every step
  // with the dialog (to press Cancel, for example).
  static void SetMinimumDurationForTesting(int ms);
  static void SetStepHookForTesting(std::function<void(QProgressDialog&)> hook);

 private:
  std::unique_ptr<QProgressDialog> dialog_;
  int last_percent_ = -1;
};

}  // namespace qorva
