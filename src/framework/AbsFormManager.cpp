#include "AbsFormManager.h"

#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QTabBar>
#include <QVBoxLayout>
#include <exception>

#include "AbsFormUnit.h"
#include "AbsLogger.h"

namespace qorva {
namespace {

// The nearest window, or hosted TAbsForm, that contains w (w itself excluded).
QWidget* ParentForm(const QWidget* w) {
  for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
    if (qobject_cast<TAbsForm*>(p) || p->isWindow()) return p;
  }
  return nullptr;
}

TAbsFormManager* EnclosingManager(const QWidget* w) {
  for (QWidget* p = w ? w->parentWidget() : nullptr; p; p = p->parentWidget()) {
    if (auto* m = dynamic_cast<TAbsFormManager*>(p)) return m;
  }
  return nullptr;
}

// Gives the focus to the window's last focused control, else its first control in tab
// order, else the window itself.
void FocusForm(QWidget* form) {
  if (QWidget* f = form->focusWidget(); f && f != form && form->isAncestorOf(f)) {
    f->setFocus();
    return;
  }
  for (QWidget* w = form->nextInFocusChain(); w && w != form; w = w->nextInFocusChain()) {
    if (form->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
        w->isVisibleTo(form)) {
      w->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
  form->setFocus();
}

// On the tab bar only, so that the hosted windows keep their own look.
const char* const kTabStyle =
    "QTabBar::tab { border: 1px solid #A6CAF0; padding: 2px 8px; }"
    "QTabBar::tab:!selected { background: #006699; color: #FFFFFF; }"
    "QTabBar::tab:selected { border-top: 2px solid #006699; }";

}  // namespace

QMenuBar* MainMenuOf(QWidget* form) {
  if (!form) return nullptr;
  if (auto* mw = qobject_cast<QMainWindow*>(form)) return qobject_cast<QMenuBar*>(mw->menuWidget());
  if (form->layout()) {
    if (auto* bar = qobject_cast<QMenuBar*>(form->layout()->menuBar())) return bar;
  }
  return form->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
}

void LoadForm(QWidget* aForm, QWidget* aParent) {
  auto trace = AbsTrace(kTraceFramework, "LoadForm");
  aForm->setParent(aParent, Qt::Widget);
  if (!aParent->layout()) {
    auto* fill = new QVBoxLayout(aParent);
    fill->setContentsMargins(0, 0, 0, 0);
  }
  aParent->layout()->addWidget(aForm);
  aParent->setUpdatesEnabled(false);
  aForm->show();
  aParent->setUpdatesEnabled(true);
}

// ---- TAbsFormPage ------------------------------------------------------------------------

TAbsFormPage::TAbsFormPage(TAbsFormManager* AOwner) : QWidget(AOwner), FManager(AOwner) {}

QWidget* TAbsFormPage::GetForm() const {
  auto trace = AbsTrace(kTraceFramework, this, "GetForm");
  for (QObject* o : children()) {
    if (auto* w = qobject_cast<QWidget*>(o)) return w;
  }
  return nullptr;
}

// ---- TAbsFormManager ---------------------------------------------------------------------

TAbsFormManager::TAbsFormManager(QWidget* AOwner) : QTabWidget(AOwner) {
  auto trace = AbsTrace(kTraceFramework, this, "Create");
  setVisible(false);
  setFocusPolicy(Qt::NoFocus);
  tabBar()->setFocusPolicy(Qt::NoFocus);
  setMovable(true);
  tabBar()->setStyleSheet(QString::fromLatin1(kTabStyle));
  connect(this, &QTabWidget::currentChanged, this, &TAbsFormManager::CurrentTabChanged);
}

TAbsFormManager::~TAbsFormManager() {
  // The tab widget removes its pages after this part of the object is gone.
  disconnect(this, &QTabWidget::currentChanged, this, nullptr);
}

TAbsFormPage* TAbsFormManager::PageAtIndex(int index) const {
  return dynamic_cast<TAbsFormPage*>(widget(index));
}

void TAbsFormManager::SetCurrentQuietly(QWidget* page) {
  ++FQuiet;
  if (page) setCurrentWidget(page);
  FCurrent = dynamic_cast<TAbsFormPage*>(currentWidget());
  --FQuiet;
}

bool TAbsFormManager::Add(QWidget* AForm, std::int32_t AFormType, bool ATabVisible,
                          bool AddTabAtEnd) {
  auto trace = AbsTrace(kTraceFramework, this, "Add");
  return Insert(AddTabAtEnd ? count() : 0, AForm, AFormType, ATabVisible);
}

bool TAbsFormManager::Insert(int AIndex, QWidget* Aform, std::int32_t AFormType, bool ATabVisible) {
  auto trace = AbsTrace(kTraceFramework, this, "Insert");
  if (!Aform) return false;
  Aform->hide();
  setVisible(true);
  TAbsFormPage* page = nullptr;
  try {
    if (FCurrent) DoFormHide();
    page = new TAbsFormPage(this);
    page->SetFormType(AFormType);
    ++FQuiet;
    const int at = insertTab(AIndex, page, Aform->windowTitle());
    setTabVisible(at, ATabVisible);
    --FQuiet;
    LoadForm(Aform, page);
    BindManagerAndHelper(Aform, AFormType);
    // Making the page current here stands in for the change notifications: the steps
    // around it hide the old window and show the new one once each.
    SetCurrentQuietly(page);
    FocusForm(Aform);
    page->FInserted = true;
    DoFormShow();
    return true;
  } catch (...) {
    if (page) {
      ++FQuiet;
      delete page;
      FCurrent = dynamic_cast<TAbsFormPage*>(currentWidget());
      --FQuiet;
    }
    setVisible(count() > 0);
    return false;
  }
}

void TAbsFormManager::Close() {
  auto trace = AbsTrace(kTraceFramework, this, "Close");
  if (TAbsFormPage* page = FCurrent) {
    DoFormHide();
    ++FQuiet;
    delete page;
    --FQuiet;
    SetCurrentQuietly(nullptr);
    if (FCurrent) DoFormShow();
  }
  setVisible(count() > 0);
}

void TAbsFormManager::ShowNext() {
  auto trace = AbsTrace(kTraceFramework, this, "ShowNext");
  const int n = count();
  const int from = currentIndex();
  for (int step = 1; step <= n; ++step) {
    const int i = ((from < 0 ? -1 : from) + step) % n;
    if (isTabVisible(i)) {
      setCurrentIndex(i);
      break;
    }
  }
  if (TAbsFormPage* page = PageAtIndex(currentIndex())) {
    if (QWidget* form = page->GetForm()) {
      form->show();
      FocusForm(form);
    }
  }
}

QWidget* TAbsFormManager::GetActiveForm() const {
  auto trace = AbsTrace(kTraceFramework, this, "GetActiveForm");
  auto* page = PageAtIndex(currentIndex());
  return page ? page->GetForm() : nullptr;
}

TAbsFormPage* TAbsFormManager::GetMgrPage(int Index) const {
  auto trace = AbsTrace(kTraceFramework, this, "GetMgrPage");
  return PageAtIndex(Index);
}

void TAbsFormManager::MakePageIndexActive(int Index) {
  auto trace = AbsTrace(kTraceFramework, this, "MakePageIndexActive");
  if (Index >= 0 && Index < count() && Index != currentIndex()) setCurrentIndex(Index);
}

void TAbsFormManager::BindManagerAndHelper(QWidget* AForm, std::int32_t AFormType) {
  auto trace = AbsTrace(kTraceFramework, this, "BindManagerAndHelper");
  TAbsFormManager* outer = EnclosingManager(this);
  for (QObject* o : AForm->children()) {
    if (auto* helper = dynamic_cast<TAbsFormHelper*>(o)) {
      helper->SetFormManager(this);
      if (outer) helper->SetParentFormManager(outer);
      helper->SetForm(AForm);
      helper->SetFormType(AFormType);
      return;
    }
  }
}

// QTabWidget reports a change once it has happened; the old page is the one the manager
// last showed, so the switch calls still reach the right windows in the right order.
void TAbsFormManager::CurrentTabChanged(int index) {
  if (FQuiet) return;
  TAbsFormPage* next = PageAtIndex(index);
  if (next == FCurrent) return;
  bool allowed = true;
  Changing(index, allowed);
  if (!allowed) {
    SetCurrentQuietly(FCurrent);
    return;
  }
  FCurrent = next;
  Change();
}

void TAbsFormManager::Changing(int NewIndex, bool& Allowed) {
  auto trace = AbsTrace(kTraceFramework, this, "Changing");
  TAbsFormPage* old_page = FCurrent;
  TAbsFormPage* new_page = PageAtIndex(NewIndex);
  if (old_page && old_page != new_page) {
    auto* old_form = dynamic_cast<TAbsForm*>(old_page->GetForm());
    auto* new_form = new_page ? dynamic_cast<TAbsForm*>(new_page->GetForm()) : nullptr;
    if (old_page->FInserted && old_form) old_form->DoFormSwitchExit();
    if (new_page && new_page->FInserted && new_form) new_form->DoFormSwitchEnter();
  }
  if (Allowed) DoFormHide();
}

void TAbsFormManager::Change() {
  auto trace = AbsTrace(kTraceFramework, this, "Change");
  DoFormShow();
}

void TAbsFormManager::DoFormShow() {
  auto trace = AbsTrace(kTraceFramework, this, "DoFormShow");
  TAbsFormPage* page = FCurrent;
  QWidget* form = page ? page->GetForm() : nullptr;
  if (!form) return;
  if (page->FActiveControl) {
    page->FActiveControl->setFocus();
  } else if (QWidget* f = form->focusWidget(); f && f != form) {
    f->setFocus();
  }
  if (FMergeMenus) {
    QMenuBar* outer = MainMenuOf(ParentForm(this));
    QMenuBar* inner = MainMenuOf(form);
    if (outer && inner && page->FMergedMenus.empty()) {
      for (QAction* a : inner->actions()) {
        if (outer->actions().contains(a)) continue;
        outer->addAction(a);
        page->FMergedMenus.emplace_back(a);
      }
      // The hosted window's own bar would show the same menus twice.
      page->FMenuWasVisible = inner->isVisibleTo(form);
      inner->hide();
    }
  }
  if (auto* abs = qobject_cast<TAbsForm*>(form)) abs->FormActivate(abs);
}

void TAbsFormManager::DoFormHide() {
  auto trace = AbsTrace(kTraceFramework, this, "DoFormHide");
  TAbsFormPage* page = FCurrent;
  QWidget* form = page ? page->GetForm() : nullptr;
  if (!form || !ParentForm(this)) return;
  if (auto* abs = qobject_cast<TAbsForm*>(form)) abs->FormDeactivate(abs);
  // The page may already be hidden, so take the window's own record of its focus.
  QWidget* focused = form->focusWidget();
  if (!focused || focused == form) focused = QApplication::focusWidget();
  if (focused && page->isAncestorOf(focused)) page->FActiveControl = focused;
  if (FMergeMenus && !page->FMergedMenus.empty()) {
    if (QMenuBar* outer = MainMenuOf(ParentForm(this))) {
      for (const QPointer<QAction>& a : page->FMergedMenus) {
        if (a) outer->removeAction(a);
      }
    }
    page->FMergedMenus.clear();
    if (QMenuBar* inner = MainMenuOf(form)) inner->setVisible(page->FMenuWasVisible);
  }
}

int TAbsFormManager::WM_CloseCurrent(int LParam) {
  auto trace = AbsTrace(kTraceFramework, this, "WM_CloseCurrent");
  if (LParam == currentIndex()) {
    Close();
    ShowNext();
  } else if (LParam >= 0 && LParam < count()) {
    // Come back to the page that was current, wherever closing moves it.
    QPointer<QWidget> was_current = currentWidget();
    MakePageIndexActive(LParam);
    Close();
    if (was_current) MakePageIndexActive(indexOf(was_current));
  }
  return 1;
}

void TAbsFormManager::PostCloseCurrent(int index) {
  QCoreApplication::postEvent(this, new TCloseCurrentEvent(index));
}

bool TAbsFormManager::event(QEvent* e) {
  if (e->type() == static_cast<QEvent::Type>(WM_CloseCurrentC)) {
    auto* msg = static_cast<TCloseCurrentEvent*>(e);
    msg->Result = WM_CloseCurrent(msg->LParam);
    return true;
  }
  return QTabWidget::event(e);
}

}  // namespace qorva
