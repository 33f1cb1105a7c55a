#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <set>

#include "Bevel.h"
#include "DBGrid.h"
#include "HelpWindow.h"
#include "ReportsGrid.h"
#include "fAboutQORVAEnc.h"
#include "fEncryptMain.h"
#include "fReportScore.h"
#include "fSummaryInfo.h"
#include "report_fixture.h"
#include "windows_test_support.h"

namespace qorva {
namespace {

// The holder's name starts at its place or, where "Holder:" comes out wider, a gap after it;
// either way it ends where the layout ends it (409 px from its place).
void ExpectGapAfterHolder(const QLabel* label, const QWidget* name, QPoint at) {
  EXPECT_EQ(name->y(), at.y());
  EXPECT_GE(name->x(), at.x());
  EXPECT_GE(name->x(), label->x() + label->sizeHint().width() + 4);
  EXPECT_EQ(name->geometry().right(), at.x() + 409 - 1);
}

using testing::ReportData;
using testing::ReportRow;

struct HelpCounter {
  int calls = 0;
  HelpCounter() {
    SetInvokeHelpForTesting([this] { ++calls; });
  }
  ~HelpCounter() { SetInvokeHelpForTesting({}); }
};

// Runs `form` modally and presses the keys in it from the event loop; returns whether the
// keys ended the modal run (a fallback closes it otherwise).
bool KeysEndModalRun(TAbsForm& form, QWidget* target, std::vector<Qt::Key> keys,
                     bool* openAfterFirst = nullptr) {
  QTimer::singleShot(0, &form, [&] {
    for (size_t i = 0; i < keys.size(); ++i) {
      QTest::keyClick(target, keys[i]);
      if (i == 0 && openAfterFirst) *openAfterFirst = form.isVisible();
    }
  });
  testing::ModalCloser fallback;
  form.exec();
  return fallback.opened() == 0;
}

// ---- summary window ------------------------------------------------------------------------

TEST(SummaryWindow, ShowsTheCurrentReportsTotalsInItsLayout) {
  testing::App();
  ReportData data;
  ReportRow r;
  r.name = "HARBORVIEW MUTUAL   ";
  r.recs = 1207, r.sumRecs = 1207;
  r.props = 1200, r.sumProps = 1200;
  r.cash = "98765.4", r.sumCash = "98765.4";
  r.shares = 1234.5, r.sumShares = 1234.5;
  data.AddAll({ReportRow{}, r});
  data.cdsReports.Next();
  TfmSummaryInfo w(nullptr, &data.dsReports);
  w.show();
  EXPECT_EQ(w.windowTitle(), "Summary Information");
  EXPECT_EQ(w.size(), QSize(495, 322));
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
  EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);

  const struct {
    QWidget* control;
    QPoint at;
    const char* text;
  } texts[] = {
      {w.lblHolderName, {17, 30}, "Holder:"},
      {w.DBTextHolderName, {67, 30}, "HARBORVIEW MUTUAL"},
      {w.lblReported, {241, 80}, "Reported"},
      {w.lblActual, {421, 80}, "Actual"},
      {w.lblRecsInFile, {17, 117}, "Records In File..."},
      {w.dbtextReportedRecs, {165, 117}, "1207"},
      {w.dbtextActualRecs, {325, 117}, "1207"},
      {w.lblPropCount, {17, 149}, "# of Properties..."},
      {w.dbtextReportedProps, {165, 149}, "1,200"},
      {w.dbtextActualProps, {325, 149}, "1,200"},
      {w.lblCash, {17, 180}, "Cash Remittance..."},
      {w.dbTextReportedCash, {165, 180}, "$98,765.40"},
      {w.dbtextActualCash, {325, 180}, "$98,765.40"},
      {w.lblShares, {17, 212}, "Shares Remittance..."},
      {w.dbtextReportedShares, {165, 212}, "1,234.5000"},
      {w.dbTextActualShares, {325, 212}, "1,234.5000"},
  };
  for (auto& t : texts) {
    SCOPED_TRACE(t.control->objectName().toStdString());
    if (t.control != w.DBTextHolderName) {
      EXPECT_EQ(t.control->pos(), t.at);
    }
    EXPECT_EQ(static_cast<QLabel*>(t.control)->text(), t.text);
    if (auto* v = dynamic_cast<TDBText*>(t.control); v && v != w.DBTextHolderName) {
      EXPECT_EQ(v->size(), QSize(133, 17));
      EXPECT_TRUE(v->alignment() & Qt::AlignRight);
    }
  }
  ExpectGapAfterHolder(w.lblHolderName, w.DBTextHolderName, {67, 30});
  EXPECT_TRUE(w.lblReported->font().underline());
  EXPECT_EQ(w.lblHolderName->font().pixelSize(), 15);
  EXPECT_EQ(w.lblCash->font().pixelSize(), 13);

