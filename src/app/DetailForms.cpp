#include "DetailForms.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

#include "dEncryptor.h"
#include "fEncryptMain.h"

namespace qorva {
namespace {

QFont FontOf(QStringList families, QFont::StyleHint hint, int pixelSize) {
  QFont f(families.front());
  f.setFamilies(families);
  f.setStyleHint(hint);
  f.setPixelSize(pixelSize);
  return f;
}

std::function<void()>& HelpHook() {
  static std::function<void()> hook;
  return hook;
}

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

TDataSource* ReportsSource() { return dmEncryptor ? &dmEncryptor->dsReports : nullptr; }
TDataSource* ScoreSource() { return dmEncryptor ? &dmEncryptor->dsReportScore : nullptr; }

QFont SansFont(int pixelSize) {
  return FontOf({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                 QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
                QFont::SansSerif, pixelSize);
}

QFont SerifFont(int pixelSize) {
  return FontOf({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                 QStringLiteral("DejaVu Serif")},
                QFont::Serif, pixelSize);
}

void CentreOver(QWidget* form, const QWidget* owner) {
  if (!form || !owner) return;
  const QRect main = owner->frameGeometry();
  const QRect own = form->frameGeometry();
  form->move(main.left() + (main.width() - own.width()) / 2,
             main.top() + (main.height() - own.height()) / 2);
}

QWidget* MainWindowWidget() { return fmEncryptMain; }

void InvokeMainHelp() {
  if (HelpHook()) {
    HelpHook()();
    return;
  }
  if (fmEncryptMain) fmEncryptMain->InvokeHelp();
}

void SetInvokeHelpForTesting(std::function<void()> hook) { HelpHook() = std::move(hook); }

void InstallKeyPreview(QWidget* form, std::function<bool(QKeyEvent*)> handler) {
  auto* filter = new KeyPreviewFilter(form, std::move(handler));
  filter->Watch(form);
}

}  // namespace qorva
