#include "fEncryptMain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <memory>

#include "AppStartup.h"
#include "BackgroundJob.h"
#include "EnvelopeName.h"
#include "FormPlacement.h"
#include "HelpWindow.h"
#include "Pictures.h"
#include "ReportsGrid.h"
#include "fAboutQORVAEnc.h"
#include "uKVXDecrypt.h"
#include "w_dialog.h"

namespace qorva {

std::string QORVAFileName;
std::string OutputDir;
std::string HomePath;
std::string ResultFile;
TfmEncryptMain* fmEncryptMain = nullptr;

namespace {

std::optional<QString> g_program_folder;

const char* const kNoneSelected = "NONE SELECTED";
const char* const kNotSpecified = "NOT SPECIFIED";
const char* const kIniFileName = "Zizuvozuv.INI";
const char* const kPathsSection = "Paths";
const char* const kInitialDirKey = "InitialDir";
const char* const kOutputDirKey = "OutputDir";

std::string ToPath(const QString& s) { return QFile::encodeName(s).toStdString(); }
QString FromPath(const std::string& s) { return QFile::decodeName(QByteArray::fromStdString(s)); }

bool IsSeparator(QChar c) { return c == '/' || c == QDir::separator(); }

QString FileNamePart(const QString& path) { return QFileInfo(path).fileName(); }

// A name has an extension when its file-name part holds a dot ("a." and ".cfg" too).
bool HasExtension(const QString& path) { return FileNamePart(path).contains('.'); }

// The folder of a file, with its trailing separator.
QString FolderOf(const QString& path) {
  return QDir::toNativeSeparators(QFileInfo(path).absolutePath() + '/');
}

bool FileExists(const QString& path) {
  QFileInfo info(path);
  return !path.isEmpty() && info.exists() && !info.isDir();
}

bool FolderExists(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

QFont ArialPx(int px, bool bold = false, bool italic = false) {
  QFont f;
  // Arial where installed, else its metric twin, else any sans-serif face.
  f.setFamilies(
      {"Arial", "Liberation Sans", "Arimo", "Helvetica", "DejaVu Sans Condensed", "DejaVu Sans"});
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(px);
  f.setBold(bold);
  f.setItalic(italic);
  return f;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QFont& font, int x,
                  int y, bool navy, int fixed_width = 0) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setFont(font);
  if (navy) {
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 128));
    l->setPalette(p);
  }
  if (fixed_width > 0) {
    l->setGeometry(x, y, fixed_width, QFontMetrics(font).height() + 1);
  } else {
    l->move(x, y);
    l->adjustSize();
  }
  return l;
}

// A fixed-width label cuts a long text at its right edge; the tooltip then shows all of it.
void SetFixedText(QLabel* label, const QString& text) {
  label->setText(text);
  bool cut = label->fontMetrics().horizontalAdvance(text) > label->width();
  label->setToolTip(cut ? text : QString());
}

QFrame* MakePanel(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* p = new QFrame(parent);
  p->setObjectName(name);
  p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  p->setLineWidth(1);
  p->setGeometry(x, y, w, h);
  return p;
}

}  // namespace

