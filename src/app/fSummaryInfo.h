// The summary window: a holder report's totals as its summary record states them beside
// the totals counted from its records, each counted total that differs shown in red.
#pragma once

#include "AbsFormUnit.h"

class QLabel;

namespace qorva {

class TBevel;
class TDBText;
class TDataSource;

class TfmSummaryInfo : public TAbsForm {
  Q_OBJECT
 public:
  // Shows the current row of the report dataset behind `reports` (the data module's
  // dsReports when not given).
  explicit TfmSummaryInfo(QWidget* AOwner = nullptr, TDataSource* reports = nullptr);

  QLabel* lblHolderName;
  TDBText* DBTextHolderName;
  QLabel* lblReported;
  QLabel* lblActual;
  QLabel* lblRecsInFile;
  TDBText* dbtextReportedRecs;
  TDBText* dbtextActualRecs;
  QLabel* lblPropCount;
  TDBText* dbtextReportedProps;
  TDBText* dbtextActualProps;
  QLabel* lblCash;
  TDBText* dbTextReportedCash;
  TDBText* dbtextActualCash;
  QLabel* lblShares;
  TDBText* dbtextReportedShares;
  TDBText* dbTextActualShares;
  TBevel *Bevel1, *Bevel2, *Bevel3, *Bevel4, *Bevel5, *Bevel6, *Bevel7, *Bevel8;

  void FormShow(QObject* Sender);
  void FormPaint(QObject* Sender);
  // Returns true when the key was used.
  bool FormKeyDown(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);

 protected:
  void showEvent(QShowEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  TDataSource* reports_;
};

// The summary window being shown (set by the reports grid).
extern TfmSummaryInfo* fmSummaryInfo;

}  // namespace qorva
