#include "Pictures.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

namespace qorva {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "app_windows_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = qApp ? nullptr : new QApplication(argc, argv);
  (void)app;
  return *static_cast<QApplication*>(QApplication::instance());
}

// Share of opaque pixels whose colour leans the given way.
double Share(const QImage& img, bool (*test)(QColor)) {
  int opaque = 0, hits = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      QColor c = img.pixelColor(x, y);
      if (c.alpha() < 128) continue;
      ++opaque;
      hits += test(c) ? 1 : 0;
    }
  return opaque ? double(hits) / opaque : 0;
}

TEST(Pictures, EveryPictureRendersSharpAtDesignSizeAndDoubleDensity) {
  App();
  for (TPicture p : {TPicture::OpenFolder, TPicture::Padlock, TPicture::Tick, TPicture::Cross,
                     TPicture::Logo, TPicture::ProgramIcon}) {
    SCOPED_TRACE(PicturePath(p).toStdString());
    QSize design = PictureDesignSize(p);
    for (qreal dpr : {1.0, 2.0}) {
      QPixmap pm = PicturePixmap(p, design, dpr);
      ASSERT_FALSE(pm.isNull());
      EXPECT_EQ(pm.size(), design * dpr);  // drawn at device resolution, not scaled up
      EXPECT_EQ(pm.deviceIndependentSize().toSize(), design);
      EXPECT_GT(Share(pm.toImage(), [](QColor) { return true; }), 0.0);
    }
    EXPECT_FALSE(PictureIcon(p).isNull());
  }
}

TEST(Pictures, TickIsGreenAndCrossIsRed) {
  App();
  QImage tick = PicturePixmap(TPicture::Tick, {16, 16}).toImage();
  QImage cross = PicturePixmap(TPicture::Cross, {16, 16}).toImage();
  auto green = [](QColor c) { return c.green() > c.red() + 40 && c.green() > c.blue() + 40; };
  auto red = [](QColor c) { return c.red() > c.green() + 60 && c.red() > c.blue() + 60; };
  EXPECT_GT(Share(tick, green), 0.8);
  EXPECT_GT(Share(cross, red), 0.8);
}

TEST(Pictures, LogoKeepsItsProportionsInAnotherBox) {
  App();
  QImage img = PicturePixmap(TPicture::Logo, {147, 147}).toImage();
  // 147 x 37 centred in a square: the band above and below stays empty.
  EXPECT_EQ(img.pixelColor(73, 5).alpha(), 0);
  EXPECT_GT(img.pixelColor(73, 73).alpha(), 0);
}

}  // namespace
}  // namespace qorva
