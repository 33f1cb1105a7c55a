// Renders the main window with the sample report loaded, for people to look at.
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "app_test_support.h"

namespace qorva::testing {
namespace {

TEST_F(MainWindowTest, ScreenshotWithSampleReportLoaded) {
  QString sample = CopySample("QORVA_SAMPLE.txt", "QORVA_SAMPLE.txt");
  Window().SetCommandLine({sample});
  Show();
  ASSERT_TRUE(Window().btnEncrypt->isEnabled());
  QImage shot = Window().grab().toImage();
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.size(), Window().size() * shot.devicePixelRatio());
  QString folder = QStringLiteral(QORVA_BINARY_DIR "/screenshots");
  QDir().mkpath(folder);
  EXPECT_TRUE(shot.save(folder + "/main-window.png"));
}

}  // namespace
}  // namespace qorva::testing