  using S = TBevel::TShape;
  const struct {
    TBevel* bevel;
    QRect box;
    S shape;
  } bevels[] = {
      {w.Bevel8, {144, 97, 9, 139}, S::RightLine},   {w.Bevel1, {303, 96, 9, 139}, S::RightLine},
      {w.Bevel7, {462, 96, 9, 139}, S::RightLine},   {w.Bevel6, {140, 103, 330, 9}, S::BottomLine},
      {w.Bevel2, {140, 134, 330, 9}, S::BottomLine}, {w.Bevel3, {140, 165, 330, 9}, S::BottomLine},
      {w.Bevel5, {140, 196, 330, 9}, S::BottomLine}, {w.Bevel4, {140, 227, 330, 9}, S::BottomLine}};
  QImage img = w.grab().toImage();
  for (auto& b : bevels) {
    SCOPED_TRACE(b.bevel->objectName().toStdString());
    EXPECT_EQ(b.bevel->geometry(), b.box);
    EXPECT_EQ(b.bevel->Shape(), b.shape);
    // The etched line: a shadow line just inside the box's edge.
    QPoint p = b.shape == S::RightLine ? QPoint(b.box.right() - 1, b.box.center().y())
                                       : QPoint(b.box.center().x(), b.box.bottom() - 1);
    EXPECT_EQ(img.pixelColor(p).rgb(), w.palette().color(QPalette::Dark).rgb());
  }
}

TEST(SummaryWindow, OnlyTheDifferingActualTotalsAreRed) {
  testing::App();
  const QColor red(255, 0, 0);
  struct Case {
    const char* name;
    ReportRow row;
    bool recs, props, cash, shares;  // red expected
  };
  auto row = [](auto change) {
    ReportRow r;
    change(r);
    return r;
  };
  const Case cases[] = {
      {"all agree", ReportRow{}, false, false, false, false},
      {"cash differs, properties agree", row([](ReportRow& r) { r.cash = "1234.57"; }), false,
       false, true, false},
      {"cash differs in the fourth decimal",
       row([](ReportRow& r) { r.cash = "10.0001", r.sumCash = "10"; }), false, false, true, false},
      {"shares differ in a distant decimal",
       row([](ReportRow& r) { r.shares = 1234.5, r.sumShares = 1234.5000000001; }), false, false,
       false, true},
      {"records and properties differ", row([](ReportRow& r) { r.recs = 9, r.props = 0; }), true,
       true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReportData data;
    data.AddAll({c.row});
    TfmSummaryInfo w(nullptr, &data.dsReports);
    w.show();
    w.grab();  // paints
    auto isRed = [&](QWidget* l) { return l->palette().color(QPalette::WindowText) == red; };
    EXPECT_EQ(isRed(w.dbtextActualRecs), c.recs);
    EXPECT_EQ(isRed(w.dbtextActualProps), c.props);
    EXPECT_EQ(isRed(w.dbtextActualCash), c.cash);
    EXPECT_EQ(isRed(w.dbTextActualShares), c.shares);
    for (QWidget* reported :
         {static_cast<QWidget*>(w.dbtextReportedRecs), static_cast<QWidget*>(w.dbtextReportedProps),
          static_cast<QWidget*>(w.dbTextReportedCash),
          static_cast<QWidget*>(w.dbtextReportedShares)})
      EXPECT_FALSE(isRed(reported));
  }
}

TEST(SummaryWindow, EscClosesAndF1CallsHelpWithoutClosing) {
  testing::App();
  ReportData data;
  data.AddAll({ReportRow{}});
  HelpCounter help;
  TfmSummaryInfo w(nullptr, &data.dsReports);
  bool openAfterF1 = false;
  EXPECT_TRUE(KeysEndModalRun(w, &w, {Qt::Key_F1, Qt::Key_Escape}, &openAfterF1));
  EXPECT_TRUE(openAfterF1);
  EXPECT_EQ(help.calls, 1);
}

// ---- score window --------------------------------------------------------------------------

TEST(ScoreWindow, GridColumnsAndLayout) {
  testing::App();
  ReportData data;
  data.AddAll({ReportRow{}});
  TfmReportScore w(nullptr, &data.dsReports, &data.dsReportScore);
  w.show();
  EXPECT_EQ(w.windowTitle(), "Holder Report Score");
  EXPECT_EQ(w.size(), QSize(575, 383 + 186));  // grown below the grid for the records list
  EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(w.lblHolderName->pos(), QPoint(26, 25));
  ExpectGapAfterHolder(w.lblHolderName, w.DBTextHolderName, {76, 25});
  EXPECT_EQ(w.DBTextHolderName->text(), "ACME HOLDINGS");
  EXPECT_EQ(w.DBGrid1->geometry(), QRect(11, 54, 550, 299));
  EXPECT_EQ(w.DBGrid1->horizontalHeader()->font().pixelSize(), 11);
  const struct {
    const char* title;
    int width;  // -1: the grid's default for the field
    Qt::Alignment align;
    const char* text;
  } columns[] = {{"Category", 193, Qt::AlignLeft, "Report 1 category 1"},
                 {"Recs. Evaluated", 84, Qt::AlignHCenter, "10"},
                 {"Recs. Penalized", 84, Qt::AlignRight, "1"},
                 {"Max. Penalty", -1, Qt::AlignLeft, "-10"},
                 {"Penalty Assessed", -1, Qt::AlignLeft, "-1.3"}};
  TDataSetModel* m = w.DBGrid1->Model();
  ASSERT_EQ(m->columnCount(), 5);  // Holder_ID not shown
  for (int c = 0; c < 5; ++c) {
    SCOPED_TRACE(columns[c].title);
    EXPECT_EQ(m->headerData(c, Qt::Horizontal).toString(), columns[c].title);
    EXPECT_EQ(m->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                  Qt::AlignHorizontal_Mask,
              columns[c].align);
    const int expected = columns[c].width >= 0
                             ? columns[c].width
                             : w.DBGrid1->DefaultColumnWidth(m->FieldOf(c), columns[c].title);
    EXPECT_EQ(w.DBGrid1->columnWidth(c), expected);
    EXPECT_EQ(m->data(m->index(0, c)).toString(), columns[c].text);
  }
  EXPECT_EQ(w.DBGrid1->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST(ScoreWindow, ShowsOnlyTheClickedReportsRowsAlsoAfterAnother) {
  testing::App();
  ReportData data;
  ReportRow a, b, c;
  a.id = 1, b.id = 2, c.id = 3;
  data.AddAll({a, b, c});
  QWidget host;
  TReportsGrid grid(&host, &data.dsReports, &data.dsReportScore);
  host.show();
  std::vector<std::set<std::string>> seen;  // categories per opening
  grid.ShowModal = [&](TAbsForm& f) {
    auto& s = static_cast<TfmReportScore&>(f);
    std::set<std::string> cats;
    TDataSetModel* m = s.DBGrid1->Model();
    for (int r = 0; r < m->rowCount(); ++r)
      cats.insert(m->data(m->index(r, 0)).toString().section(' ', 0, 1).toStdString());
    seen.push_back(cats);
    EXPECT_EQ(m->rowCount(), 11);
  };
  for (int row : {1, 2}) {
    QRect cell = grid.visualRect(grid.Model()->index(row, 7));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
  }
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], std::set<std::string>{"Report 2"});
  EXPECT_EQ(seen[1], std::set<std::string>{"Report 3"});
}

TEST(ScoreWindow, EscInTheGridClosesAndF1CallsHelp) {
  testing::App();
  ReportData data;
  data.AddAll({ReportRow{}});
  HelpCounter help;
  TfmReportScore w(nullptr, &data.dsReports, &data.dsReportScore);
  w.DBGrid1->setFocus();
  bool openAfterF1 = false;
  QTimer::singleShot(0, &w, [&] { w.DBGrid1->setFocus(); });
  EXPECT_TRUE(KeysEndModalRun(w, w.DBGrid1, {Qt::Key_F1, Qt::Key_Escape}, &openAfterF1));
  EXPECT_TRUE(openAfterF1);
  EXPECT_EQ(help.calls, 1);
}

// ---- all three -----------------------------------------------------------------------------

TEST(DetailWindows, RightClickAnywhereOpensTheThreeCommandMenu) {
  testing::App();
  ReportData data;
  data.AddAll({ReportRow{}});
  TfmSummaryInfo summary(nullptr, &data.dsReports);
  TfmReportScore score(nullptr, &data.dsReports, &data.dsReportScore);
  TfmAboutQORVAENC about;
  const struct {
    TAbsForm* form;
    QWidget* over;
  } cases[] = {{&summary, summary.dbtextActualCash},
               {&score, score.DBGrid1->viewport()},
               {&about, about.lblVersion}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.form->objectName().toStdString());
    c.form->show();
    QStringList items;
    for (QAction* a : c.form->FormMenuPopup->actions()) items << a->text();
    EXPECT_EQ(items, QStringList({"Print Active Form", "Close Active", "Display Name"}));
    QContextMenuEvent e(QContextMenuEvent::Mouse, {5, 5}, c.over->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(c.over, &e);
    EXPECT_TRUE(c.form->FormMenuPopup->isVisible());
    c.form->FormMenuPopup->hide();
  }
}

}  // namespace
}  // namespace qorva

