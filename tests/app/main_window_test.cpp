// The main window's commands, settings file, encrypt state and keys, driven through scripted
// dialogs over real report files, the real loader and the real envelope.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QUrl>
#include <future>
#include <stdexcept>

#include "BackgroundJob.h"
#include "ReportsGrid.h"
#include "app_test_support.h"
#include "fAboutQORVAEnc.h"
#include "fSummaryInfo.h"

namespace qorva::testing {
namespace {

const std::string kEncryptFailed = "Encryption failed.\r\rNo file has been created.";

std::string Std(const QString& s) { return s.toStdString(); }

QString Sep() { return QString(QDir::separator()); }

int HelpWindows() {
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowTitle() == "QORVA File Encryption Utility Help" && w->isVisible()) ++n;
  return n;
}

QWidget* HelpWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowTitle() == "QORVA File Encryption Utility Help") return w;
  return nullptr;
}

void PressKey(QWidget* target, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

TEST_F(MainWindowTest, StartsWithNothingChosenAndEncryptOff) {
  Show();
  auto& w = Window();
  EXPECT_EQ(w.windowTitle(), "QORVA File Encryption Utility");
  EXPECT_EQ(w.windowIconText(), "QORVA File Encryption Utillity");
  EXPECT_EQ(w.lblSourceFileValue->text(), "NONE SELECTED");
  // The default output folder is the program's own, which exists.
  EXPECT_EQ(w.lblOutputPathValue->text(), Home());
  EXPECT_EQ(OutputDir, Std(Home()));
  EXPECT_EQ(HomePath, Std(Home()));
  for (QLabel* l : {w.lblCreatorValue, w.lblVersionValue, w.lblContactValue})
    EXPECT_EQ(l->text(), "") << Std(l->objectName());
  EXPECT_FALSE(w.btnEncrypt->isEnabled());
  EXPECT_FALSE(w.EncryptSelected1->isEnabled());
  EXPECT_EQ(w.btnEncrypt->text(), "E&ncrypt File");
  EXPECT_TRUE(Texts().empty());
}

// Placement by outer frames, once the window system has framed the windows (the offscreen
// platform draws a thin frame too).
TEST_F(MainWindowTest, OuterSizeAndCentringCountTheFrame) {
  Show();
  auto& w = Window();
  for (int i = 0; i < 20 && w.frameGeometry() == w.geometry(); ++i)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  if (w.frameGeometry() == w.geometry()) GTEST_SKIP() << "no window frames on this platform";
  QCoreApplication::processEvents();
  EXPECT_EQ(w.frameGeometry().size(), QSize(695, 474));

  TfmSummaryInfo summary(&w);
  summary.show();
  QCoreApplication::processEvents();
  const QRect m = w.frameGeometry(), own = summary.frameGeometry();
  EXPECT_NE(own.size(), summary.size());  // framed
  EXPECT_EQ(own.topLeft(), QPoint(m.left() + (m.width() - own.width()) / 2,
                                  m.top() + (m.height() - own.height()) / 2));
}

TEST_F(MainWindowTest, MenusCarryTheirCaptionsAndAccelerators) {
  auto& w = Window();
  EXPECT_EQ(w.File1->title(), "&File");
  EXPECT_EQ(w.Help1->title(), "&Help");
  QStringList file, help;
  for (QAction* a : w.File1->actions()) file << a->text();
  for (QAction* a : w.Help1->actions()) help << a->text();
  EXPECT_EQ(file,
            QStringList({"&Select File To Encrypt", "Choose O&utput Path", "E&ncrypt Selected"}));
  EXPECT_EQ(help, QStringList({"Vie&w Help File (F1)", "A&bout Zizuvozuv"}));
  // Every control can be told apart by assistive technology.
  for (QWidget* c : std::initializer_list<QWidget*>{
           w.btnOpen, w.lblSourceFileValue, w.btnOutputPath, w.lblOutputPathValue,
           w.lblCreatorValue, w.lblVersionValue, w.lblContactValue, w.gridReports, w.btnEncrypt})
    EXPECT_FALSE(c->accessibleName().isEmpty()) << Std(c->objectName());
}

TEST_F(MainWindowTest, OpenDialogAsksWithTitleFilterAndRememberedFolder) {
  QString sample = CopySample("QORVA_SAMPLE.txt", "in/QORVA_SAMPLE.txt");
  Show();
  Open(sample);
  ASSERT_EQ(open_requests_.size(), 1u);
  EXPECT_EQ(open_requests_[0].title, "Choose QORVA File To Encrypt");
  EXPECT_EQ(open_requests_[0].directory, Home());  // no InitialDir yet
  EXPECT_EQ(open_requests_[0].nameFilters,
            QStringList({"Text Files (*.txt *.kvx *.dat)", "All Files (*)"}));

  auto& w = Window();
  EXPECT_EQ(w.lblSourceFileValue->text(), sample);
  EXPECT_EQ(QORVAFileName, Std(sample));
  EXPECT_EQ(w.lblCreatorValue->text().trimmed().isEmpty(), false);
  QString folder = QFileInfo(sample).absolutePath() + Sep();
  EXPECT_EQ(Ini()->ReadString("Paths", "InitialDir", ""), QDir::toNativeSeparators(folder));

  // A later run starts the dialog in the remembered folder.
  window_.reset();
  window_ = std::make_unique<TfmEncryptMain>();
  window_->SetCommandLine({});
  window_->SetDialogs(
      [this](const TOpenFileRequest& r) {
        open_requests_.push_back(r);
        return std::optional<QString>();
      },
      nullptr);
  Show();
  window_->btnOpenClick();
  EXPECT_EQ(open_requests_.back().directory, QDir::toNativeSeparators(folder));
}

TEST_F(MainWindowTest, CancelledOpenChangesNothing) {
  Show();
  Open(std::nullopt);
  EXPECT_EQ(Window().lblSourceFileValue->text(), "NONE SELECTED");
  EXPECT_TRUE(QORVAFileName.empty());
  EXPECT_TRUE(Texts().empty());
  EXPECT_FALSE(Ini()->ValueExists("Paths", "InitialDir"));
}

// The encrypt controls follow the last successful load; a failed or missing choice leaves
// them, the labels and the encrypt input as they were.
struct LoadSequence {
  const char* name;
  std::vector<const char*> files;  // samples, or "missing"
  bool encrypt_enabled;
  const char* shown;  // the file the window shows and encrypts afterwards, or nullptr
};

void PrintTo(const LoadSequence& p, std::ostream* os) { *os << p.name; }

class EncryptStateTest : public MainWindowTest,
                         public ::testing::WithParamInterface<LoadSequence> {};

TEST_P(EncryptStateTest, FollowsTheLastSuccessfulLoad) {
  Show();
  for (const char* f : GetParam().files) {
    QString path = std::string(f) == "missing" ? DataPath("missing.txt") : CopySample(f, f);
    Open(path);
  }
  auto& w = Window();
  EXPECT_EQ(w.btnEncrypt->isEnabled(), GetParam().encrypt_enabled);
  EXPECT_EQ(w.EncryptSelected1->isEnabled(), GetParam().encrypt_enabled);
  if (GetParam().shown) {
    EXPECT_EQ(w.lblSourceFileValue->text(), DataPath(GetParam().shown));
    EXPECT_EQ(QORVAFileName, Std(DataPath(GetParam().shown)));
  } else {
    EXPECT_EQ(w.lblSourceFileValue->text(), "NONE SELECTED");
    EXPECT_TRUE(QORVAFileName.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Loads, EncryptStateTest,
    ::testing::Values(
        LoadSequence{"AllPass", {"QORVA_SAMPLE.txt"}, true, "QORVA_SAMPLE.txt"},
        LoadSequence{"OneFails", {"QORVA_FAILING.txt"}, false, "QORVA_FAILING.txt"},
        LoadSequence{
            "PassThenFail", {"QORVA_SAMPLE.txt", "QORVA_FAILING.txt"}, false, "QORVA_FAILING.txt"},
        LoadSequence{
            "FailThenPass", {"QORVA_FAILING.txt", "QORVA_SAMPLE.txt"}, true, "QORVA_SAMPLE.txt"},
        LoadSequence{
            "PassThenBroken", {"QORVA_SAMPLE.txt", "QORVA_BROKEN.txt"}, true, "QORVA_SAMPLE.txt"},
        LoadSequence{"PassThenMissing", {"QORVA_SAMPLE.txt", "missing"}, true, "QORVA_SAMPLE.txt"},
        LoadSequence{"BrokenAlone", {"QORVA_BROKEN.txt"}, false, nullptr},
        LoadSequence{"MissingAlone", {"missing"}, false, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, EncryptIntoMissingFolderReportsFailureAndWritesNothing) {
  QString report = CopySample("QORVA_SAMPLE.txt", "QORVA_SAMPLE.txt");
  Show();
  ChooseFolder(DataPath("no-such-folder"));
  Open(report);
  Window().btnEncryptClick();
  Settle();
  EXPECT_EQ(Texts().back(), kEncryptFailed);
  EXPECT_FALSE(QFile::exists(DataPath("no-such-folder/QORVA_SAMPLE.HDE")));
}

// The output-folder command writes the label and the setting whether confirmed or not.
TEST_F(MainWindowTest, OutputFolderConfirmedOrCancelledRewritesLabelAndSetting) {
  Show();
  QString chosen = QDir::toNativeSeparators(data_.path());
  ChooseFolder(chosen);
  ASSERT_EQ(folder_requests_.size(), 1u);
  EXPECT_EQ(folder_requests_[0], Home());
  EXPECT_EQ(Window().lblOutputPathValue->text(), chosen);
  EXPECT_EQ(OutputDir, Std(chosen));
  EXPECT_EQ(Ini()->ReadString("Paths", "OutputDir", ""), chosen);

  Ini()->WriteString("Paths", "OutputDir", "scribbled");
  Window().ChooseOutputPath1->trigger();  // the menu item; the dialog is cancelled
  ASSERT_EQ(folder_requests_.size(), 2u);
  EXPECT_EQ(folder_requests_[1], chosen);
  EXPECT_EQ(Window().lblOutputPathValue->text(), chosen);
  EXPECT_EQ(OutputDir, Std(chosen));
  EXPECT_EQ(Ini()->ReadString("Paths", "OutputDir", ""), chosen);
}

// What the show handler makes of the saved output folder.
struct SavedFolder {
  const char* name;
  std::optional<QString> saved;  // relative to the data folder; "" = empty value
  bool exists;
};

void PrintTo(const SavedFolder& p, std::ostream* os) { *os << p.name; }

class SavedFolderTest : public MainWindowTest, public ::testing::WithParamInterface<SavedFolder> {};

TEST_P(SavedFolderTest, RestoresOutputFolder) {
  QString saved = GetParam().saved->isEmpty() ? QString() : DataPath(*GetParam().saved);
  if (GetParam().exists) QDir().mkpath(saved);
  Ini()->WriteString("Paths", "OutputDir", saved);
  Show();
  EXPECT_EQ(OutputDir, Std(saved));
  EXPECT_EQ(Window().FolderDialogDirectory(), saved);
  EXPECT_EQ(Window().lblOutputPathValue->text(), GetParam().exists ? saved : "NOT SPECIFIED");
}

INSTANTIATE_TEST_SUITE_P(Folders, SavedFolderTest,
                         ::testing::Values(SavedFolder{"Existing", QString("out"), true},
                                           SavedFolder{"Missing", QString("gone"), false},
                                           SavedFolder{"Empty", QString(""), false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A settings file written by hand (or by the Windows profile functions) reads as plain text.
TEST_F(MainWindowTest, HandWrittenSettingsFileReadsAsWritten) {
  QString out = DataPath("Out, 2024");
  QDir().mkpath(out);
  {
    QFile f(home_.filePath("Zizuvozuv.INI"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("; folders\r\n[Paths]\r\nInitialDir=C:\\Data\\Reports\\\r\nOutputDir=" +
            QFile::encodeName(out) + "\r\n[Other]\r\nKeep=me\r\n");
  }
  Show();
  EXPECT_EQ(Window().OpenDialogInitialDir(), "C:\\Data\\Reports\\");
  EXPECT_EQ(OutputDir, Std(out));
  EXPECT_EQ(Window().lblOutputPathValue->text(), out);
  ChooseFolder(std::nullopt);
  QFile f(home_.filePath("Zizuvozuv.INI"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "; folders\r\n[Paths]\r\nInitialDir=C:\\Data\\Reports\\\r\nOutputDir=" +
                             QFile::encodeName(out) + "\r\n[Other]\r\nKeep=me\r\n");
}

// A report file named on the command line is loaded when the window first shows.
struct CommandLine {
  const char* name;
  const char* argument;  // in the data folder
  bool loads;
  bool dialog_name_kept;
};

void PrintTo(const CommandLine& p, std::ostream* os) { *os << p.name; }

class CommandLineTest : public MainWindowTest, public ::testing::WithParamInterface<CommandLine> {};

TEST_P(CommandLineTest, LoadsOnlyAnExistingFileWithExtension) {
  CopySample("QORVA_SAMPLE.txt", "QORVA_SAMPLE.txt");
  CopySample("QORVA_SAMPLE.txt", "REPORT");
  QString arg = DataPath(GetParam().argument);
  Window().SetCommandLine({arg, "ignored-second-argument"});
  EXPECT_FALSE(Window().btnEncrypt->isEnabled());  // nothing loads before the window shows
  Show();
  auto& w = Window();
  EXPECT_EQ(w.btnEncrypt->isEnabled(), GetParam().loads);
  EXPECT_EQ(w.lblSourceFileValue->text(), GetParam().loads ? arg : "NONE SELECTED");
  EXPECT_EQ(QORVAFileName, GetParam().loads ? Std(arg) : "");
  EXPECT_EQ(w.OpenDialogFileName(), GetParam().dialog_name_kept ? arg : "");
  EXPECT_EQ(Ini()->ValueExists("Paths", "InitialDir"), GetParam().loads);
  EXPECT_TRUE(Texts().empty());  // a missing or extension-less argument is not reported
}

INSTANTIATE_TEST_SUITE_P(Arguments, CommandLineTest,
                         ::testing::Values(CommandLine{"WithExtension", "QORVA_SAMPLE.txt", true,
                                                       true},
                                           CommandLine{"WithoutExtension", "REPORT", false, false},
                                           CommandLine{"Missing", "absent.txt", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, F1AndHelpMenuOpenOneHelpWindowAndBringItBack) {
  Show();
  PressKey(Window().gridReports, Qt::Key_F1);
  ASSERT_EQ(HelpWindows(), 1);
  QWidget* help = HelpWindow();
  help->showMinimized();
  PressKey(Window().btnEncrypt, Qt::Key_F1);
  EXPECT_EQ(HelpWindows(), 1);
  EXPECT_EQ(HelpWindow(), help);
  EXPECT_FALSE(help->isMinimized());
  Window().ViewHelp->trigger();
  EXPECT_EQ(HelpWindows(), 1);
  EXPECT_TRUE(Texts().empty());
}

TEST_F(MainWindowTest, EscapeDoesNotCloseTheMainWindow) {
  Show();
  PressKey(Window().gridReports, Qt::Key_Escape);
  PressKey(&Window(), Qt::Key_Escape);
  EXPECT_TRUE(Window().isVisible());
  EXPECT_EQ(HelpWindows(), 0);
}

TEST_F(MainWindowTest, RightClickAnywhereOpensTheWindowMenu) {
  Show();
  auto& w = Window();
  for (QWidget* target : std::initializer_list<QWidget*>{w.gridReports->viewport(),
                                                         w.lblCreatorValue, w.Panel1, w.btnOpen}) {
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(target, &e);
    EXPECT_TRUE(w.FormMenuPopup->isVisible()) << Std(target->objectName());
    w.FormMenuPopup->hide();
  }
  QStringList items;
  for (QAction* a : w.FormMenuPopup->actions()) items << a->text();
  EXPECT_EQ(items, QStringList({"Print Active Form", "Close Active", "Display Name"}));
}

TEST_F(MainWindowTest, AboutOpensModallyOverTheMainWindowAndIsFreed) {
  Show();
  QPointer<TAbsForm> shown;
  QWidget* owner = nullptr;
  Window().ShowModal = [&](TAbsForm& form) {
    shown = &form;
    owner = form.parentWidget();
    EXPECT_EQ(&form, static_cast<TAbsForm*>(fmAboutQORVAENC));
  };
  Window().AboutEncryptor1->trigger();
  EXPECT_EQ(owner, &Window());
  EXPECT_TRUE(shown.isNull());  // freed once closed
  // Freed also when showing fails.
  Window().ShowModal = [&](TAbsForm& form) {
    shown = &form;
    throw std::runtime_error("cannot show");
  };
  EXPECT_THROW(Window().AboutEncryptor1Click(), std::runtime_error);
  EXPECT_TRUE(shown.isNull());
}

TEST_F(MainWindowTest, DroppedReportLoadsAsIfChosen) {
  QString sample = CopySample("QORVA_SAMPLE.txt", "QORVA_SAMPLE.txt");
  Show();
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(sample)});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&Window(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&Window(), &drop);
  Settle();
  EXPECT_EQ(Window().lblSourceFileValue->text(), sample);
  EXPECT_TRUE(Window().btnEncrypt->isEnabled());
}

TEST_F(MainWindowTest, CutLabelTextShowsWholeInTooltip) {
  QString deep = "in/" + QString(120, 'd') + "/QORVA_SAMPLE.txt";
  QString long_path = CopySample("QORVA_SAMPLE.txt", deep);
  QString short_path = CopySample("QORVA_SAMPLE.txt", "S.txt");
  Show();
  Open(long_path);
  EXPECT_EQ(Window().lblSourceFileValue->toolTip(), long_path);
  Open(short_path);
  EXPECT_EQ(Window().lblSourceFileValue->toolTip(), "");
}

// Holds the next job's work back until its progress dialog is up and its Cancel pressed.
class CancelFromDialog {
 public:
  CancelFromDialog() {
    TBackgroundJob::SetShowDelayForTesting(0);
    std::shared_future<void> go = pressed_.get_future().share();
    TBackgroundJob::SetWorkerStartHookForTesting([go] { go.wait(); });
    TBackgroundJob::SetProgressHookForTesting([this](TProgressWindow& d) {
      if (done_) return;
      done_ = true;
      EXPECT_TRUE(d.isVisible());
      EXPECT_EQ(d.windowModality(), Qt::WindowModal);
      d.CancelButton()->click();
      pressed_.set_value();
    });
  }
  ~CancelFromDialog() { TBackgroundJob::SetWorkerStartHookForTesting(nullptr); }

 private:
  std::promise<void> pressed_;
  bool done_ = false;
};

TEST_F(MainWindowTest, CancelledLoadChangesNothing) {
  QString sample = CopySample("QORVA_SAMPLE.txt", "QORVA_SAMPLE.txt");
  QString failing = CopySample("QORVA_FAILING.txt", "QORVA_FAILING.txt");
  Show();
  Open(sample);
  QString creator = Window().lblCreatorValue->text();
  {
    CancelFromDialog cancel;
    Open(failing);
  }
  EXPECT_TRUE(dm_->LastLoadCancelled());
  EXPECT_TRUE(Window().btnEncrypt->isEnabled());
  EXPECT_EQ(Window().lblSourceFileValue->text(), sample);
  EXPECT_EQ(Window().lblCreatorValue->text(), creator);
  EXPECT_EQ(QORVAFileName, Std(sample));
  EXPECT_TRUE(Texts().empty());
}

TEST_F(MainWindowTest, CancelledEncryptionLeavesNoEnvelopeAndNoFailureBox) {
  QString sample = CopySample("QORVA_SAMPLE.txt", "QORVA_SAMPLE.txt");
  Show();
  ChooseFolder(data_.path());
  Open(sample);
  {
    CancelFromDialog cancel;
    Window().btnEncryptClick();
    Settle();
  }
  EXPECT_FALSE(QFile::exists(DataPath("QORVA_SAMPLE.HDE")));
  EXPECT_TRUE(WorkingFiles().isEmpty()) << Std(WorkingFiles().join(' '));
  EXPECT_TRUE(Texts().empty());
}

}  // namespace
}  // namespace qorva::testing
