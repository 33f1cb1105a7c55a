#include "FormPlacement.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMargins>
#include <QPointer>
#include <QScreen>
#include <QTreeView>
#include <QWidget>
#include <algorithm>
#include <functional>

namespace qorva {
namespace {

// What the frame adds on each side; nothing while the window is not framed.
QMargins FrameOf(const QWidget* w) {
  const QRect f = w->frameGeometry(), g = w->geometry();
  return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()};
}

QPoint CentredOver(const QSize& own_outer, const QRect& owner_outer) {
  return {owner_outer.left() + (owner_outer.width() - own_outer.width()) / 2,
          owner_outer.top() + (owner_outer.height() - own_outer.height()) / 2};
}

// Runs `again` when the window's own frame turns up (on the events that follow its framing),
// once, and only if nothing has moved the window from `placed` meanwhile. Gives up after a
// few seconds: a window that is never framed keeps its placement.
class FramedWatcher : public QObject {
 public:
  FramedWatcher(QWidget* w, QMargins used, bool keep_users_move, std::function<void()> again)
      : QObject(w),
        window_(w),
        used_(used),
        keep_users_move_(keep_users_move),
        again_(std::move(again)) {
    placed_ = w->pos();
    clock_.start();
    w->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched != window_) return false;
    switch (e->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Paint:
      case QEvent::WindowActivate:
        break;
      default:
        return false;
    }
    if (clock_.elapsed() > 5000) {
      deleteLater();
      return false;
    }
    const QMargins frame = FrameOf(window_);
    if (frame.isNull() || frame == used_) return false;
    // A frame that arrived keeps the window's frame corner where it was put; anything else
    // is the user's move, which stays.
    if (!keep_users_move_ || window_->pos() == placed_ || window_->geometry().topLeft() == placed_)
      again_();
    window_->removeEventFilter(this);
    deleteLater();
    return false;
  }

 private:
  QWidget* window_;
  QMargins used_;
  bool keep_users_move_;
  QPoint placed_;
  std::function<void()> again_;
  QElapsedTimer clock_;
};

}  // namespace

void CentreOver(QWidget* form, const QWidget* owner) {
  if (!form || !owner) return;
  QMargins frame = FrameOf(form);
  const bool framed = !frame.isNull();
  if (!framed) frame = FrameOf(owner);
  const QSize outer = form->size().grownBy(frame);
  form->move(CentredOver(outer, owner->frameGeometry()));
  if (framed || !form->isWindow()) return;
  QPointer<const QWidget> o(owner);
  new FramedWatcher(form, frame, true, [form, o] {
    if (!o) return;
    form->move(CentredOver(form->frameGeometry().size(), o->frameGeometry()));
  });
}

void FitOuterSizeWhenFramed(QWidget* window, QSize outer) {
  // Made before the window first shows, whose placement on the screen then comes from the
  // base window; the user has not moved it by the time the frame arrives.
  new FramedWatcher(window, QMargins(), false, [window, outer] {
    const QMargins frame = FrameOf(window);
    window->resize(outer.shrunkBy(frame));
    QScreen* s = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    QRect f(window->frameGeometry().topLeft(), outer);
    f.moveCenter(s->availableGeometry().center());
    window->move(f.topLeft());
  });
}

// Big enough for the file list's columns (name, size, type, date) to show whole; Qt's own
// dialog also sizes its detail columns to their contents, the name taking the rest.
void SizeFileDialog(QFileDialog& dialog) {
  QSize size(820, 500);
  if (QScreen* s = dialog.screen()) size = size.boundedTo(s->availableGeometry().size() * 9 / 10);
  dialog.resize(size);
  if (auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    QHeaderView* header = tree->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
  }
}

void KeepGapAfter(const QWidget* label, QWidget* value, int gap) {
  const int text_end = label->x() + label->sizeHint().width();
  const int left = text_end + gap;
  if (value->x() >= left) return;
  const int right = value->geometry().right();
  value->setGeometry(left, value->y(), std::max(right - left + 1, 0), value->height());
}

}  // namespace qorva
