// Report and score rows for the window tests.
#pragma once

#include <string>

#include "dEncryptor.h"

namespace qorva::testing {

struct ReportRow {
  std::string name = "ACME HOLDINGS";
  std::string matches = "Match";
  int score = 90;
  int id = 1;
  int props = 3, sumProps = 3;
  int owners = 2, sdBoxes = 0;
  int recs = 7, sumRecs = 7;
  std::string cash = "1234.56", sumCash = "1234.56";
  double shares = 10.5, sumShares = 10.5;
};

// The data module's own datasets, filled by hand instead of by a load.
class ReportData {
 public:
  TdmEncryptor dm;
  TClientDataSet& cdsReports = dm.cdsReports;
  TDataSource& dsReports = dm.dsReports;
  TClientDataSet& cdsReportScore = dm.cdsReportScore;
  TDataSource& dsReportScore = dm.dsReportScore;

  ReportData() { cdsReports.CreateDataSet(); }

  void Add(const ReportRow& r) {
    cdsReports.Append();
    cdsReports.FieldByName("HOLDERNAME")->SetAsString(r.name);
    cdsReports.FieldByName("NUMPROPS")->SetAsInteger(r.props);
    cdsReports.FieldByName("NUMOWNERS")->SetAsInteger(r.owners);
    cdsReports.FieldByName("CASHTOREMIT")->SetAsCurrency(*Currency::Parse(r.cash));
    cdsReports.FieldByName("SHARESTOREMIT")->SetAsFloat(r.shares);
    cdsReports.FieldByName("SDBOXES")->SetAsInteger(r.sdBoxes);
    cdsReports.FieldByName("SUMMARYMATCHES")->SetAsString(r.matches);
    cdsReports.FieldByName("FILESCORE")->SetAsInteger(r.score);
    cdsReports.FieldByName("HOLDER_ID")->SetAsInteger(r.id);
    cdsReports.FieldByName("NUMRECCOUNT")->SetAsInteger(r.recs);
    cdsReports.FieldByName("SUMRECCOUNT")->SetAsInteger(r.sumRecs);
    cdsReports.FieldByName("SUMPROPS")->SetAsInteger(r.sumProps);
    cdsReports.FieldByName("SUMCASHTOREMIT")->SetAsCurrency(*Currency::Parse(r.sumCash));
    cdsReports.FieldByName("SUMSHARESTOREMIT")->SetAsFloat(r.sumShares);
    cdsReports.Post();
    // Eleven category rows per report; the category names carry the report number.
    for (int c = 1; c <= 11; ++c) {
      cdsReportScore.Append();
      cdsReportScore.FieldByName("HOLDER_ID")->SetAsInteger(r.id);
      cdsReportScore.FieldByName("CATEGORY")
          ->SetAsString("Report " + std::to_string(r.id) + " category " + std::to_string(c));
      cdsReportScore.FieldByName("RECORDSEVALUATED")->SetAsInteger(10 * c);
      cdsReportScore.FieldByName("RECORDSPENALIZED")->SetAsInteger(c);
      cdsReportScore.FieldByName("MAXPENALTY")->SetAsInteger(-10);
      cdsReportScore.FieldByName("PENALTYASSESSED")->SetAsFloat(-4.0 / 3.0);
      cdsReportScore.Post();
    }
  }

  void AddAll(std::initializer_list<ReportRow> rows) {
    cdsReports.DisableControls();
    cdsReportScore.DisableControls();
    for (const ReportRow& r : rows) Add(r);
    cdsReports.First();
    cdsReportScore.First();
    cdsReportScore.EnableControls();
    cdsReports.EnableControls();
  }
};

}  // namespace qorva::testing
