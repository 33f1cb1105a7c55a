#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>

#include "ReportsGrid.h"
#include "fReportScore.h"
#include "fSummaryInfo.h"
#include "report_fixture.h"
#include "windows_test_support.h"

namespace qorva {
namespace {

using testing::ReportData;
using testing::ReportRow;

enum Col { kName, kProps, kOwners, kCash, kShares, kSD, kSummary, kScore, kPass };

struct GridFixture {
  bool app = (testing::App(), true);
  ReportData data;
  QWidget host;
  TReportsGrid* grid;
  std::vector<std::string> shown;  // class names of the windows shown modally

  explicit GridFixture(std::initializer_list<ReportRow> rows) {
    data.AddAll(rows);
    grid = new TReportsGrid(&host, &data.dsReports, &data.dsReportScore);
    grid->setGeometry(0, 0, 671, 201);
    host.resize(671, 201);
    host.show();
    grid->ShowModal = [this](TAbsForm& f) { shown.push_back(f.metaObject()->className()); };
  }
  QRect Cell(int row, int col) const { return grid->visualRect(grid->Model()->index(row, col)); }
  void Click(int row, int col) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, Cell(row, col).center());
  }
  QImage Render() const { return grid->viewport()->grab().toImage(); }
};

TEST(ReportsGrid, ColumnsAndTexts) {
  ReportRow r;
  r.name = "ACME HOLDINGS   ";
  r.props = 1234;
  r.owners = 0;
  r.sdBoxes = 0;
  r.cash = "1234.56";
  r.shares = 1234.5;
  r.matches = "No Match";
  r.score = 61;
  GridFixture f{r};
  const struct {
    const char* title;
    int width;
    Qt::Alignment title_align;
    Qt::Alignment cell_align;
    const char* text;
  } columns[] = {
      {"Holder Name", 201, Qt::AlignLeft, Qt::AlignLeft, "ACME HOLDINGS"},
      {"# Props.", 45, Qt::AlignHCenter, Qt::AlignHCenter, "1,234"},
      {"# Owners", 52, Qt::AlignHCenter, Qt::AlignHCenter, ""},
      {"$ to Remit", 74, Qt::AlignRight, Qt::AlignRight, "$1,234.56"},
      {"Shares to Remit", 82, Qt::AlignRight, Qt::AlignRight, "1,234.5000"},
      {"SD Boxes", 52, Qt::AlignHCenter, Qt::AlignHCenter, "0"},
      {"Summary", 53, Qt::AlignHCenter, Qt::AlignHCenter, "No Match"},
      {"Score", 37, Qt::AlignHCenter, Qt::AlignHCenter, "61"},
      {"Pass", 32, Qt::AlignHCenter, Qt::AlignHCenter, ""},
  };
  TDataSetModel* m = f.grid->Model();
  ASSERT_EQ(m->columnCount(), 9);
  for (int c = 0; c < 9; ++c) {
    SCOPED_TRACE(columns[c].title);
    EXPECT_EQ(m->headerData(c, Qt::Horizontal).toString(), columns[c].title);
    EXPECT_EQ(f.grid->columnWidth(c), columns[c].width);
    auto ta = m->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>();
    EXPECT_EQ(ta & Qt::AlignHorizontal_Mask, columns[c].title_align);
    auto ca = m->data(m->index(0, c), Qt::TextAlignmentRole).value<Qt::Alignment>();
    EXPECT_EQ(ca & Qt::AlignHorizontal_Mask, columns[c].cell_align);
    EXPECT_EQ(m->data(m->index(0, c)).toString(), columns[c].text);
  }
  EXPECT_EQ(f.grid->objectName(), "gridReports");
  EXPECT_EQ(f.grid->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_TRUE(f.grid->showGrid());
  EXPECT_FALSE(f.grid->verticalHeader()->isHidden());  // the row indicator
  EXPECT_EQ(f.grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
  EXPECT_EQ(f.grid->horizontalHeader()->font().pixelSize(), 11);
  EXPECT_EQ(m->data(m->index(0, kPass), Qt::AccessibleTextRole).toString(), "Failed");
}

// Share of the pixels of `area` that are clearly green / clearly red.
std::pair<int, int> GreenRed(const QImage& img, QRect area) {
  int green = 0, red = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      QColor c = img.pixelColor(x, y);
      green += c.green() > c.red() + 60 && c.green() > c.blue() + 60;
      red += c.red() > c.green() + 80 && c.red() > c.blue() + 80;
    }
  return {green, red};
}

TEST(ReportsGrid, PassPictureFollowsExactMatchAndRoundedScore) {
  const struct {
    const char* matches;
    int score;
    int picture;
  } cases[] = {
      {"Match", 75, TReportsGrid::kTick},      {"Match", 74, TReportsGrid::kCross},
      {"No Match", 100, TReportsGrid::kCross}, {"match", 90, TReportsGrid::kCross},
      {"Match   ", 80, TReportsGrid::kTick},  // stored blanks are trimmed
      {"MATCH", 99, TReportsGrid::kCross},
  };
  GridFixture f{};
  f.data.cdsReports.DisableControls();
  int id = 1;
  for (auto& c : cases) {
    ReportRow r;
    r.matches = c.matches;
    r.score = c.score;
    r.id = id++;
    f.data.Add(r);
  }
  f.data.cdsReports.First();
  f.data.cdsReports.EnableControls();
  ASSERT_EQ(f.grid->Model()->rowCount(), 6);
  f.grid->setCurrentIndex(f.grid->Model()->index(0, kName));  // keep the pass cells unselected
  QImage img = f.Render();
  for (int row = 0; row < 6; ++row) {
    SCOPED_TRACE(cases[row].matches + std::string(" ") + std::to_string(cases[row].score));
    EXPECT_EQ(f.grid->PassPictureIndex(row), cases[row].picture);
    const QRect cell = f.Cell(row, kPass);
    const QRect picture(cell.left() + 8, cell.top() + 1, 16, 16);
    auto [green, red] = GreenRed(img, picture.intersected(cell));
    if (cases[row].picture == TReportsGrid::kTick) {
      EXPECT_GT(green, 10);
      EXPECT_EQ(red, 0);
    } else {
      EXPECT_GT(red, 10);
      EXPECT_EQ(green, 0);
    }
    // Nothing of the picture left of its place.
    auto [g2, r2] = GreenRed(img, QRect(cell.left(), cell.top(), 8, cell.height()));
    EXPECT_EQ(g2 + r2, 0);
  }
}

TEST(ReportsGrid, SummaryAndScoreCellsAreRaisedButtonsWithCentredClippedText) {
  ReportRow r;
  r.matches = "No Match";
  r.score = 100;
  GridFixture f{r};
  QPalette pal = f.grid->palette();
  const QColor face(200, 200, 120), text(255, 0, 255), shadow(0, 0, 255), light(0, 255, 255);
  pal.setColor(QPalette::Button, face);
  pal.setColor(QPalette::ButtonText, text);
  pal.setColor(QPalette::Shadow, shadow);
  pal.setColor(QPalette::Light, light);
  f.grid->setPalette(pal);
  f.grid->setCurrentIndex(f.grid->Model()->index(0, kName));

  // Leftmost and rightmost pixel of (antialiased) text colour within `area`.
  auto textColumns = [&](const QImage& img, QRect area) {
    int lo = INT_MAX, hi = INT_MIN;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) {
        QColor p = img.pixelColor(x, y);
        if (p.red() > 150 && p.blue() > 150 && p.green() < 140)
          lo = std::min(lo, x), hi = std::max(hi, x);
      }
    return std::pair{lo, hi};
  };

  for (int col : {kSummary, kScore}) {
    SCOPED_TRACE(col);
    QImage img = f.Render();
    const QRect c = f.Cell(0, col);
    EXPECT_EQ(img.pixelColor(c.left() + 3, c.bottom() - 2), face);
    EXPECT_EQ(img.pixelColor(c.center().x(), c.bottom()), shadow);  // frame below
    EXPECT_EQ(img.pixelColor(c.right(), c.center().y()), shadow);   // and right
    EXPECT_EQ(img.pixelColor(c.left(), c.center().y()), light);     // light edge left
    EXPECT_EQ(img.pixelColor(c.center().x(), c.top()), light);      // and top
    auto [lo, hi] = textColumns(img, c);
    ASSERT_NE(lo, INT_MAX);
    EXPECT_LE(std::abs((lo - c.left()) - (c.right() - hi)), 3);  // centred
  }

  // Narrower than its text: the text starts left of the cell and is cut at its edges.
  f.grid->setColumnWidth(kSummary, 20);
  QImage img = f.Render();
  const QRect c = f.Cell(0, kSummary);
  auto [lo, hi] = textColumns(img, c);
  EXPECT_LE(lo, c.left() + 2);
  EXPECT_GE(hi, c.right() - 2);
  // Nothing spills into the cell before it.
  auto [out_lo, out_hi] = textColumns(img, QRect(c.left() - 20, c.top(), 20, c.height()));
  EXPECT_EQ(out_lo, INT_MAX) << "text drawn outside its cell at x=" << out_lo;
}

