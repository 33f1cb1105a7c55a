#include "AbsFormManager.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QTabBar>
#include <QVBoxLayout>
#include <stdexcept>
#include <string>
#include <vector>

#include "AbsFormUnit.h"

namespace qorva {
namespace {

using Log = std::vector<std::string>;

// A window that notes what the manager tells it.
class Probe : public TAbsForm {
 public:
  Probe(const char* name, Log& log) : name_(name), log_(log) {
    setWindowTitle(name);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit1 = new QLineEdit(this));
    layout->addWidget(edit2 = new QLineEdit(this));
  }
  void FormActivate(QObject*) override { Note("activate"); }
  void FormDeactivate(QObject*) override { Note("deactivate"); }
  void DoFormSwitchEnter() override {
    Note("enter");
    TAbsForm::DoFormSwitchEnter();
  }
  void DoFormSwitchExit() override {
    Note("exit");
    TAbsForm::DoFormSwitchExit();
  }
  QLineEdit* edit1;
  QLineEdit* edit2;

 private:
  void Note(const char* what) { log_.push_back(name_ + "." + what); }
  std::string name_;
  Log& log_;
};

// The window that holds the manager, with a control of its own outside it.
class ManagerTest : public testing::Test {
 protected:
  ManagerTest() {
    auto* layout = new QVBoxLayout(&host);
    layout->addWidget(outside = new QLineEdit(&host));
    layout->addWidget(mgr = new TAbsFormManager(&host));
    host.show();
    QApplication::setActiveWindow(&host);
  }
  Probe* Host(const char* name, bool at_end = fm_TabAtEnd, int type = 0) {
    auto* p = new Probe(name, log);
    p->AddFormToMgr(mgr, 40 + mgr->count(), QString("Tab ") + name, type, at_end);
    return p;
  }
  std::vector<QString> Tabs() const {
    std::vector<QString> t;
    for (int i = 0; i < mgr->count(); ++i) t.push_back(mgr->tabText(i));
    return t;
  }
  QString Current() const {
    return mgr->GetActiveForm() ? mgr->GetActiveForm()->windowTitle() : "";
  }

