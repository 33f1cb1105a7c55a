#include "fSummaryInfo.h"

#include <QKeyEvent>
#include <QLabel>
#include <QShowEvent>

#include "AppModules.h"
#include "Bevel.h"
#include "DataSetModel.h"
#include "FormFonts.h"
#include "FormPlacement.h"
#include "KeyPreview.h"

namespace qorva {

TfmSummaryInfo* fmSummaryInfo = nullptr;

namespace {

QLabel* Caption(QWidget* parent, const char* name, QPoint at, const char* text, int px,
                bool underline = false) {
  auto* l = new QLabel(QString::fromLatin1(text), parent);
  l->setObjectName(QString::fromLatin1(name));
  QFont f = SansFont(px);
  f.setUnderline(underline);
  l->setFont(f);
  l->move(at);
  l->adjustSize();
  return l;
}

TDBText* Value(QWidget* parent, const char* name, QPoint at, TDataSource* source,
               const char* field) {
  auto* t = new TDBText(parent, QString::fromLatin1(name), source, field);
  t->setFont(SansFont(13));
  t->setAlignment(Qt::AlignRight | Qt::AlignTop);
  t->setGeometry(at.x(), at.y(), 133, 17);
  return t;
}

// The two totals of a row differ, compared in the field's own kind without tolerance.
bool Differ(const TClientDataSet& ds, const char* actual, const char* reported) {
  const TField* a = ds.FindField(actual);
  const TField* r = ds.FindField(reported);
  if (!a || !r) return false;
  switch (a->DataType()) {
    case TFieldType::ftCurrency:
      return a->AsCurrency() != r->AsCurrency();
    case TFieldType::ftFloat:
      return a->AsFloat() != r->AsFloat();
    default:
      return a->AsInteger() != r->AsInteger();
  }
}

}  // namespace

TfmSummaryInfo::TfmSummaryInfo(QWidget* AOwner, TDataSource* reports)
    : TAbsForm(AOwner), reports_(reports ? reports : ReportsSource()) {
  setObjectName(QStringLiteral("fmSummaryInfo"));
  setWindowTitle(QStringLiteral("Summary Information"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(495, 322);

  lblHolderName = Caption(this, "lblHolderName", {17, 30}, "Holder:", 15);
  DBTextHolderName = new TDBText(this, QStringLiteral("DBTextHolderName"), reports_, "HolderName");
  DBTextHolderName->setFont(SansFont(15));
  DBTextHolderName->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  DBTextHolderName->setGeometry(67, 30, 409, 19);
  KeepGapAfter(lblHolderName, DBTextHolderName, kHolderGap);

  lblReported = Caption(this, "lblReported", {241, 80}, "Reported", 13, true);
  lblActual = Caption(this, "lblActual", {421, 80}, "Actual", 13, true);

  lblRecsInFile = Caption(this, "lblRecsInFile", {17, 117}, "Records In File...", 13);
  dbtextReportedRecs = Value(this, "dbtextReportedRecs", {165, 117}, reports_, "SumRecCount");
  dbtextActualRecs = Value(this, "dbtextActualRecs", {325, 117}, reports_, "NumRecCount");
  lblPropCount = Caption(this, "lblPropCount", {17, 149}, "# of Properties...", 13);
  dbtextReportedProps = Value(this, "dbtextReportedProps", {165, 149}, reports_, "SumProps");
  dbtextActualProps = Value(this, "dbtextActualProps", {325, 149}, reports_, "NumProps");
  lblCash = Caption(this, "lblCash", {17, 180}, "Cash Remittance...", 13);
  dbTextReportedCash = Value(this, "dbTextReportedCash", {165, 180}, reports_, "SumCashToRemit");
  dbtextActualCash = Value(this, "dbtextActualCash", {325, 180}, reports_, "CashToRemit");
  lblShares = Caption(this, "lblShares", {17, 212}, "Shares Remittance...", 13);
  dbtextReportedShares =
      Value(this, "dbtextReportedShares", {165, 212}, reports_, "SumSharesToRemit");
  dbTextActualShares = Value(this, "dbTextActualShares", {325, 212}, reports_, "SharesToRemit");

  using S = TBevel::TShape;
  Bevel8 = new TBevel(this, QStringLiteral("Bevel8"), {144, 97, 9, 139}, S::RightLine);
  Bevel1 = new TBevel(this, QStringLiteral("Bevel1"), {303, 96, 9, 139}, S::RightLine);
  Bevel7 = new TBevel(this, QStringLiteral("Bevel7"), {462, 96, 9, 139}, S::RightLine);
  Bevel6 = new TBevel(this, QStringLiteral("Bevel6"), {140, 103, 330, 9}, S::BottomLine);
  Bevel2 = new TBevel(this, QStringLiteral("Bevel2"), {140, 134, 330, 9}, S::BottomLine);
  Bevel3 = new TBevel(this, QStringLiteral("Bevel3"), {140, 165, 330, 9}, S::BottomLine);
  Bevel5 = new TBevel(this, QStringLiteral("Bevel5"), {140, 196, 330, 9}, S::BottomLine);
  Bevel4 = new TBevel(this, QStringLiteral("Bevel4"), {140, 227, 330, 9}, S::BottomLine);

  // The window takes no focus of its own controls; keys come to the window itself.
  setFocusPolicy(Qt::StrongFocus);
  InstallKeyPreview(this,
                    [this](QKeyEvent* k) { return FormKeyDown(this, k->key(), k->modifiers()); });
}

void TfmSummaryInfo::showEvent(QShowEvent* e) {
  if (!e->spontaneous()) FormShow(this);
  TAbsForm::showEvent(e);
}

void TfmSummaryInfo::FormShow(QObject*) { CentreOver(this, MainWindowWidget()); }

void TfmSummaryInfo::paintEvent(QPaintEvent* e) {
  TAbsForm::paintEvent(e);
  FormPaint(this);
}

void TfmSummaryInfo::FormPaint(QObject*) {
  const TClientDataSet* ds = reports_ ? reports_->DataSet() : nullptr;
  if (!ds || !ds->Active() || ds->CurrentRow() < 0) return;
  const struct {
    const char* actual;
    const char* reported;
    TDBText* control;
  } rows[] = {{"NUMRECCOUNT", "SUMRECCOUNT", dbtextActualRecs},
              {"NUMPROPS", "SUMPROPS", dbtextActualProps},
              {"CASHTOREMIT", "SUMCASHTOREMIT", dbtextActualCash},
              {"SHARESTOREMIT", "SUMSHARESTOREMIT", dbTextActualShares}};
  for (const auto& row : rows) {
    if (!Differ(*ds, row.actual, row.reported)) continue;
    // Never set back: the window is made anew for every display.
    QPalette pal = row.control->palette();
    if (pal.color(QPalette::WindowText) == QColor(255, 0, 0)) continue;
    pal.setColor(QPalette::WindowText, QColor(255, 0, 0));
    row.control->setPalette(pal);
  }
}

bool TfmSummaryInfo::FormKeyDown(QObject*, int Key, Qt::KeyboardModifiers) {
  return DetailFormKeyDown(this, Key, true);
}

}  // namespace qorva
