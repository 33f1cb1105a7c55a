// The sub-commands of `qorva`. Each lives in its own <name>_command.cpp and registers itself
// with a static QORVA_COMMAND, so adding one touches no other file.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace qorva::cli {

// Exit codes shared by every command.
enum ExitCode : int {
  kExitOk = 0,        // check: every report passes; encrypt: envelope written
  kExitFailed = 1,    // check: loaded, but some report fails; encrypt: refused
  kExitRejected = 2,  // the file was rejected or could not be read; any other failure
  kExitUsage = 64,    // bad command line
};

// Runs a command once its options have been parsed; returns the exit code.
using CommandRun = std::function<int()>;

struct Command {
  const char* name;
  const char* summary;  // one line for the command list and the top of its help
  const char* footer;   // the rest of its --help: what it writes, its exit statuses
  // Declares the command's options and arguments on `app` (bound to variables it owns) and
  // returns what runs the command once they are parsed.
  CommandRun (*setup)(CLI::App& app);
};

// Every registered command, sorted by name.
const std::vector<Command>& Commands();

struct CommandRegistrar {
  explicit CommandRegistrar(const Command& command);
};

#define QORVA_COMMAND(id, ...) \
  static const ::qorva::cli::CommandRegistrar qorva_command_##id({__VA_ARGS__})

}  // namespace qorva::cli