  Log log;
  TAbsForm host;
  QLineEdit* outside;
  TAbsFormManager* mgr;
};

TEST_F(ManagerTest, HostsWindowsAsPages) {
  EXPECT_FALSE(mgr->isVisibleTo(&host));
  EXPECT_TRUE(mgr->isMovable());
  EXPECT_EQ(mgr->focusPolicy(), Qt::NoFocus);

  Probe* a = Host("A", fm_TabAtEnd, 5);
  Probe* b = Host("B");
  Probe* c = Host("C", fm_TabAtBeginning);
  EXPECT_TRUE(mgr->isVisibleTo(&host));
  EXPECT_EQ(Tabs(), (std::vector<QString>{"Tab C", "Tab A", "Tab B"}));
  EXPECT_EQ(mgr->GetActiveForm(), c);
  // Inserting hides the old page's window and shows the new one, once each.
  EXPECT_EQ(log, (Log{"A.activate", "A.deactivate", "B.activate", "B.deactivate", "C.activate"}));

  EXPECT_FALSE(a->isWindow());
  EXPECT_EQ(a->parentWidget(), mgr->GetMgrPage(1));
  EXPECT_EQ(mgr->GetMgrPage(1)->FormType(), 5);
  const TAbsFormHelper* h = a->AbsFormHelper1;
  EXPECT_EQ(h->Form(), a);
  EXPECT_EQ(h->FormManager(), mgr);
  EXPECT_EQ(h->ParentFormManager(), nullptr);
  EXPECT_EQ(h->FormType(), 5);
  EXPECT_EQ(h->DataID(), 40);
  EXPECT_EQ(h->FormStr(), "Tab A");
  EXPECT_EQ(b->AbsFormHelper1->DataID(), 41);

  // A window built straight onto a page takes over the page's type and manager.
  TAbsForm built_on_page(mgr->GetMgrPage(1));
  EXPECT_EQ(built_on_page.AbsFormHelper1->FormType(), 5);
  EXPECT_EQ(built_on_page.AbsFormHelper1->FormManager(), mgr);
}

TEST_F(ManagerTest, GetMgrPageRejectsOtherPagesAndBadIndexes) {
  Host("A");
  mgr->addTab(new QWidget, "plain");
  EXPECT_NE(mgr->GetMgrPage(0), nullptr);
  EXPECT_EQ(mgr->GetMgrPage(1), nullptr);
  EXPECT_EQ(mgr->GetMgrPage(7), nullptr);
  EXPECT_EQ(mgr->GetMgrPage(-1), nullptr);
}

TEST_F(ManagerTest, SwitchingPagesTellsBothWindowsInOrder) {
  Host("A");
  Host("B");
  log.clear();
  mgr->MakePageIndexActive(0);
  EXPECT_EQ(log, (Log{"B.exit", "A.enter", "B.deactivate", "A.activate"}));
  log.clear();
  mgr->tabBar()->setCurrentIndex(1);  // as a click on the tab does
  EXPECT_EQ(log, (Log{"A.exit", "B.enter", "A.deactivate", "B.activate"}));
  log.clear();
  mgr->MakePageIndexActive(1);  // already current
  mgr->MakePageIndexActive(9);  // no such page
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(Current(), "B");
}

TEST_F(ManagerTest, FocusComesBackToThePage) {
  Probe* a = Host("A");
  a->edit2->setFocus();
  Probe* b = Host("B");
  b->edit1->setFocus();
  outside->setFocus();  // focus leaves the manager while B is current
  mgr->MakePageIndexActive(0);
  EXPECT_EQ(QApplication::focusWidget(), a->edit2);
  EXPECT_EQ(mgr->GetMgrPage(1)->ActiveControl(), b->edit1);
}

TEST_F(ManagerTest, CloseCurrentMessage) {
  struct Case {
    const char* name;
    int current, close;
    std::vector<QString> tabs;
    QString now_current;
  };
  const Case cases[] = {
      // Closing moves to the neighbour, then ShowNext moves on by one.
      {"current page", 1, 1, {"Tab A", "Tab C"}, "A"},
      {"page before the current one", 2, 0, {"Tab B", "Tab C"}, "C"},
      {"page after the current one", 0, 2, {"Tab A", "Tab B"}, "A"},
      {"no such page", 0, 5, {"Tab A", "Tab B", "Tab C"}, "A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    while (mgr->count()) mgr->Close();
    QPointer<Probe> closed;
    for (const char* n : {"A", "B", "C"}) {
      Probe* p = Host(n);
      if (mgr->count() - 1 == c.close) closed = p;
    }
    mgr->MakePageIndexActive(c.current);
    TCloseCurrentEvent msg(c.close);
    QApplication::sendEvent(mgr, &msg);
    EXPECT_EQ(msg.Result, 1);
    EXPECT_EQ(Tabs(), c.tabs);
    EXPECT_EQ(Current(), c.now_current);
    if (c.close < 3) {
      EXPECT_TRUE(closed.isNull());
    }
  }
}

TEST_F(ManagerTest, PostedCloseOfTheLastPageHidesTheManager) {
  QPointer<Probe> a = Host("A");
  log.clear();
  mgr->PostCloseCurrent(0);
  QApplication::processEvents();
  EXPECT_EQ(mgr->count(), 0);
  EXPECT_TRUE(a.isNull());
  EXPECT_FALSE(mgr->isVisibleTo(&host));
  EXPECT_EQ(log, Log{"A.deactivate"});
}

TEST_F(ManagerTest, NestedManagerHearsOfItsPageChanges) {
  Probe* a = Host("A");
  auto* inner = new TAbsFormManager(a);
  a->layout()->addWidget(inner);
  auto* x = new Probe("X", log);
  x->AddFormToMgr(inner, 1, "Tab X", 0, fm_TabAtEnd);
  EXPECT_EQ(x->AbsFormHelper1->FormManager(), inner);
  EXPECT_EQ(x->AbsFormHelper1->ParentFormManager(), mgr);
  Host("B");
  log.clear();
  mgr->MakePageIndexActive(0);
  EXPECT_EQ(log, (Log{"B.exit", "A.enter", "X.enter", "B.deactivate", "A.activate"}));
  log.clear();
  mgr->MakePageIndexActive(1);
  EXPECT_EQ(log, (Log{"A.exit", "X.exit", "B.enter", "A.deactivate", "B.activate"}));
}

class FailingProbe : public Probe {
 public:
  using Probe::Probe;
  void FormActivate(QObject*) override { throw std::runtime_error("cannot show"); }
};

TEST_F(ManagerTest, FailedInsertLeavesNoTab) {
  Host("A");
  QPointer<FailingProbe> bad = new FailingProbe("Bad", log);
  EXPECT_FALSE(mgr->Add(bad, 0, true, fm_TabAtEnd));
  EXPECT_TRUE(bad.isNull());
  EXPECT_EQ(Tabs(), std::vector<QString>{"Tab A"});
  EXPECT_EQ(Current(), "A");

  while (mgr->count()) mgr->Close();
  QPointer<FailingProbe> bad2 = new FailingProbe("Bad", log);
  bad2->AddFormToMgr(mgr, 1, "Tab Bad", 0, fm_TabAtEnd);
  EXPECT_EQ(mgr->count(), 0);
  EXPECT_FALSE(mgr->isVisibleTo(&host));
}

TEST_F(ManagerTest, MenusMergeWhilePageIsCurrent) {
  auto* bar = new QMenuBar(&host);
  host.layout()->setMenuBar(bar);
  QAction* file = bar->addMenu("File")->menuAction();
  mgr->SetMergeMenus(true);
  auto menu_of = [&](Probe* p, const char* title) {
    auto* own = new QMenuBar(p);
    p->layout()->setMenuBar(own);
    return own->addMenu(title)->menuAction();
  };
  auto* a = new Probe("A", log);
  QAction* edit = menu_of(a, "Edit");
  a->AddFormToMgr(mgr, 1, "Tab A", 0, fm_TabAtEnd);
  EXPECT_EQ(bar->actions(), (QList<QAction*>{file, edit}));

  auto* b = new Probe("B", log);
  QAction* view = menu_of(b, "View");
  b->AddFormToMgr(mgr, 2, "Tab B", 0, fm_TabAtEnd);
  EXPECT_EQ(bar->actions(), (QList<QAction*>{file, view}));

  mgr->MakePageIndexActive(0);
  EXPECT_EQ(bar->actions(), (QList<QAction*>{file, edit}));
  mgr->Close();
  EXPECT_EQ(bar->actions(), (QList<QAction*>{file, view}));
  mgr->Close();
  EXPECT_EQ(bar->actions(), QList<QAction*>{file});
}

}  // namespace
}  // namespace qorva
