#include "AbsFormUnit.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <vector>

#include "AbsFormManager.h"
#include "AbsLogger.h"
#include "PrintForm.h"

namespace qorva {

// ---- TAbsFormHelper ---------------------------------------------------------------------

TAbsFormHelper::TAbsFormHelper(QObject* AOwner) : QObject(AOwner) {}

void TAbsFormHelper::Loaded() {
  auto trace = AbsTrace(kTraceFramework, this, "Loaded");
  if (!FForm) {
    for (QObject* o = parent(); o; o = o->parent()) {
      if (auto* w = qobject_cast<QWidget*>(o); w && (qobject_cast<TAbsForm*>(w) || w->isWindow())) {
        FForm = w;
        break;
      }
    }
  }
  // A window built straight onto a manager's page takes over the page's form type.
  if (FForm) {
    if (auto* page = dynamic_cast<TAbsFormPage*>(FForm->parentWidget())) {
      FFormType = page->FormType();
      FFormManager = page->Manager();
    }
  }
}

void TAbsFormHelper::HandleBroadcast(QWidget* AForm, std::int32_t AFormType, std::int32_t AMsg,
                                     std::int32_t AData) {
  auto trace = AbsTrace(kTraceFramework, this, "HandleBroadcast");
  if (FOnBroadcast) FOnBroadcast(this, AForm, AFormType, AMsg, AData);
}

// ---- TAbsForm ---------------------------------------------------------------------------

TAbsForm::TAbsForm(QWidget* AOwner) : QDialog(AOwner) {
  setObjectName(QStringLiteral("AbsForm"));
  setWindowTitle(QStringLiteral("AbsForm"));
  // A window with an owner still gets the full title bar of a top-level window.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setGeometry(106, 50, 792, 621);

  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  setAutoFillBackground(true);

  // The classic 8-point dialog face, with look-alikes where it is not installed.
  QFont f(QStringLiteral("MS Sans Serif"));
  f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                 QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  f.setStyleHint(QFont::SansSerif);
  f.setPointSize(8);
  setFont(f);

  FormMenuPopup = new QMenu(this);
  FormMenuPopup->setObjectName(QStringLiteral("FormMenuPopup"));
  PrintForm1 = FormMenuPopup->addAction(QStringLiteral("Print Active Form"));
  PrintForm1->setObjectName(QStringLiteral("PrintForm1"));
  Close1 = FormMenuPopup->addAction(QStringLiteral("Close Active"));
  Close1->setObjectName(QStringLiteral("Close1"));
  DisplayName1 = FormMenuPopup->addAction(QStringLiteral("Display Name"));
  DisplayName1->setObjectName(QStringLiteral("DisplayName1"));
  connect(PrintForm1, &QAction::triggered, this, [this] { PrintForm1Click(PrintForm1); });
  connect(Close1, &QAction::triggered, this, [this] { Close1Click(Close1); });
  connect(DisplayName1, &QAction::triggered, this, [this] { DisplayName1Click(DisplayName1); });

  AbsFormHelper1 = new TAbsFormHelper(this);
  AbsFormHelper1->setObjectName(QStringLiteral("AbsFormHelper1"));
  AbsFormHelper1->Loaded();

  // The create handler runs once the derived constructors are done.
  QTimer::singleShot(0, this, [this] { RunCreate(); });
}

TAbsForm::~TAbsForm() = default;

void TAbsForm::PrintForm1Click(QObject*) {
  auto trace = AbsTrace(kTraceForm, this, "PrintForm1Click");
  DoPrintForm(this);
}

void TAbsForm::Close1Click(QObject*) {
  auto trace = AbsTrace(kTraceForm, this, "Close1Click");
  setResult(mrCancel);
  close();
}

void TAbsForm::DisplayName1Click(QObject*) {}

namespace {

// Managers that belong to `form` itself, not to a window hosted further down.
std::vector<TAbsFormManager*> OwnManagers(TAbsForm* form) {
  std::vector<TAbsFormManager*> own;
  for (TAbsFormManager* m : form->findChildren<TAbsFormManager*>()) {
    QWidget* p = m->parentWidget();
    while (p && !qobject_cast<TAbsForm*>(p)) p = p->parentWidget();
    if (p == form) own.push_back(m);
  }
  return own;
}

}  // namespace

void TAbsForm::DoFormSwitchEnter() {
  auto trace = AbsTrace(kTraceForm, this, "DoFormSwitchEnter");
  for (TAbsFormManager* m : OwnManagers(this)) {
    if (auto* inner = qobject_cast<TAbsForm*>(m->GetActiveForm())) inner->DoFormSwitchEnter();
  }
}

void TAbsForm::DoFormSwitchExit() {
  auto trace = AbsTrace(kTraceForm, this, "DoFormSwitchExit");
  for (TAbsFormManager* m : OwnManagers(this)) {
    if (auto* inner = qobject_cast<TAbsForm*>(m->GetActiveForm())) inner->DoFormSwitchExit();
  }
}

void TAbsForm::AddFormToMgr(TAbsFormManager* FormMgr, std::int32_t Id, const QString& TabStr,
                            std::int32_t FormType, bool TabAtEnd) {
  auto trace = AbsTrace(kTraceForm, this, "AddFormToMgr");
  AbsFormHelper1->SetDataID(Id);
  AbsFormHelper1->SetFormStr(TabStr);
  if (!FormMgr) return;
  // A failed add has freed this window; touch nothing further.
  if (!FormMgr->Add(this, FormType, true, TabAtEnd)) return;
  FormMgr->setTabText(FormMgr->currentIndex(), TabStr);
  FormMgr->raise();
}

void TAbsForm::FormActivate(QObject*) {}
void TAbsForm::FormDeactivate(QObject*) {}
void TAbsForm::FormClose(QObject*, TCloseAction&) {}
void TAbsForm::FormCreate(QObject*) {}

void TAbsForm::RunCreate() {
  if (created_) return;
  created_ = true;
  FormCreate(this);
}

void TAbsForm::setVisible(bool visible) {
  if (!visible || isVisible()) {
    QDialog::setVisible(visible);
    return;
  }
  RunCreate();
  const bool centre = !centred_ && isWindow();
  centred_ = true;
  auto centre_on_screen = [this] {
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    QRect frame = frameGeometry();
    frame.moveCenter(s->geometry().center());
    move(frame.topLeft());
  };
  if (centre) centre_on_screen();
  const QPoint placed = pos();
  QDialog::setVisible(true);
  // The frame is known only once the window is on screen; centre again unless a show
  // handler has moved the window meanwhile.
  if (centre && pos() == placed) centre_on_screen();
}

void TAbsForm::reject() { done(result() != mrNone ? result() : mrCancel); }

bool TAbsForm::event(QEvent* e) {
  // A hosted window is activated by its manager, not by the window system.
  if (isWindow()) {
    if (e->type() == QEvent::WindowActivate) FormActivate(this);
    if (e->type() == QEvent::WindowDeactivate) FormDeactivate(this);
  }
  return QDialog::event(e);
}

void TAbsForm::closeEvent(QCloseEvent* e) {
  TCloseAction action = TCloseAction::caHide;
  FormClose(this, action);
  switch (action) {
    case TCloseAction::caNone:
      e->ignore();
      return;
    case TCloseAction::caMinimize:
      e->ignore();
      showMinimized();
      return;
    case TCloseAction::caFree:
      deleteLater();
      break;
    case TCloseAction::caHide:
      break;
  }
  // Ends a modal run through reject(), which keeps a modal result already set.
  QDialog::closeEvent(e);
}

void TAbsForm::contextMenuEvent(QContextMenuEvent* e) {
  FormMenuPopup->popup(e->globalPos());
  e->accept();
}

void TAbsForm::keyPressEvent(QKeyEvent* e) {
  // Escape does not close a window unless the window itself says so.
  if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    e->ignore();
    return;
  }
  QDialog::keyPressEvent(e);
}

}  // namespace qorva
