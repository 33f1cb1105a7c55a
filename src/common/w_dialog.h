// The message helper: every message box of the system goes through it, so that the
// desktop program, the command line and the tests can each show messages their own way.
#pragma once

#include <string>
#include <vector>

namespace qorva {

// The kinds of modal box that the system shows; each has a single OK button.
enum class MessageKind {
  Plain,        // text and OK; caption is the application title
  Warning,      // warning icon
  Information,  // the "Information" box: caption "Information", information icon
};

class IMessageHelper {
 public:
  virtual ~IMessageHelper() = default;
  // Shows a modal box and returns when it is dismissed. Line breaks in `text` are
  // single carriage returns.
  virtual void Show(MessageKind kind, const std::string& text) = 0;
  // The same box with a detail text kept apart from its own text: the desktop's detailed
  // text, lines after the message on the command line. A helper without a place for it
  // shows the text alone.
  virtual void ShowDetailed(MessageKind kind, const std::string& text, const std::string& detail) {
    (void)detail;
    Show(kind, text);
  }
  // The Yes/No question; true means Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
};

// The process-wide helper. Until one is installed, messages go to a StderrMessageHelper.
IMessageHelper& Messages();
// Installs `helper` (not owned) and returns the previous one; nullptr restores the default.
IMessageHelper* SetMessages(IMessageHelper* helper);

// Shorthands used by the core code.
void ShowMessage(const std::string& text);  // plain box
void ShowWarning(const std::string& text);
void ShowWarning(const std::string& text, const std::string& detail);  // empty: none
void info(const std::string& text);                                    // the "Information" box
bool AskYesNo(const std::string& text);

// Turns the carriage returns of a message into line feeds (CR LF and lone CR alike).
std::string MessageAsLines(const std::string& text);

// Writes messages to stderr as lines; questions get a fixed answer (no prompt: the
// command line never waits for input).
class StderrMessageHelper : public IMessageHelper {
 public:
  explicit StderrMessageHelper(bool answer_yes = false) : answer_yes_(answer_yes) {}
  void Show(MessageKind kind, const std::string& text) override;
  void ShowDetailed(MessageKind kind, const std::string& text, const std::string& detail) override;
  bool AskYesNo(const std::string& text) override;

 private:
  bool answer_yes_;
};

// Records what was shown and answers questions from a queue (No when the queue is empty);
// installs itself for its lifetime.
class RecordingMessageHelper : public IMessageHelper {
 public:
  struct Entry {
    MessageKind kind;  // for a question, Plain
    bool question;
    std::string text;
    std::string detail;  // of ShowDetailed
  };

  RecordingMessageHelper();
  ~RecordingMessageHelper() override;
  RecordingMessageHelper(const RecordingMessageHelper&) = delete;
  RecordingMessageHelper& operator=(const RecordingMessageHelper&) = delete;

  void Show(MessageKind kind, const std::string& text) override;
  void ShowDetailed(MessageKind kind, const std::string& text, const std::string& detail) override;
  bool AskYesNo(const std::string& text) override;

  void AnswerNext(bool yes) { answers_.push_back(yes); }
  const std::vector<Entry>& entries() const { return entries_; }
  // Texts of the entries, questions included, in order.
  std::vector<std::string> texts() const;
  void clear() { entries_.clear(); }

 private:
  std::vector<Entry> entries_;
  std::vector<bool> answers_;
  IMessageHelper* previous_;
};

}  // namespace qorva
