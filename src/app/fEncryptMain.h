// The main window: choose a holder report file and the output folder, see the reports,
// and seal a file whose reports all pass into its ".HDE" envelope.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "AbsFormUnit.h"
#include "IniFile.h"
#include "dEncryptor.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QToolButton;

namespace qorva {

// State of the main window's module. Paths are in the platform's file-name encoding.
extern std::string QORVAFileName;  // the loaded report file: the encrypt command's input
extern std::string OutputDir;      // the folder of the envelope
extern std::string HomePath;       // the program's folder, with a trailing separator
extern std::string ResultFile;     // the envelope made by the last encrypt command

// What the open-file dialog is asked to show.
struct TOpenFileRequest {
  QString title;
  QString directory;
  QString fileName;
  QStringList nameFilters;
};

class TReportsGrid;

class TfmEncryptMain : public TAbsForm, public IEncryptMainWindow {
  Q_OBJECT
 public:
  explicit TfmEncryptMain(QWidget* owner = nullptr);
  ~TfmEncryptMain() override;

  // Opens the help window, or brings the open one forward.
  void InvokeHelp();

  // What the loader writes into the window.
  void SetCreatorValue(const std::string& s) override;
  void SetVersionValue(const std::string& s) override;
  void SetContactValue(const std::string& s) override;
  void SetEncryptEnabled(bool enabled) override;

  // Handlers.
  void FormShow();
  void btnOpenClick();
  void SelectFile1Click();
  void btnOutputPathClick();
  void ChooseOutputPath1Click();
  void btnEncryptClick();
  void EncryptSelected1Click();
  void ViewHelpClick();
  void AboutEncryptor1Click();
  // Returns true when the key was handled (and so goes no further).
  bool FormKeyDown(int key, Qt::KeyboardModifiers shift);

  // Loads a report file as if it had been chosen in the open dialog; dropped files use it.
  void OpenReportFile(const QString& path);

  // The dialogs; by default the platform's. Each returns the chosen path, or nothing when
  // cancelled.
  using OpenDialogFn = std::function<std::optional<QString>(const TOpenFileRequest&)>;
  using FolderDialogFn = std::function<std::optional<QString>(const QString& current_folder)>;
  void SetDialogs(OpenDialogFn open_dialog, FolderDialogFn folder_dialog);
  // The program's folder (by default that of the running program file) and the arguments
  // after the program name (by default those of the running program).
  static void SetProgramFolder(std::optional<QString> folder);
  void SetCommandLine(QStringList arguments);
  // Shows a window modally (the About window); tests replace it so that nothing blocks.
  std::function<void(TAbsForm& form)> ShowModal;

  // The settings file beside the program, opened when the window first shows.
  std::unique_ptr<TIniFile> IniFile;

  // What the two dialogs will start from.
  QString OpenDialogInitialDir() const { return open_initial_dir_; }
  QString OpenDialogFileName() const { return open_file_name_; }
  QString FolderDialogDirectory() const { return folder_dialog_dir_; }

  // Controls.
  QMenuBar* MainMenu1;
  QMenu* File1;
  QAction* SelectFile1;
  QAction* ChooseOutputPath1;
  QAction* EncryptSelected1;
  QMenu* Help1;
  QAction* ViewHelp;
  QAction* AboutEncryptor1;
  QFrame* Panel1;
  QToolButton* btnOpen;
  QLabel* lblSourceFile;
  QLabel* lblSourceFileValue;
  QToolButton* btnOutputPath;
  QLabel* lblOutputPath;
  QLabel* lblOutputPathValue;
  QFrame* Panel2;
  QLabel* lblCreator;
  QLabel* lblCreatorValue;
  QLabel* lblVersion;
  QLabel* lblVersionValue;
  QLabel* lblContact;
  QLabel* lblContactValue;
  QLabel* lblHolderReports;
  TReportsGrid* gridReports;
  QPushButton* btnEncrypt;

 protected:
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Loads the file on a worker thread; `on_loaded` runs once it has loaded (and not on a
  // failure, whose messages the loader shows).
  void LoadReport(const QString& path, std::function<void()> on_loaded);
  void WriteSetting(const QString& key, const QString& value);

  OpenDialogFn open_dialog_;
  FolderDialogFn folder_dialog_;
  std::optional<QStringList> command_line_;
  QString open_initial_dir_;
  QString open_file_name_;
  QString folder_dialog_dir_;
  bool shown_once_ = false;
  bool closing_ = false;  // a job that ends while the window is destroyed touches nothing
};

extern TfmEncryptMain* fmEncryptMain;

}  // namespace qorva