namespace qorva {
namespace {

QWidget* OpenHelpWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->windowTitle() == kHelpWindowTitle) return w;
  return nullptr;
}

// With the real main window: placement over it, and F1 bringing up its help window.
TEST(DetailWindows, CentredOverTheMainWindowAndF1OpensItsHelp) {
  testing::App();
  ReportData data;
  data.AddAll({ReportRow{}});
  TfmEncryptMain main;
  fmEncryptMain = &main;
  struct Reset {
    ~Reset() { fmEncryptMain = nullptr; }
  } reset;
  main.setGeometry(40, 30, 695, 474);

  TfmSummaryInfo summary(nullptr, &data.dsReports);
  TfmReportScore score(nullptr, &data.dsReports, &data.dsReportScore);
  TfmAboutQORVAENC about;
  for (TAbsForm* form : {static_cast<TAbsForm*>(&summary), static_cast<TAbsForm*>(&score),
                         static_cast<TAbsForm*>(&about)}) {
    SCOPED_TRACE(form->objectName().toStdString());
    form->show();
    const QRect m = main.frameGeometry(), own = form->frameGeometry();
    EXPECT_EQ(form->pos(), QPoint(m.left() + (m.width() - own.width()) / 2,
                                  m.top() + (m.height() - own.height()) / 2));
    form->hide();
  }

  if (QWidget* h = OpenHelpWindow()) h->close();
  bool openAfterF1 = false;
  QWidget* help = nullptr;
  TfmSummaryInfo w(nullptr, &data.dsReports);
  QTimer::singleShot(0, &w, [&] {
    QTest::keyClick(&w, Qt::Key_F1);
    help = OpenHelpWindow();
    openAfterF1 = w.isVisible();
    QTest::keyClick(&w, Qt::Key_Escape);
  });
  testing::ModalCloser fallback;
  w.exec();
  EXPECT_EQ(fallback.opened(), 0);
  EXPECT_TRUE(openAfterF1);
  ASSERT_NE(help, nullptr);
  help->close();
}

}  // namespace
}  // namespace qorva
