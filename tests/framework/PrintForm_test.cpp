#include "PrintForm.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "AbsFormUnit.h"
#include "w_dialog.h"

namespace qorva {
namespace {

QByteArray Inflate(const QByteArray& in) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return {};
  QByteArray out;
  char buf[16384];
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buf);
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(buf, static_cast<qsizetype>(sizeof buf - z.avail_out));
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END ? out : QByteArray();
}

// Where the page's one picture was drawn, in the printer's device units, read from the
// page's content stream: "sx 0 0 sy x y cm" then "W 0 0 -H 0 H cm /Im.. Do".
struct Placement {
  double x, y, width, height;
};

std::optional<Placement> PicturePlacement(const QString& pdf) {
  QFile f(pdf);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray data = f.readAll();
  static const QRegularExpression draw(
      "([-\\d.]+) 0 0 ([-\\d.]+) ([-\\d.]+) ([-\\d.]+) cm\\s+(\\d+) 0 0 -(\\d+) \\S+ \\S+ cm /Im");
  qsizetype from = 0;
  while ((from = data.indexOf("stream", from)) >= 0) {
    qsizetype begin = data.indexOf('\n', from) + 1;
    qsizetype end = data.indexOf("endstream", begin);
    if (begin <= 0 || end < 0) break;
    const QString content = QString::fromLatin1(Inflate(data.mid(begin, end - begin)));
    if (auto m = draw.match(content); m.hasMatch()) {
      return Placement{m.captured(3).toDouble(), m.captured(4).toDouble(),
                       m.captured(1).toDouble() * m.captured(5).toDouble(),
                       m.captured(2).toDouble() * m.captured(6).toDouble()};
    }
    from = end + 9;  // past "endstream"
  }
  return std::nullopt;
}

class PrintFormTest : public testing::Test {
 protected:
  void TearDown() override { SetPrintDialogHook({}); }
  QString Pdf() const { return dir.filePath("page.pdf"); }
  QTemporaryDir dir;
  RecordingMessageHelper messages;
};

TEST_F(PrintFormTest, PictureFillsThePageAlongItsShorterSide) {
  struct Case {
    const char* name;
    QSize window;
    QPageLayout::Orientation orientation;
  };
  const Case cases[] = {
      {"wide window, portrait page", {400, 200}, QPageLayout::Portrait},
      {"tall window, portrait page", {200, 500}, QPageLayout::Portrait},
      {"wide window, landscape page", {400, 200}, QPageLayout::Landscape},
      {"tall window, landscape page", {300, 600}, QPageLayout::Landscape},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(Pdf());
    TAbsForm form;
    form.resize(c.window);
    form.show();
    QWidget* owner = nullptr;
    double PW = 0, PH = 0;
    SetPrintDialogHook([&](QPrinter& printer, QWidget* o) {
      owner = o;
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(Pdf());
      printer.setPageOrientation(c.orientation);
      PW = printer.width();
      PH = printer.height();
      return true;
    });
    form.PrintForm1->trigger();

    EXPECT_EQ(owner, &form);
    EXPECT_TRUE(messages.entries().empty());
    const auto placed = PicturePlacement(Pdf());
    ASSERT_TRUE(placed.has_value());
    const double W = c.window.width(), H = c.window.height();
    const double want_w = PW < PH ? PW : std::lround(PH / H * W);
    const double want_h = PW < PH ? std::lround(PW / W * H) : PH;
    EXPECT_NEAR(placed->x, 0, 1e-6);
    EXPECT_NEAR(placed->y, 0, 1e-6);
    EXPECT_NEAR(placed->width, want_w, 0.01);
    EXPECT_NEAR(placed->height, want_h, 0.01);
  }
}

TEST_F(PrintFormTest, CancelPrintsNothing) {
  TAbsForm form;
  form.show();
  SetPrintDialogHook([&](QPrinter& printer, QWidget*) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(Pdf());
    return false;
  });
  form.PrintForm1->trigger();
  EXPECT_FALSE(QFile::exists(Pdf()));
  EXPECT_TRUE(messages.entries().empty());
}

TEST_F(PrintFormTest, PrinterErrorsAreReportedAndTheWindowStaysUsable) {
  struct Case {
    const char* name;
    PrintDialogHook hook;
    std::string text;
  };
  const QString unwritable = dir.filePath("missing-folder/page.pdf");
  const Case cases[] = {
      {"printer cannot start",
       [&](QPrinter& p, QWidget*) {
         p.setOutputFormat(QPrinter::PdfFormat);
         p.setOutputFileName(unwritable);
         return true;
       },
       "Unable to print the screen: \rPrinting could not be started."},
      {"printer raises", [](QPrinter&, QWidget*) -> bool { throw std::runtime_error("Paper jam"); },
       "Unable to print the screen: \rPaper jam"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    messages.clear();
    TAbsForm form;
    form.show();
    SetPrintDialogHook(c.hook);
    form.PrintForm1->trigger();
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].kind, MessageKind::Plain);
    EXPECT_EQ(messages.entries()[0].text, c.text);
    EXPECT_FALSE(QFile::exists(unwritable));
    EXPECT_TRUE(form.isVisible());
  }
}

}  // namespace
}  // namespace qorva