TEST(ReportsGrid, ClicksOpenTheDetailWindowsForTheClickedReport) {
  ReportRow a, b;
  a.id = 1;
  b.id = 12;
  b.name = "SECOND HOLDER";
  GridFixture f{a, b};
  const struct {
    int col;
    const char* window;  // nullptr: nothing opens
  } cases[] = {
      {kSummary, "qorva::TfmSummaryInfo"},
      {kScore, "qorva::TfmReportScore"},
      {kName, nullptr},
      {kProps, nullptr},
      {kCash, nullptr},
      {kPass, nullptr},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.col);
    f.shown.clear();
    QWidget* during = nullptr;
    std::string holder;
    int scoreRows = -1;
    f.grid->ShowModal = [&](TAbsForm& form) {
      f.shown.push_back(form.metaObject()->className());
      during = c.col == kSummary ? static_cast<QWidget*>(fmSummaryInfo) : fmReportScore;
      EXPECT_EQ(&form, during);
      EXPECT_EQ(form.parentWidget(), &f.host);  // owned by the grid's window here
      if (auto* s = dynamic_cast<TfmReportScore*>(&form)) {
        scoreRows = s->DBGrid1->Model()->rowCount();
        holder =
            s->DBGrid1->Model()->data(s->DBGrid1->Model()->index(0, 0)).toString().toStdString();
      }
    };
    f.Click(1, c.col);
    if (c.window) {
      ASSERT_EQ(f.shown.size(), 1u);
      EXPECT_EQ(f.shown[0], c.window);
      EXPECT_EQ(f.grid->SelectedIndex(), 0);  // back on "Holder Name"
      EXPECT_EQ(fmSummaryInfo, nullptr);
      EXPECT_EQ(fmReportScore, nullptr);
    } else {
      EXPECT_TRUE(f.shown.empty());
      EXPECT_EQ(f.grid->SelectedIndex(), c.col);  // left where the click put it
    }
    EXPECT_EQ(f.grid->Model()->CurrentRow(), 1);
    if (c.col == kScore) {
      EXPECT_EQ(scoreRows, 11);
      EXPECT_EQ(holder, "Report 12 category 1");
      EXPECT_EQ(f.data.cdsReportScore.Filter(), "Holder_ID = 12");
      EXPECT_TRUE(f.data.cdsReportScore.Filtered());
    }
  }
  // The filter stays after the window has closed; the next score click replaces it.
  EXPECT_EQ(f.data.cdsReportScore.RecordCount(), 11);
  f.grid->ShowModal = [](TAbsForm&) {};  // the loop's display captured its own locals
  f.Click(0, kScore);
  EXPECT_EQ(f.data.cdsReportScore.Filter(), "Holder_ID = 1");
}

