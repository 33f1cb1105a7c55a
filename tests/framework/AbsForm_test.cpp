#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "AbsFormUnit.h"
#include "AbsLogger.h"
#include "w_dialog.h"

namespace qorva {
namespace {

// Sends a right-click to `target` the way the window system does, so it propagates to the
// window when the control has no menu of its own.
void RightClick(QWidget* target) {
  QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(target, &e);
}

TEST(AbsFormTest, ContextMenuHasThreeCommandsAndOpensOverChildControls) {
  TAbsForm form;
  auto* layout = new QVBoxLayout(&form);
  auto* label = new QLabel("value", &form);
  auto* table = new QTableView(&form);
  layout->addWidget(label);
  layout->addWidget(table);
  form.show();

  const auto actions = form.FormMenuPopup->actions();
  ASSERT_EQ(actions.size(), 3);
  EXPECT_EQ(actions[0], form.PrintForm1);
  EXPECT_EQ(actions[1], form.Close1);
  EXPECT_EQ(actions[2], form.DisplayName1);
  EXPECT_EQ(actions[0]->text(), "Print Active Form");
  EXPECT_EQ(actions[1]->text(), "Close Active");
  EXPECT_EQ(actions[2]->text(), "Display Name");
  for (QAction* a : actions) {
    EXPECT_TRUE(a->isEnabled() && a->isVisible());
    EXPECT_TRUE(a->shortcut().isEmpty());
  }

  for (QWidget* target :
       {static_cast<QWidget*>(&form), static_cast<QWidget*>(label), table->viewport()}) {
    RightClick(target);
    EXPECT_TRUE(form.FormMenuPopup->isVisible()) << target->metaObject()->className();
    form.FormMenuPopup->hide();
  }
}

TEST(AbsFormTest, DisplayNameDoesNothing) {
  RecordingMessageHelper messages;
  TAbsForm form;
  form.show();
  form.DisplayName1->trigger();
  QApplication::processEvents();
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(messages.entries().empty());
}

TEST(AbsFormTest, CloseActiveEndsModalRunWithCancel) {
  TAbsForm owner;
  owner.show();
  TAbsForm form(&owner);
  QTimer::singleShot(0, &form, [&] { form.Close1->trigger(); });
  EXPECT_EQ(form.exec(), mrCancel);
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(owner.isVisible());
}

TEST(AbsFormTest, ModalResultSetBeforeClosingIsKept) {
  TAbsForm form;
  QTimer::singleShot(0, &form, [&] {
    form.setResult(mrOk);
    form.close();
  });
  EXPECT_EQ(form.exec(), mrOk);
}

TEST(AbsFormTest, EscapeDoesNotCloseTheWindow) {
  TAbsForm form;
  form.show();
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&form, &esc);
  EXPECT_TRUE(form.isVisible());
}

TEST(AbsFormTest, CloseActiveOnTheLastWindowEndsTheApplication) {
  TAbsForm form;
  form.show();
  bool timed_out = false;
  QTimer::singleShot(0, &form, [&] { form.Close1->trigger(); });
  QTimer::singleShot(5000, qApp, [&] {
    timed_out = true;
    QApplication::quit();
  });
  QApplication::exec();
  EXPECT_FALSE(timed_out);
  EXPECT_FALSE(form.isVisible());
}

TEST(AbsFormTest, WindowDefaults) {
  TAbsForm form;
  EXPECT_EQ(form.objectName(), "AbsForm");
  EXPECT_EQ(form.windowTitle(), "AbsForm");
  EXPECT_EQ(form.size(), QSize(792, 621));
  EXPECT_EQ(form.palette().color(QPalette::Window), form.palette().color(QPalette::Button));
  EXPECT_EQ(form.font().pointSize(), 8);
  EXPECT_EQ(form.font().families().value(0), "MS Sans Serif");

  form.show();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_LE((form.frameGeometry().center() - screen.center()).manhattanLength(), 1);
}

TEST(AbsFormTest, HelperOfAFreeStandingWindow) {
  TAbsForm owner;
  TAbsForm form(&owner);
  const TAbsFormHelper* h = form.AbsFormHelper1;
  EXPECT_EQ(h->parent(), &form);
  EXPECT_EQ(h->Form(), &form);
  EXPECT_EQ(h->FormType(), 0);
  EXPECT_EQ(h->DataID(), 0);
  EXPECT_TRUE(h->FormStr().isEmpty());
  EXPECT_EQ(h->FormManager(), nullptr);
  EXPECT_EQ(h->ParentFormManager(), nullptr);
}

TEST(AbsFormTest, HandleBroadcastPassesItsArgumentsToOnBroadcast) {
  TAbsForm form;
  TAbsFormHelper* h = form.AbsFormHelper1;
  h->HandleBroadcast(&form, 1, 2, 3);  // nothing assigned: nothing happens
  std::vector<int> got;
  QObject* sender = nullptr;
  h->SetOnBroadcast([&](QObject* s, QWidget* f, int t, int m, int d) {
    sender = s;
    got = {f == &form, t, m, d};
  });
  h->HandleBroadcast(&form, 7, 8, 9);
  EXPECT_EQ(sender, h);
  EXPECT_EQ(got, (std::vector<int>{1, 7, 8, 9}));
}

class CreateCounter : public TAbsForm {
 public:
  int creates = 0;
  void FormCreate(QObject* Sender) override {
    EXPECT_EQ(Sender, this);
    ++creates;
  }
};

TEST(AbsFormTest, CreateHandlerRunsOnceAfterConstruction) {
  CreateCounter shown, idle;
  EXPECT_EQ(shown.creates, 0);
  shown.show();
  EXPECT_EQ(shown.creates, 1);
  QApplication::processEvents();
  EXPECT_EQ(shown.creates, 1);
  EXPECT_EQ(idle.creates, 1);
}

TEST(AbsLoggerTest, StaysInert) {
  ASSERT_NE(AbsLog, nullptr);
  AbsLog->SetActive(true);
  EXPECT_FALSE(AbsLog->Active());
  TAbsLogger own;
  EXPECT_EQ(own.TraceMethod(14, &own, "PrintForm1Click"), nullptr);
  EXPECT_EQ(own.TraceMethod(100, "LoadForm"), nullptr);
  EXPECT_EQ(own.TraceMethod(100), nullptr);
  own.EnterMethod("Category", "Name");
  own.SendFmtMsg(1, "Category", "%d", {42});
  EXPECT_FALSE(own.Active());
}

}  // namespace
}  // namespace qorva
