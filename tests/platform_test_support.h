// Running the built programs from a test, the same on Linux and on Windows: a shell command
// line with quoted arguments and redirections, and its exit status as the program gave it.
#pragma once

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include "platform.h"

namespace qorva::testing {

#ifdef _WIN32
// cmd.exe: double quotes (a path never holds one).
inline std::string ShellQuote(const std::string& s) { return "\"" + s + "\""; }
inline const char* const kNullInput = "NUL";

// Runs `command` through the command interpreter; the program's exit status, -1 if none.
inline int RunShell(const std::string& command) {
  // cmd /c drops the outer quotes of a line that starts with one, so the line gets a pair
  // of its own; the line goes over as UTF-8 made wide, so non-ASCII paths stay whole.
  const std::wstring wide = platform::PathFromUtf8("\"" + command + "\"").wstring();
  return ::_wsystem(wide.c_str());
}

// Sets an environment variable of this process (and so of the programs it runs).
inline void SetEnvironment(const std::string& name, const std::string& value) {
  ::_wputenv_s(platform::PathFromUtf8(name).wstring().c_str(),
               platform::PathFromUtf8(value).wstring().c_str());
}

inline void UnsetEnvironment(const std::string& name) {
  ::_wputenv_s(platform::PathFromUtf8(name).wstring().c_str(), L"");
}

// The variable that names the temporary folder for the programs a test runs.
inline const char* const kTempVariable = "TMP";
#else
inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}
inline const char* const kNullInput = "/dev/null";

inline int RunShell(const std::string& command) {
  const int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline void SetEnvironment(const std::string& name, const std::string& value) {
  ::setenv(name.c_str(), value.c_str(), 1);
}

inline void UnsetEnvironment(const std::string& name) { ::unsetenv(name.c_str()); }

inline const char* const kTempVariable = "TMPDIR";
#endif

// An environment variable set for as long as the object lives (for the programs a test
// runs), then as it was.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const std::string& name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name.c_str())) {
      had_ = true;
      old_ = old;
    }
    SetEnvironment(name, value);
  }
  ~ScopedEnvironment() { had_ ? SetEnvironment(name_, old_) : UnsetEnvironment(name_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_, old_;
  bool had_ = false;
};

// Runs `program` with `arguments` (already quoted and joined), its output to `out` and
// `err`, its input empty; the exit status. `prefix` goes before the program (another user).
inline int RunProgram(const std::string& program, const std::string& arguments,
                      const std::string& out, const std::string& err,
                      const std::string& prefix = "") {
  return RunShell(prefix + ShellQuote(program) + (arguments.empty() ? "" : " " + arguments) + " >" +
                  ShellQuote(out) + " 2>" + ShellQuote(err) + " <" + kNullInput);
}

}  // namespace qorva::testing
