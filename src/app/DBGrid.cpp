#include "DBGrid.h"

#include <QHeaderView>

#include "FormFonts.h"

namespace qorva {

TDBGrid::TDBGrid(QWidget* parent, const QString& name, TDataSource* source,
                 std::vector<TDataSetColumn> columns)
    : QTableView(parent), model_(new TDataSetModel(source, std::move(columns), this)) {
  setObjectName(name);
  setAccessibleName(name);
  setModel(model_);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setShowGrid(true);
  setWordWrap(false);
  setTextElideMode(Qt::ElideNone);  // long texts are cut at the cell edge
  setCornerButtonEnabled(false);
  setTabKeyNavigation(false);

  horizontalHeader()->setFont(SansFont(11));
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setSectionsMovable(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(false);  // a title click selects nothing
  horizontalHeader()->setStretchLastSection(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 5);
  verticalHeader()->setMinimumWidth(12);
  verticalHeader()->setHighlightSections(false);
  verticalHeader()->setSectionsClickable(false);

  ApplyColumnWidths();
  connect(model_, &QAbstractItemModel::modelReset, this, &TDBGrid::ApplyColumnWidths);
  connect(model_, &TDataSetModel::currentRowChanged, this, &TDBGrid::FollowCurrentRow);
  FollowCurrentRow(model_->CurrentRow());
}

int TDBGrid::DefaultColumnWidth(const TField* field, const QString& title) const {
  const int chars = field ? field->DisplayWidth() : 10;
  const int cell = chars * fontMetrics().averageCharWidth() + 4;
  const int head = horizontalHeader()->fontMetrics().horizontalAdvance(title) + 8;
  return std::max(cell, head);
}

void TDBGrid::ApplyColumnWidths() {
  // A refill keeps the widths the user has dragged; only new columns get their widths.
  for (int c = sized_columns_; c < model_->columnCount(); ++c) {
    const TDataSetColumn& col = model_->Column(c);
    setColumnWidth(c, col.Width >= 0
                          ? col.Width
                          : DefaultColumnWidth(model_->FieldOf(c),
                                               model_->headerData(c, Qt::Horizontal).toString()));
  }
  sized_columns_ = model_->columnCount();
}

int TDBGrid::SelectedIndex() const {
  return currentIndex().isValid() ? currentIndex().column() : 0;
}

void TDBGrid::SetSelectedIndex(int column) {
  const int row = model_->CurrentRow();
  if (row >= 0) setCurrentIndex(model_->index(row, column));
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (!following_ && current.isValid()) model_->SetCurrentRow(current.row());
}

void TDBGrid::FollowCurrentRow(int row) {
  following_ = true;
  const int column = currentIndex().isValid() ? currentIndex().column() : 0;
  if (row >= 0 && row < model_->rowCount()) {
    setCurrentIndex(model_->index(row, column));
  } else {
    setCurrentIndex({});
  }
  following_ = false;
  viewport()->update();
  verticalHeader()->viewport()->update();
}

}  // namespace qorva
