#include "dEncryptor.h"

#include <w_dialog.h>

namespace qorva {

TdmEncryptor* dmEncryptor = nullptr;

TdmEncryptor::TdmEncryptor() = default;

void TdmEncryptor::ErrorMsg(int LineNum, const std::string& Mesg) {
  ShowWarning("Error in line " + std::to_string(LineNum) + ".\r\r" + Mesg +
              "\r\rCannot load file.");
}

void TdmEncryptor::Fail(std::optional<int> line, std::string message) {
  last_error_ = LoadError{line, std::move(message)};
}

bool TdmEncryptor::LoadQORVAFile(const std::string& FileToLoad) {
  last_cancelled_ = false;
  try {
    TLoadOptions options;
    options.progress = progress_;
    TLoadOutcome outcome = LoadReportFile(FileToLoad, options);
    switch (outcome.kind) {
      case TLoadOutcome::Loaded:
        break;
      case TLoadOutcome::Cancelled:
        last_cancelled_ = true;
        Fail(std::nullopt, "");
        return false;
      case TLoadOutcome::LineError: {
        const int line = static_cast<int>(outcome.line);
        Fail(line, outcome.message);
        ErrorMsg(line, outcome.message);
        return false;
      }
      case TLoadOutcome::Empty: {
        const std::string text = "File is empty.\r\rUnable to proceed.\r";
        Fail(std::nullopt, text);
        ShowWarning(text);
        return false;
      }
      case TLoadOutcome::CannotAccess:
      default: {
        const std::string text = "Unable to access file \r\r" + FileToLoad + "\r";
        Fail(std::nullopt, text);
        ShowWarning(text);
        return false;
      }
    }
    results_ = std::move(outcome.results);
    last_error_.reset();
    Publish();
    return true;
  } catch (...) {
    // Nothing may escape the loader; memory running out is reported like a read failure.
    const std::string text = "Unable to access file \r\r" + FileToLoad + "\r";
    Fail(std::nullopt, text);
    try {
      ShowWarning(text);
    } catch (...) {
    }
    return false;
  }
}

void TdmEncryptor::Publish() {
  if (main_window_) {
    main_window_->SetCreatorValue(results_.FileCreator);
    main_window_->SetVersionValue(results_.SoftwareVersion);
    main_window_->SetContactValue(results_.SoftwareContact);
  }
  if (main_window_) main_window_->SetEncryptEnabled(results_.AllReportsPass);
}

}  // namespace qorva
