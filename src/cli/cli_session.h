// Loading a report file from the command line: the loader with its messages on stderr, and
// the values it publishes for the main window kept here instead.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dEncryptor.h"
#include "progress_line.h"
#include "w_dialog.h"

namespace qorva::cli {

// Holds the messages that the loader and the envelope show until the operation ends, so that
// they print as "error:" when it failed and "warning:" when it went through anyway.
// Questions get the answer No (the command line never waits for input).
class CliMessages : public IMessageHelper {
 public:
  void Show(MessageKind kind, const std::string& text) override;
  // The detail prints as lines after the message.
  void ShowDetailed(MessageKind kind, const std::string& text, const std::string& detail) override;
  bool AskYesNo(const std::string& text) override;
  // Prints what is held on stderr, each message with its prefix, and forgets it.
  void Report(bool failed);

 private:
  struct Held {
    bool question;
    std::string text;
    std::string detail{};
  };
  std::vector<Held> held_;
};

class CliSession : public IEncryptMainWindow {
 public:
  CliSession();
  ~CliSession() override;
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Loads `path` (a file that is missing, a folder or cannot be opened is rejected here, with
  // the system's reason). On failure error() says why; the messages are on stderr.
  bool Load(const std::string& path);
  // Loads the report from standard input, read once ("-" on the command line).
  bool LoadStandardInput();
  // Shows the load's progress on `line` (not owned; nullptr for none).
  void SetProgress(ProgressLine* line) { progress_ = line; }
  // Prints the messages shown since the last load or report (an envelope run's).
  void ReportMessages(bool failed) { messages_.Report(failed); }

  TdmEncryptor& module() { return *module_; }
  // Published by the last successful load, exactly as the loader gave them.
  const std::string& creator() const { return creator_; }
  const std::string& version() const { return version_; }
  const std::string& contact() const { return contact_; }
  // The loader's verdict, except that a file without any holder report (only one-character
  // lines, which the loader lets through) never counts as passing: there is nothing to send.
  bool all_pass() const { return encrypt_enabled_ && has_reports_; }

  // Why the last load failed: the line (for a line error) and the message.
  const std::optional<TdmEncryptor::LoadError>& error() const { return error_; }

  void SetCreatorValue(const std::string& s) override { creator_ = s; }
  void SetVersionValue(const std::string& s) override { version_ = s; }
  void SetContactValue(const std::string& s) override { contact_ = s; }
  void SetEncryptEnabled(bool enabled) override { encrypt_enabled_ = enabled; }

 private:
  CliMessages messages_;
  ProgressLine* progress_ = nullptr;
  IMessageHelper* previous_helper_;
  std::unique_ptr<TdmEncryptor> module_;
  std::string creator_, version_, contact_;
  bool encrypt_enabled_ = false;
  bool has_reports_ = false;
  std::optional<TdmEncryptor::LoadError> error_;
};

// Text that is safe to print for people, on a terminal too: bytes of 0x80 and above read as
// Latin-1 and written as UTF-8 (or kept, for text already in UTF-8 such as a path), control
// characters (C0, DEL and the C1 range 0x80-0x9F, which terminals obey) as \xNN escapes of
// their bytes.
std::string PrintableText(const std::string& text, bool keep_utf8 = false);
// A message for stderr: its line breaks kept, the rest as PrintableText (kept as UTF-8 when it
// is valid UTF-8, as a message naming a path may be).
std::string PrintableMessage(const std::string& text);
// Well-formed UTF-8: no stray, overlong or surrogate sequences.
bool IsValidUtf8(const std::string& text);
// Display width of PrintableText's output (one column per code point).
std::size_t PrintableWidth(const std::string& printable);

// Prints, on stderr, the start of the line that a line error names, so that the user finds
// it at once.
void ShowOffendingLine(const TdmEncryptor::LoadError& error);

}  // namespace qorva::cli
