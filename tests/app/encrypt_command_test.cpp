// The encrypt command over the real envelope: the path rule, the success box, and the
// input that a later failed choice leaves in place.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include "BackgroundJob.h"
#include "app_test_support.h"

namespace qorva::testing {
namespace {

std::string Std(const QString& s) { return s.toStdString(); }

std::string NotExist(const QString& path) { return "File\r\r" + Std(path) + "\r\rdoes not exist."; }

std::string Succeeded(const QString& envelope) {
  return "Encryption has succeeded!\r\r" + Std(envelope) + "\r\rhas been created.";
}

QString Sep() { return QString(QDir::separator()); }

TEST_F(MainWindowTest, MissingChoiceWarnsAndKeepsTheLoadedFileAsEncryptInput) {
  QString sample = CopySample("QORVA_SAMPLE.txt", "QORVA_SAMPLE.txt");
  QString missing = DataPath("NEWER.txt");
  Show();
  ChooseFolder(data_.path());
  Open(sample);
  // The label reads "NONE SELECTED" while the warning is up.
  QString label_during_warning;
  struct Spy : IMessageHelper {
    QLabel* label;
    QString* seen;
    IMessageHelper* next;
    void Show(MessageKind k, const std::string& t) override {
      *seen = label->text();
      next->Show(k, t);
    }
    bool AskYesNo(const std::string& t) override { return next->AskYesNo(t); }
  } spy;
  spy.label = Window().lblSourceFileValue;
  spy.seen = &label_during_warning;
  spy.next = &messages_;
  SetMessages(&spy);
  Open(missing);
  SetMessages(&messages_);
  EXPECT_EQ(label_during_warning, "NONE SELECTED");
  EXPECT_EQ(Texts().back(), NotExist(missing));

  Window().btnEncryptClick();
  Settle();
  EXPECT_EQ(Texts().back(), Succeeded(DataPath("QORVA_SAMPLE.HDE")));
  EXPECT_TRUE(QFile::exists(DataPath("QORVA_SAMPLE.HDE")));
  EXPECT_FALSE(QFile::exists(DataPath("NEWER.HDE")));
  EXPECT_EQ(Window().lblSourceFileValue->text(), sample);
}

TEST_F(MainWindowTest, FailedLoadAfterPassingFileNeverEncryptsTheRejectedFile) {
  QString sample = CopySample("QORVA_SAMPLE.txt", "QORVA_SAMPLE.txt");
  QString broken = CopySample("QORVA_BROKEN.txt", "BROKEN.txt");
  Show();
  ChooseFolder(data_.path());
  Open(sample);
  Open(broken);
  ASSERT_FALSE(Texts().empty());  // the loader's own line error
  EXPECT_NE(Texts().back().find("Cannot load file."), std::string::npos);
  EXPECT_EQ(Ini()->ReadString("Paths", "InitialDir", ""),
            QDir::toNativeSeparators(data_.path()) + Sep());

  Window().EncryptSelected1->trigger();
  Settle();
  EXPECT_TRUE(QFile::exists(DataPath("QORVA_SAMPLE.HDE")));
  EXPECT_FALSE(QFile::exists(DataPath("BROKEN.HDE")));
}

// The envelope is named after the report without its last extension, in the output folder.
struct EnvelopeName {
  const char* name;
  const char* report;
  bool folder_has_separator;
  const char* envelope;
};

void PrintTo(const EnvelopeName& p, std::ostream* os) { *os << p.name; }

class EnvelopePathTest : public MainWindowTest,
                         public ::testing::WithParamInterface<EnvelopeName> {};

TEST_P(EnvelopePathTest, BuildsThePathAndReportsSuccess) {
  QString report = CopySample("QORVA_SAMPLE.txt", QString("in/") + GetParam().report);
  QDir().mkpath(DataPath("out"));
  QString out = QDir::toNativeSeparators(DataPath("out"));
  Show();
  ChooseFolder(GetParam().folder_has_separator ? out + Sep() : out);
  Open(report);
  ASSERT_TRUE(Window().btnEncrypt->isEnabled());
  Window().btnEncrypt->click();
  Settle();
  QString expected = out + Sep() + GetParam().envelope;
  EXPECT_EQ(ResultFile, Std(expected));
  EXPECT_EQ(Texts().back(), Succeeded(expected));
  EXPECT_TRUE(QFileInfo(expected).size() > 0);
  EXPECT_TRUE(WorkingFiles().isEmpty()) << Std(WorkingFiles().join(' '));
}

INSTANTIATE_TEST_SUITE_P(
    Names, EnvelopePathTest,
    ::testing::Values(EnvelopeName{"SpacesInName", "ACME 2024.txt", false, "ACME 2024.HDE"},
                      EnvelopeName{"SeveralDots", "a.b.txt", true, "a.b.HDE"},
                      EnvelopeName{"NoExtension", "REPORT", false, "REPORT.HDE"},
                      EnvelopeName{"UpperCaseAlways", "acme.dat", true, "acme.HDE"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, EncryptSelectedRunsOnlyWhileTheButtonIsEnabled) {
  QString failing = CopySample("QORVA_FAILING.txt", "QORVA_FAILING.txt");
  Show();
  ChooseFolder(data_.path());
  Open(failing);
  Window().EncryptSelected1->setEnabled(true);  // even if the menu item were reachable
  Window().EncryptSelected1->trigger();
  Window().btnEncryptClick();
  Settle();
  EXPECT_TRUE(Texts().empty());
  EXPECT_FALSE(QFile::exists(DataPath("QORVA_FAILING.HDE")));

  QString sample = CopySample("QORVA_SAMPLE.txt", "QORVA_SAMPLE.txt");
  Open(sample);
  Window().SelectFile1->trigger();  // the menu runs the open command (cancelled here)
  ASSERT_EQ(open_requests_.size(), 3u);
  Window().EncryptSelected1->trigger();
  Settle();
  EXPECT_EQ(Texts().back(), Succeeded(DataPath("QORVA_SAMPLE.HDE")));
}

TEST_F(MainWindowTest, ProgressDialogNamesTheFileAndGivesTheSameResult) {
  QString sample = CopySample("QORVA_SAMPLE.txt", "QORVA_SAMPLE.txt");
  TBackgroundJob::SetShowDelayForTesting(0);  // shown at once
  QStringList labels;
  TBackgroundJob::SetProgressHookForTesting([&](TProgressWindow& d) { labels << d.LabelText(); });
  Show();
  ChooseFolder(data_.path());
  Open(sample);
  EXPECT_TRUE(Window().btnEncrypt->isEnabled());
  Window().btnEncryptClick();
  Settle();
  EXPECT_EQ(Texts().back(), Succeeded(DataPath("QORVA_SAMPLE.HDE")));
  ASSERT_FALSE(labels.isEmpty());
  EXPECT_TRUE(labels.first().contains("QORVA_SAMPLE.txt"));
  EXPECT_TRUE(labels.last().contains("QORVA_SAMPLE.txt"));
}

}  // namespace
}  // namespace qorva::testing
