#include "DataSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "uTztStringField.h"

namespace qorva {
namespace {

// A report-like dataset: persistent fields in presentation order, definitions in stored
// order (CashToRemit stored earlier than it is presented).
struct Reports {
  TClientDataSet ds{"cdsReports"};
  TztStringField* HolderName;
  TIntegerField* NumOwners;
  TIntegerField* SDBoxes;
  TBooleanField* PassFail;
  TIntegerField* Holder_ID;
  TIntegerField* SumOwners;
  TCurrencyField* CashToRemit;
  TFloatField* SharesToRemit;

  Reports() {
    ds.FieldDefs.Add("HolderName", TFieldType::ftString, 40);
    ds.FieldDefs.Add("NumOwners", TFieldType::ftInteger);
    ds.FieldDefs.Add("CashToRemit", TFieldType::ftCurrency);
    ds.FieldDefs.Add("SDBoxes", TFieldType::ftInteger);
    ds.FieldDefs.Add("PassFail", TFieldType::ftBoolean);
    ds.FieldDefs.Add("Holder_ID", TFieldType::ftInteger);
    ds.FieldDefs.Add("SumOwners", TFieldType::ftInteger);
    ds.FieldDefs.Add("SharesToRemit", TFieldType::ftFloat);
    HolderName = ds.AddField<TztStringField>("HolderName", 40);
    NumOwners = ds.AddField<TIntegerField>("NumOwners");
    NumOwners->SetDisplayFormat("###,###");
    SDBoxes = ds.AddField<TIntegerField>("SDBoxes");
    SDBoxes->SetDisplayFormat("###,##0");
    PassFail = ds.AddField<TBooleanField>("PassFail");
    Holder_ID = ds.AddField<TIntegerField>("Holder_ID");
    SumOwners = ds.AddField<TIntegerField>("SumOwners");
    SumOwners->SetDisplayFormat("###,###");
    CashToRemit = ds.AddField<TCurrencyField>("CashToRemit");
    SharesToRemit = ds.AddField<TFloatField>("SharesToRemit");
    SharesToRemit->SetDisplayFormat("###,###,##0.0000,");
  }

