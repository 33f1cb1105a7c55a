#include "w_dialog.h"

#include <cstdio>

namespace qorva {
namespace {

StderrMessageHelper& DefaultHelper() {
  static StderrMessageHelper helper;
  return helper;
}

IMessageHelper* g_current = nullptr;

const char* Prefix(MessageKind kind) {
  switch (kind) {
    case MessageKind::Warning:
      return "warning: ";
    case MessageKind::Information:
      return "information: ";
    case MessageKind::Plain:
      break;
  }
  return "";
}

}  // namespace

IMessageHelper& Messages() { return g_current ? *g_current : DefaultHelper(); }

IMessageHelper* SetMessages(IMessageHelper* helper) {
  IMessageHelper* previous = g_current;
  g_current = helper;
  return previous;
}

void ShowMessage(const std::string& text) { Messages().Show(MessageKind::Plain, text); }
void ShowWarning(const std::string& text) { Messages().Show(MessageKind::Warning, text); }
void ShowWarning(const std::string& text, const std::string& detail) {
  if (detail.empty())
    Messages().Show(MessageKind::Warning, text);
  else
    Messages().ShowDetailed(MessageKind::Warning, text, detail);
}
void info(const std::string& text) { Messages().Show(MessageKind::Information, text); }
bool AskYesNo(const std::string& text) { return Messages().AskYesNo(text); }

std::string MessageAsLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

void StderrMessageHelper::Show(MessageKind kind, const std::string& text) {
  std::string lines = MessageAsLines(text);
  while (!lines.empty() && lines.back() == '\n') lines.pop_back();
  std::fprintf(stderr, "%s%s\n", Prefix(kind), lines.c_str());
}

void StderrMessageHelper::ShowDetailed(MessageKind kind, const std::string& text,
                                       const std::string& detail) {
  Show(kind, text);
  std::string lines = MessageAsLines(detail);
  while (!lines.empty() && lines.back() == '\n') lines.pop_back();
  if (!lines.empty()) std::fprintf(stderr, "%s\n", lines.c_str());
}

bool StderrMessageHelper::AskYesNo(const std::string& text) {
  std::fprintf(stderr, "%s [%s]\n", MessageAsLines(text).c_str(), answer_yes_ ? "Yes" : "No");
  return answer_yes_;
}

RecordingMessageHelper::RecordingMessageHelper() : previous_(SetMessages(this)) {}

RecordingMessageHelper::~RecordingMessageHelper() { SetMessages(previous_); }

void RecordingMessageHelper::Show(MessageKind kind, const std::string& text) {
  entries_.push_back({kind, false, text, {}});
}

void RecordingMessageHelper::ShowDetailed(MessageKind kind, const std::string& text,
                                          const std::string& detail) {
  entries_.push_back({kind, false, text, detail});
}

bool RecordingMessageHelper::AskYesNo(const std::string& text) {
  entries_.push_back({MessageKind::Plain, true, text, {}});
  if (answers_.empty()) return false;
  bool yes = answers_.front();
  answers_.erase(answers_.begin());
  return yes;
}

std::vector<std::string> RecordingMessageHelper::texts() const {
  std::vector<std::string> out;
  for (const auto& e : entries_) out.push_back(e.text);
  return out;
}

}  // namespace qorva
