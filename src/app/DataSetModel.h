// A Qt item model over a client dataset, for the grids: one row per visible (filtered) row,
// the fields' display texts and alignments, following the dataset's change notifications.
#pragma once

#include <QAbstractTableModel>
#include <QLabel>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "DataSet.h"

namespace qorva {

// Dataset text is 8-bit: UTF-8 where it is valid UTF-8, else Latin-1.
QString TextOf(const std::string& s);
Qt::Alignment QtAlignment(TAlignment a);

// One grid column: a field shown under a title.
struct TDataSetColumn {
  TDataSetColumn(std::string fieldName, std::optional<QString> title = std::nullopt, int width = -1,
                 Qt::Alignment titleAlignment = Qt::AlignLeft,
                 std::optional<Qt::Alignment> cellAlignment = std::nullopt)
      : FieldName(std::move(fieldName)),
        Title(std::move(title)),
        Width(width),
        TitleAlignment(titleAlignment),
        CellAlignment(cellAlignment) {}

  std::string FieldName;         // matched without regard to case
  std::optional<QString> Title;  // the field's display label when not given
  int Width;                     // pixels; -1 = the grid's default for the field
  Qt::Alignment TitleAlignment;
  std::optional<Qt::Alignment> CellAlignment;  // the field's own when not given
};

class TDataSetModel : public QAbstractTableModel, private IDataSetObserver {
  Q_OBJECT
 public:
  // Columns: the given ones, or every visible field of the dataset in order when empty.
  // The source is not owned and must outlive the model.
  explicit TDataSetModel(TDataSource* source, std::vector<TDataSetColumn> columns = {},
                         QObject* parent = nullptr);
  ~TDataSetModel() override;

  TDataSource* DataSource() const { return source_; }
  TClientDataSet* DataSet() const { return source_ ? source_->DataSet() : nullptr; }
  const TDataSetColumn& Column(int column) const { return columns_.at(column); }
  // The field shown in a column; nullptr for a column whose field the dataset lacks.
  TField* FieldOf(int column) const;

  // The dataset's current row (-1: none), and making a visible row current.
  int CurrentRow() const;
  void SetCurrentRow(int row);

  // Consulted first for every cell read; an invalid QVariant falls back to the field.
  std::function<QVariant(const QModelIndex& index, int role)> ExtraData;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  void currentRowChanged(int row);

 private:
  void DataSetChanging() override;
  void DataSetChanged() override;
  void CurrentRowChanged(int row) override;
  void Rebuild();

  TDataSource* source_;
  std::vector<TDataSetColumn> given_;
  std::vector<TDataSetColumn> columns_;
  bool resetting_ = false;
};

// A label showing one field's display text for the dataset's current row.
class TDBText : public QLabel, private IDataSetObserver {
  Q_OBJECT
 public:
  TDBText(QWidget* parent, const QString& name, TDataSource* source, std::string fieldName);
  ~TDBText() override;
  const std::string& DataField() const { return field_name_; }
  // Reads the text again from the dataset.
  void Refresh();

 private:
  void DataSetChanged() override { Refresh(); }
  void CurrentRowChanged(int) override { Refresh(); }

  TDataSource* source_;
  std::string field_name_;
};

}  // namespace qorva