  // Writes as the loader does: by upper-case names, PassFail and SumOwners left alone.
  void Add(const std::string& name, int owners, int boxes, const std::string& cash, double shares,
           int id) {
    ds.Append();
    ds.FieldByName("HOLDERNAME")->SetAsString(name);
    ds.FieldByName("NUMOWNERS")->SetAsInteger(owners);
    ds.FieldByName("CASHTOREMIT")->SetAsCurrency(*Currency::Parse(cash));
    ds.FieldByName("SHARESTOREMIT")->SetAsFloat(shares);
    ds.FieldByName("SDBOXES")->SetAsInteger(boxes);
    ds.FieldByName("HOLDER_ID")->SetAsInteger(id);
    ds.Post();
  }
};

TEST(ClientDataSet, ReportRowsReadBackWithTheirDisplayTexts) {
  Reports r;
  EXPECT_FALSE(r.ds.Active());
  EXPECT_EQ(r.ds.RecordCount(), 0);
  r.ds.CreateDataSet();
  r.Add("ACME HOLDINGS   \t ", 0, 0, "1234.5", 1234.5, 1);
  r.Add("  Zeta Corp", 1234567, 12, "-0.01", 0, 2);
  r.ds.First();

  ASSERT_EQ(r.ds.RecordCount(), 2);
  EXPECT_EQ(r.ds.CurrentRow(), 0);
  // Trimmed when read as text, stored as written.
  EXPECT_EQ(r.HolderName->AsString(), "ACME HOLDINGS");
  EXPECT_EQ(r.HolderName->DisplayText(), "ACME HOLDINGS");
  EXPECT_EQ(std::get<std::string>(r.HolderName->Value()), "ACME HOLDINGS   \t ");
  EXPECT_EQ(r.HolderName->AsStringAt(1), "Zeta Corp");

  EXPECT_EQ(r.NumOwners->DisplayTextAt(0), "");
  EXPECT_EQ(r.NumOwners->DisplayTextAt(1), "1,234,567");
  EXPECT_EQ(r.NumOwners->AsStringAt(1), "1234567");
  EXPECT_EQ(r.SDBoxes->DisplayTextAt(0), "0");
  EXPECT_EQ(r.CashToRemit->DisplayTextAt(0), "$1,234.50");
  EXPECT_EQ(r.CashToRemit->DisplayTextAt(1), "-$0.01");
  EXPECT_EQ(r.CashToRemit->AsCurrencyAt(0), Currency::FromUnits(12345000));
  EXPECT_EQ(r.SharesToRemit->DisplayTextAt(0), "1,234.5000");
  EXPECT_EQ(r.SharesToRemit->DisplayTextAt(1), "0.0000");

  for (int row = 0; row < 2; ++row) {
    for (TField* never_set : std::vector<TField*>{r.PassFail, r.SumOwners}) {
      EXPECT_TRUE(never_set->IsNullAt(row)) << never_set->FieldName();
      EXPECT_EQ(never_set->DisplayTextAt(row), "") << never_set->FieldName();
    }
  }
  EXPECT_FALSE(r.PassFail->AsBoolean());
  EXPECT_EQ(r.SumOwners->AsInteger(), 0);

  // Presentation order is the order the fields were added, whatever the stored order.
  EXPECT_EQ(r.ds.Fields(6)->FieldName(), "CashToRemit");
  EXPECT_EQ(r.CashToRemit->Index(), 6);
  EXPECT_EQ(r.ds.Fields(8), nullptr);
}

TEST(ClientDataSet, FieldsAreFoundByNameWithoutRegardToCase) {
  Reports r;
  for (const char* name : {"HOLDER_ID", "holder_id", "Holder_ID", "hOLDER_iD"})
    EXPECT_EQ(r.ds.FieldByName(name), r.Holder_ID) << name;
  EXPECT_EQ(r.ds.FindField("Holder ID"), nullptr);
  EXPECT_EQ(r.ds.FindField("Holder_IDs"), nullptr);
  try {
    r.ds.FieldByName("NoSuchField");
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("NoSuchField"), std::string::npos) << e.what();
  }
}

TEST(ClientDataSet, ComponentNamesJoinDataSetAndField) {
  Reports r;
  EXPECT_EQ(r.HolderName->Name(), "cdsReportsHolderName");
  EXPECT_EQ(r.HolderName->DisplayLabel(), "HolderName");
}

TEST(ClientDataSet, FieldsFromDefinitionsAloneUseTheTrimmingStringClass) {
  TClientDataSet ds("cdsReportScore");
  ds.FieldDefs.Add("Holder_ID", TFieldType::ftInteger);
  ds.FieldDefs.Add("Category", TFieldType::ftString, 55);
  ds.FieldDefs.Add("Code", TFieldType::ftFixedChar, 4);
  ds.CreateDataSet();
  ASSERT_EQ(ds.FieldCount(), 3);
  EXPECT_NE(dynamic_cast<TztStringField*>(ds.FieldByName("Category")), nullptr);
  EXPECT_NE(dynamic_cast<TztStringField*>(ds.FieldByName("Code")), nullptr);
  EXPECT_NE(dynamic_cast<TIntegerField*>(ds.FieldByName("Holder_ID")), nullptr);
  EXPECT_EQ(ds.FieldByName("Category")->Size(), 55);

  // Field objects survive re-creation, so pointers kept by the data module stay valid.
  TField* category = ds.FieldByName("Category");
  ds.Append();
  category->SetAsString(" x ");
  ds.Post();
  ds.CreateDataSet();
  EXPECT_EQ(ds.FieldByName("Category"), category);
  EXPECT_EQ(ds.RecordCount(), 0);
}

TEST(ClientDataSet, PlainStringFieldKeepsBlanks) {
  TClientDataSet ds("cds");
  TStringField* plain = ds.AddField<TStringField>("Name", 10);
  ds.CreateDataSet();
  ds.Append();
  plain->SetAsString(" a ");
  ds.Post();
  EXPECT_EQ(plain->AsString(), " a ");
}

TEST(ClientDataSet, MisuseIsReportedNotIgnored) {
  Reports r;
  EXPECT_THROW(r.ds.Append(), EDatabaseError);  // not active
  EXPECT_THROW(r.ds.EmptyDataSet(), EDatabaseError);
  r.ds.CreateDataSet();
  EXPECT_THROW(r.Holder_ID->SetAsInteger(1), EDatabaseError);  // no row being appended
  EXPECT_THROW(r.ds.AddField<TIntegerField>("Late"), EDatabaseError);

  r.ds.Append();
  const struct {
    const char* what;
    std::function<void()> write;
  } bad_writes[] = {
      {"integer from text", [&] { r.Holder_ID->SetAsString("12x"); }},
      {"integer beyond 32 bits", [&] { r.Holder_ID->SetAsInteger(1LL << 31); }},
      {"integer from NaN", [&] { r.Holder_ID->SetAsFloat(std::nan("")); }},
      {"currency from text", [&] { r.CashToRemit->SetAsString("1,000"); }},
      {"currency beyond range", [&] { r.CashToRemit->SetAsFloat(1e300); }},
      {"float from text", [&] { r.SharesToRemit->SetAsString("abc"); }},
      {"boolean from text", [&] { r.PassFail->SetAsString("maybe"); }},
      {"currency from boolean", [&] { r.CashToRemit->SetAsBoolean(true); }},
  };
  for (const auto& b : bad_writes) EXPECT_THROW(b.write(), EDatabaseError) << b.what;
  r.ds.Post();
  EXPECT_TRUE(r.Holder_ID->IsNullAt(0));
  EXPECT_TRUE(r.CashToRemit->IsNullAt(0));

  TClientDataSet unmatched("cds");
  unmatched.FieldDefs.Add("A", TFieldType::ftInteger);
  unmatched.AddField<TIntegerField>("B");
  EXPECT_THROW(unmatched.CreateDataSet(), EDatabaseError);
  EXPECT_FALSE(unmatched.Active());
  TClientDataSet mistyped("cds");
  mistyped.FieldDefs.Add("A", TFieldType::ftString, 5);
  mistyped.AddField<TIntegerField>("A");
  EXPECT_THROW(mistyped.CreateDataSet(), EDatabaseError);
}

TEST(ClientDataSet, ConversionsOnWrite) {
  Reports r;
  r.ds.CreateDataSet();
  r.ds.Append();
  r.Holder_ID->SetAsFloat(74.5);  // a half goes to the even neighbour
  r.NumOwners->SetAsString(" 42 ");
  r.SDBoxes->SetAsCurrency(*Currency::Parse("75.5"));
  r.CashToRemit->SetAsFloat(0.1);
  r.SharesToRemit->SetAsString("2.5");
  r.PassFail->SetAsString("true");
  r.ds.Post();
  EXPECT_EQ(r.Holder_ID->AsInteger(), 74);
  EXPECT_EQ(r.NumOwners->AsInteger(), 42);
  EXPECT_EQ(r.SDBoxes->AsInteger(), 76);
  EXPECT_EQ(r.CashToRemit->AsCurrency().Units(), 1000);
  EXPECT_DOUBLE_EQ(r.SharesToRemit->AsFloat(), 2.5);
  EXPECT_TRUE(r.PassFail->AsBoolean());
  EXPECT_EQ(r.PassFail->DisplayText(), "True");

  r.ds.Append();
  r.NumOwners->SetAsString("");  // empty text is null
  r.PassFail->SetAsBoolean(true);
  r.PassFail->Clear();
  r.ds.Post();
  EXPECT_TRUE(r.NumOwners->IsNull());
  EXPECT_TRUE(r.PassFail->IsNull());
}

TEST(ClientDataSet, CurrencySumsStayExact) {
  Reports r;
  r.ds.CreateDataSet();
  Currency total;
  for (int i = 0; i < 1000; ++i) total += Currency::FromDouble(0.1);
  total += Currency::FromDouble(0.2);
  r.ds.Append();
  r.CashToRemit->SetAsCurrency(total);
  r.ds.Post();
  EXPECT_EQ(r.CashToRemit->AsCurrency(), *Currency::Parse("100.2"));
  EXPECT_EQ(r.CashToRemit->AsString(), "100.2");
  EXPECT_EQ(r.CashToRemit->DisplayText(), "$100.20");
}

TEST(ClientDataSet, MoneyReadAsWholeNumber) {
  Reports r;
  r.ds.CreateDataSet();
  for (const char* cash : {"2.5", "3.5", "-1234.5", "3000000000", "-2147483649"}) {
    r.ds.Append();
    r.CashToRemit->SetAsCurrency(*Currency::Parse(cash));
    r.ds.Post();
  }
  // Nearest, a half to even; beyond 32 bits 0 rather than a wrapped value.
  const std::vector<std::int32_t> expected = {2, 4, -1234, 0, 0};
  for (int row = 0; row < r.ds.RecordCount(); ++row)
    EXPECT_EQ(r.CashToRemit->AsIntegerAt(row), expected[static_cast<std::size_t>(row)]) << row;
}

TEST(ClientDataSet, CursorWalksVisibleRows) {
  Reports r;
  r.ds.CreateDataSet();
  r.ds.First();
  EXPECT_TRUE(r.ds.Eof());
  EXPECT_EQ(r.ds.CurrentRow(), -1);
  EXPECT_TRUE(r.Holder_ID->IsNull());  // no row: reads are null, never a fault
  for (int id = 1; id <= 3; ++id) r.Add("H", 1, 0, "0", 0, id);
  EXPECT_EQ(r.ds.CurrentRow(), 2);  // the posted row is current

  std::vector<int> seen;
  for (r.ds.First(); !r.ds.Eof(); r.ds.Next()) seen.push_back(r.Holder_ID->AsInteger());
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(r.ds.CurrentRow(), 2);

  EXPECT_TRUE(r.ds.SetCurrentRow(1));
  EXPECT_EQ(r.Holder_ID->AsInteger(), 2);
  EXPECT_FALSE(r.ds.SetCurrentRow(3));
  EXPECT_FALSE(r.ds.SetCurrentRow(-1));
  EXPECT_EQ(r.ds.CurrentRow(), 1);
  EXPECT_EQ(r.Holder_ID->AsIntegerAt(99), 0);
  EXPECT_EQ(r.HolderName->DisplayTextAt(-5), "");

  r.ds.Close();
  EXPECT_EQ(r.ds.RecordCount(), 0);
  EXPECT_TRUE(r.ds.Eof());
  EXPECT_EQ(r.HolderName->AsStringAt(0), "");
}

// Score rows for reports 1..3, eleven each.
void FillScores(TClientDataSet& ds) {
  for (int id = 1; id <= 3; ++id) {
    for (int c = 0; c < 11; ++c) {
      ds.Append();
      ds.FieldByName("HOLDER_ID")->SetAsInteger(id);
      ds.FieldByName("CATEGORY")->SetAsString("Category " + std::to_string(c));
      ds.Post();
    }
  }
}

std::vector<int> VisibleIds(TClientDataSet& ds) {
  std::vector<int> ids;
  TField* id = ds.FieldByName("Holder_ID");
  for (int row = 0; row < ds.RecordCount(); ++row) ids.push_back(id->AsIntegerAt(row));
  return ids;
}

struct Scores {
  TClientDataSet ds{"cdsReportScore"};
  Scores() {
    ds.FieldDefs.Add("Holder_ID", TFieldType::ftInteger);
    ds.FieldDefs.Add("Category", TFieldType::ftString, 55);
    ds.CreateDataSet();
  }
};

TEST(ClientDataSetFilter, ShowsOneReportUntilReplaced) {
  Scores s;
  FillScores(s.ds);
  s.ds.SetFilter("Holder_ID = 3");
  EXPECT_EQ(s.ds.RecordCount(), 33);  // set but not switched on
  s.ds.SetFiltered(true);
  EXPECT_EQ(VisibleIds(s.ds), std::vector<int>(11, 3));
  EXPECT_EQ(s.ds.CurrentRow(), 0);
  EXPECT_EQ(s.ds.FieldByName("Category")->AsString(), "Category 0");

  s.ds.SetFilter("Holder_ID = 2");
  EXPECT_EQ(VisibleIds(s.ds), std::vector<int>(11, 2));
  s.ds.SetFilter("Holder_ID = 4");
  EXPECT_EQ(s.ds.RecordCount(), 0);
  EXPECT_EQ(s.ds.CurrentRow(), -1);
  s.ds.SetFilter("Holder_ID = 1");
  s.ds.SetFiltered(false);
  EXPECT_EQ(s.ds.RecordCount(), 33);
  EXPECT_EQ(s.ds.Filter(), "Holder_ID = 1");
  s.ds.SetFiltered(true);
  EXPECT_EQ(VisibleIds(s.ds), std::vector<int>(11, 1));
  s.ds.SetFilter("");
  EXPECT_EQ(s.ds.RecordCount(), 33);
}

TEST(ClientDataSetFilter, AcceptedSpellings) {
  Scores s;
  FillScores(s.ds);
  s.ds.SetFiltered(true);
  for (const char* text : {"Holder_ID = 2", "HOLDER_ID=2", "holder_id   =   +2",
                           " [Holder_ID] = 2 ", "Holder_ID = 0002"}) {
    s.ds.SetFilter(text);
    EXPECT_EQ(VisibleIds(s.ds), std::vector<int>(11, 2)) << text;
  }
  s.ds.SetFilter("Holder_ID = -2");
  EXPECT_EQ(s.ds.RecordCount(), 0);
}

TEST(ClientDataSetFilter, BadTextIsAnErrorAndKeepsTheFilterInForce) {
  Scores s;
  FillScores(s.ds);
  s.ds.SetFilter("Holder_ID = 3");
  s.ds.SetFiltered(true);
  for (const char* bad :
       {"Holder_ID", "Holder_ID =", "= 3", "Holder_ID == 3", "Holder_ID = 3x", "Holder_ID = 3.0",
        "Holder_ID = '3'", "Holder_ID = 3 or 1=1", "Holder_ID = 99999999999", "Nobody = 3",
        "Category = 3", "[Holder_ID = 3", "Holder_ID > 3"}) {
    try {
      s.ds.SetFilter(bad);
      ADD_FAILURE() << "accepted: " << bad;
    } catch (const EDatabaseError& e) {
      EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
    }
    EXPECT_EQ(s.ds.Filter(), "Holder_ID = 3");
    EXPECT_EQ(VisibleIds(s.ds), std::vector<int>(11, 3)) << bad;
  }
}

TEST(ClientDataSetFilter, EmptyingRemovesHiddenRowsToo) {
  Scores s;
  FillScores(s.ds);
  s.ds.SetFilter("Holder_ID = 3");
  s.ds.SetFiltered(true);
  s.ds.EmptyDataSet();
  EXPECT_EQ(s.ds.RecordCount(), 0);
  s.ds.SetFiltered(false);
  EXPECT_EQ(s.ds.RecordCount(), 0);

  // Refilled under the filter: only matching rows show, all rows are kept.
  s.ds.SetFiltered(true);
  FillScores(s.ds);
  EXPECT_EQ(VisibleIds(s.ds), std::vector<int>(11, 3));
  s.ds.SetFiltered(false);
  EXPECT_EQ(s.ds.RecordCount(), 33);
}

TEST(ClientDataSetFilter, SurvivesRecreation) {
  Scores s;
  s.ds.SetFilter("holder_id = 2");
  s.ds.SetFiltered(true);
  s.ds.CreateDataSet();
  FillScores(s.ds);
  EXPECT_EQ(VisibleIds(s.ds), std::vector<int>(11, 2));
}

// Records what a bound control hears.
struct Recorder : IDataSetObserver {
  std::vector<std::string> events;
  void DataSetChanging() override { events.push_back("changing"); }
  void DataSetChanged() override { events.push_back("changed"); }
  void CurrentRowChanged(int row) override { events.push_back("row " + std::to_string(row)); }
};

TEST(DataSource, DisabledControlsHearOnceAtTheEnd) {
  Scores s;
  TDataSource source(&s.ds);
  Recorder rec;
  source.AddObserver(&rec);

  s.ds.DisableControls();
  s.ds.DisableControls();
  s.ds.EmptyDataSet();
  FillScores(s.ds);
  s.ds.First();
  s.ds.Next();
  s.ds.EnableControls();
  EXPECT_EQ(rec.events, (std::vector<std::string>{"changing"}));
  s.ds.EnableControls();
  EXPECT_EQ(rec.events, (std::vector<std::string>{"changing", "changed"}));
  s.ds.EnableControls();  // unmatched: nothing
  EXPECT_EQ(rec.events.size(), 2u);
}

TEST(DataSource, EnabledControlsHearEachChange) {
  Scores s;
  TDataSource source(&s.ds);
  Recorder rec;
  source.AddObserver(&rec);

  s.ds.Append();
  s.ds.FieldByName("Holder_ID")->SetAsInteger(1);
  s.ds.Post();
  s.ds.Append();
  s.ds.Post();
  EXPECT_EQ(rec.events, (std::vector<std::string>{"changing", "changed", "changing", "changed"}));
  rec.events.clear();
  s.ds.First();
  s.ds.First();  // no move, no word
  s.ds.SetCurrentRow(1);
  s.ds.Next();  // at the end: no move
  EXPECT_EQ(rec.events, (std::vector<std::string>{"row 0", "row 1"}));
  rec.events.clear();
  s.ds.SetFilter("Holder_ID = 1");
  s.ds.SetFiltered(true);
  s.ds.EmptyDataSet();
  EXPECT_EQ(rec.events, (std::vector<std::string>{"changing", "changed", "changing", "changed",
                                                  "changing", "changed"}));
  rec.events.clear();
  EXPECT_THROW(s.ds.SetFilter("junk"), EDatabaseError);
  EXPECT_TRUE(rec.events.empty());

  source.RemoveObserver(&rec);
  s.ds.Close();
  EXPECT_TRUE(rec.events.empty());
}

TEST(DataSource, OutlivesOrIsOutlivedByItsDataSet) {
  Recorder rec;
  TDataSource source;
  source.AddObserver(&rec);
  {
    Scores s;
    source.SetDataSet(&s.ds);
    EXPECT_EQ(source.DataSet(), &s.ds);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"changing", "changed"}));
  }
  EXPECT_EQ(source.DataSet(), nullptr);
  {
    Scores s;
    auto other = std::make_unique<TDataSource>(&s.ds);
    other.reset();
    FillScores(s.ds);  // the freed source is no longer told
    EXPECT_EQ(s.ds.RecordCount(), 33);
  }
}

