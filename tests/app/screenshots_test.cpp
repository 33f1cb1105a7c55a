// Renders the grid and each detail window with real sample reports loaded into PNG files
// under the build folder (tests/app/screenshots), for people to look at.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>

#include "ReportsGrid.h"
#include "dEncryptor.h"
#include "fAboutQORVAEnc.h"
#include "fReportScore.h"
#include "fSummaryInfo.h"
#include "w_dialog.h"
#include "windows_test_support.h"

namespace qorva {
namespace {

QString ShotPath(const char* name) {
  QDir dir(QCoreApplication::applicationDirPath());
  dir.mkpath(QStringLiteral("screenshots"));
  return dir.filePath(QStringLiteral("screenshots/") + QLatin1String(name));
}

void Save(QWidget& w, const char* name) {
  const QImage img = w.grab().toImage();
  ASSERT_FALSE(img.isNull());
  ASSERT_TRUE(img.save(ShotPath(name))) << name;
}

TEST(Screenshots, GridAndDetailWindowsWithSampleReports) {
  testing::App();
  RecordingMessageHelper messages;
  TdmEncryptor dm;
  ASSERT_TRUE(dm.LoadQORVAFile(QORVA_SOURCE_DIR "/resources/sample/QORVA_FAILING.txt"))
      << ::testing::PrintToString(messages.texts());
  dmEncryptor = &dm;
  struct Reset {
    ~Reset() { dmEncryptor = nullptr; }
  } reset;

  QWidget host;
  host.resize(671, 201);
  TReportsGrid grid(&host);  // bound to the data module's reports
  grid.setGeometry(0, 0, 671, 201);
  host.show();
  ASSERT_GT(grid.Model()->rowCount(), 0);
  Save(host, "reports-grid.png");

  // The first report whose summary does not match, else the first.
  for (int r = 0; r < dm.cdsReports.RecordCount(); ++r) {
    if (dm.cdsReportsSummaryMatches->AsStringAt(r) != "Match") {
      dm.cdsReports.SetCurrentRow(r);
      break;
    }
  }
  {
    TfmSummaryInfo w(&host);
    w.show();
    w.grab();  // the paint rule runs on painting
    Save(w, "summary-window.png");
  }
  {
    dm.cdsReportScore.SetFilter("Holder_ID = " +
                                std::to_string(dm.cdsReportsHolder_ID->AsInteger()));
    dm.cdsReportScore.SetFiltered(true);
    TfmReportScore w(&host);
    w.show();
    EXPECT_EQ(w.DBGrid1->Model()->rowCount(), 11);
    Save(w, "score-window.png");
  }
  {
    TfmAboutQORVAENC w(&host);
    w.show();
    Save(w, "about-window.png");
  }
}

}  // namespace
}  // namespace qorva