TfmEncryptMain::TfmEncryptMain(QWidget* owner) : TAbsForm(owner) {
  // One main window per run; a new one starts from a clean module state.
  QORVAFileName.clear();
  OutputDir.clear();
  HomePath.clear();
  ResultFile.clear();

  setObjectName("fmEncryptMain");
  setWindowTitle("QORVA File Encryption Utility");
  // The task-bar text is the application's title, spelled apart from the caption. (The
  // application display name would be appended to every window's caption instead.)
  setWindowIconText(kApplicationTitle);
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setAcceptDrops(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  MainMenu1 = new QMenuBar(this);
  MainMenu1->setObjectName("MainMenu1");
  File1 = MainMenu1->addMenu("&File");
  File1->setObjectName("File1");
  SelectFile1 = File1->addAction("&Select File To Encrypt");
  SelectFile1->setObjectName("SelectFile1");
  ChooseOutputPath1 = File1->addAction("Choose O&utput Path");
  ChooseOutputPath1->setObjectName("ChooseOutputPath1");
  EncryptSelected1 = File1->addAction("E&ncrypt Selected");
  EncryptSelected1->setObjectName("EncryptSelected1");
  EncryptSelected1->setEnabled(false);
  Help1 = MainMenu1->addMenu("&Help");
  Help1->setObjectName("Help1");
  ViewHelp = Help1->addAction("Vie&w Help File (F1)");
  ViewHelp->setObjectName("ViewHelp");
  AboutEncryptor1 = Help1->addAction("A&bout Zizuvozuv");
  AboutEncryptor1->setObjectName("AboutEncryptor1");
  layout->setMenuBar(MainMenu1);

  auto* client = new QWidget(this);
  client->setObjectName("clientArea");
  layout->addWidget(client);

  Panel1 = MakePanel(client, "Panel1", 8, 11, 672, 64);
  Panel1->setAccessibleName("Report file and output folder");
  btnOpen = new QToolButton(Panel1);
  btnOpen->setObjectName("btnOpen");
  btnOpen->setAutoRaise(true);
  btnOpen->setGeometry(7, 5, 23, 22);
  btnOpen->setIcon(PictureIcon(TPicture::OpenFolder));
  btnOpen->setToolTip("Select file to encrypt");
  btnOpen->setAccessibleName("Select file to encrypt");
  lblSourceFile =
      MakeLabel(Panel1, "lblSourceFile", "File To Encrypt...", ArialPx(12, true), 37, 9, true);
  lblSourceFileValue = MakeLabel(Panel1, "lblSourceFileValue", kNoneSelected,
                                 ArialPx(12, false, true), 134, 9, false, 534);
  lblSourceFileValue->setAccessibleName("File to encrypt");
  btnOutputPath = new QToolButton(Panel1);
  btnOutputPath->setObjectName("btnOutputPath");
  btnOutputPath->setAutoRaise(true);
  btnOutputPath->setGeometry(7, 36, 23, 22);
  btnOutputPath->setFont(ArialPx(12, true));
  btnOutputPath->setText("...");
  btnOutputPath->setToolTip("Choose output folder");
  btnOutputPath->setAccessibleName("Choose output folder");
  lblOutputPath =
      MakeLabel(Panel1, "lblOutputPath", "Output Path...", ArialPx(12, true), 37, 40, true);
  lblOutputPathValue = MakeLabel(Panel1, "lblOutputPathValue", kNotSpecified,
                                 ArialPx(12, false, true), 134, 40, false, 535);
  lblOutputPathValue->setAccessibleName("Output folder");

  Panel2 = MakePanel(client, "Panel2", 8, 88, 672, 43);
  Panel2->setAccessibleName("Software that created the file");
  lblCreator =
      MakeLabel(Panel2, "lblCreator", "File Creation Software:", ArialPx(11, true), 8, 4, true);
  lblCreatorValue = MakeLabel(Panel2, "lblCreatorValue", "***", ArialPx(11), 141, 4, false, 134);
  lblCreatorValue->setAccessibleName("File creation software");
  lblVersion =
      MakeLabel(Panel2, "lblVersion", "Software Version:", ArialPx(11, true), 310, 4, true);
  lblVersionValue = MakeLabel(Panel2, "lblVersionValue", "***", ArialPx(11), 416, 4, false, 135);
  lblVersionValue->setAccessibleName("Software version");
  lblContact = MakeLabel(Panel2, "lblContact", "Software Contact:", ArialPx(11, true), 8, 25, true);
  lblContactValue = MakeLabel(Panel2, "lblContactValue", "***", ArialPx(11), 141, 25, false, 445);
  lblContactValue->setAccessibleName("Software contact");

  lblHolderReports = MakeLabel(client, "lblHolderReports", "HOLDER REPORTS IN QORVA FILE",
                               ArialPx(12, false, true), 22, 150, false);
  gridReports = new TReportsGrid(client);
  gridReports->setGeometry(9, 169, 671, 201);
  gridReports->setAccessibleName("Holder reports");

  btnEncrypt = new QPushButton(PictureIcon(TPicture::Padlock), "E&ncrypt File", client);
  btnEncrypt->setObjectName("btnEncrypt");
  btnEncrypt->setGeometry(288, 387, 113, 25);
  btnEncrypt->setAccessibleName("Encrypt file");
  btnEncrypt->setEnabled(false);
  btnEncrypt->setAutoDefault(false);  // Enter must never start an encryption

  for (QLabel* l :
       {lblSourceFile, lblOutputPath, lblCreator, lblVersion, lblContact, lblHolderReports})
    l->setAccessibleName(l->text());

  setTabOrder(btnOpen, btnOutputPath);
  setTabOrder(btnOutputPath, gridReports);
  setTabOrder(gridReports, btnEncrypt);

  // 695 x 474 outside a classic sizeable frame with its caption: this client area and menu.
  resize(687, 423 + MainMenu1->sizeHint().height());
  // Where the window system draws a frame, the outer size is exactly 695 x 474.
  FitOuterSizeWhenFramed(this, QSize(695, 474));

  connect(btnOpen, &QToolButton::clicked, this, &TfmEncryptMain::btnOpenClick);
  connect(btnOutputPath, &QToolButton::clicked, this, &TfmEncryptMain::btnOutputPathClick);
  connect(btnEncrypt, &QPushButton::clicked, this, &TfmEncryptMain::btnEncryptClick);
  connect(SelectFile1, &QAction::triggered, this, &TfmEncryptMain::SelectFile1Click);
  connect(ChooseOutputPath1, &QAction::triggered, this, &TfmEncryptMain::ChooseOutputPath1Click);
  connect(EncryptSelected1, &QAction::triggered, this, &TfmEncryptMain::EncryptSelected1Click);
  connect(ViewHelp, &QAction::triggered, this, &TfmEncryptMain::ViewHelpClick);
  connect(AboutEncryptor1, &QAction::triggered, this, &TfmEncryptMain::AboutEncryptor1Click);

  // Key preview: the window sees key presses before its controls.
  qApp->installEventFilter(this);

  ShowModal = [](TAbsForm& form) { form.exec(); };
  if (dmEncryptor) dmEncryptor->SetMainWindow(this);
}

TfmEncryptMain::~TfmEncryptMain() {
  closing_ = true;
  TBackgroundJob::CancelAndWait();
  qApp->removeEventFilter(this);
  if (dmEncryptor) dmEncryptor->SetMainWindow(nullptr);
  if (fmEncryptMain == this) fmEncryptMain = nullptr;
}

void TfmEncryptMain::SetDialogs(OpenDialogFn open_dialog, FolderDialogFn folder_dialog) {
  open_dialog_ = std::move(open_dialog);
  folder_dialog_ = std::move(folder_dialog);
}

void TfmEncryptMain::SetProgramFolder(std::optional<QString> folder) {
  g_program_folder = std::move(folder);
}

void TfmEncryptMain::SetCommandLine(QStringList arguments) { command_line_ = std::move(arguments); }

void TfmEncryptMain::showEvent(QShowEvent* event) {
  TAbsForm::showEvent(event);
  // The settings and the command line are read once, when the window first shows.
  if (!shown_once_) {
    shown_once_ = true;
    FormShow();
  }
}

void TfmEncryptMain::FormShow() {
  QString home = g_program_folder.value_or(QCoreApplication::applicationDirPath());
  home = QDir::toNativeSeparators(home);
  if (home.isEmpty() || !IsSeparator(home.back())) home += QDir::separator();
  HomePath = ToPath(home);

  IniFile = std::make_unique<TIniFile>(home + kIniFileName);

  open_initial_dir_ = IniFile->ReadString(kPathsSection, kInitialDirKey, home);
  folder_dialog_dir_ = IniFile->ReadString(kPathsSection, kOutputDirKey, home);
  OutputDir = ToPath(folder_dialog_dir_);
  if (FolderExists(folder_dialog_dir_)) SetFixedText(lblOutputPathValue, folder_dialog_dir_);

  SetFixedText(lblCreatorValue, {});
  SetFixedText(lblVersionValue, {});
  SetFixedText(lblContactValue, {});

  QStringList args = command_line_.value_or(QCoreApplication::arguments().mid(1));
  if (!args.isEmpty()) {
    QString name = args.first();
    // A name without an extension is ignored, without a message.
    if (!HasExtension(name)) name.clear();
    open_file_name_ = name;
    if (FileExists(name)) {
      // Kept absolute, so the label and the folder remembered name the file wherever the
      // program was started from.
      QString path = QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath());
      LoadReport(path, [this, path] {
        QORVAFileName = ToPath(path);
        SetFixedText(lblSourceFileValue, path);
        WriteSetting(kInitialDirKey, FolderOf(path));
      });
    }
  }
}