TEST(DataSource, ObserverMayLeaveWhileBeingTold) {
  Scores s;
  TDataSource source(&s.ds);
  struct Leaver : IDataSetObserver {
    TDataSource* src = nullptr;
    int told = 0;
    void DataSetChanged() override {
      ++told;
      src->RemoveObserver(this);
    }
  } leaver;
  leaver.src = &source;
  Recorder after;
  source.AddObserver(&leaver);
  source.AddObserver(&after);
  s.ds.EmptyDataSet();
  s.ds.EmptyDataSet();
  EXPECT_EQ(leaver.told, 1);
  EXPECT_EQ(after.events.size(), 4u);
}

TEST(Fields, AlignmentAndWidthsForGrids) {
  Reports r;
  EXPECT_EQ(r.HolderName->Alignment(), TAlignment::taLeftJustify);
  EXPECT_EQ(r.PassFail->Alignment(), TAlignment::taLeftJustify);
  for (TField* f : std::vector<TField*>{r.NumOwners, r.CashToRemit, r.SharesToRemit})
    EXPECT_EQ(f->Alignment(), TAlignment::taRightJustify) << f->FieldName();
  EXPECT_EQ(r.HolderName->DisplayWidth(), 40);
  EXPECT_EQ(r.PassFail->DisplayWidth(), 5);
  r.NumOwners->SetDisplayWidth(10);
  EXPECT_EQ(r.NumOwners->DisplayWidth(), 10);
}

TEST(Fields, PenaltyInTheGeneralFormatWithTwoDigits) {
  TClientDataSet ds("cdsReportScore");
  TFloatField* penalty = ds.AddField<TFloatField>("PenaltyAssessed");
  penalty->SetPrecision(2);
  ds.CreateDataSet();
  for (double v : {-7.5, -4.0 / 3, -4.0, 0.0}) {
    ds.Append();
    penalty->SetAsFloat(v);
    ds.Post();
  }
  EXPECT_EQ(penalty->DisplayTextAt(0), "-7.5");
  EXPECT_EQ(penalty->DisplayTextAt(1), "-1.3");
  EXPECT_EQ(penalty->DisplayTextAt(2), "-4");
  EXPECT_EQ(penalty->DisplayTextAt(3), "0");
  EXPECT_EQ(penalty->AsStringAt(1), "-1.33333333333333");
}

}  // namespace
}  // namespace qorva
