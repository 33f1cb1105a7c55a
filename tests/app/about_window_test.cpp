#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "FormPlacement.h"
#include "HelpWindow.h"
#include "clock.h"
#include "fAboutQORVAEnc.h"
#include "version.h"
#include "windows_test_support.h"

namespace qorva {
namespace {

using testing::App;
using testing::ModalCloser;

const std::string T = kVersionTablePath;

struct AboutCase {
  const char* name;
  std::map<std::string, std::string> block;
  const char* copyright;
  const char* version;
};

TEST(AboutWindow, ShowsCopyrightAndVersionFromTheVersionBlock) {
  App();
  const AboutCase cases[] = {
      {"product version, not file version",
       {{T + "ProductVersion", "3.1.0.1"}, {T + "FileVersion", "9.9.9.9"}},
       "Copyright",
       "Version 3.1.0.1"},
      {"former company name replaced everywhere",
       {{T + "LegalCopyright", "(c) Tessaly Data Systems; Tessaly Data Systems Ltd"}},
       "(c) Tessaly Data Works; Tessaly Data Works Ltd",
       "Version"},
      {"copyright without the former name unchanged",
       {{T + "LegalCopyright", "Copyright 2020 Someone Else"}},
       "Copyright 2020 Someone Else",
       "Version"},
      {"another language's table is not read",
       {{"StringFileInfo\\040704B0\\ProductVersion", "3.1.0.1"},
        {"StringFileInfo\\040704B0\\LegalCopyright", "(c) Tessaly Data Systems"}},
       "Copyright",
       "Version"},
      {"another code page's table is not read",
       {{"StringFileInfo\\040904B0\\ProductVersion", "3.1.0.1"}},
       "Copyright",
       "Version"},
  };
  for (const AboutCase& c : cases) {
    SCOPED_TRACE(c.name);
    TVersionBlock block(c.block);
    TfmAboutQORVAENC w;
    w.VersionBlock = &block;
    w.show();
    EXPECT_EQ(w.lblCopyright->text().toStdString(), c.copyright);
    EXPECT_EQ(w.lblVersion->text().toStdString(), c.version);
    EXPECT_EQ(w.lblAbout->text(), "Build: Wednesday, November 14, 2023 Release Branch");
  }
}

TEST(AboutWindow, ProgramBlockAndMissingBlock) {
  App();
  {
    TfmAboutQORVAENC w;
    w.show();
    EXPECT_EQ(w.lblVersion->text(), QString("Version ") + QORVA_VERSION);
    EXPECT_EQ(w.lblCopyright->text(), QORVA_COPYRIGHT);
  }
  {
    ScopedClock clock(*EncodeDate(2031, 12, 31) + 0.99);
    TVersionBlock none;
    TfmAboutQORVAENC w;
    w.VersionBlock = &none;
    w.show();
    EXPECT_EQ(w.lblVersion->text(), "Version Info. Missing");
    EXPECT_EQ(w.lblCopyright->text(), "Copyright (c) 2031 Tessaly Data Works");
  }
}

TEST(AboutWindow, LayoutAndLook) {
  App();
  TfmAboutQORVAENC w;
  w.show();
  EXPECT_EQ(w.windowTitle(), "About...");
  EXPECT_EQ(w.size(), QSize(501, 381));
  EXPECT_EQ(w.minimumSize(), w.maximumSize());  // not resizable
  EXPECT_FALSE(w.windowIcon().isNull());
  EXPECT_EQ(w.Image1->geometry(), QRect(24, 48, 147, 37));
  EXPECT_FALSE(w.Image1->pixmap().isNull());
  EXPECT_EQ(w.Label2->text(), "QORVA File Encryption Utility");
  struct {
    QLabel* label;
    QPoint at;
    int px;
  } labels[] = {{w.Label2, {97, 216}, 24},
                {w.lblCopyright, {98, 242}, 16},
                {w.lblVersion, {98, 281}, 16},
                {w.lblAbout, {98, 305}, 16}};
  for (auto& l : labels) {
    SCOPED_TRACE(l.label->objectName().toStdString());
    EXPECT_EQ(l.label->pos(), l.at);
    EXPECT_EQ(l.label->font().pixelSize(), l.px);
    EXPECT_EQ(l.label->palette().color(QPalette::WindowText), QColor(0, 0, 160));
    // The whole text fits in the label.
    EXPECT_GE(l.label->width(), l.label->fontMetrics().horizontalAdvance(l.label->text()));
  }
  EXPECT_EQ(w.BitBtn1->text(), "&Ok");
  EXPECT_EQ(w.BitBtn1->geometry(), QRect(381, 336, 75, 25));
}

TEST(AboutWindow, EscAndOkCloseTheModalWindowButF1OpensNoHelp) {
  App();
  int help = 0;
  SetInvokeHelpForTesting([&] { ++help; });
  for (const char* how : {"Esc", "Ok", "F1 then Esc"}) {
    SCOPED_TRACE(how);
    TfmAboutQORVAENC w;
    bool stillOpenAfterF1 = false;
    QTimer::singleShot(0, &w, [&] {
      if (std::string(how) == "Ok") {
        w.BitBtn1->click();
        return;
      }
      if (std::string(how) == "F1 then Esc") {
        QTest::keyClick(w.focusWidget() ? w.focusWidget() : &w, Qt::Key_F1);
        stillOpenAfterF1 = w.isVisible();
      }
      QTest::keyClick(w.focusWidget() ? w.focusWidget() : &w, Qt::Key_Escape);
    });
    ModalCloser fallback;  // a window that ignored the key would block the test
    w.exec();
    EXPECT_EQ(fallback.opened(), 0);
    if (std::string(how) == "F1 then Esc") {
      EXPECT_TRUE(stillOpenAfterF1);
    }
  }
  EXPECT_EQ(help, 0);
  SetInvokeHelpForTesting({});
}

TEST(DetailWindows, CentreOverOwnerTruncatesTowardZero) {
  App();
  QWidget owner, form;
  owner.setGeometry(100, 200, 101, 51);
  struct {
    QSize own;
    QPoint expected;
  } cases[] = {
      {{50, 20}, {100 + 25, 200 + 15}},   // (101-50)/2 = 25, (51-20)/2 = 15
      {{152, 90}, {100 - 25, 200 - 19}},  // -51/2 = -25 and -39/2 = -19, not -26 / -20
  };
  for (auto& c : cases) {
    form.resize(c.own);
    CentreOver(&form, &owner);
    EXPECT_EQ(form.pos(), c.expected);
  }
}

}  // namespace
}  // namespace qorva