void TfmEncryptMain::LoadReport(const QString& path, std::function<void()> on_loaded) {
  if (!dmEncryptor) return;
  const std::string file = ToPath(path);
  auto outcome = std::make_shared<TLoadOutcome>();
  outcome->kind = TLoadOutcome::CannotAccess;  // what a read that throws leaves
  TBackgroundJob::Start(
      this, "Checking " + FileNamePart(path) + "...",
      [file, outcome](const TProgressFn& progress) {
        *outcome = TdmEncryptor::ReadQORVAFile(file, progress);
      },
      [this, file, outcome, on_loaded = std::move(on_loaded)](bool) {
        // The datasets and labels change here, on the window's thread, once the read is over.
        if (closing_ || !dmEncryptor) return;
        if (dmEncryptor->FinishLoad(file, std::move(*outcome))) on_loaded();
      });
}

void TfmEncryptMain::WriteSetting(const QString& key, const QString& value) {
  // Each value reaches the file when it is set. A settings file that cannot be written (a
  // read-only program folder) only means the folders are not remembered.
  if (IniFile) IniFile->WriteString(kPathsSection, key, value);
}

void TfmEncryptMain::btnOpenClick() {
  TOpenFileRequest request{"Choose QORVA File To Encrypt",
                           open_initial_dir_,
                           open_file_name_,
                           {"Text Files (*.txt *.kvx *.dat)", "All Files (*)"}};
  std::optional<QString> chosen;
  if (open_dialog_) {
    chosen = open_dialog_(request);
  } else {
    QFileDialog dialog(this, request.title, request.directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The name typed need not exist; the window tests that itself.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.nameFilters);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    SizeFileDialog(dialog);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      chosen = dialog.selectedFiles().first();
  }
  if (!chosen) return;
  QString path = QDir::toNativeSeparators(*chosen);
  open_file_name_ = path;
  OpenReportFile(path);
}

