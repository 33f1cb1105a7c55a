// Loading a report file from the command line: the loader with its messages on stderr, and
// the values it publishes for the main window kept here instead.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "dEncryptor.h"
#include "w_dialog.h"

namespace qorva::cli {

class CliSession : public IEncryptMainWindow {
 public:
  CliSession();
  ~CliSession() override;
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Loads `path` (a missing file or a folder is rejected here, as the loader expects an
  // existing file). On failure error() says why.
  bool Load(const std::string& path);

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
  StderrMessageHelper stderr_helper_;
  IMessageHelper* previous_helper_;
  std::unique_ptr<TdmEncryptor> module_;
  std::string creator_, version_, contact_;
  bool encrypt_enabled_ = false;
  bool has_reports_ = false;
  std::optional<TdmEncryptor::LoadError> error_;
};

// The `number`th non-empty line of a report file, counted as the loader counts (line feed
// or CR LF ends a line, empty lines do not count, Ctrl-Z ends the text), with its position
// among all lines of the file. Reads no further than that line and keeps at most `max_chars`
// of it.
struct NumberedLine {
  std::string text;             // the line's first max_chars characters
  bool cut;                     // the line is longer than that
  std::uint64_t physical_line;  // 1-based, empty lines included
};
std::optional<NumberedLine> FindNonEmptyLine(const std::string& path, int number,
                                             std::size_t max_chars);

// Text that is safe to print for people: bytes of 0x80 and above read as Latin-1 and written
// as UTF-8 (or kept, for text already in UTF-8 such as a path), control characters as '?'.
std::string PrintableText(const std::string& text, bool keep_utf8 = false);
// Well-formed UTF-8: no stray, overlong or surrogate sequences.
bool IsValidUtf8(const std::string& text);
// Display width of PrintableText's output (one column per code point).
std::size_t PrintableWidth(const std::string& printable);

// Prints, on stderr, the start of the line that a line error names, so that the user finds
// it at once.
void ShowOffendingLine(const std::string& path, int line);

}  // namespace qorva::cli
