#include "fReportScore.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSaveFile>
#include <QShowEvent>
#include <QTreeWidget>
#include <sstream>

#include "AppModules.h"
#include "DBGrid.h"
#include "FormFonts.h"
#include "FormPlacement.h"
#include "KeyPreview.h"
#include "dEncryptor.h"
#include "w_dialog.h"

namespace qorva {

TfmReportScore* fmReportScore = nullptr;

namespace {

// The window grows below the grid to hold the records list.
constexpr int kRecordsHeight = 186;

}  // namespace

TfmReportScore::TfmReportScore(QWidget* AOwner, TDataSource* reports, TDataSource* scores)
    : TAbsForm(AOwner), module_(DataModule()) {
  if (!reports) reports = ReportsSource();
  if (!scores) scores = ScoreSource();
  scores_ = scores;
  setObjectName(QStringLiteral("fmReportScore"));
  setWindowTitle(QStringLiteral("Holder Report Score"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(575, 383 + kRecordsHeight);

  lblHolderName = new QLabel(QStringLiteral("Holder:"), this);
  lblHolderName->setObjectName(QStringLiteral("lblHolderName"));
  lblHolderName->setFont(SansFont(15));
  lblHolderName->move(26, 25);
  lblHolderName->adjustSize();

  DBTextHolderName = new TDBText(this, QStringLiteral("DBTextHolderName"), reports, "HolderName");
  DBTextHolderName->setFont(SansFont(15));
  DBTextHolderName->setGeometry(76, 25, 409, 19);
  KeepGapAfter(lblHolderName, DBTextHolderName, kHolderGap);

  DBGrid1 =
      new TDBGrid(this, QStringLiteral("DBGrid1"), scores,
                  {{"Category", QStringLiteral("Category"), 193, Qt::AlignLeft},
                   {"RecordsEvaluated", QStringLiteral("Recs. Evaluated"), 84, Qt::AlignHCenter},
                   {"RecordsPenalized", QStringLiteral("Recs. Penalized"), 84, Qt::AlignRight},
                   {"MaxPenalty", QStringLiteral("Max. Penalty"), -1, Qt::AlignLeft},
                   {"PenaltyAssessed", QStringLiteral("Penalty Assessed"), -1, Qt::AlignLeft}});
  DBGrid1->setGeometry(11, 54, 550, 299);
  DBGrid1->setAccessibleName(QStringLiteral("Score by category"));

  lblRecords = new QLabel(this);
  lblRecords->setObjectName(QStringLiteral("lblRecords"));
  lblRecords->setFont(SansFont(11));
  lblRecords->setGeometry(11, 361, 550, 16);
  lstRecords = new QTreeWidget(this);
  lstRecords->setObjectName(QStringLiteral("lstRecords"));
  lstRecords->setGeometry(11, 379, 550, 150);
  lstRecords->setRootIsDecorated(false);
  lstRecords->setUniformRowHeights(true);
  lstRecords->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstRecords->setHeaderLabels({QStringLiteral("Line"), QStringLiteral("Reason")});
  lstRecords->header()->setFont(SansFont(11));
  lstRecords->setColumnWidth(0, 70);
  lstRecords->setAccessibleName(QStringLiteral("Penalized records"));
  btnSaveRecords = new QPushButton(QStringLiteral("&Save as CSV..."), this);
  btnSaveRecords->setObjectName(QStringLiteral("btnSaveRecords"));
  btnSaveRecords->setGeometry(451, 535, 110, 25);
  btnSaveRecords->setAutoDefault(false);
  connect(btnSaveRecords, &QPushButton::clicked, this, [this] { SaveRecordsClick(); });
  connect(DBGrid1->Model(), &TDataSetModel::currentRowChanged, this,
          [this] { ShowCategoryRecords(); });
  ChooseCsvFile = [this](const QString& suggested) -> std::optional<QString> {
    QFileDialog dialog(this, QStringLiteral("Save Penalized Records"), suggested,
                       QStringLiteral("CSV Files (*.csv);;All Files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    SizeFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
  };
  ShowCategoryRecords();

  // Key preview: Esc and F1 work while the grid has the focus too.
  InstallKeyPreview(this,
                    [this](QKeyEvent* k) { return FormKeyDown(this, k->key(), k->modifiers()); });
}

void TfmReportScore::showEvent(QShowEvent* e) {
  if (!e->spontaneous()) FormShow(this);
  TAbsForm::showEvent(e);
}

void TfmReportScore::FormShow(QObject*) { CentreOver(this, MainWindowWidget()); }

void TfmReportScore::SetRecordsModule(const TdmEncryptor* module) {
  module_ = module;
  ShowCategoryRecords();
}

void TfmReportScore::ShowCategoryRecords() {
  lstRecords->clear();
  holder_id_ = 0;
  category_ = -1;
  const TClientDataSet* ds = scores_ ? scores_->DataSet() : nullptr;
  const int row = ds && ds->Active() ? ds->CurrentRow() : -1;
  if (row < 0 || !module_) {
    lblRecords->setText(QStringLiteral("Penalized records: choose a category above."));
    btnSaveRecords->setEnabled(false);
    return;
  }
  const std::string category = ds->FieldByName("CATEGORY")->AsStringAt(row);
  holder_id_ = ds->FieldByName("HOLDER_ID")->AsIntegerAt(row);
  category_ = ScoreCategoryOf(category);
  const std::int64_t penalised = ds->FieldByName("RECORDSPENALIZED")->AsIntegerAt(row);
  const std::vector<TPenalisedRecord>& records = module_->PenalisedRecords(holder_id_, category_);

  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(records.size()));
  for (const TPenalisedRecord& r : records) {
    auto* item = new QTreeWidgetItem(
        {QString::number(r.Line),
         QString::fromUtf8(r.Reason.data(), static_cast<qsizetype>(r.Reason.size()))});
    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    items << item;
  }
  lstRecords->addTopLevelItems(items);

  const QLocale us(QLocale::English, QLocale::UnitedStates);
  QString text = QStringLiteral("Penalized records, ") + QString::fromStdString(category);
  // Only the first records of a category are kept; the count above stays exact.
  if (penalised > static_cast<std::int64_t>(records.size()))
    text += QStringLiteral(" (the first %1 of %2)")
                .arg(us.toString(static_cast<qlonglong>(records.size())),
                     us.toString(static_cast<qlonglong>(penalised)));
  lblRecords->setText(text + QLatin1Char(':'));
  btnSaveRecords->setEnabled(!records.empty());
}

bool TfmReportScore::SaveRecordsCsv(const QString& path) const {
  if (!module_ || category_ < 0) return false;
  std::ostringstream csv;
  module_->WritePenalisedRecordsCsv(csv, holder_id_, category_);
  const std::string bytes = csv.str();
  // Written beside the target and renamed over it: never a half-written file.
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly)) return false;
  if (out.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
      static_cast<qint64>(bytes.size()))
    return false;
  return out.commit();
}

void TfmReportScore::SaveRecordsClick() {
  if (category_ < 0 || !ChooseCsvFile) return;
  const QString suggested =
      QStringLiteral("penalized-records-%1-%2.csv").arg(holder_id_).arg(category_ + 1);
  const std::optional<QString> path = ChooseCsvFile(suggested);
  if (!path) return;
  if (!SaveRecordsCsv(*path))
    ShowWarning(("The records could not be saved to\r\r" + *path + "\r").toUtf8().toStdString());
}

bool TfmReportScore::FormKeyDown(QObject*, int Key, Qt::KeyboardModifiers) {
  return DetailFormKeyDown(this, Key, true);
}

}  // namespace qorva