void TfmEncryptMain::OpenReportFile(const QString& path) {
  if (FileExists(path)) {
    // Only a file that loaded becomes the encrypt command's input; after a failed load the
    // earlier file stays the input, matching the labels, grid and encrypt state it left.
    LoadReport(path, [this, path] {
      QORVAFileName = ToPath(path);
      SetFixedText(lblSourceFileValue, path);
      WriteSetting(kInitialDirKey, FolderOf(path));
    });
    return;
  }
  SetFixedText(lblSourceFileValue, kNoneSelected);
  ShowWarning(ToPath("File\r\r" + path + "\r\rdoes not exist."));
  // The file loaded before is still the input of the encrypt command; show it again.
  if (!QORVAFileName.empty()) SetFixedText(lblSourceFileValue, FromPath(QORVAFileName));
}

void TfmEncryptMain::SelectFile1Click() { btnOpen->click(); }

void TfmEncryptMain::btnOutputPathClick() {
  std::optional<QString> chosen;
  if (folder_dialog_) {
    chosen = folder_dialog_(folder_dialog_dir_);
  } else {
    QFileDialog dialog(this, "Select a Folder",
                       FolderExists(folder_dialog_dir_) ? folder_dialog_dir_ : QString());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setLabelText(QFileDialog::LookIn, "Folders");
    dialog.setLabelText(QFileDialog::FileName, "Folder Name");
    dialog.setLabelText(QFileDialog::Accept, "OK");
    dialog.setLabelText(QFileDialog::Reject, "Cancel");
    SizeFileDialog(dialog);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      chosen = dialog.selectedFiles().first();
  }
  if (chosen) {
    folder_dialog_dir_ = QDir::toNativeSeparators(*chosen);
    OutputDir = ToPath(folder_dialog_dir_);
  }
  // Confirmed or cancelled, the label and the setting take the dialog's folder.
  SetFixedText(lblOutputPathValue, folder_dialog_dir_);
  WriteSetting(kOutputDirKey, folder_dialog_dir_);
}

