// The score window: how one holder report was scored, one row per scoring category.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "AbsFormUnit.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace qorva {

class TDBGrid;
class TDBText;
class TDataSource;
class TdmEncryptor;

class TfmReportScore : public TAbsForm {
  Q_OBJECT
 public:
  // Shows the current report of `reports` and the rows of `scores` that pass its filter
  // (the data module's sources when not given). The window sets no filter itself.
  explicit TfmReportScore(QWidget* AOwner = nullptr, TDataSource* reports = nullptr,
                          TDataSource* scores = nullptr);

  QLabel* lblHolderName;
  TDBText* DBTextHolderName;
  TDBGrid* DBGrid1;
  // Below the grid: the penalised records (line, reason) of the category chosen in the grid,
  // and saving them as CSV.
  QLabel* lblRecords;
  QTreeWidget* lstRecords;
  QPushButton* btnSaveRecords;

  // The data module whose penalised records are shown (dmEncryptor when not set).
  void SetRecordsModule(const TdmEncryptor* module);
  // Asks where to save the records as CSV; nothing when cancelled. Tests replace it.
  std::function<std::optional<QString>(const QString& suggested_name)> ChooseCsvFile;
  // Shows the records of the grid's current category.
  void ShowCategoryRecords();
  // Writes the shown category's records to `path` (whole or not at all); false on failure.
  bool SaveRecordsCsv(const QString& path) const;

  void FormShow(QObject* Sender);
  // Sees keys pressed anywhere in the window; returns true when the key was used.
  bool FormKeyDown(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void SaveRecordsClick();

  TDataSource* scores_;
  const TdmEncryptor* module_ = nullptr;
  int holder_id_ = 0;
  int category_ = -1;
};

// The score window being shown (set by the reports grid).
extern TfmReportScore* fmReportScore;

}  // namespace qorva
