#include "DataSet.h"

#include <gtest/gtest.h>

#include "uTztStringField.h"

namespace qorva {
namespace {

TEST(ClientDataSet, AppendPostAndRead) {
  TClientDataSet ds("cdsScores");
  ds.FieldDefs.Add("Holder_ID", TFieldType::ftInteger);
  ds.FieldDefs.Add("Category", TFieldType::ftString, 55);
  ds.CreateDataSet();
  ASSERT_TRUE(ds.Active());
  for (int id = 1; id <= 3; ++id) {
    ds.Append();
    ds.FieldByName("HOLDER_ID")->SetAsInteger(id);
    ds.FieldByName("category")->SetAsString("  cat " + std::to_string(id) + "  ");
    ds.Post();
  }
  ds.First();
  EXPECT_EQ(ds.RecordCount(), 3);
  EXPECT_EQ(ds.FieldByName("Category")->AsString(), "cat 1");
  EXPECT_EQ(ds.Fields(1)->DisplayTextAt(2), "cat 3");
}

}  // namespace
}  // namespace qorva
