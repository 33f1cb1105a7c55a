#include <gtest/gtest.h>

#include <QSignalSpy>

#include "DataSetModel.h"
#include "uTztStringField.h"
#include "windows_test_support.h"

namespace qorva {
namespace {

// A report-like dataset: a trimmed name, a formatted count, a float and the report number.
struct Reports {
  TClientDataSet cds{"cdsReports"};
  TDataSource ds{&cds};
  Reports() {
    cds.AddField<TztStringField>("HolderName", 40);
    cds.AddField<TIntegerField>("NumOwners")->SetDisplayFormat("###,###");
    cds.AddField<TFloatField>("SharesToRemit")->SetDisplayFormat("###,###,##0.0000,");
    cds.AddField<TIntegerField>("Holder_ID");
    cds.CreateDataSet();
  }
  void Add(const std::string& name, int owners, double shares, int id) {
    cds.Append();
    cds.FieldByName("HOLDERNAME")->SetAsString(name);
    cds.FieldByName("NUMOWNERS")->SetAsInteger(owners);
    cds.FieldByName("SHARESTOREMIT")->SetAsFloat(shares);
    cds.FieldByName("HOLDER_ID")->SetAsInteger(id);
    cds.Post();
  }
};

QString Text(const TDataSetModel& m, int row, int col) {
  return m.data(m.index(row, col)).toString();
}

TEST(DataSetModel, ShowsVisibleRowsWithDisplayTextsAndAlignments) {
  testing::App();
  Reports r;
  r.Add("ACME CORP   ", 0, 1234.5, 1);
  r.Add("B\xC9TA LTD", 1234567, 0, 2);  // Latin-1 text
  TDataSetModel m(&r.ds, {{"HolderName", QString("Holder Name")},
                          {"NumOwners", std::nullopt, 52, Qt::AlignHCenter, Qt::AlignHCenter},
                          {"sharestoremit"}});
  ASSERT_EQ(m.rowCount(), 2);
  ASSERT_EQ(m.columnCount(), 3);
  EXPECT_EQ(Text(m, 0, 0), "ACME CORP");  // trimmed by the string field
  EXPECT_EQ(Text(m, 0, 1), "");           // zero under ###,###
  EXPECT_EQ(Text(m, 0, 2), "1,234.5000");
  EXPECT_EQ(Text(m, 1, 0), QString::fromUtf8("B\u00C9TA LTD"));
  EXPECT_EQ(Text(m, 1, 1), "1,234,567");
  EXPECT_EQ(m.headerData(0, Qt::Horizontal).toString(), "Holder Name");
  EXPECT_EQ(m.headerData(2, Qt::Horizontal).toString(), "SharesToRemit");  // the label
  auto align = [&](int col) {
    return m.data(m.index(0, col), Qt::TextAlignmentRole).value<Qt::Alignment>();
  };
  EXPECT_TRUE(align(0) & Qt::AlignLeft);
  EXPECT_TRUE(align(1) & Qt::AlignHCenter);  // the column's own
  EXPECT_TRUE(align(2) & Qt::AlignRight);    // the field's own
  EXPECT_FALSE(m.flags(m.index(0, 0)) & Qt::ItemIsEditable);
  EXPECT_FALSE(m.index(2, 0).isValid());
}

TEST(DataSetModel, AllVisibleFieldsWhenNoColumnsGiven) {
  testing::App();
  Reports r;
  TDataSetModel m(&r.ds);
  ASSERT_EQ(m.columnCount(), 4);
  EXPECT_EQ(m.headerData(3, Qt::Horizontal).toString(), "Holder_ID");
  EXPECT_EQ(m.rowCount(), 0);
}

TEST(DataSetModel, FollowsFilterRefillAndCurrentRow) {
  testing::App();
  Reports r;
  for (int id : {1, 2, 2, 3}) r.Add("H" + std::to_string(id), id, 0, id);
  TDataSetModel m(&r.ds, {{"HolderName"}, {"Holder_ID"}});
  QSignalSpy resets(&m, &QAbstractItemModel::modelReset);
  QSignalSpy current(&m, &TDataSetModel::currentRowChanged);

  r.cds.SetFilter("Holder_ID = 2");
  r.cds.SetFiltered(true);
  EXPECT_EQ(m.rowCount(), 2);
  EXPECT_EQ(Text(m, 1, 1), "2");
  r.cds.SetFilter("holder_id=3");
  EXPECT_EQ(m.rowCount(), 1);
  EXPECT_EQ(Text(m, 0, 0), "H3");
  EXPECT_GE(resets.count(), 2);

  // A refill with the controls disabled is one reset, whatever it appends.
  resets.clear();
  r.cds.SetFiltered(false);
  resets.clear();
  r.cds.DisableControls();
  r.cds.EmptyDataSet();
  for (int id = 1; id <= 5; ++id) r.Add("N" + std::to_string(id), 0, 0, id);
  r.cds.First();
  EXPECT_EQ(resets.count(), 0);
  r.cds.EnableControls();
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(m.rowCount(), 5);
  EXPECT_EQ(m.CurrentRow(), 0);

  current.clear();
  m.SetCurrentRow(3);
  EXPECT_EQ(r.cds.CurrentRow(), 3);
  ASSERT_GE(current.count(), 1);
  EXPECT_EQ(current.last().at(0).toInt(), 3);
  EXPECT_EQ(m.headerData(3, Qt::Vertical).toString(), QString::fromUtf8("\u25B8"));
  EXPECT_EQ(m.headerData(2, Qt::Vertical).toString(), "");
}

TEST(DataSetModel, DataBoundTextFollowsTheCurrentRow) {
  testing::App();
  Reports r;
  TDBText label(nullptr, "DBTextHolderName", &r.ds, "HOLDERNAME");
  EXPECT_EQ(label.text(), "");
  r.Add("FIRST  ", 0, 0, 1);
  r.Add("SECOND", 0, 0, 2);
  r.cds.First();
  EXPECT_EQ(label.text(), "FIRST");
  r.cds.Next();
  EXPECT_EQ(label.text(), "SECOND");
  r.cds.DisableControls();
  r.cds.EmptyDataSet();
  r.cds.EnableControls();
  EXPECT_EQ(label.text(), "");
}

}  // namespace
}  // namespace qorva
