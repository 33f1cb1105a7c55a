// A read-only grid over a dataset: title row, row indicator column, column and row lines,
// resizable columns, and the current cell kept in step with the dataset's current row.
#pragma once

#include <QTableView>

#include "DataSetModel.h"

namespace qorva {

class TDBGrid : public QTableView {
  Q_OBJECT
 public:
  TDBGrid(QWidget* parent, const QString& name, TDataSource* source,
          std::vector<TDataSetColumn> columns);

  TDataSetModel* Model() const { return model_; }
  // The grid's selected column (0-based), and setting it on the current row.
  int SelectedIndex() const;
  void SetSelectedIndex(int column);

  // Default width of a column showing `field`: its display width in average characters,
  // but never narrower than the title.
  int DefaultColumnWidth(const TField* field, const QString& title) const;

 protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  void ApplyColumnWidths();
  void FollowCurrentRow(int row);

  TDataSetModel* model_;
  bool following_ = false;
  int sized_columns_ = 0;
};

}  // namespace qorva
