// An etched ruling line drawn along one edge of an otherwise invisible box.
#pragma once

#include <QWidget>

namespace qorva {

class TBevel : public QWidget {
  Q_OBJECT
 public:
  enum class TShape { RightLine, BottomLine };
  TBevel(QWidget* parent, const QString& name, QRect box, TShape shape);
  TShape Shape() const { return shape_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  TShape shape_;
};

}  // namespace qorva
