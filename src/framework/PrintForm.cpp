#include "PrintForm.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>
#include <cmath>
#include <exception>
#include <stdexcept>
#include <string>

#include "AbsLogger.h"
#include "w_dialog.h"

namespace qorva {
namespace {

PrintDialogHook& Hook() {
  static PrintDialogHook hook;
  return hook;
}

bool ShowPrintDialog(QPrinter& printer, QWidget* owner) {
  QPrintDialog dialog(&printer, owner);
  return dialog.exec() == QDialog::Accepted;
}

struct PrintError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void DrawScaled(QPainter& painter, const QImage& picture, double PW, double PH) {
  const double W = picture.width();
  const double H = picture.height();
  if (W <= 0 || H <= 0) return;
  // Fill the page along its shorter side, keeping the picture's proportions; the other
  // side may run off the page.
  double w, h;
  if (PW < PH) {
    w = PW;
    h = PW / W * H;
  } else {
    h = PH;
    w = PH / H * W;
  }
  painter.drawImage(QRect(0, 0, static_cast<int>(std::lround(w)), static_cast<int>(std::lround(h))),
                    picture);
}

void PrintPicture(QPrinter& printer, const QImage& picture) {
  QPainter painter;
  if (!painter.begin(&printer)) throw PrintError("Printing could not be started.");
  // A job that has begun is aborted, not ended, when a later step fails.
  try {
    DrawScaled(painter, picture, printer.width(), printer.height());
  } catch (...) {
    printer.abort();
    throw;
  }
  if (!painter.end()) throw PrintError("Printing could not be completed.");
}

}  // namespace

PrintDialogHook SetPrintDialogHook(PrintDialogHook hook) {
  PrintDialogHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

void DoPrintForm(QWidget* FormIn) {
  auto trace = AbsTrace(kTraceFramework);
  if (!FormIn) return;
  // The window renders itself, so covered or off-screen parts print as they are drawn.
  const QImage picture = FormIn->grab().toImage();
  try {
    QPrinter printer;
    const bool accepted = Hook() ? Hook()(printer, FormIn) : ShowPrintDialog(printer, FormIn);
    if (!accepted) return;
    PrintPicture(printer, picture);
  } catch (const std::exception& e) {
    ShowMessage(std::string("Unable to print the screen: ") + "\r" + e.what());
  } catch (...) {
    ShowMessage(std::string("Unable to print the screen: ") + "\r" + "Unknown error.");
  }
}

}  // namespace qorva
