#include "KeyPreview.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

#include "HelpWindow.h"

namespace qorva {
namespace {

class KeyPreviewFilter : public QObject {
 public:
  KeyPreviewFilter(QWidget* form, std::function<bool(QKeyEvent*)> handler)
      : QObject(form), form_(form), handler_(std::move(handler)) {}

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::ChildAdded) {
      // Controls added later get the same preview.
      if (auto* w = qobject_cast<QWidget*>(static_cast<QChildEvent*>(e)->child())) Watch(w);
    } else if (e->type() == QEvent::KeyPress) {
      // A key that a control leaves unused travels on to its parents; the form sees it once,
      // where it first arrives.
      QWidget* first = form_->focusWidget() ? form_->focusWidget() : form_;
      if (watched == first && handler_(static_cast<QKeyEvent*>(e))) return true;
    }
    return QObject::eventFilter(watched, e);
  }

  void Watch(QWidget* w) {
    w->installEventFilter(this);
    for (QWidget* child : w->findChildren<QWidget*>()) child->installEventFilter(this);
  }

 private:
  QWidget* form_;
  std::function<bool(QKeyEvent*)> handler_;
};

}  // namespace

void InstallKeyPreview(QWidget* form, std::function<bool(QKeyEvent*)> handler) {
  auto* filter = new KeyPreviewFilter(form, std::move(handler));
  filter->Watch(form);
}

bool DetailFormKeyDown(QWidget* form, int key, bool f1_opens_help) {
  if (key == Qt::Key_Escape) {
    form->close();
    return true;
  }
  if (f1_opens_help && key == Qt::Key_F1) {
    InvokeMainHelp();
    return true;
  }
  return false;
}

}  // namespace qorva
