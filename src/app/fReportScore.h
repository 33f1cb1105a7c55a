// The score window: how one holder report was scored, one row per scoring category.
#pragma once

#include "AbsFormUnit.h"

class QLabel;

namespace qorva {

class TDBGrid;
class TDBText;
class TDataSource;

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

  void FormShow(QObject* Sender);
  // Sees keys pressed anywhere in the window; returns true when the key was used.
  bool FormKeyDown(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);

 protected:
  void showEvent(QShowEvent* e) override;
};

// The score window being shown (set by the reports grid).
extern TfmReportScore* fmReportScore;

}  // namespace qorva
