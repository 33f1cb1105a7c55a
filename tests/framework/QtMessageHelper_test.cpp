#include "QtMessageHelper.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "AbsFormUnit.h"

namespace qorva {
namespace {

struct SeenBox {
  QString title, text, detailed;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QWidget* owner = nullptr;
  QList<QMessageBox::StandardButton> buttons;
};

// Waits for the next message box, notes what it shows and presses `press`.
void AnswerNextBox(SeenBox& seen, QMessageBox::StandardButton press) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, &seen, press] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    timer->stop();
    timer->deleteLater();
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.detailed = box->detailedText();
    seen.icon = box->icon();
    seen.owner = box->parentWidget();
    for (QAbstractButton* b : box->buttons()) seen.buttons << box->standardButton(b);
    box->button(press)->click();
  });
  timer->start();
}

TEST(QtMessageHelperTest, BoxKindsAndCaptions) {
  struct Case {
    MessageKind kind;
    QString title;
    QMessageBox::Icon icon;
  };
  const Case cases[] = {
      {MessageKind::Plain, QGuiApplication::applicationDisplayName(), QMessageBox::NoIcon},
      {MessageKind::Warning, "Warning", QMessageBox::Warning},
      {MessageKind::Information, "Information", QMessageBox::Information},
  };
  QtMessageHelper helper;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title.toStdString());
    SeenBox seen;
    AnswerNextBox(seen, QMessageBox::Ok);
    helper.Show(c.kind, "Error in line 3.\r\rEmpty <b>Owner</b>.");
    EXPECT_EQ(seen.title, c.title);
    EXPECT_EQ(seen.icon, c.icon);
    EXPECT_EQ(seen.text, "Error in line 3.\n\nEmpty <b>Owner</b>.");
    EXPECT_EQ(seen.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
  }
}

// The detail goes into the box's detailed text; its own text stays as given.
TEST(QtMessageHelperTest, DetailIsTheBoxsDetailedText) {
  QtMessageHelper helper;
  SeenBox seen;
  AnswerNextBox(seen, QMessageBox::Ok);
  IMessageHelper* previous = SetMessages(&helper);
  ShowWarning("Error in line 2.\r\rInvalid number in CashAmount.\r\rCannot load file.",
              "CashAmount: columns 365-374 hold \"12,345.00 \".\rHint: a tab in column 3.");
  SetMessages(previous);
  EXPECT_EQ(seen.text, "Error in line 2.\n\nInvalid number in CashAmount.\n\nCannot load file.");
  EXPECT_EQ(seen.detailed,
            "CashAmount: columns 365-374 hold \"12,345.00 \".\nHint: a tab in column 3.");
  EXPECT_EQ(seen.title, "Warning");
}

TEST(QtMessageHelperTest, YesNoQuestion) {
  QtMessageHelper helper;
  for (auto [press, want] :
       {std::pair{QMessageBox::Yes, true}, std::pair{QMessageBox::No, false}}) {
    SeenBox seen;
    AnswerNextBox(seen, press);
    EXPECT_EQ(helper.AskYesNo("Proceed anyway?"), want);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.text, "Proceed anyway?");
    EXPECT_EQ(seen.buttons.size(), 2);
  }
}

TEST(QtMessageHelperTest, BoxIsOwnedByTheModalWindowElseTheMainWindow) {
  QtMessageHelper helper;
  TAbsForm main_window;
  helper.SetMainWindow(&main_window);
  EXPECT_EQ(helper.OwnerWindow(), &main_window);

  TAbsForm detail(&main_window);
  SeenBox seen;
  QTimer::singleShot(0, &detail, [&] {
    AnswerNextBox(seen, QMessageBox::Ok);
    helper.Show(MessageKind::Warning, "inside");
    detail.done(mrOk);
  });
  detail.exec();
  EXPECT_EQ(seen.owner, &detail);
}

TEST(QtMessageHelperTest, TextThatIsNotUtf8IsShownAsLatin1) {
  EXPECT_EQ(QtMessageHelper::DisplayText("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
  EXPECT_EQ(QtMessageHelper::DisplayText("caf\xe9\r"), QString::fromLatin1("caf\xe9\n"));
}

}  // namespace
}  // namespace qorva
