// Shared set-up of the desktop program's tests: one application object per test process,
// and a main window over a temporary program folder with scripted dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "dEncryptor.h"
#include "IniFile.h"
#include "fEncryptMain.h"
#include "w_dialog.h"

namespace qorva::testing {

// A sample report shipped with the program.
QString SamplePath(const char* name);

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  TfmEncryptMain& Window() { return *window_; }
  // Shows the window (its first showing reads the settings and the command line).
  void Show();
  // Lets a load or an encryption that a command started run to its end.
  void Settle();
  // Copies a sample report into the data folder under `name`; returns its path.
  QString CopySample(const char* sample, const QString& name);
  QString DataPath(const QString& name) const { return data_.filePath(name); }
  QString Home() const;  // the program folder, with its trailing separator
  std::unique_ptr<TIniFile> Ini() const;

  // Runs the open command with the dialog answering `path` (nothing = cancel).
  void Open(std::optional<QString> path);
  // Runs the output-folder command with the dialog answering `folder` (nothing = cancel).
  void ChooseFolder(std::optional<QString> folder);

  std::vector<std::string> Texts() const { return messages_.texts(); }

  // Names of the files the envelope left in its working folder (the test's own).
  QStringList WorkingFiles() const;

  RecordingMessageHelper messages_;
  QTemporaryDir work_;  // the temporary folder the envelope works in, one per test
  QByteArray saved_tmpdir_;
  QTemporaryDir home_;
  QTemporaryDir data_;
  std::unique_ptr<TdmEncryptor> dm_;
  std::unique_ptr<TfmEncryptMain> window_;
  std::deque<QString> open_answers_;  // a null text cancels
  std::deque<QString> folder_answers_;
  std::vector<TOpenFileRequest> open_requests_;
  std::vector<QString> folder_requests_;
};

}  // namespace qorva::testing
