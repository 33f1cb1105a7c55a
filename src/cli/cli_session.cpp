#include "cli_session.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform.h"

namespace qorva::cli {

void CliMessages::Show(MessageKind, const std::string& text) { held_.push_back({false, text}); }

void CliMessages::ShowDetailed(MessageKind, const std::string& text, const std::string& detail) {
  held_.push_back({false, text, detail});
}

bool CliMessages::AskYesNo(const std::string& text) {
  held_.push_back({true, text + " [No]"});
  return false;
}

void CliMessages::Report(bool failed) {
  for (const Held& h : held_) {
    std::string lines = MessageAsLines(h.text);
    while (!lines.empty() && lines.back() == '\n') lines.pop_back();
    std::fprintf(stderr, "%s%s\n",
                 h.question ? "qorva: "
                 : failed   ? "qorva: error: "
                            : "qorva: warning: ",
                 PrintableMessage(lines).c_str());
    std::string detail = MessageAsLines(h.detail);
    while (!detail.empty() && detail.back() == '\n') detail.pop_back();
    if (!detail.empty()) std::fprintf(stderr, "%s\n", PrintableMessage(detail).c_str());
  }
  held_.clear();
}

CliSession::CliSession()
    : previous_helper_(SetMessages(&messages_)), module_(std::make_unique<TdmEncryptor>()) {
  module_->SetMainWindow(this);
}

CliSession::~CliSession() {
  module_->SetMainWindow(nullptr);
  SetMessages(previous_helper_);
}

namespace {

// Why `path` cannot be loaded before the loader tries: "No such file" only when it is missing;
// otherwise the system's reason (a folder without search permission, an unreadable file).
std::string CannotOpen(const std::string& path) {
  const std::filesystem::path where = platform::PathFromUtf8(path);
  std::error_code ec;
  const auto status = std::filesystem::status(where, ec);
  if (ec == std::errc::no_such_file_or_directory) return "No such file: " + path;
  if (ec) return "Cannot open " + path + ": " + ec.message();
  if (std::filesystem::is_directory(status)) return "Is a folder, not a report file: " + path;
  // A named pipe or a device can be read only once: the loader's own opening tells.
  if (!std::filesystem::is_regular_file(status)) return "";
  errno = 0;
  std::ifstream in(where, std::ios::binary);
  if (in) return "";
  const int error = errno;
  return "Cannot open " + path + ": " +
         (error ? std::generic_category().message(error) : std::string("cannot be read"));
}

}  // namespace

bool CliSession::LoadStandardInput() {
  error_.reset();
  platform::SetBinaryMode(stdin);
  const bool loaded = module_->LoadQORVAStream(stdin, "standard input");
  ReportMessages(!loaded);
  if (loaded) {
    has_reports_ = !module_->Results().TempArray.empty();
    return true;
  }
  error_ = module_->LastError();
  if (!error_) error_ = TdmEncryptor::LoadError{std::nullopt, "The input was not loaded."};
  return false;
}

bool CliSession::Load(const std::string& path) {
  error_.reset();
  if (const std::string problem = CannotOpen(path); !problem.empty()) {
    ShowWarning(problem);
    ReportMessages(true);
    error_ = TdmEncryptor::LoadError{std::nullopt, problem};
    return false;
  }
  if (progress_) {
    progress_->Start("Checking");
    module_->SetProgress([line = progress_](std::uint64_t done, std::uint64_t total) {
      line->Update(done, total);
      return true;
    });
  }
  const bool loaded = module_->LoadQORVAFile(path);
  if (progress_) {
    progress_->Finish();
    module_->SetProgress(nullptr);
  }
  ReportMessages(!loaded);
  if (loaded) {
    has_reports_ = !module_->Results().TempArray.empty();
    return true;
  }
  error_ = module_->LastError();
  if (!error_) error_ = TdmEncryptor::LoadError{std::nullopt, "The file was not loaded."};
  return false;
}

bool IsValidUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t extra;
    unsigned char low = 0x80, high = 0xbf;  // range of the second byte
    if (c < 0x80) {
      extra = 0;
    } else if (c >= 0xc2 && c <= 0xdf) {
      extra = 1;
    } else if (c >= 0xe0 && c <= 0xef) {
      extra = 2;
      if (c == 0xe0) low = 0xa0;   // overlong
      if (c == 0xed) high = 0x9f;  // surrogates
    } else if (c >= 0xf0 && c <= 0xf4) {
      extra = 3;
      if (c == 0xf0) low = 0x90;
      if (c == 0xf4) high = 0x8f;  // beyond U+10FFFF
    } else {
      return false;
    }
    if (text.size() - i <= extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto b = static_cast<unsigned char>(text[i + k]);
      if (k == 1 ? (b < low || b > high) : (b & 0xc0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

std::string PrintableText(const std::string& text, bool keep_utf8) {
  std::string out;
  out.reserve(text.size());
  auto escape = [&out](unsigned char c) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0xf];
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7f) {
      escape(c);
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (keep_utf8) {
      // U+0080-U+009F, C2 80 to C2 9F in UTF-8, are the C1 controls.
      const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
      if (c == 0xc2 && next >= 0x80 && next <= 0x9f) {
        escape(c);
        escape(next);
        ++i;
      } else {
        out += static_cast<char>(c);
      }
    } else if (c < 0xa0) {
      escape(c);
    } else {
      out += static_cast<char>(0xc0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3f));
    }
  }
  return out;
}

std::string PrintableMessage(const std::string& text) {
  const bool utf8 = IsValidUtf8(text);
  std::string out;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    out += PrintableText(text.substr(start, end - start), utf8) + "\n";
  return out + PrintableText(text.substr(start), utf8);
}

std::size_t PrintableWidth(const std::string& printable) {
  std::size_t width = 0;
  for (unsigned char c : printable)
    if ((c & 0xc0) != 0x80) ++width;
  return width;
}

void ShowOffendingLine(const TdmEncryptor::LoadError& error) {
  if (!error.line || error.line_start.empty()) return;
  // The start of the line, as kept by the loader's one pass over the input.
  std::string start = error.line_start.substr(0, 72);
  const bool cut = error.line_cut || error.line_start.size() > start.size();
  while (!start.empty() && start.back() == ' ') start.pop_back();
  std::fprintf(stderr, "Line %d (line %lld of the file, empty lines included) starts:\n  %s%s\n",
               *error.line, static_cast<long long>(error.physical_line),
               PrintableText(start).c_str(), cut ? " ..." : "");
}

}  // namespace qorva::cli