void TfmEncryptMain::ChooseOutputPath1Click() { btnOutputPath->click(); }

void TfmEncryptMain::btnEncryptClick() {
  // An envelope is only made from a file that loaded with every report passing.
  if (QORVAFileName.empty() || !btnEncrypt->isEnabled()) return;
  const QString input = FromPath(QORVAFileName);
  ResultFile = EnvelopePathFor(OutputDir, QORVAFileName);
  const std::string input_path = QORVAFileName;
  const std::string output_path = ResultFile;
  auto ok = std::make_shared<bool>(false);
  TBackgroundJob::Start(
      this, "Encrypting " + FileNamePart(input) + "...",
      [input_path, output_path, ok](const TProgressFn& progress) {
        TKVXDecryption* envelope = TKVXDecryption::Instance();
        envelope->SetProgress(progress);
        try {
          *ok = envelope->TwoFishRSADigitalEnvelope("encrypt", input_path, output_path);
        } catch (...) {
          *ok = false;  // the envelope has said why
        }
        envelope->SetProgress(nullptr);
      },
      [ok, output_path](bool cancelled) {
        if (*ok)
          info("Encryption has succeeded!\r\r" + output_path + "\r\rhas been created.");
        else if (!cancelled)  // a cancel was the user's own choice: no failure box
          ShowWarning("Encryption failed.\r\rNo file has been created.");
      });
}

void TfmEncryptMain::EncryptSelected1Click() {
  if (btnEncrypt->isEnabled()) btnEncrypt->click();
}

void TfmEncryptMain::ViewHelpClick() { InvokeHelp(); }

void TfmEncryptMain::AboutEncryptor1Click() {
  // Freed when it closes, also when showing it fails.
  auto about = std::make_unique<TfmAboutQORVAENC>(this);
  fmAboutQORVAENC = about.get();
  ShowModal(*about);
}

void TfmEncryptMain::InvokeHelp() { ShowHelpWindow(); }

bool TfmEncryptMain::FormKeyDown(int key, Qt::KeyboardModifiers) {
  if (key == Qt::Key_F1) {
    InvokeHelp();
    return true;
  }
  return false;
}

bool TfmEncryptMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (FormKeyDown(key->key(), key->modifiers())) return true;
  }
  return TAbsForm::eventFilter(watched, event);
}

void TfmEncryptMain::SetCreatorValue(const std::string& s) {
  SetFixedText(lblCreatorValue, QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())));
}

void TfmEncryptMain::SetVersionValue(const std::string& s) {
  SetFixedText(lblVersionValue, QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())));
}

void TfmEncryptMain::SetContactValue(const std::string& s) {
  SetFixedText(lblContactValue, QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())));
}

void TfmEncryptMain::SetEncryptEnabled(bool enabled) {
  btnEncrypt->setEnabled(enabled);
  EncryptSelected1->setEnabled(enabled);
}

void TfmEncryptMain::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* mime = event->mimeData();
  if (mime->hasUrls() && mime->urls().size() == 1 && mime->urls().first().isLocalFile())
    event->acceptProposedAction();
}

void TfmEncryptMain::dropEvent(QDropEvent* event) {
  const QMimeData* mime = event->mimeData();
  if (!mime->hasUrls() || mime->urls().size() != 1 || !mime->urls().first().isLocalFile()) return;
  event->acceptProposedAction();
  OpenReportFile(QDir::toNativeSeparators(mime->urls().first().toLocalFile()));
}

}  // namespace qorva
