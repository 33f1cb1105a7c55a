#include "DataSetModel.h"

#include <QStringDecoder>

namespace qorva {

QString TextOf(const std::string& s) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
  if (!utf8.hasError()) return text;
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

Qt::Alignment QtAlignment(TAlignment a) {
  switch (a) {
    case TAlignment::taRightJustify:
      return Qt::AlignRight;
    case TAlignment::taCenter:
      return Qt::AlignHCenter;
    case TAlignment::taLeftJustify:
      break;
  }
  return Qt::AlignLeft;
}

// ---- TDataSetModel ------------------------------------------------------------------------

TDataSetModel::TDataSetModel(TDataSource* source, std::vector<TDataSetColumn> columns,
                             QObject* parent)
    : QAbstractTableModel(parent), source_(source), given_(std::move(columns)) {
  if (source_) source_->AddObserver(this);
  Rebuild();
}

TDataSetModel::~TDataSetModel() {
  if (source_) source_->RemoveObserver(this);
}

void TDataSetModel::Rebuild() {
  columns_ = given_;
  if (!columns_.empty()) return;
  if (TClientDataSet* ds = DataSet()) {
    for (int i = 0; i < ds->FieldCount(); ++i) {
      TField* f = ds->Fields(i);
      if (f && f->Visible()) columns_.push_back({f->FieldName()});
    }
  }
}

TField* TDataSetModel::FieldOf(int column) const {
  TClientDataSet* ds = DataSet();
  if (!ds || column < 0 || column >= static_cast<int>(columns_.size())) return nullptr;
  return ds->FindField(columns_[column].FieldName);
}

int TDataSetModel::CurrentRow() const {
  TClientDataSet* ds = DataSet();
  return ds && ds->Active() ? ds->CurrentRow() : -1;
}

void TDataSetModel::SetCurrentRow(int row) {
  TClientDataSet* ds = DataSet();
  if (ds && ds->Active() && row != ds->CurrentRow()) ds->SetCurrentRow(row);
}

int TDataSetModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || resetting_) return 0;
  TClientDataSet* ds = DataSet();
  return ds && ds->Active() ? ds->RecordCount() : 0;
}

int TDataSetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (ExtraData) {
    QVariant extra = ExtraData(index, role);
    if (extra.isValid()) return extra;
  }
  TField* f = FieldOf(index.column());
  if (!f) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return TextOf(f->DisplayTextAt(index.row()));
    case Qt::TextAlignmentRole: {
      const TDataSetColumn& c = columns_[index.column()];
      Qt::Alignment a = c.CellAlignment ? *c.CellAlignment : QtAlignment(f->Alignment());
      return QVariant::fromValue(a | Qt::AlignVCenter);
    }
    default:
      return {};
  }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical) {
    // The row indicator: a marker on the current row, no numbers.
    if (role == Qt::DisplayRole)
      return section == CurrentRow() ? QStringLiteral("\u25B8") : QString();
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignCenter);
    return {};
  }
  if (section < 0 || section >= static_cast<int>(columns_.size())) return {};
  const TDataSetColumn& c = columns_[section];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      if (c.Title) return *c.Title;
      if (TField* f = FieldOf(section)) return TextOf(f->DisplayLabel());
      return TextOf(c.FieldName);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(c.TitleAlignment | Qt::AlignVCenter);
    default:
      return {};
  }
}

Qt::ItemFlags TDataSetModel::flags(const QModelIndex& index) const {
  // Read-only: rows can be selected, never edited.
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TDataSetModel::DataSetChanging() {
  if (resetting_) return;
  beginResetModel();
  resetting_ = true;
}

void TDataSetModel::DataSetChanged() {
  if (!resetting_) beginResetModel();
  resetting_ = false;
  Rebuild();
  endResetModel();
  emit currentRowChanged(CurrentRow());
}

void TDataSetModel::CurrentRowChanged(int row) {
  const int rows = rowCount();
  if (rows > 0) emit headerDataChanged(Qt::Vertical, 0, rows - 1);
  emit currentRowChanged(row);
}

// ---- TDBText ------------------------------------------------------------------------------

TDBText::TDBText(QWidget* parent, const QString& name, TDataSource* source, std::string fieldName)
    : QLabel(parent), source_(source), field_name_(std::move(fieldName)) {
  setObjectName(name);
  setAttribute(Qt::WA_TranslucentBackground);
  if (source_) source_->AddObserver(this);
  Refresh();
}

TDBText::~TDBText() {
  if (source_) source_->RemoveObserver(this);
}

void TDBText::Refresh() {
  TClientDataSet* ds = source_ ? source_->DataSet() : nullptr;
  TField* f = ds && ds->Active() ? ds->FindField(field_name_) : nullptr;
  const QString text = f && ds->CurrentRow() >= 0 ? TextOf(f->DisplayText()) : QString();
  setText(text);
  setAccessibleName(QString::fromStdString(field_name_) + QStringLiteral(": ") + text);
}

}  // namespace qorva
