#include "fReportScore.h"

#include <QKeyEvent>
#include <QLabel>
#include <QShowEvent>

#include "AppModules.h"
#include "DBGrid.h"
#include "FormFonts.h"
#include "FormPlacement.h"
#include "KeyPreview.h"

namespace qorva {

TfmReportScore* fmReportScore = nullptr;

TfmReportScore::TfmReportScore(QWidget* AOwner, TDataSource* reports, TDataSource* scores)
    : TAbsForm(AOwner) {
  if (!reports) reports = ReportsSource();
  if (!scores) scores = ScoreSource();
  setObjectName(QStringLiteral("fmReportScore"));
  setWindowTitle(QStringLiteral("Holder Report Score"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(575, 383);

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

  // Key preview: Esc and F1 work while the grid has the focus too.
  InstallKeyPreview(this,
                    [this](QKeyEvent* k) { return FormKeyDown(this, k->key(), k->modifiers()); });
}

void TfmReportScore::showEvent(QShowEvent* e) {
  if (!e->spontaneous()) FormShow(this);
  TAbsForm::showEvent(e);
}

void TfmReportScore::FormShow(QObject*) { CentreOver(this, MainWindowWidget()); }

bool TfmReportScore::FormKeyDown(QObject*, int Key, Qt::KeyboardModifiers) {
  return DetailFormKeyDown(this, Key, true);
}

}  // namespace qorva
