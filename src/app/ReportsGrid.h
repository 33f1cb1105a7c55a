// The grid of holder reports in the main window: one row per report, a tick or a cross for
// its outcome, and summary and score cells drawn as buttons that open the detail windows.
#pragma once

#include <QPixmap>
#include <QStyle>
#include <functional>
#include <map>
#include <utility>

#include "DBGrid.h"

namespace qorva {

class TAbsForm;

class TReportsGrid : public TDBGrid {
  Q_OBJECT
 public:
  // Bound to the data module's report source unless `reports` is given; a click on a score
  // cell filters `scores` (the data module's score source unless given).
  explicit TReportsGrid(QWidget* parent, TDataSource* reports = nullptr,
                        TDataSource* scores = nullptr);

  // ImageList1: index 0 the green tick, index 1 the red cross, 16 x 16.
  static constexpr int kTick = 0;
  static constexpr int kCross = 1;
  QPixmap ImageList1(int index, qreal devicePixelRatio) const;
  // Which picture a visible row shows: decided from its summary comparison and its
  // rounded score, not from its PassFail value.
  int PassPictureIndex(int row) const;

  // Draws over a cell after its default drawing.
  void gridReportsDrawColumnCell(QPainter* canvas, const QRect& Rect, int DataCol, int Row,
                                 QStyle::State State);
  // After a click on a data cell (the clicked cell is already current).
  void gridReportsCellClick(int Column);

  // Shows a detail window modally; tests may replace it so that nothing blocks.
  std::function<void(TAbsForm& form)> ShowModal;

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void DrawButton(QPainter* canvas, const QRect& Rect, const QString& text);
  bool IsField(int column, const char* fieldName) const;
  TClientDataSet* Reports() const { return Model()->DataSet(); }

  TDataSource* scores_;
  mutable std::map<std::pair<int, qreal>, QPixmap> images_;
};

}  // namespace qorva
