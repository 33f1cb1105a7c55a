// The sub-commands of `qorva`. Each lives in its own <name>_command.cpp and registers itself
// with a static QORVA_COMMAND, so adding one touches no other file.
#pragma once

#include <string>
#include <vector>

namespace qorva::cli {

// Exit codes shared by every command.
enum ExitCode : int {
  kExitOk = 0,        // check: every report passes; encrypt: envelope written
  kExitFailed = 1,    // check: loaded, but some report fails; encrypt: refused
  kExitRejected = 2,  // the file was rejected or could not be read; any other failure
  kExitUsage = 64,    // bad command line
};

using CommandFn = int (*)(const std::vector<std::string>& args);

struct Command {
  const char* name;
  const char* synopsis;  // the arguments after the name, e.g. "FILE [--json]"
  const char* summary;   // one line for the command list
  const char* help;      // the command's own --help text (options, exit codes)
  CommandFn run;
};

// Every registered command, sorted by name.
const std::vector<Command>& Commands();

struct CommandRegistrar {
  explicit CommandRegistrar(const Command& command);
};

#define QORVA_COMMAND(id, ...) \
  static const ::qorva::cli::CommandRegistrar qorva_command_##id({__VA_ARGS__})

// Prints "qorva: <message>" and a pointer to the command's help on stderr; returns
// kExitUsage.
int UsageError(const std::string& command, const std::string& message);

// True when `args` asks for the command's help (-h or --help anywhere).
bool WantsHelp(const std::vector<std::string>& args);
// Prints the command's usage and help text on stdout.
void PrintCommandHelp(const Command& command);
const Command* FindCommand(const std::string& name);

}  // namespace qorva::cli
