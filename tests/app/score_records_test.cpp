// The score window's list of penalised records for the chosen category, and its CSV.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <sstream>

#include "DBGrid.h"
#include "app_test_support.h"
#include "fReportScore.h"

namespace qorva::testing {
namespace {

class ScoreRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dm_.LoadQORVAFile(SamplePath("QORVA_FAILING.txt").toStdString()));
    // The first report with penalised records, its first such category, and one without.
    for (int h = 1; h <= static_cast<int>(dm_.Results().TempArray.size()) && holder_ == 0; ++h) {
      for (int k = 0; k < kScoreCategoryCount; ++k) {
        if (!dm_.PenalisedRecords(h, k).empty() && category_ < 0) category_ = k;
        if (dm_.PenalisedRecords(h, k).empty() && clean_ < 0) clean_ = k;
      }
      if (category_ >= 0 && clean_ >= 0)
        holder_ = h;
      else
        category_ = clean_ = -1;
    }
    ASSERT_GT(holder_, 0) << "the sample has a report with and without penalised records";
    dm_.cdsReportScore.SetFilter("Holder_ID = " + std::to_string(holder_));
    dm_.cdsReportScore.SetFiltered(true);
  }

  // The window over the report's rows with `category`'s row current.
  std::unique_ptr<TfmReportScore> Window(int category) {
    auto w = std::make_unique<TfmReportScore>(nullptr, &dm_.dsReports, &dm_.dsReportScore);
    w->SetRecordsModule(&dm_);
    w->show();
    w->DBGrid1->setCurrentIndex(w->DBGrid1->model()->index(category, 0));
    return w;
  }

  RecordingMessageHelper messages_;
  TdmEncryptor dm_;
  int holder_ = 0, category_ = -1, clean_ = -1;
};

TEST_F(ScoreRecordsTest, ChosenCategoryListsItsRecords) {
  auto w = Window(category_);
  const auto& records = dm_.PenalisedRecords(holder_, category_);
  ASSERT_EQ(w->lstRecords->topLevelItemCount(), static_cast<int>(records.size()));
  for (int i = 0; i < w->lstRecords->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = w->lstRecords->topLevelItem(i);
    EXPECT_EQ(item->text(0), QString::number(records[static_cast<std::size_t>(i)].Line));
    EXPECT_EQ(item->text(1).toStdString(), records[static_cast<std::size_t>(i)].Reason);
  }
  EXPECT_TRUE(w->lblRecords->text().contains(
      QString::fromLatin1(ScoreCategoryText(category_).data(),
                          static_cast<qsizetype>(ScoreCategoryText(category_).size()))));
  EXPECT_TRUE(w->btnSaveRecords->isEnabled());

  // Another category replaces the list; one without records leaves nothing to save.
  w->DBGrid1->setCurrentIndex(w->DBGrid1->model()->index(clean_, 0));
  EXPECT_EQ(w->lstRecords->topLevelItemCount(), 0);
  EXPECT_FALSE(w->btnSaveRecords->isEnabled());
  // The window's own controls keep their places.
  EXPECT_EQ(w->DBGrid1->geometry(), QRect(11, 54, 550, 299));
  EXPECT_GE(w->lstRecords->y(), w->DBGrid1->geometry().bottom());
}

TEST_F(ScoreRecordsTest, SavesTheShownRecordsAsCsvOrSaysWhyNot) {
  QTemporaryDir dir;
  auto w = Window(category_);
  QString suggested;
  QString target = dir.filePath("records.csv");
  w->ChooseCsvFile = [&](const QString& s) -> std::optional<QString> {
    suggested = s;
    return target;
  };
  w->btnSaveRecords->click();
  EXPECT_TRUE(suggested.endsWith(".csv"));
  std::ostringstream expected;
  dm_.WritePenalisedRecordsCsv(expected, holder_, category_);
  QFile f(target);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll().toStdString(), expected.str());
  EXPECT_TRUE(messages_.entries().empty());

  target = dir.filePath("no-such-folder/records.csv");
  w->btnSaveRecords->click();
  ASSERT_EQ(messages_.entries().size(), 1u);
  EXPECT_EQ(messages_.entries()[0].kind, MessageKind::Warning);
  EXPECT_FALSE(QFile::exists(target));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"records.csv"});

  w->ChooseCsvFile = [](const QString&) { return std::optional<QString>(); };  // cancelled
  w->btnSaveRecords->click();
  EXPECT_EQ(messages_.entries().size(), 1u);
}

}  // namespace
}  // namespace qorva::testing
