#include "ReportsGrid.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <memory>

#include "AppModules.h"
#include "FormFonts.h"
#include "Pictures.h"
#include "fReportScore.h"
#include "fSummaryInfo.h"

namespace qorva {
namespace {

// The cell-drawing event: the default drawing first, then the grid's own.
class TReportsGridDelegate : public QStyledItemDelegate {
 public:
  explicit TReportsGridDelegate(TReportsGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    grid_->gridReportsDrawColumnCell(painter, option.rect, index.column(), index.row(),
                                     option.state);
  }

 private:
  TReportsGrid* grid_;
};

std::vector<TDataSetColumn> ReportColumns() {
  const auto centre = Qt::AlignHCenter;
  return {
      {"HolderName", QStringLiteral("Holder Name"), 201, Qt::AlignLeft, Qt::AlignLeft},
      {"NumProps", QStringLiteral("# Props."), 45, centre, centre},
      {"NumOwners", QStringLiteral("# Owners"), 52, centre, centre},
      {"CashToRemit", QStringLiteral("$ to Remit"), 74, Qt::AlignRight},
      {"SharesToRemit", QStringLiteral("Shares to Remit"), 82, Qt::AlignRight},
      {"SDBoxes", QStringLiteral("SD Boxes"), 52, centre, centre},
      {"SummaryMatches", QStringLiteral("Summary"), 53, centre, centre},
      {"FileScore", QStringLiteral("Score"), 37, centre, centre},
      {"PassFail", QStringLiteral("Pass"), 32, centre, centre},
  };
}

}  // namespace

TReportsGrid::TReportsGrid(QWidget* parent, TDataSource* reports, TDataSource* scores)
    : TDBGrid(parent, QStringLiteral("gridReports"), reports ? reports : ReportsSource(),
              ReportColumns()),
      scores_(scores ? scores : ScoreSource()) {
  setAccessibleName(QStringLiteral("Holder reports"));
  setItemDelegate(new TReportsGridDelegate(this));
  // The drawn cells speak their meaning to screen readers.
  Model()->ExtraData = [this](const QModelIndex& index, int role) -> QVariant {
    if (role != Qt::AccessibleTextRole && role != Qt::ToolTipRole) return {};
    if (IsField(index.column(), "PassFail")) {
      return PassPictureIndex(index.row()) == kTick ? QStringLiteral("Passed")
                                                    : QStringLiteral("Failed");
    }
    if (role == Qt::ToolTipRole && IsField(index.column(), "SummaryMatches"))
      return QStringLiteral("Show the summary of this report");
    if (role == Qt::ToolTipRole && IsField(index.column(), "FileScore"))
      return QStringLiteral("Show the score of this report by category");
    return {};
  };
  connect(this, &QAbstractItemView::clicked, this,
          [this](const QModelIndex&) { gridReportsCellClick(SelectedIndex()); });
  ShowModal = [](TAbsForm& form) { form.exec(); };
}

bool TReportsGrid::IsField(int column, const char* fieldName) const {
  TField* f = Model()->FieldOf(column);
  return f && Reports() && f == Reports()->FindField(fieldName);
}

QPixmap TReportsGrid::ImageList1(int index, qreal devicePixelRatio) const {
  // Drawn once per screen density, not for every cell painted.
  QPixmap& image = images_[{index == kTick ? kTick : kCross, devicePixelRatio}];
  if (image.isNull()) {
    image = PicturePixmap(index == kTick ? TPicture::Tick : TPicture::Cross, {16, 16},
                          devicePixelRatio);
  }
  return image;
}

int TReportsGrid::PassPictureIndex(int row) const {
  TClientDataSet* ds = Reports();
  const TField* matches = ds ? ds->FindField("SummaryMatches") : nullptr;
  const TField* score = ds ? ds->FindField("FileScore") : nullptr;
  if (!matches || !score) return kCross;
  // Exactly "Match", case and all; the score as the grid shows it, rounded.
  if (matches->AsStringAt(row) != "Match") return kCross;
  if (score->AsIntegerAt(row) < 75) return kCross;
  return kTick;
}

void TReportsGrid::gridReportsDrawColumnCell(QPainter* canvas, const QRect& Rect, int DataCol,
                                             int Row, QStyle::State) {
  TClientDataSet* ds = Reports();
  if (!ds) return;
  if (IsField(DataCol, "PassFail")) {
    const qreal dpr = canvas->device() ? canvas->device()->devicePixelRatioF() : 1.0;
    canvas->drawPixmap(Rect.left() + 8, Rect.top() + 1, ImageList1(PassPictureIndex(Row), dpr));
  } else if (IsField(DataCol, "SummaryMatches")) {
    DrawButton(canvas, Rect, TextOf(ds->FindField("SummaryMatches")->AsStringAt(Row)).trimmed());
  } else if (IsField(DataCol, "FileScore")) {
    DrawButton(canvas, Rect,
               QString::number(ds->FindField("FileScore")->AsIntegerAt(Row)).trimmed());
  }
}

void TReportsGrid::DrawButton(QPainter* canvas, const QRect& Rect, const QString& text) {
  const QPalette& pal = palette();
  canvas->save();
  canvas->setRenderHint(QPainter::Antialiasing, false);
  canvas->setClipRect(Rect);
  canvas->fillRect(Rect, pal.color(QPalette::Button));
  canvas->setFont(font());
  canvas->setPen(pal.color(QPalette::ButtonText));
  const QFontMetrics fm(font());
  // Centred on the trimmed text; a text wider than the cell starts left of it.
  const int x = Rect.left() + (Rect.width() - fm.horizontalAdvance(text)) / 2;
  const int y = Rect.top() + 2;
  canvas->drawText(x, y + fm.ascent(), text);
  canvas->setBrush(Qt::NoBrush);
  canvas->setPen(QPen(pal.color(QPalette::Shadow), 0));
  canvas->drawRect(Rect.adjusted(0, 0, -1, -1));
  // The light edge up the left side and along the top makes the cell look raised.
  canvas->setPen(QPen(pal.color(QPalette::Light), 0));
  const QPoint edge[3] = {{Rect.left(), Rect.top() + Rect.height()},
                          {Rect.left(), Rect.top()},
                          {Rect.left() + Rect.width(), Rect.top()}};
  canvas->drawPolyline(edge, 3);
  canvas->restore();
}

void TReportsGrid::gridReportsCellClick(int Column) {
  TField* field = Model()->FieldOf(Column);
  if (!field || Model()->CurrentRow() < 0) return;
  QWidget* owner = MainWindowWidget() ? MainWindowWidget() : window();

  // The globals name the window only while it is shown: it is freed on every way out.
  struct Held {
    ~Held() { fmSummaryInfo = nullptr, fmReportScore = nullptr; }
  } held;
  if (field->Name() == "cdsReportsSummaryMatches") {
    auto form = std::make_unique<TfmSummaryInfo>(owner, Model()->DataSource());
    fmSummaryInfo = form.get();
    ShowModal(*form);
  } else if (field->Name() == "cdsReportsFileScore") {
    auto form = std::make_unique<TfmReportScore>(owner, Model()->DataSource(), scores_);
    fmReportScore = form.get();
    TField* id = Reports()->FindField("HOLDER_ID");
    if (scores_ && scores_->DataSet() && id) {
      // The filter stays after the window closes; the next score click replaces it.
      scores_->DataSet()->SetFilter("Holder_ID = " + std::to_string(id->AsInteger()));
      scores_->DataSet()->SetFiltered(true);
    }
    ShowModal(*form);
  } else {
    return;
  }
  SetSelectedIndex(0);
}

void TReportsGrid::keyPressEvent(QKeyEvent* e) {
  if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
      (IsField(SelectedIndex(), "SummaryMatches") || IsField(SelectedIndex(), "FileScore"))) {
    gridReportsCellClick(SelectedIndex());
    e->accept();
    return;
  }
  TDBGrid::keyPressEvent(e);
}

}  // namespace qorva