TEST(ReportsGrid, TitleClicksAndAnEmptyGridOpenNothing) {
  GridFixture f{ReportRow{}};
  const int x = f.grid->horizontalHeader()->sectionViewportPosition(kSummary) + 5;
  QTest::mouseClick(f.grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
  EXPECT_TRUE(f.shown.empty());

  GridFixture empty{};
  EXPECT_EQ(empty.grid->Model()->rowCount(), 0);
  empty.grid->gridReportsCellClick(kSummary);
  QTest::mouseClick(empty.grid->viewport(), Qt::LeftButton, {}, QPoint(300, 10));
  QTest::keyClick(empty.grid, Qt::Key_Return);
  EXPECT_TRUE(empty.shown.empty());
}

TEST(ReportsGrid, EnterOnASummaryOrScoreCellOpensItsWindowModally) {
  GridFixture f{ReportRow{}};
  f.grid->ShowModal = [](TAbsForm& form) { form.exec(); };  // the real modal run
  for (int col : {kSummary, kScore, kShares}) {
    SCOPED_TRACE(col);
    std::string seen;
    testing::ModalCloser closer([&](QWidget* w) { seen = w->windowTitle().toStdString(); });
    f.grid->setCurrentIndex(f.grid->Model()->index(0, col));
    QTest::keyClick(f.grid, Qt::Key_Return);
    if (col == kShares) {
      EXPECT_EQ(closer.opened(), 0);
    } else {
      EXPECT_EQ(closer.opened(), 1);
      EXPECT_EQ(seen, col == kSummary ? "Summary Information" : "Holder Report Score");
      EXPECT_EQ(f.grid->SelectedIndex(), 0);
    }
  }
}

}  // namespace
}  // namespace qorva
