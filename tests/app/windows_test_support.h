// Shared set-up of the window tests: one QApplication, and modal windows closed from the
// event loop so that no test ever blocks.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace qorva::testing {

inline QApplication& App() {
  if (!qApp) {
    static int argc = 1;
    static char name[] = "app_windows_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
  }
  return *static_cast<QApplication*>(QApplication::instance());
}

// While alive, the next modal window to open is handed to `inspect` and then closed with
// Escape's effect (close()). Records whether one opened.
class ModalCloser {
 public:
  explicit ModalCloser(std::function<void(QWidget*)> inspect = {}) : inspect_(std::move(inspect)) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* w = QApplication::activeModalWidget();
      if (!w) return;
      timer_.stop();
      ++opened_;
      if (inspect_) inspect_(w);
      if (w->isVisible()) w->close();
    });
    timer_.start();
  }
  int opened() const { return opened_; }

 private:
  std::function<void(QWidget*)> inspect_;
  QTimer timer_;
  int opened_ = 0;
};

}  // namespace qorva::testing
